// Any host:track-devices stream, fed in pieces whose sizes the input also chooses: the decoder
// never keeps more than one message's bytes, never returns a message longer than four hex digits
// allow, and once it calls the stream malformed it stays so.
#include "devlink/DeviceTracker.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t piece = data[0] % 17 + 1;
  zorvik::TrackDecoder decoder;
  bool broken = false;
  for (size_t at = 1; at < size; at += piece) {
    const size_t n = at + piece <= size ? piece : size - at;
    decoder.feed(reinterpret_cast<const char*>(data + at), n);
    std::vector<zorvik::TrackedDevice> devices;
    zorvik::TrackDecoder::Status status;
    while ((status = decoder.next(devices)) == zorvik::TrackDecoder::Status::Message) {
      if (broken) std::abort();
      if (devices.size() > 0xFFFF / 3) std::abort();
      for (const auto& d : devices)
        if (d.serial.empty() || d.state.empty() || d.serial.size() + d.state.size() > 0xFFFF) std::abort();
    }
    if (status == zorvik::TrackDecoder::Status::Malformed) broken = true;
    if (broken && decoder.next(devices) != zorvik::TrackDecoder::Status::Malformed) std::abort();
  }
  return 0;
}
