#include "common/FormPost.h"

#include <gtest/gtest.h>

namespace zorvik {
namespace {

TEST(FormBody, FieldsInOrderUnencodedWithTrailingAmpersand) {
  EXPECT_EQ(formBody({}), "");
  EXPECT_EQ(formBody({{"apps", R"([{"a":"b c&d"}])"}, {"x", ""}}), R"(apps=[{"a":"b c&d"}]&x=&)");
}

TEST(FormReply, EveryLineGetsTheFourCharacters) {
  EXPECT_EQ(formReplyText(""), "");
  EXPECT_EQ(formReplyText("ok"), "ok/r/n");
  EXPECT_EQ(formReplyText("ok\r\n"), "ok/r/n");
  EXPECT_EQ(formReplyText("a\r\n\nb"), "a/r/n/r/nb/r/n");
  // A zero byte inside the reply is kept, not taken for its end.
  EXPECT_EQ(formReplyText(std::string_view("a\0b\n", 4)), std::string("a\0b/r/n", 7));
}

}  // namespace
}  // namespace zorvik
