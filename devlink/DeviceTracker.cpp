#include "devlink/DeviceTracker.h"

#include "devlink/AdbBridge.h"
#include "devlink/AdbFraming.h"
#include "devlink/DeviceTables.h"

#include <chrono>
#include <cstring>

namespace zorvik {
namespace {

// How long the worker waits for a byte before it asks whether it should stop; the stream itself
// may be silent for hours.
constexpr unsigned kQuietMs = 60 * 60 * 1000;

}  // namespace

std::vector<TrackedDevice> parseDeviceStates(std::string_view listing) {
  std::vector<TrackedDevice> devices;
  for (const std::string& line : splitLines(listing)) {
    const size_t tab = line.find('\t');
    if (tab == std::string::npos || tab == 0) continue;
    TrackedDevice d{trimmed(std::string_view(line).substr(0, tab)), trimmed(std::string_view(line).substr(tab + 1))};
    if (!d.serial.empty() && !d.state.empty()) devices.push_back(std::move(d));
  }
  return devices;
}

void TrackDecoder::feed(const char* data, size_t size) {
  if (!broken_) buffer_.append(data, size);
}

TrackDecoder::Status TrackDecoder::next(std::vector<TrackedDevice>& devices) {
  if (broken_) return Status::Malformed;
  const AdbFrame frame = decodeAdbText(buffer_);
  if (frame.status == AdbDecode::NeedMore) return Status::NeedMore;
  if (frame.status == AdbDecode::Malformed) {
    broken_ = true;
    buffer_.clear();
    return Status::Malformed;
  }
  devices = parseDeviceStates(frame.text);
  buffer_.erase(0, frame.consumed);
  return Status::Message;
}

void DeviceTracker::start() {
  if (thread_.joinable()) return;
  stopping_ = false;
  thread_ = std::thread([this] { run(); });
}

void DeviceTracker::stop() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
}

void DeviceTracker::run() {
  while (!stopping()) {
    follow();
    // The server went away or is not there yet: try again shortly.
    for (unsigned waited = 0; waited < kRetryMs && !stopping(); waited += TcpSocket::kPollMs)
      std::this_thread::sleep_for(std::chrono::milliseconds(TcpSocket::kPollMs));
  }
}

void DeviceTracker::follow() {
  const auto stop = [this] { return stopping(); };
  TcpSocket socket = TcpSocket::connectLoopback(adbServerPort(), true, 5000, stop);
  if (!socket.valid()) return;
  const std::string request = adbHostRequest("host:track-devices");
  if (!socket.sendAll(request.data(), request.size())) return;
  char answer[4];
  size_t have = 0;
  while (have < 4) {
    if (socket.waitReadable(15000, stop) != TcpSocket::Wait::Ready) return;
    const int got = socket.receiveAvailable(answer + have, 4 - have);
    if (got == TcpSocket::kWouldBlock) continue;
    if (got <= 0) return;
    have += static_cast<size_t>(got);
  }
  if (std::memcmp(answer, "OKAY", 4) != 0) return;
  TrackDecoder decoder;
  char chunk[4096];
  for (;;) {
    const TcpSocket::Wait wait = socket.waitReadable(kQuietMs, stop);
    if (wait == TcpSocket::Wait::TimedOut) continue;
    if (wait != TcpSocket::Wait::Ready) return;
    const int got = socket.receiveAvailable(chunk, sizeof chunk);
    if (got == TcpSocket::kWouldBlock) continue;
    if (got <= 0) return;
    decoder.feed(chunk, static_cast<size_t>(got));
    std::vector<TrackedDevice> devices;
    TrackDecoder::Status status;
    while ((status = decoder.next(devices)) == TrackDecoder::Status::Message) {
      if (stopping()) return;
      onDevices_(devices);
    }
    if (status == TrackDecoder::Status::Malformed) return;
  }
}

}  // namespace zorvik
