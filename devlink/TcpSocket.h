#pragma once
// A small move-only TCP socket over Winsock (win build) or BSD sockets (native build).
// Owns its handle; closed by close() or the destructor.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace zorvik {

#ifdef _WIN32
using NativeSocket = uintptr_t;  // SOCKET
#else
using NativeSocket = int;
#endif

class TcpSocket {
 public:
  TcpSocket() = default;
  explicit TcpSocket(NativeSocket handle) : handle_(handle) {}
  TcpSocket(TcpSocket&& other) noexcept : handle_(other.release()) {}
  TcpSocket& operator=(TcpSocket&& other) noexcept;
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;
  ~TcpSocket() { close(); }

  // Connects to 127.0.0.1:port; an invalid socket on failure. noDelay sets TCP_NODELAY.
  static TcpSocket connectLoopback(uint16_t port, bool noDelay = true);
  // The same, giving up after timeoutMs or as soon as `stop` says so (asked every kPollMs while
  // the connection is being made). timedOut tells a deadline from a refusal. The socket stays
  // non-blocking: read it with receiveAvailable and waitReadable (sendAll waits as needed).
  static TcpSocket connectLoopback(uint16_t port, bool noDelay, unsigned timeoutMs, const std::function<bool()>& stop,
                                   bool* timedOut = nullptr);
  // The same to any IPv4 address (in network byte order), e.g. a resolved server's.
  static TcpSocket connectIpv4(uint32_t address, uint16_t port, bool noDelay, unsigned timeoutMs,
                               const std::function<bool()>& stop, bool* timedOut = nullptr);

  // How long a wait sleeps before it asks its stop condition again.
  static constexpr unsigned kPollMs = 50;
  enum class Wait { Ready, TimedOut, Stopped, Failed };
  // Waits until a receive would not block (bytes, the peer's close or an error are all "ready"),
  // at most timeoutMs, ending early when `stop` says so.
  Wait waitReadable(unsigned timeoutMs, const std::function<bool()>& stop) const;

  bool valid() const;
  // One send call with all the bytes (and more calls only if the stack took part of them).
  bool sendAll(const void* data, size_t size);
  // One recv call: bytes received, 0 when the peer closed, -1 on error.
  int receive(void* buffer, size_t size);
  // On a non-blocking socket: as receive, and kWouldBlock when nothing has arrived yet.
  static constexpr int kWouldBlock = -2;
  int receiveAvailable(void* buffer, size_t size);
  // Receives exactly size bytes, or fewer when the peer closed or an error came.
  size_t receiveExactly(void* buffer, size_t size);
  // Limits how long one receive call waits (0: no limit); a call that times out reports -1.
  void setReceiveTimeout(unsigned milliseconds);
  void shutdownSend();
  void close();
  NativeSocket release();
  NativeSocket handle() const { return handle_; }

 private:
  NativeSocket handle_ = kInvalid;
  static constexpr NativeSocket kInvalid = static_cast<NativeSocket>(-1);
};

// A listening socket on 127.0.0.1 (port 0 picks a free one). close() may run on another thread
// than a blocked accept(): the handle is atomic, and closing wakes the accept.
class TcpListener {
 public:
  TcpListener() = default;
  TcpListener(TcpListener&& other) noexcept : handle_(other.handle_.exchange(kInvalid)), port_(other.port_) {}
  TcpListener& operator=(TcpListener&& other) noexcept;
  TcpListener(const TcpListener&) = delete;
  TcpListener& operator=(const TcpListener&) = delete;
  ~TcpListener() { close(); }

  bool listen(uint16_t port);
  uint16_t port() const { return port_; }
  // Blocks until a client connects; an invalid socket once the listener is closed.
  TcpSocket accept();
  // Wakes a blocked accept (which then returns an invalid socket) and closes the listener.
  void close();
  bool valid() const { return handle_.load() != kInvalid; }

 private:
  static constexpr NativeSocket kInvalid = static_cast<NativeSocket>(-1);
  std::atomic<NativeSocket> handle_{kInvalid};
  uint16_t port_ = 0;
};

// Starts the socket library (Winsock 2.0); harmless to call more than once, never undone.
// A loopback port named by an environment variable (tests point the program at stand-ins this
// way), or `fallback` when the variable is absent or not a port.
uint16_t portFromEnvironment(const char* variable, uint16_t fallback);

bool startSockets();

}  // namespace zorvik
