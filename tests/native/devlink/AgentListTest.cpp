// Every list parser of agent replies over the same faults, through the one walk they share: a
// body shorter than a record, a body cut at every byte, hostile lengths after a good record, bytes
// after the end mark, and a long list. Each parser only says how one record is laid out (as the
// agent writes it); what is kept and what counts as whole must come out the same for all.
#include "devlink/AgentList.h"
#include "devlink/AgentCommand.h"
#include "manage/alarms/AlarmWire.h"
#include "manage/alarms/BookmarkWire.h"
#include "manage/apps/AppsWire.h"
#include "manage/files/FileWire.h"
#include "manage/processes/ProcessWire.h"
#include "manage/system/CleanerWire.h"
#include "manage/system/StartupItems.h"
#include "pim/CallLog.h"
#include "pim/ContactWire.h"
#include "pim/GroupWire.h"
#include "pim/MessageWire.h"
#include "support/BodyWriter.h"

#include <gtest/gtest.h>

#include <vector>

namespace zorvik {
namespace {

using test::BodyWriter;

// Each list: its parser, how it ends, the fields a record holds before its first text (where the
// end mark stands) and after it.
template <auto Parse, ListEnd End = ListEnd::MarkOrBody>
struct Layout {
  static auto parse(const unsigned char* b, size_t n) { return Parse(b, n); }
  static constexpr ListEnd kEnd = End;
};
struct Calls : Layout<parseCallList> {
  static void before(BodyWriter& w) { w.i64(7); }
  static void after(BodyWriter& w) { w.i64(1354953600000).i64(61).i32(1).utf8("name"); }
};
struct Contacts : Layout<parseContactList> {
  static void before(BodyWriter& w) { w.i64(3).i64(4); }
  static void after(BodyWriter& w) { w.i32(1).utf8("138").i64(0).i32(0).i32(0); }
};
struct Groups : Layout<parseGroupList> {
  static void before(BodyWriter& w) { w.i64(2); }
  static void after(BodyWriter& w) { w.utf8("account").i32(1); }
};
struct Threads : Layout<parseThreadList> {
  static void before(BodyWriter& w) { w.i64(9); }
  static void after(BodyWriter& w) { w.utf8("10086").i64(0).i32(1).i32(0).utf8("snippet"); }
};
struct Conversation : Layout<parseConversation> {
  static void before(BodyWriter& w) { w.i64(1).i32(1); }
  static void after(BodyWriter& w) { w.i64(0).i32(0).utf8("text").i32(0); }
};
struct PickerGroups : Layout<parsePickerGroups> {
  static void before(BodyWriter& w) { w.i64(5); }
  static void after(BodyWriter&) {}
};
struct PickerEntries : Layout<parsePickerEntries> {
  static void before(BodyWriter& w) { w.i64(5); }
  static void after(BodyWriter& w) { w.utf8("10010"); }
};
struct Alarms : Layout<parseAlarmList> {
  static void before(BodyWriter& w) { w.i64(1).i32(7).i32(30).i32(0).i32(1).i32(0); }
  static void after(BodyWriter& w) { w.utf8("ring").i64(0).utf8("content://x"); }
};
struct Bookmarks : Layout<parseBookmarkList> {
  static void before(BodyWriter& w) { w.i64(8); }
  static void after(BodyWriter& w) { w.utf8("https://a.cn/").i32(2).i64(0).i32(0).i32(0); }
};
struct Apps : Layout<parseAppList> {
  static void before(BodyWriter& w) { w.i32(0); }
  static void after(BodyWriter& w) { w.utf8("com.a.b").utf8("1.0").i32(0).i64(100).i64(0).utf8("").i32(0).i64(0); }
};
struct Processes : Layout<parseProcessList> {
  static void before(BodyWriter& w) { w.i64(1024).i32(100).i32(3).i32(42).i32(0); }
  static void after(BodyWriter& w) { w.utf8("com.a.b").i64(0); }
};
struct Cache : Layout<parseCacheList, ListEnd::Mark> {
  static void before(BodyWriter& w) { w.i64(4096); }
  static void after(BodyWriter& w) { w.utf8("com.a.b").i64(0); }
};
struct Startup : Layout<parseStartupItems, ListEnd::Mark> {
  static void before(BodyWriter& w) { w.i32(80); }
  static void after(BodyWriter& w) { w.utf8("com.a.b").i32(0); }
};

template <typename L>
class AgentList : public ::testing::Test {
 protected:
  // A body of `n` records, the end mark after them; `bounds` gets each record's end offset.
  static BodyWriter body(size_t n, std::vector<size_t>* bounds = nullptr, bool endMark = true) {
    BodyWriter w = BodyWriter::body();
    for (size_t i = 0; i < n; ++i) {
      L::before(w);
      w.utf8("t");
      L::after(w);
      if (bounds) bounds->push_back(w.bytes.size());
    }
    if (endMark) {
      L::before(w);
      w.i32(kAgentListEnd);
    }
    return w;
  }
  static auto parse(const BodyWriter& w, size_t n) { return L::parse(w.bytes.data(), n); }
  static auto parse(const BodyWriter& w) { return parse(w, w.bytes.size()); }
};

using Lists = ::testing::Types<Calls, Contacts, Groups, Threads, Conversation, PickerGroups, PickerEntries, Alarms,
                               Bookmarks, Apps, Processes, Cache, Startup>;
TYPED_TEST_SUITE(AgentList, Lists);

TYPED_TEST(AgentList, TheEndMarkEndsAWholeListWhateverFollowsIt) {
  BodyWriter w = this->body(3);
  for (int tail = 0; tail < 2; ++tail) {
    const auto list = this->parse(w);
    EXPECT_EQ(list.records.size(), 3u);
    EXPECT_TRUE(list.ended);
    EXPECT_FALSE(list.malformed);
    w.raw(std::string(40, '\x7f'));  // bytes after the mark are never read
  }
}

TYPED_TEST(AgentList, ABodyTooShortForARecordIsEmptyAndWholeOnlyWithoutAnEndRule) {
  const BodyWriter w = this->body(1);
  for (size_t n = 0; n <= 5; ++n) {
    const auto list = this->parse(w, n);
    EXPECT_TRUE(list.records.empty()) << n;
    EXPECT_FALSE(list.ended) << n;
    EXPECT_EQ(list.malformed, TypeParam::kEnd == ListEnd::Mark) << n;
  }
  EXPECT_TRUE(TypeParam::parse(nullptr, 0).records.empty());
}

TYPED_TEST(AgentList, ACutAnywhereKeepsTheWholeRecordsBeforeItAndSaysWhenOneWasCut) {
  std::vector<size_t> bounds;
  const BodyWriter w = this->body(2, &bounds);
  for (size_t cut = 0; cut < w.bytes.size(); ++cut) {
    size_t whole = 0, lastEnd = BodyWriter::body().bytes.size();
    for (size_t b : bounds)
      if (b <= cut) ++whole, lastEnd = b;
    const auto list = this->parse(w, cut);
    EXPECT_EQ(list.records.size(), whole) << cut;
    EXPECT_FALSE(list.ended) << cut;
    // Fewer than two bytes after a record end the walk as an empty tail; more are a record cut.
    const bool recordCut = cut >= lastEnd + 2;
    EXPECT_EQ(list.malformed, recordCut || TypeParam::kEnd == ListEnd::Mark) << cut;
  }
}

TYPED_TEST(AgentList, HostileLengthsAfterAGoodRecordAreMalformedNotAllocations) {
  for (char fill : {'\x7f', '\x80'}) {  // lengths far past the body, negative lengths
    BodyWriter w = this->body(1, nullptr, false);
    w.raw(std::string(48, fill));
    const auto list = this->parse(w);
    EXPECT_EQ(list.records.size(), 1u) << int(fill);
    EXPECT_FALSE(list.ended);
    EXPECT_TRUE(list.malformed);
  }
}

TYPED_TEST(AgentList, ALongListIsKeptWhole) {
  const auto list = this->parse(this->body(20000));
  EXPECT_EQ(list.records.size(), 20000u);
  EXPECT_TRUE(list.ended);
  EXPECT_FALSE(list.malformed);
}

// The folder listing has no end mark and no text first: its first record is the folder above.
TEST(AgentListFiles, CutAndHostileListingsFollowTheSameRule) {
  BodyWriter w = BodyWriter::body();
  std::vector<size_t> bounds;
  for (const char* path : {"/sdcard", "/sdcard/a", "/sdcard/b"}) {
    w.i32(1).utf8(path).i64(0).i64(0).i32(1).i32(1).i32(0);
    bounds.push_back(w.bytes.size());
  }
  for (size_t cut = 0; cut <= w.bytes.size(); ++cut) {
    size_t whole = 0, lastEnd = 4;
    for (size_t b : bounds)
      if (b <= cut) ++whole, lastEnd = b;
    const FileListing l = parseFileListing(w.bytes.data(), cut);
    EXPECT_EQ(l.hasUp, whole > 0) << cut;
    EXPECT_EQ(l.records.size(), whole > 0 ? whole - 1 : 0) << cut;
    EXPECT_EQ(l.malformed, cut >= lastEnd + 2) << cut;
  }
  w.raw(std::string(48, '\x80'));
  const FileListing hostile = parseFileListing(w.bytes.data(), w.bytes.size());
  EXPECT_EQ(hostile.records.size(), 2u);
  EXPECT_TRUE(hostile.malformed);
}

}  // namespace
}  // namespace zorvik
