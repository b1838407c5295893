#pragma once
// A byte count as the Windows shell writes it for people ("532 字节", "1.20 KB", "3.45 MB"), in the
// program's ANSI text. The shell's 64-bit form: counts of 4 GiB and more are shown as they are,
// not as their low 32 bits.
#include <cstdint>
#include <string>

namespace zorvik {

std::string byteSizeText(uint64_t bytes);

}  // namespace zorvik
