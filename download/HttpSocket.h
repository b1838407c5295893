#pragma once
// The downloader's own TCP connection to a web server (Winsock or BSD sockets): connect by name,
// send a request and read the reply header one byte at a time (at most kHeaderCapacity bytes, up
// to and including the first CR LF CR LF), then receive the body. Every wait is bounded: the
// connect by its time-out, each receive by the receive time-out; and each ends early when the
// stop condition given at connect says so.
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

  // Resolves `server` (its first IPv4 address) and connects. Nothing is done when connected.
  bool connect(const std::string& server, uint16_t port, unsigned timeoutMs, std::function<bool()> stop);
  bool connected() const { return socket_.valid(); }
  // Sends the whole request, then reads the reply header. False when the request could not be
  // sent; a missing or stray header shows as status() -1 (or whatever its bytes say).
  bool send(const std::string& request);
  // Up to `size` bytes of the body: the count, 0 when the server closed, -1 on an error or when
  // the receive time-out passed without data, kStopped.
  int receive(char* buffer, size_t size);
  void setReceiveTimeout(unsigned milliseconds) { receiveTimeoutMs_ = milliseconds; }
  void close();

  int status() const { return headerReceived_ ? replyStatus(header()) : -1; }
  bool headerValue(std::string_view name, size_t limit, std::string& value) const;
  std::string_view header() const { return std::string_view(header_, headerLength_ < 0 ? 0 : static_cast<size_t>(headerLength_)); }
  // The connected server's address, "%d.%d.%d.%d".
  const std::string& address() const { return address_; }
  uint16_t port() const { return port_; }

 private:
  void readHeader();

  TcpSocket socket_;
  std::function<bool()> stop_;
  unsigned receiveTimeoutMs_ = 10000;
  uint16_t port_ = 80;
  char header_[kHeaderCapacity + 1] = {};
  int headerLength_ = -1;
  bool headerReceived_ = false;
  std::string address_;
};

}  // namespace zorvik
