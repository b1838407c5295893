// UTF-16 <-> UTF-8 as the agent converts Java strings: standard UTF-8 both ways, and a clear
// replacement (U+FFFD) for what cannot be converted, never a failure.
#include "phone/android/jni/Utf16.h"

#include <gtest/gtest.h>

#include <string>

namespace zorvik::phone {
namespace {

std::string utf8(const std::u16string& units) {
  std::string out;
  appendUtf8(reinterpret_cast<const uint16_t*>(units.data()), units.size(), out);
  return out;
}

std::u16string utf16(std::string_view text) {
  std::u16string out;
  toUtf16(text, out);
  return out;
}

TEST(Utf16, JavaTextBecomesStandardUtf8) {
  struct Case {
    std::u16string units;
    std::string utf8;
  } cases[] = {
      {u"", ""},
      {u"abc", "abc"},
      {std::u16string(1, u'\0'), std::string(1, '\0')},  // one byte, not JNI's C0 80
      {u"\u00e9", "\xC3\xA9"},
      {u"\u738b\u4f1f", "\xE7\x8E\x8B\xE4\xBC\x9F"},
      {u"\U0001F600", "\xF0\x9F\x98\x80"},  // a surrogate pair is one 4-byte sequence
      {u"a\U0001F468\u200D\U0001F469b", "a\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9" "b"},
      {std::u16string{0xD83D}, "\xEF\xBF\xBD"},             // lone high surrogate
      {std::u16string{0xDE00, u'x'}, "\xEF\xBF\xBDx"},     // lone low surrogate
      {std::u16string{0xDE00, 0xD83D}, "\xEF\xBF\xBD\xEF\xBF\xBD"},  // pair in the wrong order
      {std::u16string{0xD83D, 0xD83D, 0xDE00}, "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
  };
  for (const Case& c : cases) EXPECT_EQ(utf8(c.units), c.utf8) << testing::PrintToString(c.utf8);
}

TEST(Utf16, Utf8BecomesJavaTextAndBadBytesAreReplaced) {
  const std::u16string kBad(1, u'\uFFFD');
  struct Case {
    std::string utf8;
    std::u16string units;
  } cases[] = {
      {"", u""},
      {"\xE7\x8E\x8B", u"\u738b"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
      {"\x80", kBad},                                    // a continuation byte alone
      {"\xC0\xAF", kBad + kBad},                         // overlong lead bytes are never valid
      {"\xE0\x80\xAF", kBad + kBad + kBad},              // overlong 3-byte form
      {"\xED\xA0\x80", kBad + kBad + kBad},              // an encoded surrogate
      {"\xF4\x90\x80\x80", kBad + kBad + kBad + kBad},   // above U+10FFFF
      {"\xE7\x8E", kBad},                                // cut short at the end
      {"\xE7\x8Ex", kBad + u"x"},                        // cut short, the next character kept
      {"\xF0\x9F\x98", kBad},
      {"a\xFF" "b", u"a" + kBad + u"b"},
      {"\xED\x9F\xBF", u"\uD7FF"},                       // the last character before the surrogates
  };
  for (const Case& c : cases) EXPECT_EQ(utf16(c.utf8), c.units) << testing::PrintToString(c.utf8);
}

TEST(Utf16, ValidTextRoundTripsAndLongTextIsWhole) {
  std::string text;
  for (int i = 0; i < 10000; ++i) text += (i % 3 == 0) ? "\xE7\x8E\x8B" : (i % 3 == 1) ? "\xF0\x9F\x98\x80" : "<";
  EXPECT_EQ(utf8(utf16(text)), text);
  EXPECT_EQ(utf16(text).size(), 13333u);  // 3334 + 3333 pairs + 3333
}

}  // namespace
}  // namespace zorvik::phone
