#include "common/TextConv.h"

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

}  // namespace zorvik
