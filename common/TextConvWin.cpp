#include "common/TextConv.h"

#include "common/win/WideText.h"

namespace zorvik {

std::string toUtf8(std::string_view ansi) { return fromWide(toWide(ansi, CP_ACP), CP_UTF8); }
std::string toAnsi(std::string_view utf8) { return fromWide(toWide(utf8, CP_UTF8), CP_ACP); }

}  // namespace zorvik
