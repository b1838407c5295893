#pragma once
// Text conversion between the program's ANSI texts (code page 936, GBK) and the UTF-8 that the
// phone-side agent and the web services use. Both go through UTF-16, as Windows does; a character
// that GBK cannot hold becomes the replacement character '?'. ASCII, the same bytes in both, is
// copied as it is (common/AsciiRuns.h): only the other characters reach the converter.
#include <string>
#include <string_view>

namespace zorvik {

std::string toUtf8(std::string_view ansi);
std::string toAnsi(std::string_view utf8);

// The 8-bit character sets of other programs' files (vCards of other address books), read into
// UTF-8; a byte sequence the set does not define becomes '?'.
enum class LegacyCharset { Gbk, Gb18030, Big5, Latin1, Windows1252 };
std::string legacyToUtf8(std::string_view bytes, LegacyCharset charset);

// In-place forms, the ones the pages call.
inline void ansiToUtf8(std::string& text) { text = toUtf8(text); }
inline void utf8ToAnsi(std::string& text) { text = toAnsi(text); }

}  // namespace zorvik
