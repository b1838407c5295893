#pragma once
// The MD5 digest of a byte string as 32 lower-case hexadecimal digits, computed with the platform's
// cryptographic service. When a step of the service fails, the result is that step's message
// instead ("Error acquiring context", "Error creating hash", "Error hashing data",
// "Error getting hash param"), which callers send on as they would a digest.
#include <string>
#include <string_view>

namespace zorvik {

std::string md5hex(std::string_view bytes);

}  // namespace zorvik
