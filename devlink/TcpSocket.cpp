#include "devlink/TcpSocket.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using socklen_t = int;
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <climits>
#include <utility>

namespace zorvik {
namespace {

#ifdef _WIN32
void closeHandle(NativeSocket s) { ::closesocket(static_cast<SOCKET>(s)); }
constexpr int kSendFlags = 0;
#else
void closeHandle(NativeSocket s) { ::close(s); }
constexpr int kSendFlags = MSG_NOSIGNAL;
#endif

sockaddr_in loopback(uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

int clampSize(size_t size) { return static_cast<int>(std::min<size_t>(size, INT_MAX)); }

}  // namespace

bool startSockets() {
#ifdef _WIN32
  WSADATA data;
  return WSAStartup(MAKEWORD(2, 0), &data) == 0;
#else
  return true;
#endif
}

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = other.release();
  }
  return *this;
}

bool TcpSocket::valid() const { return handle_ != kInvalid; }

NativeSocket TcpSocket::release() { return std::exchange(handle_, kInvalid); }

void TcpSocket::close() {
  if (valid()) closeHandle(release());
}

void TcpSocket::setReceiveTimeout(unsigned milliseconds) {
  if (!valid()) return;
#ifdef _WIN32
  const DWORD value = milliseconds;
  ::setsockopt(static_cast<SOCKET>(handle_), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&value), sizeof value);
#else
  timeval value{};
  value.tv_sec = static_cast<time_t>(milliseconds / 1000);
  value.tv_usec = static_cast<suseconds_t>((milliseconds % 1000) * 1000);
  ::setsockopt(handle_, SOL_SOCKET, SO_RCVTIMEO, &value, sizeof value);
#endif
}

void TcpSocket::shutdownSend() {
#ifdef _WIN32
  if (valid()) ::shutdown(static_cast<SOCKET>(handle_), SD_SEND);
#else
  if (valid()) ::shutdown(handle_, SHUT_WR);
#endif
}

TcpSocket TcpSocket::connectLoopback(uint16_t port, bool noDelay) {
  if (!startSockets()) return {};
  TcpSocket socket(static_cast<NativeSocket>(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)));
  if (!socket.valid()) return {};
  if (noDelay) {
    const char on = 1;  // a one-byte true value
#ifdef _WIN32
    ::setsockopt(static_cast<SOCKET>(socket.handle_), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
#else
    const int onInt = on;
    ::setsockopt(socket.handle_, IPPROTO_TCP, TCP_NODELAY, &onInt, sizeof onInt);
#endif
  }
  const sockaddr_in address = loopback(port);
  if (::connect(socket.handle_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return {};
  return socket;
}

bool TcpSocket::sendAll(const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const auto sent = ::send(handle_, p, clampSize(size), kSendFlags);
    if (sent <= 0) return false;
    p += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

int TcpSocket::receive(void* buffer, size_t size) {
  const auto got = ::recv(handle_, static_cast<char*>(buffer), clampSize(size), 0);
  return got < 0 ? -1 : static_cast<int>(got);
}

size_t TcpSocket::receiveExactly(void* buffer, size_t size) {
  size_t have = 0;
  while (have < size) {
    const int got = receive(static_cast<char*>(buffer) + have, size - have);
    if (got <= 0) break;
    have += static_cast<size_t>(got);
  }
  return have;
}

bool TcpListener::listen(uint16_t port) {
  if (!startSockets()) return false;
  TcpSocket socket(static_cast<NativeSocket>(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)));
  if (!socket.valid()) return false;
#ifndef _WIN32
  const int reuse = 1;
  ::setsockopt(socket.handle(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
#endif
  sockaddr_in address = loopback(port);
  if (::bind(socket.handle(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return false;
  if (::listen(socket.handle(), SOMAXCONN) != 0) return false;
  socklen_t length = sizeof address;
  if (::getsockname(socket.handle(), reinterpret_cast<sockaddr*>(&address), &length) != 0) return false;
  port_ = ntohs(address.sin_port);
  socket_ = std::move(socket);
  return true;
}

void TcpListener::close() {
  if (!socket_.valid()) return;
#ifdef _WIN32
  ::shutdown(static_cast<SOCKET>(socket_.handle()), SD_BOTH);
#else
  ::shutdown(socket_.handle(), SHUT_RDWR);  // close() alone does not wake accept on Linux
#endif
  socket_.close();
}

TcpSocket TcpListener::accept() {
  if (!socket_.valid()) return {};
  const auto client = ::accept(socket_.handle(), nullptr, nullptr);
  return TcpSocket(static_cast<NativeSocket>(client));
}

}  // namespace zorvik
