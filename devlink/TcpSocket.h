#pragma once
// A small move-only TCP socket over Winsock (win build) or BSD sockets (native build).
// Owns its handle; closed by close() or the destructor.
#include <cstddef>
#include <cstdint>

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

  bool valid() const;
  // One send call with all the bytes (and more calls only if the stack took part of them).
  bool sendAll(const void* data, size_t size);
  // One recv call: bytes received, 0 when the peer closed, -1 on error.
  int receive(void* buffer, size_t size);
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

// A listening socket on 127.0.0.1 (port 0 picks a free one).
class TcpListener {
 public:
  TcpListener() = default;
  TcpListener(TcpListener&&) noexcept = default;
  TcpListener& operator=(TcpListener&&) noexcept = default;

  bool listen(uint16_t port);
  uint16_t port() const { return port_; }
  // Blocks until a client connects; an invalid socket once the listener is closed.
  TcpSocket accept();
  // Wakes a blocked accept (which then returns an invalid socket) and closes the listener.
  void close();
  bool valid() const { return socket_.valid(); }

 private:
  TcpSocket socket_;
  uint16_t port_ = 0;
};

// Starts the socket library (Winsock 2.0); harmless to call more than once, never undone.
bool startSockets();

}  // namespace zorvik
