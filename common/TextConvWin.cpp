#include "common/TextConv.h"

#include <algorithm>

#include "common/win/WideText.h"
#include "common/AsciiRuns.h"

namespace zorvik {

std::string toUtf8(std::string_view ansi) {
  return convertGbkAfterAscii(ansi, [](std::string_view rest) { return fromWide(toWide(rest, CP_ACP), CP_UTF8); });
}

std::string toAnsi(std::string_view utf8) {
  return convertUtf8AroundAscii(utf8,
                                [](std::string_view stretch) { return fromWide(toWide(stretch, CP_UTF8), CP_ACP); });
}

namespace {
// GB18030 where the system has no code page for it (Wine): its four-byte forms of characters
// beyond the BMP are a linear mapping, decoded here; the rest is GBK (four-byte forms of BMP
// characters GBK lacks become '?').
std::string gb18030WithoutCodePage(std::string_view bytes) {
  std::string out;
  size_t run = 0;
  auto flush = [&](size_t end) { out += fromWide(toWide(bytes.substr(run, end - run), 936), CP_UTF8); };
  auto at = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  for (size_t i = 0; i < bytes.size();) {
    const unsigned b1 = at(i);
    if (b1 < 0x81 || b1 > 0xFE || i + 1 >= bytes.size()) {
      ++i;
      continue;
    }
    if (at(i + 1) < '0' || at(i + 1) > '9') {
      i += 2;  // a two-byte character: GBK's
      continue;
    }
    flush(i);
    if (i + 3 < bytes.size() && b1 >= 0x90 && b1 <= 0xE3 && at(i + 2) >= 0x81 && at(i + 2) <= 0xFE &&
        at(i + 3) >= '0' && at(i + 3) <= '9') {
      const unsigned linear = (((b1 - 0x90) * 10 + (at(i + 1) - '0')) * 126 + (at(i + 2) - 0x81)) * 10 + (at(i + 3) - '0');
      const unsigned cp = 0x10000 + linear;
      if (cp <= 0x10FFFF) {
        const wchar_t pair[2] = {static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10)),
                                 static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF))};
        out += fromWide(std::wstring_view(pair, 2), CP_UTF8);
      } else {
        out += '?';
      }
    } else {
      out += '?';
    }
    i = std::min(i + 4, bytes.size());
    run = i;
  }
  flush(bytes.size());
  return out;
}
}  // namespace

std::string legacyToUtf8(std::string_view bytes, LegacyCharset charset) {
  if (charset == LegacyCharset::Gb18030 && !IsValidCodePage(54936)) return gb18030WithoutCodePage(bytes);
  UINT page = 936;
  switch (charset) {
    case LegacyCharset::Gbk: page = 936; break;
    case LegacyCharset::Gb18030: page = 54936; break;
    case LegacyCharset::Big5: page = 950; break;
    case LegacyCharset::Latin1: page = 28591; break;
    case LegacyCharset::Windows1252: page = 1252; break;
  }
  if (!IsValidCodePage(page)) page = 1252;  // the nearest the system has
  return fromWide(toWide(bytes, page), CP_UTF8);
}

}  // namespace zorvik
