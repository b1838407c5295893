#include "common/HtmlEscape.h"

#include <cctype>

namespace zorvik {

std::string htmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    // A GBK pair; a lead byte before an ASCII markup character is not a pair and must not
    // carry that character through unescaped.
    if (c >= 0x81 && c <= 0xFE && next >= 0x40 && next <= 0xFE && next != 0x7F) {
      out += text[i];
      out += text[++i];
      continue;
    }
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      case 0: break;  // a NUL would cut the text where the browser reads it
      default: out += static_cast<char>(c);
    }
  }
  return out;
}

std::string htmlSafeHref(std::string_view address) {
  auto startsWith = [&](std::string_view prefix) {
    if (address.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(address[i])) != prefix[i]) return false;
    return true;
  };
  if (!startsWith("vko:") && !startsWith("http://") && !startsWith("https://")) return "#";
  return htmlEscape(address);
}

bool splitAppCommand(std::string_view address, std::string& command) {
  static const char kScheme[] = "vko:";
  if (address.size() < 4) return false;
  for (size_t i = 0; i < 4; ++i)
    if (std::tolower(static_cast<unsigned char>(address[i])) != kScheme[i]) return false;
  command.assign(address.substr(4));
  return true;
}

}  // namespace zorvik
