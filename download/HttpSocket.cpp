#include "download/HttpSocket.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <cstdio>
#include <cstring>

namespace zorvik {
namespace {

// The first IPv4 address of `server`, in network byte order; false when it does not resolve.
bool resolve(const std::string& server, uint32_t& address) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(server.c_str(), nullptr, &hints, &found) != 0 || !found) return false;
  bool ok = false;
  if (found->ai_addr && found->ai_addrlen >= static_cast<decltype(found->ai_addrlen)>(sizeof(sockaddr_in))) {
    sockaddr_in in;
    std::memcpy(&in, found->ai_addr, sizeof in);
    address = in.sin_addr.s_addr;
    ok = true;
  }
  ::freeaddrinfo(found);
  return ok;
}

}  // namespace

bool HttpSocket::connect(const std::string& server, uint16_t port, unsigned timeoutMs, std::function<bool()> stop) {
  if (connected()) return true;
  headerLength_ = -1;
  headerReceived_ = false;
  stop_ = std::move(stop);
  port_ = port;
  if (!startSockets()) return false;
  uint32_t ip = 0;
  if (!resolve(server, ip)) return false;
  const unsigned char* b = reinterpret_cast<const unsigned char*>(&ip);
  char dotted[16];
  std::snprintf(dotted, sizeof dotted, "%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
  address_ = dotted;
  socket_ = TcpSocket::connectIpv4(ip, port, false, timeoutMs, stop_);
  return socket_.valid();
}

bool HttpSocket::send(const std::string& request) {
  headerLength_ = -1;
  headerReceived_ = false;
  if (!connected() || !socket_.sendAll(request.data(), request.size())) return false;
  readHeader();
  return true;
}

void HttpSocket::readHeader() {
  size_t length = 0;
  while (length < kHeaderCapacity) {
    char byte;
    if (receive(&byte, 1) != 1) break;
    header_[length++] = byte;
    if (length == 4 && std::memcmp(header_, "HTTP", 4) != 0) {
      close();
      break;
    }
    if (length >= 4 && std::memcmp(header_ + length - 4, "\r\n\r\n", 4) == 0) break;
  }
  header_[length] = '\0';
  headerLength_ = static_cast<int>(length);
  headerReceived_ = true;
}

int HttpSocket::receive(char* buffer, size_t size) {
  for (;;) {
    if (!connected()) return -1;
    const int got = socket_.receiveAvailable(buffer, size);
    if (got != TcpSocket::kWouldBlock) return got;
    switch (socket_.waitReadable(receiveTimeoutMs_, stop_)) {
      case TcpSocket::Wait::Ready: continue;
      case TcpSocket::Wait::Stopped: return kStopped;
      default: return -1;
    }
  }
}

bool HttpSocket::headerValue(std::string_view name, size_t limit, std::string& value) const {
  return zorvik::headerValue(header(), name, limit, value);
}

void HttpSocket::close() { socket_.close(); }

}  // namespace zorvik
