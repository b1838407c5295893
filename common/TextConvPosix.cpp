#include "common/TextConv.h"

#include <iconv.h>

#include <cerrno>

namespace zorvik {
namespace {

// One iconv conversion that never stops on bad input: an input sequence that cannot be
// converted is replaced by '?' and the walk resumes after it (one whole UTF-8 character, or one
// byte of anything else), which is what the Windows conversion functions do.
std::string convert(std::string_view input, const char* from, const char* to, bool inputIsUtf8) {
  std::string output;
  if (input.empty()) return output;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return output;
  output.reserve(input.size() * 2);
  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  char buffer[1024];
  while (inLeft > 0) {
    char* out = buffer;
    size_t outLeft = sizeof buffer;
    const size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
    output.append(buffer, sizeof buffer - outLeft);
    if (rc != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL: skip the offending character.
    size_t skip = 1;
    if (inputIsUtf8) {
      const auto lead = static_cast<unsigned char>(*in);
      const size_t expected = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
      skip = 1;
      while (skip < expected && skip < inLeft && (static_cast<unsigned char>(in[skip]) & 0xC0) == 0x80) ++skip;
    }
    if (skip > inLeft) skip = inLeft;
    in += skip;
    inLeft -= skip;
    output.push_back('?');
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return output;
}

}  // namespace

std::string toUtf8(std::string_view ansi) { return convert(ansi, "GBK", "UTF-8", false); }
std::string toAnsi(std::string_view utf8) { return convert(utf8, "UTF-8", "GBK", true); }

}  // namespace zorvik
