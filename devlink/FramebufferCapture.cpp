#include "devlink/FramebufferCapture.h"

#include "devlink/AdbBridge.h"

#ifdef _WIN32
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

#include <algorithm>
#include <chrono>

namespace zorvik {
namespace {

using Clock = std::chrono::steady_clock;

void shutdownBoth(NativeSocket handle) {
#ifdef _WIN32
  ::shutdown(static_cast<SOCKET>(handle), SD_BOTH);
#else
  ::shutdown(handle, SHUT_RDWR);
#endif
}

// Every receive waits at most until the deadline; a receive past it reports failure and the
// source remembers why, so the capture can say "timed out" rather than "cut short".
class SocketSource : public FramebufferSource {
 public:
  SocketSource(TcpSocket& socket, Clock::time_point deadline) : socket_(socket), deadline_(deadline) {}
  int receive(void* buffer, size_t size) override {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now()).count();
    if (left <= 0) {
      timedOut_ = true;
      return -1;
    }
    // Setting the limit is a system call per piece; renewing it once a second is enough for the
    // deadline to hold within a second (the limit in force never exceeds what was left then).
    if (limitSetAt_ < 0 || limitSetAt_ - left > kRenewMs) {
      socket_.setReceiveTimeout(static_cast<unsigned>(left));
      limitSetAt_ = left;
    }
    const int got = socket_.receive(buffer, size);
    if (got < 0 && Clock::now() >= deadline_) timedOut_ = true;
    return got;
  }
  bool sendRequestByte() override {
    const char request = 0;  // its value is not significant
    return socket_.sendAll(&request, 1);
  }
  bool timedOut() const { return timedOut_; }

 private:
  TcpSocket& socket_;
  Clock::time_point deadline_;
  bool timedOut_ = false;
  static constexpr long long kRenewMs = 1000;
  long long limitSetAt_ = -1;  // what was left when the limit was last set
};

}  // namespace

FramebufferResult FramebufferCapture::capture(const std::string& serial, Frame& frame, unsigned deadlineMs) {
  frame = Frame{};
  if (serial.empty()) return FramebufferResult::NoDevice;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(deadlineMs);
  {
    std::lock_guard lock(mutex_);
    if (cancelled_) return FramebufferResult::Cancelled;
  }
  // The transport request is sent here rather than through openTransport so that cancel() can
  // reach the socket while the server's answer is awaited too.
  TcpSocket socket = TcpSocket::connectLoopback(adbServerPort(), true);
  if (!socket.valid()) return FramebufferResult::ServerFailure;
  {
    std::lock_guard lock(mutex_);
    if (cancelled_) return FramebufferResult::Cancelled;
    active_ = socket.handle();
  }
  FramebufferResult result = FramebufferResult::Ok;
  if (adbRequest(socket, adbHostRequest("host:transport:" + serial)) != AdbSocketResult::Ok) {
    result = FramebufferResult::ServerFailure;
  } else if (adbRequest(socket, adbServiceRequest("framebuffer:")) != AdbSocketResult::Ok) {
    result = FramebufferResult::ServiceRefused;
  } else {
    SocketSource source(socket, deadline);
    result = readFramebuffer(source, frame);
    if (result != FramebufferResult::Ok && source.timedOut()) result = FramebufferResult::TimedOut;
  }
  {
    // The handle is forgotten before the socket closes, so cancel() never touches a closed one.
    std::lock_guard lock(mutex_);
    active_ = static_cast<NativeSocket>(-1);
    if (cancelled_ && result != FramebufferResult::Ok) result = FramebufferResult::Cancelled;
  }
  if (result != FramebufferResult::Ok) {
    const FramebufferHeader claimed = frame.header;  // what a refused header said, for its message
    frame = Frame{};
    frame.header = claimed;
  }
  return result;
}

void FramebufferCapture::cancel() {
  std::lock_guard lock(mutex_);
  cancelled_ = true;
  if (active_ != static_cast<NativeSocket>(-1)) shutdownBoth(active_);
}

void FramebufferCapture::reset() {
  std::lock_guard lock(mutex_);
  cancelled_ = false;
}

}  // namespace zorvik
