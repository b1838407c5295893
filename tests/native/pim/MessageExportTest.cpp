// Conversations written out: the CSV a spreadsheet opens (BOM, header, quoting, no formulas from
// the phone) and the text file, both UTF-8 whatever the program's code page.
#include "pim/MessageExport.h"
#include "support/BodyWriter.h"

#include <gtest/gtest.h>

namespace zorvik {
namespace {

const std::string kBom = "\xEF\xBB\xBF";

ConversationExport sample() {
  ConversationExport c;
  c.thread.threadId = 7;
  c.thread.name = "张三";
  c.thread.number = "+8613800138000";
  c.thread.date = 1354000000000LL;
  c.messages.push_back({true, "+8613800138000", 1354000000000LL, "晚上, 一起\"吃饭\"?\r\n七点"});
  c.messages.push_back({false, "+8613800138000", 1354000060000LL, "=HYPERLINK(\"http://x\")"});
  return c;
}

TEST(MessageCsv, BomHeaderQuotingAndNoFormulas) {
  const std::string csv = conversationsCsv({sample()});
  ASSERT_EQ(csv.rfind(kBom + "\xE4\xBC\x9A\xE8\xAF\x9D,", 0), 0u);  // "会话,"
  const size_t firstRow = csv.find("\r\n") + 2;
  const std::string row = csv.substr(firstRow, csv.find("\r\n", firstRow) - firstRow);
  EXPECT_EQ(row.rfind("7,\xE5\xBC\xA0\xE4\xB8\x89,+8613800138000,\xE6\x8E\xA5\xE6\x94\xB6,", 0), 0u);  // "7,张三,+86...,接收,"
  // The comma, quotes and line break stay inside one quoted cell.
  EXPECT_NE(csv.find(",\"\xE6\x99\x9A\xE4\xB8\x8A, \xE4\xB8\x80\xE8\xB5\xB7\"\"\xE5\x90\x83\xE9\xA5\xAD\"\"?\r\n\xE4\xB8\x83\xE7\x82\xB9\"\r\n"),
            std::string::npos);
  EXPECT_NE(csv.find(",\"'=HYPERLINK(\"\"http://x\"\")\"\r\n"), std::string::npos);
  EXPECT_EQ(conversationsCsv({}), kBom + "\xE4\xBC\x9A\xE8\xAF\x9D,\xE8\x81\x94\xE7\xB3\xBB\xE4\xBA\xBA,\xE5\x8F\xB7\xE7\xA0\x81,"
                                         "\xE6\x96\xB9\xE5\x90\x91,\xE6\x97\xB6\xE9\x97\xB4,\xE5\x86\x85\xE5\xAE\xB9\r\n");
}

TEST(MessageCsv, FieldRules) {
  EXPECT_EQ(csvField("plain", true), "plain");
  EXPECT_EQ(csvField(" lead", false), "\" lead\"");
  EXPECT_EQ(csvField("a\"b", false), "\"a\"\"b\"");
  EXPECT_EQ(csvField("@SUM(A1)", true), "'@SUM(A1)");
  EXPECT_EQ(csvField("-1", false), "-1");
  EXPECT_EQ(csvField("", true), "");
}

TEST(MessageText, HeadingsDirectionsAndIndentedBreaks) {
  ConversationExport second;
  second.thread = {9, "", "10086", "", 0};
  const std::string text = conversationsText({sample(), second});
  ASSERT_EQ(text.rfind(kBom + "==== \xE5\xBC\xA0\xE4\xB8\x89 <+8613800138000> (2 \xE6\x9D\xA1) ====\r\n", 0), 0u);
  EXPECT_NE(text.find("  \xE5\xBC\xA0\xE4\xB8\x89 \xE5\xAF\xB9\xE6\x82\xA8\xE8\xAF\xB4\xEF\xBC\x9A"), std::string::npos);  // "张三 对您说："
  EXPECT_NE(text.find("?\r\n    \xE4\xB8\x83\xE7\x82\xB9\r\n"), std::string::npos);  // the break kept, indented
  EXPECT_NE(text.find("  \xE6\x9C\xAC\xE6\x9C\xBA \xE6\x88\x91\xE8\xAF\xB4\xEF\xBC\x9A=HYPERLINK"), std::string::npos);  // "本机 我说："
  EXPECT_NE(text.find("\r\n\r\n====  <10086> (0 \xE6\x9D\xA1) ====\r\n"), std::string::npos);
  EXPECT_EQ(text.find('\n', 0) , text.find("\r\n") + 1);
}

// Texts GBK cannot hold (an emoji, ñ, a right-to-left mark and Hebrew) are written as the phone
// sent them, not through the program's GBK copies.
TEST(MessageExport, WritesThePhonesOwnBytes) {
  const std::string name = "Pe\xC3\xB1" "a \xF0\x9F\x98\x80", text = "\xE2\x80\x8F\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xF0\x9F\x8E\x89";
  auto threads = test::BodyWriter::body();
  threads.i64(5).utf8(name).utf8("+34 600").i64(1354000000000LL).i32(0).i32(0).utf8(text);
  auto messages = test::BodyWriter::body();
  messages.i64(1).i32(1).utf8("+34 600").i64(1354000000000LL).i32(0).utf8(text).i32(0);
  ConversationExport c;
  c.thread = parseThreadList(threads.bytes.data(), threads.bytes.size()).records.at(0);
  c.messages = parseConversation(messages.bytes.data(), messages.bytes.size()).records;
  ASSERT_EQ(c.messages.size(), 1u);
  ASSERT_NE(c.thread.name, name);  // the ANSI copy has lost characters
  for (const std::string& file : {conversationsText({c}), conversationsCsv({c})}) {
    EXPECT_NE(file.find(name), std::string::npos) << file;
    EXPECT_NE(file.find(text), std::string::npos) << file;
    EXPECT_EQ(file.find('?'), std::string::npos) << file;
  }
}

}  // namespace
}  // namespace zorvik
