// Texts cross between the PC's UTF-8 and Java's UTF-16 in the phone-side agent: whatever the
// bytes (a request's text, a string the phone holds, lone surrogates and all), the conversions end,
// give well-formed results, keep well-formed input whole, and converting a result again changes
// nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "phone/android/jni/Utf16.h"

namespace {

std::string utf8(const std::u16string& units) {
  std::string out;
  zorvik::phone::appendUtf8(reinterpret_cast<const uint16_t*>(units.data()), units.size(), out);
  return out;
}

std::u16string utf16(const std::string& text) {
  std::u16string out;
  zorvik::phone::toUtf16(text, out);
  return out;
}

void require(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The bytes as UTF-8 from the PC.
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::u16string units = utf16(bytes);
  require(units.size() <= bytes.size());
  const std::string back = utf8(units);
  require(utf16(back) == units);  // a result converts to itself
  require(utf8(utf16(back)) == back);
  // The bytes as UTF-16 units a Java string may hold.
  std::u16string java;
  for (size_t i = 0; i + 1 < size; i += 2) java.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  const std::string text = utf8(java);
  require(text.size() <= java.size() * 3);
  require(utf8(utf16(text)) == text);
  return 0;
}
