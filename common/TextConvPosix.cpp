#include "common/TextConv.h"

#include "common/AsciiRuns.h"

#include <iconv.h>

#include <cerrno>
#include <iterator>
#include <memory>

namespace zorvik {
namespace {

// One iconv conversion that never stops on bad input: an input sequence that cannot be
// converted is replaced by '?' and the walk resumes after it (one whole UTF-8 character, or one
// byte of anything else), which is what the Windows conversion functions do.
// Opening a converter costs far more than converting a short text, so each thread keeps one per
// direction.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (valid()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

std::string convert(std::string_view input, const Converter& converter, bool inputIsUtf8) {
  std::string output;
  if (input.empty() || !converter.valid()) return output;
  iconv_t cd = converter.get();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
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
  return output;
}

}  // namespace

std::string toUtf8(std::string_view ansi) {
  return convertGbkAfterAscii(ansi, [](std::string_view rest) {
    thread_local const Converter fromGbk("UTF-8", "GBK");
    return convert(rest, fromGbk, false);
  });
}

std::string toAnsi(std::string_view utf8) {
  return convertUtf8AroundAscii(utf8, [](std::string_view stretch) {
    thread_local const Converter toGbk("GBK", "UTF-8");
    return convert(stretch, toGbk, true);
  });
}

std::string legacyToUtf8(std::string_view bytes, LegacyCharset charset) {
  // In the order of LegacyCharset; each converter is opened when first needed.
  static constexpr const char* kNames[] = {"GBK", "GB18030", "BIG5", "ISO-8859-1", "WINDOWS-1252"};
  thread_local std::unique_ptr<Converter> converters[std::size(kNames)];
  const auto index = static_cast<size_t>(charset);
  if (index >= std::size(kNames)) return {};
  if (!converters[index]) converters[index] = std::make_unique<Converter>("UTF-8", kNames[index]);
  return convert(bytes, *converters[index], false);
}

}  // namespace zorvik
