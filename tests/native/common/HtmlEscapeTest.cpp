#include <gtest/gtest.h>

#include <string>

#include "common/HtmlEscape.h"

using namespace zorvik;

TEST(HtmlEscape, MarkupInDataBecomesText) {
  EXPECT_EQ(htmlEscape("<script>alert('x')</script>"),
            "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;");
  EXPECT_EQ(htmlEscape("a & b \"c\""), "a &amp; b &quot;c&quot;");
  EXPECT_EQ(htmlEscape("<img src=x onerror=alert(1)>"), "&lt;img src=x onerror=alert(1)&gt;");
  EXPECT_EQ(htmlEscape(""), "");
  EXPECT_EQ(htmlEscape("&amp;"), "&amp;amp;");  // escaped once more: data stays data
}

TEST(HtmlEscape, GbkTextPassesUnchanged) {
  EXPECT_EQ(htmlEscape("张三 的短信"), "张三 的短信");
  // "表" is GBK b1 ed; "\x81\x40" is a pair whose trail byte is '@'.
  EXPECT_EQ(htmlEscape("\x81\x40x"), "\x81\x40x");
}

TEST(HtmlEscape, ALeadByteCannotSwallowAMarkupCharacter) {
  // A hostile sender puts a GBK lead byte right before '<': the '<' is not a trail byte
  // and must still be escaped.
  EXPECT_EQ(htmlEscape("\x81<script>"), "\x81&lt;script&gt;");
  EXPECT_EQ(htmlEscape("\xfe\""), "\xfe&quot;");
  EXPECT_EQ(htmlEscape("x\x81"), "x\x81");  // a lead byte at the end
}

TEST(HtmlEscape, NulBytesAreDropped) {
  std::string s("a\0<b", 4);
  EXPECT_EQ(htmlEscape(s), "a&lt;b");
}

TEST(HtmlEscape, HrefsKeepOnlyOurSchemes) {
  EXPECT_EQ(htmlSafeHref("vko:did=3"), "vko:did=3");
  EXPECT_EQ(htmlSafeHref("http://a/b?c=1&d=2"), "http://a/b?c=1&amp;d=2");
  EXPECT_EQ(htmlSafeHref("javascript:alert(1)"), "#");
  EXPECT_EQ(htmlSafeHref("JaVaScRiPt:alert(1)"), "#");
  EXPECT_EQ(htmlSafeHref("vko:x\" onclick=\"y"), "vko:x&quot; onclick=&quot;y");
  EXPECT_EQ(htmlSafeHref(""), "#");
}

TEST(AppCommand, VkoPrefixInAnyCase) {
  std::string cmd;
  EXPECT_TRUE(splitAppCommand("vko:refresh", cmd));
  EXPECT_EQ(cmd, "refresh");
  EXPECT_TRUE(splitAppCommand("VKO:refresh", cmd));
  EXPECT_EQ(cmd, "refresh");
  EXPECT_TRUE(splitAppCommand("Vko:109", cmd));
  EXPECT_EQ(cmd, "109");
  EXPECT_TRUE(splitAppCommand("vko:", cmd));
  EXPECT_EQ(cmd, "");
  EXPECT_FALSE(splitAppCommand("vko", cmd));
  EXPECT_FALSE(splitAppCommand("http://vko:x", cmd));
  EXPECT_FALSE(splitAppCommand("res://zorvik.exe/660", cmd));
}
