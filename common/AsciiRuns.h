#pragma once
// ASCII is the same bytes in GBK and in UTF-8, and most texts the program converts (package
// strings, manifests, file names) are ASCII all through. The conversions copy such text as it is
// and hand only the rest to the converter.
#include <string>
#include <string_view>

namespace zorvik {

inline bool isAscii(unsigned char c) { return c < 0x80; }

// GBK text: the ASCII bytes before the first other byte are characters of their own and are
// copied; from that byte on the converter takes the rest whole (a GBK trail byte may look like
// ASCII, so no later byte is known to start a character without decoding).
template <class Convert>
std::string convertGbkAfterAscii(std::string_view text, Convert&& convert) {
  size_t ascii = 0;
  while (ascii < text.size() && isAscii(static_cast<unsigned char>(text[ascii]))) ++ascii;
  if (ascii == text.size()) return std::string(text);
  std::string out(text.substr(0, ascii));
  out += convert(text.substr(ascii));
  return out;
}

// UTF-8 text: a byte below 0x80 is always a character of its own (never part of a longer
// sequence, sound or broken), so runs of them are copied and only the stretches between them
// converted.
template <class Convert>
std::string convertUtf8AroundAscii(std::string_view text, Convert&& convert) {
  size_t at = 0;
  while (at < text.size() && isAscii(static_cast<unsigned char>(text[at]))) ++at;
  if (at == text.size()) return std::string(text);
  std::string out(text.substr(0, at));
  while (at < text.size()) {
    size_t stop = at;
    while (stop < text.size() && !isAscii(static_cast<unsigned char>(text[stop]))) ++stop;
    out += convert(text.substr(at, stop - at));
    at = stop;
    while (stop < text.size() && isAscii(static_cast<unsigned char>(text[stop]))) ++stop;
    out.append(text.substr(at, stop - at));
    at = stop;
  }
  return out;
}

}  // namespace zorvik
