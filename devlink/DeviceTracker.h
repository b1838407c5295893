#pragma once
// Following the ADB server's "host:track-devices" stream: after "OKAY" the server sends the device
// list now and again after every change, each message four hexadecimal digits of length and that
// many bytes of "serial<TAB>state" lines. USB notices tell of cables; this tells of every device
// the server sees (Wi-Fi adb included) and of its state (device, unauthorized, offline).
#include "devlink/TcpSocket.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace zorvik {

struct TrackedDevice {
  std::string serial;
  std::string state;  // "device", "unauthorized", "offline", ...
  bool operator==(const TrackedDevice& o) const { return serial == o.serial && state == o.state; }
};

// "serial<TAB>state" lines (the listing of "adb devices" after its header, or one tracked message)
// as devices in every state. Lines without a tab are skipped.
std::vector<TrackedDevice> parseDeviceStates(std::string_view listing);

// The stream cut into messages, bounded: a message is at most 0xFFFF bytes (four hex digits), and
// nothing is kept beyond the message being assembled.
class TrackDecoder {
 public:
  enum class Status { NeedMore, Message, Malformed };
  // Takes bytes as they arrive.
  void feed(const char* data, size_t size);
  // The next whole message's devices; Malformed when a length is not four hexadecimal digits
  // (the stream cannot be followed after that).
  Status next(std::vector<TrackedDevice>& devices);

 private:
  std::string buffer_;
  bool broken_ = false;
};

// A worker that follows the stream of the ADB server on adbServerPort(), reconnecting while the
// server is away, and hands every message to onDevices (on the worker).
class DeviceTracker {
 public:
  using Callback = std::function<void(const std::vector<TrackedDevice>&)>;
  static constexpr unsigned kRetryMs = 1000;

  explicit DeviceTracker(Callback onDevices) : onDevices_(std::move(onDevices)) {}
  ~DeviceTracker() { stop(); }
  DeviceTracker(const DeviceTracker&) = delete;
  DeviceTracker& operator=(const DeviceTracker&) = delete;

  void start();
  // Ends the worker (within TcpSocket::kPollMs) and waits for it; no callback afterwards.
  void stop();

 private:
  void run();
  // One connection to the server, followed until it ends or the tracker stops.
  void follow();
  bool stopping() const { return stopping_.load(); }

  Callback onDevices_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace zorvik
