#pragma once
// One screen capture over the ADB server: "host:transport:<serial>", then "framebuffer:", then
// the frame (devlink/Framebuffer.h). Runs on a worker; the whole exchange has a deadline, and
// another thread may cancel it, which wakes a blocked read at once.
#include "devlink/Framebuffer.h"
#include "devlink/TcpSocket.h"

#include <mutex>
#include <string>

namespace zorvik {

class FramebufferCapture {
 public:
  static constexpr unsigned kDeadlineMs = 10000;

  FramebufferCapture() = default;
  FramebufferCapture(const FramebufferCapture&) = delete;
  FramebufferCapture& operator=(const FramebufferCapture&) = delete;

  // One capture of the phone with that serial (empty: NoDevice, nothing sent). Blocks the
  // calling thread until the frame is complete, something fails, the deadline passes or
  // cancel() is called. One capture at a time per object.
  FramebufferResult capture(const std::string& serial, Frame& frame, unsigned deadlineMs = kDeadlineMs);
  // Any thread: ends a capture in progress (its socket is shut down) and the next one at once.
  void cancel();
  // Clears a cancel so the object can capture again.
  void reset();

 private:
  std::mutex mutex_;
  NativeSocket active_ = static_cast<NativeSocket>(-1);
  bool cancelled_ = false;
};

}  // namespace zorvik
