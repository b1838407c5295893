#pragma once
// The downloader's own TCP connection to a web server (Winsock or BSD sockets): connect by name,
// send a request and read the reply header (up to and including the first CR LF CR LF, at most
// kHeaderCapacity bytes: a longer one is no header), then receive the body, starting with what
// arrived behind the header. Every wait is bounded: name resolution and the connect by the
// connect time-out, each receive by the receive time-out; and each ends early when the stop
// condition given at connect says so.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "devlink/TcpSocket.h"
#include "download/HttpMessage.h"

namespace zorvik {

class HttpSocket {
 public:
  static constexpr int kStopped = -2;  // receive: the stop condition ended the wait

  // How a server name becomes its first IPv4 address (network byte order); replaceable by tests.
  using Resolver = std::function<bool(const std::string& server, uint32_t& address)>;
  static bool systemResolve(const std::string& server, uint32_t& address);

  void setResolver(Resolver resolver) { resolver_ = std::move(resolver); }
  // Resolves `server` (its first IPv4 address) and connects. Nothing is done when connected.
  bool connect(const std::string& server, uint16_t port, unsigned timeoutMs, std::function<bool()> stop);
  bool connected() const { return socket_.valid(); }
  // Sends the whole request, then reads the reply header. False when the request could not be
  // sent; a missing, stray, unfinished or over-long header shows as status() -1.
  bool send(const std::string& request);
  // Up to `size` bytes of the body: the count, 0 when the server closed, -1 on an error or when
  // the receive time-out passed without data, kStopped. When nothing has arrived yet, `beforeWait`
  // (if given) runs once before the wait, while the receive may already be filling `buffer`; its
  // false ends the receive with -1.
  int receive(char* buffer, size_t size, const std::function<bool()>& beforeWait = {});
  void setReceiveTimeout(unsigned milliseconds) { receiveTimeoutMs_ = milliseconds; }
  void close();
  ~HttpSocket() { close(); }

  int status() const { return headerComplete_ ? replyStatus(header_) : -1; }
  bool headerValue(std::string_view name, size_t limit, std::string& value) const;
  std::string_view header() const { return header_; }
  // The connected server's address, "%d.%d.%d.%d".
  const std::string& address() const { return address_; }
  uint16_t port() const { return port_; }

 private:
  void readHeader();

  TcpSocket socket_;
  std::function<bool()> stop_;
  Resolver resolver_ = systemResolve;
  unsigned receiveTimeoutMs_ = 10000;
  uint16_t port_ = 80;
  std::string header_;
  bool headerComplete_ = false;
  std::string early_;  // body bytes that arrived with the header, not yet handed out
  size_t earlyAt_ = 0;
#ifdef _WIN32
  void* event_ = nullptr;  // the overlapped receives' event, made on first use
#endif
  std::string address_;
};

}  // namespace zorvik
