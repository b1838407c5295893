// The smart-socket codec over hostile bytes: every decoder either needs more (and says how much,
// beyond what it has), takes a frame inside the input whose text re-encodes to the bytes taken,
// or refuses. The first byte picks the decoder and, for texts, the ceiling.
#include "devlink/AdbFraming.h"

#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

void check(const zorvik::AdbFrame& f, std::string_view data, size_t prefixAt, size_t maxText) {
  using zorvik::AdbDecode;
  if (f.status == AdbDecode::NeedMore && f.wanted <= data.size()) __builtin_trap();
  if (f.status != AdbDecode::Complete) return;
  if (f.consumed > data.size() || f.text.size() > maxText) __builtin_trap();
  if (f.consumed == 4 && f.okay && prefixAt == 4) return;  // a bare OKAY
  if (f.text.data() < data.data() || f.text.data() + f.text.size() > data.data() + f.consumed) __builtin_trap();
  if (!sameIgnoringCase(zorvik::adbLengthPrefixed(f.text), data.substr(prefixAt, f.consumed - prefixAt))) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zorvik;
  if (size == 0) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
  const size_t maxText = (data[0] >> 2) * 1024u;
  // A stream of frames one after another, as a connection delivers them.
  for (size_t at = 0; at < input.size();) {
    const std::string_view rest = input.substr(at);
    AdbFrame f;
    switch (data[0] % 4) {
      case 0:
        f = decodeAdbRequest(rest);
        check(f, rest, 0, kAdbServiceMax);
        if (f.status == AdbDecode::Complete && f.text.empty()) __builtin_trap();
        break;
      case 1:
        f = decodeAdbText(rest, maxText);
        check(f, rest, 0, maxText);
        break;
      case 2:
        f = decodeAdbAnswer(rest, (data[0] & 4) != 0, maxText);
        check(f, rest, 4, maxText);
        break;
      default: {
        const AdbSyncHeader h = decodeAdbSyncHeader(rest);
        if ((h.status == AdbDecode::Complete) != (rest.size() >= kAdbSyncHeaderSize)) __builtin_trap();
        if (h.status != AdbDecode::Complete) return 0;
        std::string again;
        appendAdbSync(again, h.id, h.value);
        if (again != rest.substr(0, kAdbSyncHeaderSize)) __builtin_trap();
        f.status = AdbDecode::Complete;
        f.consumed = kAdbSyncHeaderSize;
        break;
      }
    }
    if (f.status != AdbDecode::Complete) break;
    if (f.consumed == 0) __builtin_trap();
    at += f.consumed;
  }
  return 0;
}
