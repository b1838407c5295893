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

#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

namespace zorvik {
namespace {

// A lookup on its own thread: the system resolver cannot be interrupted, so the caller stops
// waiting for it at the deadline or on stop and the thread ends by itself later.
struct Lookup {
  std::mutex lock;
  std::condition_variable done;
  bool finished = false;
  bool ok = false;
  uint32_t address = 0;
};

bool resolveWithin(const HttpSocket::Resolver& resolver, const std::string& server, unsigned timeoutMs,
                   const std::function<bool()>& stop, uint32_t& address) {
  in_addr dotted{};
  if (::inet_pton(AF_INET, server.c_str(), &dotted) == 1) {
    address = dotted.s_addr;
    return true;
  }
  auto lookup = std::make_shared<Lookup>();
  try {
    std::thread([lookup, resolver, server] {
      uint32_t found = 0;
      const bool ok = resolver(server, found);
      std::lock_guard<std::mutex> hold(lookup->lock);
      lookup->ok = ok;
      lookup->address = found;
      lookup->finished = true;
      lookup->done.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return false;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::unique_lock<std::mutex> hold(lookup->lock);
  while (!lookup->finished) {
    if ((stop && stop()) || std::chrono::steady_clock::now() >= deadline) return false;
    lookup->done.wait_for(hold, std::chrono::milliseconds(TcpSocket::kPollMs));
  }
  address = lookup->address;
  return lookup->ok;
}

}  // namespace

bool HttpSocket::systemResolve(const std::string& server, uint32_t& address) {
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

bool HttpSocket::connect(const std::string& server, uint16_t port, unsigned timeoutMs, std::function<bool()> stop) {
  if (connected()) return true;
  header_.clear();
  headerComplete_ = false;
  stop_ = std::move(stop);
  port_ = port;
  if (!startSockets()) return false;
  uint32_t ip = 0;
  const auto began = std::chrono::steady_clock::now();
  if (!resolveWithin(resolver_, server, timeoutMs, stop_, ip)) return false;
  const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - began);
  timeoutMs = spent.count() >= timeoutMs ? 1 : timeoutMs - static_cast<unsigned>(spent.count());
  const unsigned char* b = reinterpret_cast<const unsigned char*>(&ip);
  char dotted[16];
  std::snprintf(dotted, sizeof dotted, "%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
  address_ = dotted;
  socket_ = TcpSocket::connectIpv4(ip, port, false, timeoutMs, stop_);
  return socket_.valid();
}

bool HttpSocket::send(const std::string& request) {
  header_.clear();
  headerComplete_ = false;
  early_.clear();
  earlyAt_ = 0;
  if (!connected() || !socket_.sendAll(request.data(), request.size())) return false;
  readHeader();
  return true;
}

// Reads in pieces (not byte by byte: under Wine each receive is a round trip to the Wine server)
// and keeps what follows the blank line for the body.
void HttpSocket::readHeader() {
  std::string text;
  char piece[4096];
  size_t searched = 0;
  for (;;) {
    const int got = receive(piece, sizeof piece);
    if (got <= 0) return;
    text.append(piece, static_cast<size_t>(got));
    if (text.size() >= 4 && text.compare(0, 4, "HTTP") != 0) {
      close();
      return;
    }
    const size_t end = text.find("\r\n\r\n", searched);
    if (end != std::string::npos && end + 4 <= kHeaderCapacity) {
      header_ = text.substr(0, end + 4);
      early_ = text.substr(end + 4);
      headerComplete_ = true;
      return;
    }
    if (text.size() >= kHeaderCapacity + 3) {  // no blank line within the capacity
      close();
      return;
    }
    searched = text.size() > 3 ? text.size() - 3 : 0;
  }
}

int HttpSocket::receive(char* buffer, size_t size, const std::function<bool()>& beforeWait) {
  if (earlyAt_ < early_.size()) {
    const size_t take = std::min(size, early_.size() - earlyAt_);
    std::memcpy(buffer, early_.data() + earlyAt_, take);
    earlyAt_ += take;
    return static_cast<int>(take);
  }
  if (!connected()) return -1;
#ifdef _WIN32
  // One overlapped receive, waited for in kPollMs slices and cancelled by this thread on stop or at
  // the deadline. Under Wine a receive on a non-blocking socket (and the select before it) costs
  // the Wine server two to three times the work of this one.
  if (!event_) event_ = ::WSACreateEvent();
  if (!event_) return -1;
  const SOCKET s = static_cast<SOCKET>(socket_.handle());
  WSAOVERLAPPED pending{};
  pending.hEvent = static_cast<WSAEVENT>(event_);
  WSABUF piece{static_cast<ULONG>(std::min<size_t>(size, INT_MAX)), buffer};
  DWORD got = 0, flags = 0;
  bool waiting = true, asked = false;
  for (;;) {
    if (::WSARecv(s, &piece, 1, &got, &flags, &pending, nullptr) == 0) return static_cast<int>(got);
    if (::WSAGetLastError() == WSA_IO_PENDING) break;
    // Overlapped receives ignore the socket's non-blocking mode; should one not, it waits here.
    if (::WSAGetLastError() != WSAEWOULDBLOCK) return -1;
    if (!asked && beforeWait && !beforeWait()) return -1;
    asked = true;
    switch (socket_.waitReadable(receiveTimeoutMs_, stop_)) {
      case TcpSocket::Wait::Ready: continue;
      case TcpSocket::Wait::Stopped: return kStopped;
      default: return -1;
    }
  }
  if (!asked && beforeWait && !beforeWait()) waiting = false;
  bool cancelled = false;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(receiveTimeoutMs_);
  // Until the receive has ended (a cancelled one too): only then is the buffer ours again. A
  // signal left from an earlier receive only makes the loop turn once more.
  while (!HasOverlappedIoCompleted(reinterpret_cast<OVERLAPPED*>(&pending))) {
    if (waiting && ((stop_ && stop_()) || std::chrono::steady_clock::now() >= end)) waiting = false;
    if (!waiting && !cancelled) {
      ::CancelIoEx(reinterpret_cast<HANDLE>(s), reinterpret_cast<OVERLAPPED*>(&pending));
      cancelled = true;
    }
    if (::WaitForSingleObject(pending.hEvent, TcpSocket::kPollMs) == WAIT_OBJECT_0 &&
        !HasOverlappedIoCompleted(reinterpret_cast<OVERLAPPED*>(&pending)))
      ::WSAResetEvent(pending.hEvent);
  }
  if (::WSAGetOverlappedResult(s, &pending, &got, FALSE, &flags)) return static_cast<int>(got);  // even after a cancel
  return stop_ && stop_() ? kStopped : -1;
#else
  bool asked = false;
  for (;;) {
    const int got = socket_.receiveAvailable(buffer, size);
    if (got != TcpSocket::kWouldBlock) return got;
    if (!asked && beforeWait && !beforeWait()) return -1;
    asked = true;
    switch (socket_.waitReadable(receiveTimeoutMs_, stop_)) {
      case TcpSocket::Wait::Ready: continue;
      case TcpSocket::Wait::Stopped: return kStopped;
      default: return -1;
    }
  }
#endif
}

bool HttpSocket::headerValue(std::string_view name, size_t limit, std::string& value) const {
  return zorvik::headerValue(header(), name, limit, value);
}

void HttpSocket::close() {
  socket_.close();
#ifdef _WIN32
  if (event_) ::WSACloseEvent(static_cast<WSAEVENT>(event_));
  event_ = nullptr;
#endif
}

}  // namespace zorvik
