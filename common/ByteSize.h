#pragma once
// A byte count as the Windows shell writes it for people ("532 字节", "1.20 KB", "3.45 MB"), through
// StrFormatByteSizeA, in the program's ANSI text.
#include <cstdint>
#include <string>

namespace zorvik {

std::string byteSizeText(uint32_t bytes);

}  // namespace zorvik
