#pragma once
// Java strings are UTF-16; the agent's texts are standard UTF-8. These conversions never fail:
// a lone surrogate (Java allows them) becomes U+FFFD, and so does every byte of UTF-8 that is not
// part of a well-formed sequence (overlong forms, encoded surrogates, values above U+10FFFF, a
// sequence cut short). JNI's own "modified UTF-8" is never used: it writes a character outside the
// basic plane as two 3-byte halves and the NUL character as two bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zorvik::phone {

// Appends the UTF-8 form of n UTF-16 code units.
void appendUtf8(const uint16_t* units, size_t n, std::string& out);

// Replaces out with the UTF-16 form of utf8.
void toUtf16(std::string_view utf8, std::u16string& out);

}  // namespace zorvik::phone
