#pragma once
// UTF-16 conversions for the Win32 calls that take wide strings (COM, MSXML): the program's
// texts are ANSI (code page 936, GBK) or UTF-8 bytes.
#include <windows.h>

#include <string>
#include <string_view>

namespace zorvik {

std::wstring toWide(std::string_view text, UINT codePage = CP_ACP);
std::string fromWide(std::wstring_view wide, UINT codePage = CP_ACP);

}  // namespace zorvik
