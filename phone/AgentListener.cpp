#include "phone/AgentListener.h"

#include "phone/SystemError.h"

#include <fcntl.h>
#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <cstddef>

namespace zorvik::phone {

namespace {

long long nowMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

void closeFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// Sends everything, each piece within idleMs; false when the peer stops taking it.
bool sendAll(int fd, const std::string& bytes, unsigned idleMs) {
  size_t at = 0;
  while (at < bytes.size()) {
    pollfd p{fd, POLLOUT, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(idleMs));
    if (ready < 0 && ZORVIK_ERRNO == EINTR) continue;
    if (ready <= 0 || (p.revents & (POLLERR | POLLHUP | POLLNVAL))) return false;
    const ssize_t sent = ::send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent < 0 && (ZORVIK_ERRNO == EINTR || ZORVIK_ERRNO == EAGAIN || ZORVIK_ERRNO == EWOULDBLOCK)) continue;
    if (sent <= 0) return false;
    at += static_cast<size_t>(sent);
  }
  return true;
}

// Ends a connection so that the peer receives everything sent: stop sending, give the peer a
// moment to close its side, then close.
void finish(int fd) {
  ::shutdown(fd, SHUT_WR);
  char sink[256];
  for (int i = 0; i < 16; ++i) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 2000) <= 0) break;
    if (::recv(fd, sink, sizeof sink, MSG_DONTWAIT) <= 0) break;
  }
}

bool peerUid(int fd, uid_t& uid) {
  ucred cred{};
  socklen_t length = sizeof cred;
  if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &length) != 0 || length != sizeof cred) return false;
  uid = cred.uid;
  return true;
}

struct Connection {
  AgentListener* listener;
  int fd;
};

}  // namespace

bool agentPeerAllowed(uid_t uid, long long extraUid) {
  return uid == kShellUid || uid == kRootUid || (extraUid >= 0 && static_cast<long long>(uid) == extraUid);
}

RequestRead readAgentRequest(int fd, unsigned deadlineMs, std::string& request, int stopFd) {
  request.clear();
  const long long deadline = nowMs() + deadlineMs;
  char chunk[4096];
  for (;;) {
    const RequestFrame frame =
        frameAgentRequest(reinterpret_cast<const unsigned char*>(request.data()), request.size());
    if (frame.status == FrameStatus::Complete) {
      request.resize(frame.size);
      return RequestRead::Complete;
    }
    if (frame.status == FrameStatus::Malformed) return RequestRead::Malformed;
    const long long left = deadline - nowMs();
    if (left <= 0) return RequestRead::TimedOut;
    pollfd p[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
    const int ready = ::poll(p, stopFd >= 0 ? 2 : 1, static_cast<int>(left));
    if (ready < 0) {
      if (ZORVIK_ERRNO == EINTR) continue;
      return RequestRead::Failed;
    }
    if (ready == 0) return RequestRead::TimedOut;
    if (stopFd >= 0 && p[1].revents) return RequestRead::Stopped;
    // Never more than the framing asks for: the request's own bytes, nothing after them.
    size_t want = frame.wanted > request.size() ? frame.wanted - request.size() : 1;
    if (want > sizeof chunk) want = sizeof chunk;
    const ssize_t got = ::recv(fd, chunk, want, MSG_DONTWAIT);
    if (got < 0 && (ZORVIK_ERRNO == EINTR || ZORVIK_ERRNO == EAGAIN || ZORVIK_ERRNO == EWOULDBLOCK)) continue;
    if (got < 0) return RequestRead::Failed;
    if (got == 0) return RequestRead::Closed;
    request.append(chunk, static_cast<size_t>(got));
  }
}

AgentListener::AgentListener(PhoneData& data, ListenerOptions options) : data_(data), options_(options) {
  if (options_.maxConnections > kMaxTracked) options_.maxConnections = kMaxTracked;
  if (options_.maxConnections == 0) options_.maxConnections = 1;
}

AgentListener::~AgentListener() { stop(); }

bool AgentListener::start(std::string* error) {
  if (started_) return true;
  auto fail = [&](const char* what) {
    if (error) *error = std::string(what) + ": " + ::strerror(ZORVIK_ERRNO);
    closeFd(listenFd_);
    closeFd(wakeRead_);
    closeFd(wakeWrite_);
    return false;
  };
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  // Abstract: a NUL, then the name, not terminated; the length says where it ends.
  if (options_.name.empty() || options_.name.size() + 1 > sizeof address.sun_path) {
    ZORVIK_ERRNO = ENAMETOOLONG;
    return fail("socket name");
  }
  memcpy(address.sun_path + 1, options_.name.data(), options_.name.size());
  const socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + options_.name.size());
  listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) return fail("socket");
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), length) != 0) return fail("bind");
  if (::listen(listenFd_, 16) != 0) return fail("listen");
  int wake[2];
  if (::pipe2(wake, O_CLOEXEC) != 0) return fail("pipe");
  wakeRead_ = wake[0];
  wakeWrite_ = wake[1];
  stopping_ = false;
  if (::pthread_create(&acceptThread_, nullptr, acceptMain, this) != 0) return fail("thread");
  started_ = true;
  return true;
}

bool AgentListener::running() const {
  pthread_mutex_lock(&mutex_);
  const bool on = started_ && !stopping_;
  pthread_mutex_unlock(&mutex_);
  return on;
}

unsigned long AgentListener::answered() const {
  pthread_mutex_lock(&mutex_);
  const unsigned long n = answered_;
  pthread_mutex_unlock(&mutex_);
  return n;
}

unsigned long AgentListener::refusedPeers() const {
  pthread_mutex_lock(&mutex_);
  const unsigned long n = refusedPeers_;
  pthread_mutex_unlock(&mutex_);
  return n;
}

void AgentListener::stop() {
  if (!started_) return;
  pthread_mutex_lock(&mutex_);
  stopping_ = true;
  // Connections waiting on their peer end now; each thread closes its own descriptor.
  for (unsigned i = 0; i < activeCount_; ++i) ::shutdown(active_[i], SHUT_RDWR);
  pthread_mutex_unlock(&mutex_);
  const char byte = 1;
  while (::write(wakeWrite_, &byte, 1) < 0 && ZORVIK_ERRNO == EINTR) {
  }
  pthread_join(acceptThread_, nullptr);
  pthread_mutex_lock(&mutex_);
  while (activeCount_ > 0) pthread_cond_wait(&idle_, &mutex_);
  pthread_mutex_unlock(&mutex_);
  closeFd(listenFd_);
  closeFd(wakeRead_);
  closeFd(wakeWrite_);
  started_ = false;
}

void* AgentListener::acceptMain(void* self) {
  static_cast<AgentListener*>(self)->acceptLoop();
  return nullptr;
}

void AgentListener::acceptLoop() {
  for (;;) {
    pollfd p[2] = {{listenFd_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    const int ready = ::poll(p, 2, -1);
    if (ready < 0 && ZORVIK_ERRNO == EINTR) continue;
    if (ready < 0 || p[1].revents) return;
    if (!(p[0].revents & POLLIN)) continue;
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    if (!track(fd)) {
      ::close(fd);
      continue;
    }
    Connection* connection = new Connection{this, fd};
    pthread_t thread;
    if (::pthread_create(&thread, nullptr, connectionMain, connection) != 0) {
      delete connection;
      untrack(fd);
      ::close(fd);
      continue;
    }
    pthread_detach(thread);
  }
}

void* AgentListener::connectionMain(void* arg) {
  Connection* connection = static_cast<Connection*>(arg);
  AgentListener* self = connection->listener;
  const int fd = connection->fd;
  delete connection;
  self->serve(fd);
  self->untrack(fd);
  ::close(fd);
  return nullptr;
}

void AgentListener::serve(int fd) {
  uid_t uid = 0;
  if (!peerUid(fd, uid) || !agentPeerAllowed(uid, options_.extraUid)) {
    pthread_mutex_lock(&mutex_);
    ++refusedPeers_;
    pthread_mutex_unlock(&mutex_);
    return;
  }
  std::string request;
  if (readAgentRequest(fd, options_.requestDeadlineMs, request, wakeRead_) != RequestRead::Complete) return;
  const std::string reply = answerAgentRequest(data_, reinterpret_cast<const unsigned char*>(request.data()),
                                               request.size(), options_.agentVersion);
  pthread_mutex_lock(&mutex_);
  ++answered_;
  pthread_mutex_unlock(&mutex_);
  if (sendAll(fd, reply, options_.sendIdleMs)) finish(fd);
}

bool AgentListener::track(int fd) {
  pthread_mutex_lock(&mutex_);
  const bool room = !stopping_ && activeCount_ < options_.maxConnections;
  if (room) active_[activeCount_++] = fd;
  pthread_mutex_unlock(&mutex_);
  return room;
}

void AgentListener::untrack(int fd) {
  pthread_mutex_lock(&mutex_);
  for (unsigned i = 0; i < activeCount_; ++i)
    if (active_[i] == fd) {
      active_[i] = active_[--activeCount_];
      break;
    }
  if (activeCount_ == 0) pthread_cond_broadcast(&idle_);
  pthread_mutex_unlock(&mutex_);
}

}  // namespace zorvik::phone
