// The cleaner's exchanges: the 871602 request byte for byte (total, count, the three state bytes,
// the names), and the 871601 reply with its end mark, cut and hostile bodies and oversized icons.
#include "manage/system/CleanerWire.h"

#include <gtest/gtest.h>

#include <climits>

#include "common/TextConv.h"
#include "devlink/AgentCommand.h"
#include "support/BodyWriter.h"

namespace zorvik {
namespace {

using test::BodyWriter;

WireList<CacheRecord> parse(const BodyWriter& w) { return parseCacheList(w.bytes.data(), w.bytes.size()); }

BodyWriter& record(BodyWriter& w, int64_t size, const std::string& label, const std::string& package,
                   const std::string& icon) {
  return w.i64(size).utf8(toUtf8(label)).utf8(package).i64(static_cast<int64_t>(icon.size())).raw(icon);
}

TEST(CleanerWire, ScanIsTheBareCode) {
  const Bytes want = {0x00, 0x0D, 0x4C, 0xB1};  // 871601
  EXPECT_EQ(scanCacheRequest(), want);
}

TEST(CleanerWire, NothingCheckedSendsFifteenZeroCountAndThreeZeroBytes) {
  BodyWriter want = BodyWriter::request();
  want.i32(871602).i32(15).i32(0).raw(std::string(3, '\0'));
  EXPECT_EQ(cleanRequest({false, false, false}, {}), want.bytes);
}

TEST(CleanerWire, OnlyFixedRowOneGivesStatesZeroOneZero) {
  const Bytes got = cleanRequest({false, true, false}, {});
  ASSERT_EQ(got.size(), 15u);
  EXPECT_EQ(got[12], 0);
  EXPECT_EQ(got[13], 1);
  EXPECT_EQ(got[14], 0);
}

TEST(CleanerWire, PackagesCountInTheTotalWithTheirLengthWords) {
  BodyWriter want = BodyWriter::request();
  want.i32(871602).i32(15 + (4 + 9) + (4 + 13)).i32(2).raw(std::string("\1\0\1", 3));
  want.utf8("com.a.one").utf8("com.b.two.abc");
  EXPECT_EQ(cleanRequest({true, false, true}, {"com.a.one", "com.b.two.abc"}), want.bytes);
}

TEST(CleanerWire, RecordsUpToTheEndMarkEmptyLabelKept) {
  BodyWriter w = BodyWriter::body();
  record(w, 5LL << 32 | 7, "微信", "com.tencent.mm", "PNG");
  record(w, 1024, "", "com.blank", "");
  w.i64(0).i32(kAgentListEnd);
  WireList<CacheRecord> list = parse(w);
  EXPECT_TRUE(list.ended);
  ASSERT_EQ(list.records.size(), 2u);
  EXPECT_EQ(list.records[0].size, 5LL << 32 | 7);
  EXPECT_EQ(list.records[0].label, "微信");
  EXPECT_EQ(list.records[0].icon, (std::vector<unsigned char>{'P', 'N', 'G'}));
  EXPECT_EQ(list.records[1].label, "");
  EXPECT_EQ(list.records[1].package, "com.blank");
}

TEST(CleanerWire, AnIconOverTheLimitIsDroppedAndTheRowAndTheNextStay) {
  BodyWriter w = BodyWriter::body();
  record(w, 10, "大", "com.big", std::string(kMaxCleanIcon + 1, 'x'));
  record(w, 20, "小", "com.small", std::string(kMaxCleanIcon, 'y'));
  w.i64(0).i32(kAgentListEnd);
  WireList<CacheRecord> list = parse(w);
  ASSERT_EQ(list.records.size(), 2u);
  EXPECT_TRUE(list.records[0].icon.empty());
  EXPECT_EQ(list.records[1].icon.size(), kMaxCleanIcon);
  EXPECT_EQ(list.records[1].package, "com.small");
}

TEST(CleanerWire, ACutBodyKeepsTheWholeRecordsBeforeIt) {
  BodyWriter w = BodyWriter::body();
  record(w, 1, "a", "p.a", "ii");
  record(w, 2, "b", "p.b", "jj");
  const size_t one = 8 + 5 + 7 + 8 + 2;
  for (size_t cut = 0; cut < w.bytes.size(); ++cut) {
    WireList<CacheRecord> list = parseCacheList(w.bytes.data(), cut);
    EXPECT_FALSE(list.ended);
    EXPECT_EQ(list.records.size(), cut >= 4 + one ? 1u : 0u) << cut;
  }
  EXPECT_EQ(parse(w).records.size(), 2u);  // ends without the mark: fewer than two bytes remain
}

TEST(CleanerWire, HostileLengthsEndTheWalkInsideTheBody) {
  for (int64_t bad : {-1LL, LLONG_MIN, LLONG_MAX, 1LL << 40, 100LL}) {
    BodyWriter w = BodyWriter::body();
    record(w, 1, "a", "p.a", "");
    w.i64(2).utf8("b").utf8("p.b").i64(bad).raw("zz");
    WireList<CacheRecord> list = parse(w);
    ASSERT_EQ(list.records.size(), 1u) << bad;
    EXPECT_FALSE(list.ended);
  }
  BodyWriter w = BodyWriter::body();
  w.i64(1).i32(-5).raw("xxxxxxxx");
  EXPECT_TRUE(parse(w).records.empty());
  EXPECT_TRUE(parseCacheList(nullptr, 0).records.empty());
}

}  // namespace
}  // namespace zorvik
