#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devlink/AgentCommand.h"
#include "manage/processes/ProcessWire.h"
#include "support/BodyWriter.h"

namespace zorvik {
namespace {

using test::BodyWriter;

BodyWriter& record(BodyWriter& w, int64_t memory, int32_t importance, int32_t cpu, int32_t pid, int32_t system,
                   const std::string& label, const std::string& name, const std::string& icon) {
  w.i64(memory).i32(importance).i32(cpu).i32(pid).i32(system).utf8(label).utf8(name);
  return w.i64(static_cast<int64_t>(icon.size())).raw(icon);
}

WireList<ProcessRecord> parse(const BodyWriter& w) { return parseProcessList(w.bytes.data(), w.bytes.size()); }

TEST(ProcessList, RecordsInOrderWithEveryField) {
  BodyWriter w = BodyWriter::body();
  record(w, 0x1'2345'6789LL, 100, 7, 1234, 1, "\xE8\xAE\xBE\xE7\xBD\xAE", "com.android.settings", "PNG1");
  record(w, 4096, 400, 0, 99, 0, "Mail", "com.mail:remote", "");
  w.i64(0).i32(0).i32(0).i32(0).i32(0).i32(kAgentListEnd);
  WireList<ProcessRecord> list = parse(w);
  ASSERT_FALSE(list.malformed);
  ASSERT_EQ(list.records.size(), 2u);
  const ProcessRecord& a = list.records[0];
  EXPECT_EQ(a.memoryBytes, 0x1'2345'6789LL);
  EXPECT_EQ(a.importance, 100);
  EXPECT_EQ(a.cpuPercent, 7);
  EXPECT_EQ(a.pid, 1234);
  EXPECT_EQ(a.systemFlag, 1);
  EXPECT_EQ(a.label, "设置");  // converted to the program's ANSI text
  EXPECT_EQ(a.processName, "com.android.settings");
  EXPECT_EQ(a.processNameUtf8, "com.android.settings");
  EXPECT_EQ(std::string(a.icon.begin(), a.icon.end()), "PNG1");
  EXPECT_EQ(list.records[1].processName, "com.mail:remote");
  EXPECT_TRUE(list.records[1].icon.empty());
}

TEST(ProcessList, EndMarkAfterTheFiveFieldsLeavesNoHalfRow) {
  BodyWriter w = BodyWriter::body();
  w.i64(777).i32(100).i32(5).i32(42).i32(1).i32(kAgentListEnd);
  WireList<ProcessRecord> list = parse(w);
  EXPECT_FALSE(list.malformed);
  EXPECT_TRUE(list.records.empty());
}

TEST(ProcessList, BodyWithNoRecordIsAnEmptyList) {
  for (BodyWriter w : {BodyWriter::body(), BodyWriter{{0, 0, 0, 0, 9}}, BodyWriter{}}) {
    WireList<ProcessRecord> list = parse(w);
    EXPECT_TRUE(list.records.empty());
    EXPECT_FALSE(list.malformed);
  }
}

TEST(ProcessList, OversizedIconIsDroppedButTheProcessStays) {
  BodyWriter w = BodyWriter::body();
  record(w, 1, 300, 1, 2, 0, "Big", "big.icon", std::string(kMaxProcessIcon + 1, 'x'));
  record(w, 1, 300, 1, 3, 0, "Fits", "fits", std::string(kMaxProcessIcon, 'y'));
  WireList<ProcessRecord> list = parse(w);
  ASSERT_FALSE(list.malformed);
  ASSERT_EQ(list.records.size(), 2u);
  EXPECT_TRUE(list.records[0].iconDropped);
  EXPECT_TRUE(list.records[0].icon.empty());
  EXPECT_EQ(list.records[1].icon.size(), kMaxProcessIcon);
  EXPECT_FALSE(list.records[1].iconDropped);
}

TEST(ProcessList, BodyCutAnywhereGivesOnlyWholeRecordsAndSaysSo) {
  BodyWriter w = BodyWriter::body();
  record(w, 10, 100, 1, 1, 0, "One", "one", "ic");
  const size_t firstEnd = w.bytes.size();
  record(w, 20, 200, 2, 2, 0, "Two", "two", "icon");
  for (size_t cut = firstEnd + 2; cut < w.bytes.size(); ++cut) {
    WireList<ProcessRecord> list = parseProcessList(w.bytes.data(), cut);
    ASSERT_EQ(list.records.size(), 1u) << cut;
    EXPECT_EQ(list.records[0].processName, "one");
    EXPECT_TRUE(list.malformed) << cut;
  }
}

TEST(ProcessList, HostileLengthsAreMalformedNotAllocations) {
  for (int64_t iconLength : {int64_t{-1}, int64_t{0x7FFF'FFFF'FFFF'FFFFLL}, int64_t{5}}) {
    BodyWriter w = BodyWriter::body();
    w.i64(1).i32(100).i32(0).i32(1).i32(0).utf8("L").utf8("n").i64(iconLength).raw("abc");
    WireList<ProcessRecord> list = parse(w);
    EXPECT_TRUE(list.malformed) << iconLength;
    EXPECT_TRUE(list.records.empty());
  }
  BodyWriter negativeLabel = BodyWriter::body();
  negativeLabel.i64(1).i32(100).i32(0).i32(1).i32(0).i32(-5).raw("xxxxxxxx");
  EXPECT_TRUE(parse(negativeLabel).malformed);
  BodyWriter hugeName = BodyWriter::body();
  hugeName.i64(1).i32(100).i32(0).i32(1).i32(0).utf8("L").i32(0x7FFFFFFF).raw("xx");
  EXPECT_TRUE(parse(hugeName).malformed);
}

TEST(Importance, ClassesAndTheUnknownRest) {
  EXPECT_STREQ(importanceText(100), "前台");
  EXPECT_STREQ(importanceText(130), "可见");
  EXPECT_STREQ(importanceText(200), "可见");
  EXPECT_STREQ(importanceText(300), "服务");
  EXPECT_STREQ(importanceText(400), "后台");
  EXPECT_STREQ(importanceText(500), "置空");
  EXPECT_STREQ(importanceText(125), "未知");
  EXPECT_STREQ(importanceText(-1), "未知");
}

TEST(EndProcessesRequest, TwoNamesOnTheWire) {
  Bytes got = endProcessesRequest({"com.a", "\xE4\xB8\xAD.b"});
  BodyWriter want = BodyWriter::request();
  want.i32(871804).i32(12 + 4 + 5 + 4 + 5).i32(2).utf8("com.a").utf8("\xE4\xB8\xAD.b");
  EXPECT_EQ(got, want.bytes);
}

TEST(EndProcessesRequest, NoNameCarriesNZero) {
  BodyWriter want = BodyWriter::request();
  want.i32(871804).i32(12).i32(0);
  EXPECT_EQ(endProcessesRequest({}), want.bytes);
}

TEST(ProcessTexts, CpuShareAndPid) {
  EXPECT_EQ(cpuShareText(12), "12 %");
  EXPECT_EQ(pidText(-3), "-3");
}

}  // namespace
}  // namespace zorvik
