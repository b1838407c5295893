// Any getprop output: the three properties are read without reading past the text, and the tables
// that turn them into a row give defined answers.
#include "devlink/DeviceTables.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view output(reinterpret_cast<const char*>(data), size);
  const zorvik::DeviceProperties p = zorvik::parseGetprop(output);
  if (p.manufacturer.size() > size || p.model.size() > size) std::abort();
  for (const std::string& line : zorvik::splitLines(output)) {
    const std::string value = zorvik::getpropValue(line);
    if (!value.empty() && value.size() + 2 > line.size()) std::abort();
  }
  const char* name = zorvik::versionNameForSdk(p.sdkLevel);
  if (name == nullptr || std::strlen(name) == 0) std::abort();
  const int image = zorvik::brandImageForManufacturer(p.manufacturer);
  if (image < 21000 || image > 21015) std::abort();
  // A manufacturer can only grow by the two replacements' extra bytes.
  if (zorvik::displayManufacturer(p.manufacturer).size() > p.manufacturer.size() * 2 + 8) std::abort();
  if (zorvik::displayModel(p.model).size() > p.model.size()) std::abort();
  return 0;
}
