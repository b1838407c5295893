// Any "adb devices" output: the walk ends, and every serial kept is text of the listing as it
// stood: not empty, no tab or line end in it, no blank at either end; and "no server" is said only
// by output that holds the tool's words. Each serial, quoted, splits back into itself.
#include "devlink/AdbBridge.h"
#include "devlink/AdbProcess.h"
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
    if (serial.find_first_of("\t\r\n") != std::string::npos) std::abort();
    if (serial.front() == ' ' || serial.back() == ' ') std::abort();
    if (output.find(serial) == std::string_view::npos) std::abort();
    const auto words = zorvik::detail::splitCommandLine("adb -s " + zorvik::quotedArgument(serial) + " shell");
    if (words.size() != 4 || words[2] != serial) std::abort();
  }
  if (zorvik::adbServerMissing(output) && output.find("daemon") == std::string_view::npos) std::abort();
  return 0;
}
