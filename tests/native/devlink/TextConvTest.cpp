// GBK <-> UTF-8 as the agent and the program exchange texts. Built natively (iconv) and for
// Windows (code page 936 through Win32, under Wine).
#include "common/TextConv.h"

#include <gtest/gtest.h>

namespace zorvik {
namespace {

TEST(TextConv, ChineseRoundTripsThroughUtf8) {
  const std::string gbk = "联系人";
  ASSERT_EQ(gbk, "\xc1\xaa\xcf\xb5\xc8\xcb");  // the compiler stored GBK bytes
  const std::string utf8 = toUtf8(gbk);
  EXPECT_EQ(utf8, "\xE8\x81\x94\xE7\xB3\xBB\xE4\xBA\xBA");
  EXPECT_EQ(toAnsi(utf8), gbk);
  std::string inPlace = utf8;
  utf8ToAnsi(inPlace);
  EXPECT_EQ(inPlace, gbk);
  ansiToUtf8(inPlace);
  EXPECT_EQ(inPlace, utf8);
}

TEST(TextConv, AsciiAndEmptyPassUnchanged) {
  EXPECT_EQ(toUtf8(""), "");
  EXPECT_EQ(toAnsi(""), "");
  EXPECT_EQ(toAnsi("abc 123"), "abc 123");
}

TEST(TextConv, CharactersGbkCannotHoldBecomeTheReplacement) {
  // "a", U+1F600 (an emoji), "中", U+0E01 (Thai): GBK holds neither the emoji nor the Thai letter.
  const std::string utf8 = "a\xF0\x9F\x98\x80\xE4\xB8\xAD\xE0\xB8\x81z";
  const std::string ansi = toAnsi(utf8);
  EXPECT_EQ(ansi.substr(0, 1), "a");
  EXPECT_NE(ansi.find("\xD6\xD0"), std::string::npos);  // 中 survives
  EXPECT_EQ(ansi.back(), 'z');
  EXPECT_NE(ansi.find('?'), std::string::npos);
  EXPECT_EQ(ansi.find('\xF0'), std::string::npos);  // no raw UTF-8 leaks through
}

// ASCII stretches are copied, the rest converted: the seams must not show.
TEST(TextConv, AsciiBesideOtherTextConvertsAsOneText) {
  // 中 between ASCII, and a cut sequence (E4 B8 without its last byte) just before a blank.
  EXPECT_EQ(toAnsi("ab\xE4\xB8\xAD" "cd\xE4\xB8 e"), "ab\xD6\xD0" "cd? e");
  EXPECT_EQ(toAnsi("\xE4\xB8\xAD"), "\xD6\xD0");
  // GBK 0x8140 (U+4E02) has the trail byte '@', and 0xB0A1 (U+554A) follows at once.
  EXPECT_EQ(toUtf8("x=\x81\x40@\xB0\xA1!"), "x=\xE4\xB8\x82@\xE5\x95\x8A!");
  EXPECT_EQ(toUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

}  // namespace
}  // namespace zorvik
