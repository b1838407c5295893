// Texts from the phone (names, messages) go into HTML through htmlEscape: whatever the bytes,
// the result holds no markup character outside a GBK pair and no NUL, and unescaping it gives
// the input back (minus NULs).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/HtmlEscape.h"

namespace {

std::string unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size();) {
    static const struct { const char* entity; char c; } kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&#39;", '\''}};
    bool matched = false;
    for (const auto& e : kEntities) {
      std::string entity = e.entity;
      if (s.compare(i, entity.size(), entity) == 0) {
        out += e.c;
        i += entity.size();
        matched = true;
        break;
      }
    }
    if (!matched) out += s[i++];
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  std::string out = zorvik::htmlEscape(input);
  for (size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    unsigned char next = i + 1 < out.size() ? static_cast<unsigned char>(out[i + 1]) : 0;
    if (c >= 0x81 && c <= 0xFE && next >= 0x40 && next <= 0xFE && next != 0x7F) {
      ++i;  // a GBK pair: its trail byte is never a markup character
      continue;
    }
    if (c == '<' || c == '>' || c == '"' || c == '\'' || c == 0) std::abort();
  }
  std::string withoutNul;
  for (char ch : input)
    if (ch != '\0') withoutNul += ch;
  if (unescape(out) != withoutNul) std::abort();
  std::string href = zorvik::htmlSafeHref(input);
  if (href != "#" && href.find('"') != std::string::npos) std::abort();
  std::string command;
  if (zorvik::splitAppCommand(input, command) && command.size() != size - 4) std::abort();
  return 0;
}
