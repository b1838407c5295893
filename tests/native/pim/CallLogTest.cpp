// The call log on the wire: the 870301 reply as the phone sends it (and cut, and lying), the
// delete requests byte for byte, and the texts a row shows.
#include "pim/CallLog.h"
#include "support/BodyWriter.h"

#include <gtest/gtest.h>

namespace zorvik {
namespace {

using test::BodyWriter;

BodyWriter& call(BodyWriter& w, int64_t id, const std::string& number, int64_t timeMs, int64_t seconds, int32_t type,
                 const std::string& nameUtf8) {
  return w.i64(id).utf8(number).i64(timeMs).i64(seconds).i32(type).utf8(nameUtf8);
}

TEST(CallList, RecordsInReplyOrderWithTheirTexts) {
  auto w = BodyWriter::body();
  call(w, 0x700000009LL, "13800138000", 1354000000000LL, 3725, 2, "\xE5\xBC\xA0\xE4\xB8\x89");  // "张三"
  call(w, 10, "10086", 1354000000000LL, 0, 4, "");
  const WireList<CallRecord> list = parseCallList(w.bytes.data(), w.bytes.size());
  EXPECT_FALSE(list.malformed);
  ASSERT_EQ(list.records.size(), 2u);
  const CallRecord& first = list.records[0];
  EXPECT_EQ(first.callId, 9);  // low 32 bits
  EXPECT_EQ(first.number, "13800138000");
  EXPECT_EQ(first.name, "张三");
  EXPECT_EQ(first.type, 2);
  EXPECT_EQ(first.duration, "01:02:05\n");
  EXPECT_EQ(first.callTime.size(), 19u);
  EXPECT_EQ(first.callTime.substr(0, 4), "2012");
  EXPECT_EQ(first.photoLength, 0);
  EXPECT_EQ(list.records[1].name, "");  // an empty upper line, the number under it
  EXPECT_EQ(list.records[1].number, "10086");
}

TEST(CallList, EndMarkInTheNumberEndsTheListWithoutARow) {
  auto w = BodyWriter::body();
  call(w, 1, "123", 1000, 1, 1, "a");
  w.i64(2).i32(kAgentListEnd);
  call(w, 3, "456", 1000, 1, 1, "b");  // after the mark: never read
  const WireList<CallRecord> list = parseCallList(w.bytes.data(), w.bytes.size());
  EXPECT_FALSE(list.malformed);
  ASSERT_EQ(list.records.size(), 1u);
  EXPECT_EQ(list.records[0].callId, 1);
}

TEST(CallList, HeaderOnlyAndOneStrayByteAreEmptyLists) {
  auto w = BodyWriter::body();
  EXPECT_TRUE(parseCallList(w.bytes.data(), w.bytes.size()).records.empty());
  w.bytes.push_back(7);  // fewer than two unread bytes: no record starts
  const WireList<CallRecord> list = parseCallList(w.bytes.data(), w.bytes.size());
  EXPECT_TRUE(list.records.empty());
  EXPECT_FALSE(list.malformed);
  EXPECT_TRUE(parseCallList(nullptr, 0).records.empty());
}

TEST(CallList, CutAnywhereKeepsTheWholeRecordsBeforeTheCut) {
  auto w = BodyWriter::body();
  call(w, 1, "13800138000", 1354000000000LL, 60, 1, "Ann");
  const size_t firstEnd = w.bytes.size();
  call(w, 2, "13900139000", 1354000000000LL, 61, 3, "Bob");
  for (size_t cut = 4; cut < w.bytes.size(); ++cut) {
    const WireList<CallRecord> list = parseCallList(w.bytes.data(), cut);
    const size_t whole = cut >= firstEnd ? 1u : 0u;
    ASSERT_EQ(list.records.size(), whole) << cut;
    // Any cut inside a record is reported, except one leaving a single byte (no record starts).
    if (cut != firstEnd && cut != 4 && cut != firstEnd + 1 && cut != 5) {
      EXPECT_TRUE(list.malformed) << cut;
    }
  }
}

TEST(CallList, HostileLengthsEndTheWalkInsideTheBody) {
  for (int32_t count : {-2, 0x7FFFFFFF, 1000}) {
    auto w = BodyWriter::body();
    call(w, 1, "1", 1, 1, 1, "ok");
    w.i64(2).i32(count).raw("13800");
    const WireList<CallRecord> list = parseCallList(w.bytes.data(), w.bytes.size());
    EXPECT_TRUE(list.malformed) << count;
    EXPECT_EQ(list.records.size(), 1u) << count;
  }
  auto w = BodyWriter::body();
  w.i64(1).utf8("1").i64(1).i64(1).i32(1).i32(-5);  // a negative name length
  EXPECT_TRUE(parseCallList(w.bytes.data(), w.bytes.size()).records.empty());
}

TEST(CallList, HostileTimesAndDurationsShowSoundTexts) {
  auto w = BodyWriter::body();
  call(w, 1, "1", INT64_MAX, INT64_MIN, 1, "");
  call(w, 2, "2", 0, INT64_MAX, 1, "");
  const WireList<CallRecord> list = parseCallList(w.bytes.data(), w.bytes.size());
  ASSERT_EQ(list.records.size(), 2u);
  EXPECT_EQ(list.records[0].callTime, "N/A");
  EXPECT_EQ(list.records[0].duration, "00:00:00\n");
  EXPECT_EQ(list.records[1].duration.size(), 9u);
}

TEST(CallTexts, DurationKeepsHoursModuloADay) {
  EXPECT_EQ(callDurationText(3725), "01:02:05\n");
  EXPECT_EQ(callDurationText(90061), "01:01:01\n");  // one day and 3,661 s
  EXPECT_EQ(callDurationText(0), "00:00:00\n");
  EXPECT_EQ(callDurationText(86399), "23:59:59\n");
  EXPECT_EQ(callDurationText(-1), "00:00:00\n");
}

TEST(CallTexts, TypesLabelsAndIconFrames) {
  EXPECT_STREQ(callTypeLabel(1), "已接来电");
  EXPECT_STREQ(callTypeLabel(2), "拨出电话");
  EXPECT_STREQ(callTypeLabel(3), "未接来电");
  EXPECT_STREQ(callTypeLabel(4), "未知类型");
  EXPECT_STREQ(callTypeLabel(0), "未知类型");
  EXPECT_EQ(callTypeIconFrame(1), 0);
  EXPECT_EQ(callTypeIconFrame(2), 1);
  EXPECT_EQ(callTypeIconFrame(3), 2);
  EXPECT_EQ(callTypeIconFrame(4), 0);
  EXPECT_EQ(callTypeIconFrame(-1), 0);
}

TEST(CallTexts, IdCellRoundTripsAndRefusesJunk) {
  EXPECT_EQ(callIdCellText(42), "42 ");
  EXPECT_EQ(callIdCellText(-7), "-7 ");
  int32_t id = 0;
  EXPECT_TRUE(parseCallIdCell("42 ", id));
  EXPECT_EQ(id, 42);
  EXPECT_TRUE(parseCallIdCell(callIdCellText(INT32_MIN), id));
  EXPECT_EQ(id, INT32_MIN);
  for (const char* bad : {"", " ", "x1 ", "12x ", "99999999999 "}) EXPECT_FALSE(parseCallIdCell(bad, id)) << bad;
}

TEST(CallRequests, DeleteListedCallsBytes) {
  const Bytes got = deleteCallsRequest({5, -1, 70000});
  auto want = BodyWriter::request();
  want.i32(870303).i32(12 + 4 * 3).i32(3).i32(5).i32(-1).i32(70000);
  EXPECT_EQ(got, want.bytes);
}

TEST(CallRequests, DeleteAllIsExactlyTwelveBytes) {
  auto want = BodyWriter::request();
  want.i32(870304).i32(12).i32(1);
  EXPECT_EQ(deleteAllCallsRequest(), want.bytes);
  EXPECT_EQ(deleteAllCallsRequest().size(), 12u);
}

TEST(CallTexts, Questions) {
  EXPECT_EQ(deleteCallsQuestion(3), "您真的要删除选择的【 3 】条通话记录吗？");
  EXPECT_STREQ(kDeleteAllCallsQuestion, "您真的要删除【 所有 】通话记录吗？");
}

}  // namespace
}  // namespace zorvik
