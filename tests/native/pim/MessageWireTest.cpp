// Text messages on the wire: the four replies (whole, end-marked, cut, lying), the send, delete
// and conversation requests byte for byte, the recipient splitting, and the two HTML builders with
// hostile phone texts.
#include "pim/MessageWire.h"
#include "support/BodyWriter.h"

#include <gtest/gtest.h>

#include <cstring>

namespace zorvik {
namespace {

using test::BodyWriter;

const std::string kZhangSanUtf8 = "\xE5\xBC\xA0\xE4\xB8\x89";  // "张三"

BodyWriter& thread(BodyWriter& w, int64_t id, const std::string& name, const std::string& number,
                   const std::string& snippet) {
  return w.i64(id).utf8(name).utf8(number).i64(1354000000000LL).i32(0).i32(0).utf8(snippet);
}

BodyWriter& message(BodyWriter& w, int32_t direction, const std::string& address, const std::string& text) {
  return w.i64(77).i32(direction).utf8(address).i64(1354000000000LL).i32(0).utf8(text).i32(1);
}

TEST(ThreadList, RecordsThenTheEndMark) {
  auto w = BodyWriter::body();
  thread(w, 0x200000003LL, kZhangSanUtf8, "13800138000", "hi");
  thread(w, 4, "", "10086", "");
  w.i64(0).i32(kAgentListEnd);
  const auto list = parseThreadList(w.bytes.data(), w.bytes.size());
  EXPECT_FALSE(list.malformed);
  ASSERT_EQ(list.records.size(), 2u);
  EXPECT_EQ(list.records[0].threadId, 3);
  EXPECT_EQ(list.records[0].name, "张三");
  EXPECT_EQ(list.records[0].number, "13800138000");
  EXPECT_EQ(list.records[0].snippet, "hi");
  EXPECT_EQ(list.records[1].number, "10086");
}

TEST(ThreadList, CutAnywhereKeepsOnlyWholeRecords) {
  auto w = BodyWriter::body();
  thread(w, 1, "a", "1", "x");
  const size_t firstEnd = w.bytes.size();
  thread(w, 2, "b", "2", "y");
  for (size_t cut = 4; cut < w.bytes.size(); ++cut)
    ASSERT_EQ(parseThreadList(w.bytes.data(), cut).records.size(), cut >= firstEnd ? 1u : 0u) << cut;
}

TEST(Conversation, DirectionsAddressesAndTheEndMarkAfterTheDirection) {
  auto w = BodyWriter::body();
  message(w, 1, "13800138000", "in");
  message(w, 2, "13800138000", "out");
  w.i64(0).i32(0).i32(kAgentListEnd);
  const auto list = parseConversation(w.bytes.data(), w.bytes.size());
  EXPECT_FALSE(list.malformed);
  ASSERT_EQ(list.records.size(), 2u);
  EXPECT_TRUE(list.records[0].received);
  EXPECT_FALSE(list.records[1].received);
  EXPECT_EQ(list.records[1].text, "out");
}

TEST(Conversation, HostileLengthEndsTheWalkInsideTheBody) {
  for (int32_t count : {-4, 0x7FFFFFFF}) {
    auto w = BodyWriter::body();
    message(w, 1, "1", "ok");
    w.i64(1).i32(1).utf8("2").i64(0).i32(0).i32(count).raw("abc");
    const auto list = parseConversation(w.bytes.data(), w.bytes.size());
    EXPECT_TRUE(list.malformed) << count;
    EXPECT_EQ(list.records.size(), 1u) << count;
  }
}

TEST(Picker, GroupsAndEntries) {
  auto g = BodyWriter::body();
  g.i64(0x100000002LL).utf8("Friends").i64(9).i32(kAgentListEnd);
  const auto groups = parsePickerGroups(g.bytes.data(), g.bytes.size());
  ASSERT_EQ(groups.records.size(), 1u);
  EXPECT_EQ(groups.records[0].groupId, 2);
  EXPECT_EQ(groups.records[0].name, "Friends");
  auto e = BodyWriter::body();
  e.i64(2).utf8(kZhangSanUtf8).utf8("13800138000").i64(-1).utf8("Bob").utf8("10086");
  const auto entries = parsePickerEntries(e.bytes.data(), e.bytes.size());
  ASSERT_EQ(entries.records.size(), 2u);
  EXPECT_EQ(entries.records[0].name, "张三");
  EXPECT_EQ(entries.records[1].groupId, -1);
  EXPECT_EQ(entries.records[1].number, "10086");
  e.bytes.resize(e.bytes.size() - 2);  // the last number cut
  EXPECT_EQ(parsePickerEntries(e.bytes.data(), e.bytes.size()).records.size(), 1u);
}

TEST(MessageRequests, SendWithTwoRecipientsOneBracketed) {
  const auto numbers = splitRecipients("\"张三\" <13800138000>;10086");
  ASSERT_EQ(numbers, (std::vector<std::string>{"13800138000", "10086"}));
  const std::string textUtf8 = "\xE4\xBD\xA0\xE5\xA5\xBD";  // "你好"
  auto want = BodyWriter::request();
  want.i32(870204).i32(12 + (4 + 11) + (4 + 5) + 4 + 6).i32(2).utf8("13800138000").utf8("10086").utf8(textUtf8);
  EXPECT_EQ(sendMessageRequest(numbers, "你好"), want.bytes);
}

TEST(MessageRequests, DeleteThreadAndConversation) {
  auto del = BodyWriter::request();
  del.i32(870206).i32(16).i32(1).i32(42);
  EXPECT_EQ(deleteThreadRequest(42), del.bytes);
  auto conv = BodyWriter::request();
  conv.i32(870202).i32(-1);
  EXPECT_EQ(conversationRequest(-1), conv.bytes);
}

TEST(Recipients, SplittingStopsAtTheFirstEmptyPiece) {
  EXPECT_EQ(splitRecipients("111;;222"), std::vector<std::string>{"111"});
  EXPECT_EQ(splitRecipients(recipientText("A", "1") + recipientText("B", "2")), (std::vector<std::string>{"1", "2"}));
  EXPECT_TRUE(splitRecipients("").empty());
  EXPECT_TRUE(splitRecipients(";123").empty());
  EXPECT_EQ(splitRecipients("x <123"), std::vector<std::string>{"123"});  // no ">": to the end
  EXPECT_EQ(recipientText("张三", "138"), "\"张三\" <138>;");
}

TEST(MessageHtml, ThreadListFragmentsAndEscapedPhoneTexts) {
  ThreadRecord t;
  t.threadId = 7;
  t.name = "<script>x</script>";
  t.number = "10086";
  t.snippet = "a&b<img src=x onerror=alert(1)>";
  t.date = 1354000000000LL;
  const std::string html = buildThreadListHtml({t}, {"没有记录"});
  EXPECT_EQ(html.rfind("<li><span class=tool><a href='vko:did=7'>删除</a> </span> <span class=sender><a href='vko:vid=7'>", 0), 0u);
  EXPECT_NE(html.find("&lt;script&gt;x&lt;/script&gt;</a></span><span class=location>[10086 没有记录]</span><span class='time'>2012-"), std::string::npos);
  EXPECT_NE(html.find("<img src='s_checked.gif'></a> </span><a href='vko:vid=7'>a&amp;b&lt;img"), std::string::npos);
  EXPECT_EQ(html.find("<script"), std::string::npos);
  EXPECT_EQ(html.find("<img src=x"), std::string::npos);
  EXPECT_EQ(html.substr(html.size() - 13), "</a></p></li>");
}

TEST(MessageHtml, ConversationReceivedAndSent) {
  MessageRecord in{true, "138<b>", 1354000000000LL, "<i>hi</i>"};
  MessageRecord out{false, "138", 1354000000000LL, "ok"};
  const std::string html = buildConversationHtml({in, out});
  EXPECT_EQ(html.rfind("<div class='entry'><ul class='detail_ul'><li><strong>138&lt;b&gt;</strong><span>[2012-", 0), 0u);
  EXPECT_NE(html.find("]</span></li><li><dl class='remote'><dd><span>对您说：</span>&lt;i&gt;hi&lt;/i&gt;<div></div></dd></dl></li></ul><div class='clear'></div></div>"), std::string::npos);
  EXPECT_NE(html.find("<strong>本机</strong>"), std::string::npos);
  EXPECT_NE(html.find("<dl class='me'><dd><span>我说：</span>ok<div>"), std::string::npos);
  EXPECT_TRUE(buildConversationHtml({}).empty());
}

TEST(ThreadLinks, OpenDeleteAndEverythingElseIgnored) {
  EXPECT_EQ(parseThreadLink("vid=12").action, ThreadAction::Open);
  EXPECT_EQ(parseThreadLink("vid=12").threadId, 12);
  EXPECT_EQ(parseThreadLink("did=-3").action, ThreadAction::Delete);
  EXPECT_EQ(parseThreadLink("did=-3").threadId, -3);
  EXPECT_EQ(parseThreadLink("did=2147483647").threadId, 2147483647);
  for (const char* bad : {"vid=", "vid=-", "vid=12x", "vid= 1", "vid=99999999999", "did=2147483648", "xid=1",
                          "VID=1", "refresh", ""})
    EXPECT_EQ(parseThreadLink(bad).action, ThreadAction::None) << bad;
}

TEST(Recipients, PickerEditsKeepTheOtherPieces) {
  EXPECT_EQ(addRecipient("", "张三", "138"), "\"张三\" <138>;");
  EXPECT_EQ(addRecipient("10086", "张三", "138"), "10086;\"张三\" <138>;");
  EXPECT_EQ(addRecipient("\"x\" < 138 >;", "张三", "138"), "\"x\" < 138 >;");  // already there
  EXPECT_EQ(removeRecipient("\"张三\" <138>;10086; 138 ;;5", "138"), "10086;5;");
  EXPECT_EQ(removeRecipient("10086", "138"), "10086;");
  EXPECT_EQ(recipientNumbers("a <1>; 2 ;;3;<>"), (std::vector<std::string>{"1", "2", "3"}));
  // A name from the phone cannot add numbers of its own.
  EXPECT_EQ(splitRecipients(recipientText("A;9<8>\"", "123")), std::vector<std::string>{"123"});
  // What the picker writes is what the send sends.
  EXPECT_EQ(splitRecipients(addRecipient(addRecipient("", "A", "1"), "B", "2")), (std::vector<std::string>{"1", "2"}));
}

// A contact's number may carry a pause or wait and the tones after it ("10086;1", "10086,,2"), or
// stray brackets: the picker writes only the address, so no piece of it becomes a recipient.
TEST(Recipients, PickerNumbersWithSeparatorsSendOneNumber) {
  const struct {
    const char* number;
    const char* sent;
  } cases[] = {{"10086;123", "10086"}, {"10086,,2;3", "10086"}, {" <138 0013> ", "138 0013"}, {"\"95\"588", "95588"}};
  for (const auto& c : cases) {
    const std::string field = addRecipient("13900000000;", "客服", c.number);
    auto want = BodyWriter::request();
    want.i32(870204).i32(12 + (4 + 11) + (4 + static_cast<int32_t>(strlen(c.sent))) + 4 + 1).i32(2);
    want.utf8("13900000000").utf8(c.sent).utf8("x");
    EXPECT_EQ(sendMessageRequest(splitRecipients(field), "x"), want.bytes) << c.number;
    EXPECT_EQ(removeRecipient(field, c.number), "13900000000;") << c.number;
  }
  // Nothing left to send to: the field is not changed.
  EXPECT_EQ(addRecipient("1;", "A", ";5"), "1;");
  EXPECT_EQ(addRecipient("", "A", " "), "");
}

TEST(MessageRequests, DeleteThreadIsConfirmedWithTheSharedQuestion) {
  EXPECT_EQ(deleteThreadsQuestion(1), "您真的要删除选择的【 1 】个会话吗？");
}

}  // namespace
}  // namespace zorvik
