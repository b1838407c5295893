// Any "adb devices" output: the walk ends, and every serial kept is a real word: not empty, no
// spaces, no white space at its end.
#include "devlink/DeviceTables.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view output(reinterpret_cast<const char*>(data), size);
  const auto serials = zorvik::parseDevicesListing(output);
  if (serials.size() > size / 7 + 1) std::abort();  // each device line holds at least "x\tdevice"
  for (const std::string& serial : serials) {
    if (serial.empty() || serial.size() > size) std::abort();
    if (serial.find(' ') != std::string::npos) std::abort();
    const char last = serial.back();
    if (last == '\t' || last == '\r' || last == '\n') std::abort();
  }
  return 0;
}
