// The start-up items reply (871701): grouping by event, order, the end mark, cut and hostile
// bodies, and the texts of events the table lacks.
#include "manage/system/StartupItems.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "common/TextConv.h"
#include "devlink/AgentCommand.h"
#include "support/BodyWriter.h"

namespace zorvik {
namespace {

using test::BodyWriter;

BodyWriter& entry(BodyWriter& w, int32_t event, const std::string& ansiEntry, const std::string& ansiDetail) {
  return w.i32(event).utf8(toUtf8(ansiEntry)).utf8(toUtf8(ansiDetail)).i32(0x5a5a5a5a);
}
WireList<StartupEntry> parse(const BodyWriter& w) { return parseStartupItems(w.bytes.data(), w.bytes.size()); }

TEST(StartupItems, RequestIsTheBareCode) {
  const Bytes want = {0x00, 0x0D, 0x4D, 0x15};  // 871701 big-endian
  EXPECT_EQ(startupItemsRequest(), want);
}

TEST(StartupItems, EntriesOfOneEventArrivingApartShareOneRootInArrivalOrder) {
  BodyWriter w = BodyWriter::body();
  entry(w, 80, "短信助手", "com.a.sms");
  entry(w, 1, "天气", "com.weather");
  entry(w, 80, "拦截", "com.b.block");
  entry(w, 80, "备份", "com.c.backup");
  w.i32(0).i32(kAgentListEnd);
  WireList<StartupEntry> items = parse(w);
  EXPECT_TRUE(items.ended);
  EXPECT_FALSE(items.malformed);
  ASSERT_EQ(items.records.size(), 4u);
  const StartupTree tree = startupTree(items.records);
  ASSERT_EQ(tree.size(), 2u);
  EXPECT_EQ(tree.begin()->first, 1);  // ascending whatever the arrival order
  const auto& sms = tree.at(80);
  ASSERT_EQ(sms.size(), 3u);
  EXPECT_EQ(sms[0].entryText, "短信助手");
  EXPECT_EQ(sms[1].entryText, "拦截");
  EXPECT_EQ(sms[2].detailText, "com.c.backup");
}

TEST(StartupItems, OnlyTheEndMarkGivesNothing) {
  BodyWriter w = BodyWriter::body();
  w.i32(7).i32(kAgentListEnd);
  WireList<StartupEntry> items = parse(w);
  EXPECT_TRUE(items.ended);
  EXPECT_FALSE(items.malformed);
  EXPECT_TRUE(items.records.empty());
}

TEST(StartupItems, ACutBodyKeepsTheWholeRecordsBeforeTheCut) {
  BodyWriter w = BodyWriter::body();
  entry(w, 2, "一", "one");
  entry(w, 3, "二", "two");
  w.i32(kAgentListEnd);
  const size_t whole = 4 + 2 * (4 + 4 + 3 + 4 + 3 + 4);
  for (size_t cut = 0; cut < w.bytes.size(); ++cut) {
    WireList<StartupEntry> items = parseStartupItems(w.bytes.data(), cut);
    EXPECT_FALSE(items.ended) << cut;
    EXPECT_TRUE(items.malformed) << cut;  // without its end mark the list is not whole
    size_t want = cut >= whole ? 2 : cut >= 4 + (4 + 4 + 3 + 4 + 3 + 4) ? 1 : 0;
    EXPECT_EQ(items.records.size(), want) << cut;
  }
}

TEST(StartupItems, HostileLengthsEndTheWalkInsideTheBody) {
  for (int32_t bad : {-1, INT_MIN, INT_MAX, 1 << 30}) {
    BodyWriter w = BodyWriter::body();
    entry(w, 5, "好", "ok");
    w.i32(6).i32(bad).raw("xx");
    WireList<StartupEntry> items = parse(w);
    EXPECT_EQ(items.records.size(), 1u) << bad;
    EXPECT_FALSE(items.ended);
    EXPECT_TRUE(items.malformed);
    BodyWriter d = BodyWriter::body();
    d.i32(6).utf8("name").i32(bad).raw("yy");
    EXPECT_TRUE(parse(d).records.empty()) << bad;
  }
  EXPECT_TRUE(parseStartupItems(nullptr, 0).records.empty());
}

TEST(StartupItems, EventsOutsideTheTableGetAClearTextNotAStrayRead) {
  EXPECT_EQ(startupEventText(0), "系统引导时");
  EXPECT_EQ(startupEventText(144), "Widget小插件删除后");
  EXPECT_EQ(startupEventTableText(145), nullptr);
  EXPECT_EQ(startupEventTableText(-1), nullptr);
  EXPECT_EQ(startupEventText(145), "未知事件（145）");
  EXPECT_EQ(startupEventText(INT_MIN), "未知事件（-2147483648）");
  // The phone's table repeats some texts at more than one index.
  EXPECT_EQ(startupEventText(74), startupEventText(77));
  EXPECT_EQ(startupEventText(115), startupEventText(132));
  EXPECT_NE(startupEventText(74), startupEventText(75));
}

}  // namespace
}  // namespace zorvik
