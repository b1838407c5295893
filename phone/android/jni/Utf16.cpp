#include "phone/android/jni/Utf16.h"

namespace zorvik::phone {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void putUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

bool isHigh(uint16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool isLow(uint16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

void appendUtf8(const uint16_t* units, size_t n, std::string& out) {
  out.reserve(out.size() + n);
  for (size_t i = 0; i < n; ++i) {
    const uint16_t u = units[i];
    if (isHigh(u) && i + 1 < n && isLow(units[i + 1])) {
      putUtf8(0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (units[i + 1] - 0xDC00), out);
      ++i;
    } else if (isHigh(u) || isLow(u)) {
      putUtf8(kReplacement, out);
    } else {
      putUtf8(u, out);
    }
  }
}

void toUtf16(std::string_view utf8, std::u16string& out) {
  out.clear();
  out.reserve(utf8.size());
  const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
  const size_t n = utf8.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char b = s[i];
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    // The length of the sequence b starts and the range its second byte must fall in (which
    // rules out overlong forms, surrogates and values above U+10FFFF).
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    char32_t c = 0;
    if (b >= 0xC2 && b <= 0xDF) {
      length = 2, c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      length = 3, c = b & 0x0F;
      if (b == 0xE0) low = 0xA0;
      if (b == 0xED) high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      length = 4, c = b & 0x07;
      if (b == 0xF0) low = 0x90;
      if (b == 0xF4) high = 0x8F;
    }
    if (length == 0) {  // a continuation byte or a lead byte no sequence starts with
      out.push_back(static_cast<char16_t>(kReplacement));
      ++i;
      continue;
    }
    // Take continuation bytes while they fit; a sequence cut short is one replacement character
    // for the bytes it had (the maximal part), and the byte that broke it starts afresh.
    size_t k = 1;
    for (; k < length && i + k < n; ++k) {
      const unsigned char t = s[i + k];
      if (t < (k == 1 ? low : 0x80) || t > (k == 1 ? high : 0xBF)) break;
      c = (c << 6) | (t & 0x3F);
    }
    if (k < length) {
      out.push_back(static_cast<char16_t>(kReplacement));
      i += k;
      continue;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
    i += length;
  }
}

}  // namespace zorvik::phone
