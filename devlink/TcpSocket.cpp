#include "devlink/TcpSocket.h"

#include <cstdlib>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using socklen_t = int;
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/time.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
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

using Clock = std::chrono::steady_clock;

unsigned remainingMs(Clock::time_point end) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
  return left > 0 ? static_cast<unsigned>(left) : 0;
}

bool setBlocking(NativeSocket s, bool blocking) {
#ifdef _WIN32
  u_long nonBlocking = blocking ? 0 : 1;
  return ::ioctlsocket(static_cast<SOCKET>(s), FIONBIO, &nonBlocking) == 0;
#else
  const int flags = ::fcntl(s, F_GETFL, 0);
  if (flags < 0) return false;
  return ::fcntl(s, F_SETFL, blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK)) == 0;
#endif
}

// One wait of at most ms for the socket to become readable (or writable, for a connect). 1 ready,
// 0 nothing yet, -1 error.
int waitOnce(NativeSocket s, bool forWrite, unsigned ms) {
#ifdef _WIN32
  fd_set ready, failed;
  FD_ZERO(&ready);
  FD_ZERO(&failed);
  FD_SET(static_cast<SOCKET>(s), &ready);
  FD_SET(static_cast<SOCKET>(s), &failed);
  timeval wait{static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
  const int n = ::select(0, forWrite ? nullptr : &ready, forWrite ? &ready : nullptr, forWrite ? &failed : nullptr, &wait);
  if (n < 0) return -1;
  if (forWrite && FD_ISSET(static_cast<SOCKET>(s), &failed)) return -1;  // a refused connect
  return n > 0 ? 1 : 0;
#else
  pollfd p{s, static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
  const int n = ::poll(&p, 1, static_cast<int>(ms));
  if (n < 0) return errno == EINTR ? 0 : -1;
  return n > 0 ? 1 : 0;
#endif
}

bool wouldBlock() {
#ifdef _WIN32
  return ::WSAGetLastError() == WSAEWOULDBLOCK;
#else
  return errno == EAGAIN || errno == EWOULDBLOCK;
#endif
}

bool connectInProgress() {
#ifdef _WIN32
  return ::WSAGetLastError() == WSAEWOULDBLOCK;
#else
  return errno == EINPROGRESS;
#endif
}

bool connectSucceeded(NativeSocket s) {
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0) return false;
  return error == 0;
}

}  // namespace

uint16_t portFromEnvironment(const char* variable, uint16_t fallback) {
  if (const char* text = std::getenv(variable)) {
    const long value = std::strtol(text, nullptr, 10);
    if (value > 0 && value < 65536) return static_cast<uint16_t>(value);
  }
  return fallback;
}

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

TcpSocket TcpSocket::connectLoopback(uint16_t port, bool noDelay, unsigned timeoutMs,
                                     const std::function<bool()>& stop, bool* timedOut) {
  return connectIpv4(htonl(INADDR_LOOPBACK), port, noDelay, timeoutMs, stop, timedOut);
}

TcpSocket TcpSocket::connectIpv4(uint32_t ipv4, uint16_t port, bool noDelay, unsigned timeoutMs,
                                 const std::function<bool()>& stop, bool* timedOut) {
  if (timedOut) *timedOut = false;
  if (!startSockets()) return {};
  TcpSocket socket(static_cast<NativeSocket>(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)));
  if (!socket.valid() || !setBlocking(socket.handle_, false)) return {};
  if (noDelay) {
#ifdef _WIN32
    const char on = 1;  // a one-byte true value
#else
    const int on = 1;
#endif
    ::setsockopt(socket.handle_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  }
  sockaddr_in address = loopback(port);
  address.sin_addr.s_addr = ipv4;
  if (::connect(socket.handle_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    if (!connectInProgress()) return {};
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      if (stop && stop()) return {};
      const unsigned left = remainingMs(end);
      if (left == 0) {
        if (timedOut) *timedOut = true;
        return {};
      }
      const int ready = waitOnce(socket.handle_, true, std::min(left, kPollMs));
      if (ready < 0) return {};
      if (ready > 0) break;
    }
    if (!connectSucceeded(socket.handle_)) return {};
  }
  return socket;
}

TcpSocket::Wait TcpSocket::waitReadable(unsigned timeoutMs, const std::function<bool()>& stop) const {
  if (!valid()) return Wait::Failed;
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (stop && stop()) return Wait::Stopped;
    const unsigned left = remainingMs(end);
    if (left == 0) return Wait::TimedOut;
    const int ready = waitOnce(handle_, false, std::min(left, kPollMs));
    if (ready < 0) return Wait::Failed;
    if (ready > 0) return Wait::Ready;
  }
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
  constexpr unsigned kSendWaitMs = 15000;  // a non-blocking socket whose peer reads nothing
  while (size > 0) {
    const auto sent = ::send(handle_, p, clampSize(size), kSendFlags);
    if (sent < 0 && wouldBlock()) {
      if (waitOnce(handle_, true, kSendWaitMs) <= 0) return false;
      continue;
    }
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

int TcpSocket::receiveAvailable(void* buffer, size_t size) {
  const auto got = ::recv(handle_, static_cast<char*>(buffer), clampSize(size), 0);
  if (got < 0) return wouldBlock() ? kWouldBlock : -1;
  return static_cast<int>(got);
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

TcpListener& TcpListener::operator=(TcpListener&& other) noexcept {
  if (this != &other) {
    close();
    handle_.store(other.handle_.exchange(kInvalid));
    port_ = other.port_;
  }
  return *this;
}

bool TcpListener::listen(uint16_t port) {
  close();
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
  handle_.store(socket.release());
  return true;
}

void TcpListener::close() {
  const NativeSocket handle = handle_.exchange(kInvalid);
  if (handle == kInvalid) return;
#ifdef _WIN32
  ::shutdown(static_cast<SOCKET>(handle), SD_BOTH);
#else
  ::shutdown(handle, SHUT_RDWR);  // close() alone does not wake accept on Linux
#endif
  closeHandle(handle);
}

TcpSocket TcpListener::accept() {
  const NativeSocket handle = handle_.load();
  if (handle == kInvalid) return {};
  const auto client = ::accept(handle, nullptr, nullptr);
  return TcpSocket(static_cast<NativeSocket>(client));
}

}  // namespace zorvik
