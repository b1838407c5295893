// Contact groups on the wire: the 870140 reply as the phone sends it (and cut, and lying), and
// the create, rename and delete requests byte for byte.
#include "pim/GroupWire.h"
#include "support/BodyWriter.h"

#include <gtest/gtest.h>

namespace zorvik {
namespace {

using test::BodyWriter;

const std::string kFriendsUtf8 = "\xE6\x9C\x8B\xE5\x8F\x8B";  // "朋友"

TEST(GroupList, RecordsWithTitleAccountAndVisibility) {
  auto w = BodyWriter::body();
  w.i64(0x300000004LL).utf8(kFriendsUtf8).utf8("a@b.c").i32(1);
  w.i64(5).utf8("Work").utf8("").i32(0);
  w.i64(6).utf8("Odd").utf8("x").i32(2);
  w.i64(7).i32(kAgentListEnd);
  const WireList<GroupRecord> list = parseGroupList(w.bytes.data(), w.bytes.size());
  EXPECT_FALSE(list.malformed);
  ASSERT_EQ(list.records.size(), 3u);
  EXPECT_EQ(list.records[0].groupId, 4);  // low 32 bits
  EXPECT_EQ(list.records[0].title, "朋友");
  EXPECT_EQ(list.records[0].account, "a@b.c");
  EXPECT_STREQ(groupVisibleText(list.records[0].visible), "是");
  EXPECT_STREQ(groupVisibleText(list.records[1].visible), "【隐藏】");
  EXPECT_STREQ(groupVisibleText(list.records[2].visible), "【隐藏】");  // only exactly 1 is visible
}

TEST(GroupList, CutAnywhereKeepsOnlyWholeRecords) {
  auto w = BodyWriter::body();
  w.i64(1).utf8("A").utf8("acc").i32(1);
  const size_t firstEnd = w.bytes.size();
  w.i64(2).utf8("B").utf8("acc").i32(1);
  for (size_t cut = 4; cut < w.bytes.size(); ++cut) {
    const WireList<GroupRecord> list = parseGroupList(w.bytes.data(), cut);
    ASSERT_EQ(list.records.size(), cut >= firstEnd ? 1u : 0u) << cut;
  }
  EXPECT_TRUE(parseGroupList(nullptr, 0).records.empty());
}

TEST(GroupList, HostileLengthsEndTheWalkInsideTheBody) {
  for (int32_t count : {-1, 0x7FFFFFFF}) {
    auto w = BodyWriter::body();
    w.i64(1).utf8("ok").utf8("").i32(1);
    w.i64(2).i32(count).raw("xyz");
    const WireList<GroupRecord> list = parseGroupList(w.bytes.data(), w.bytes.size());
    EXPECT_TRUE(list.malformed) << count;
    EXPECT_EQ(list.records.size(), 1u) << count;
  }
}

TEST(GroupRequests, CreateRenameDeleteBytes) {
  auto add = BodyWriter::request();
  add.i32(870121).i32(16 + 6).i32(1).utf8(kFriendsUtf8);
  EXPECT_EQ(addGroupRequest("朋友"), add.bytes);
  auto rename = BodyWriter::request();
  rename.i32(870122).i32(20 + 6).i32(1).i32(-3).utf8(kFriendsUtf8);
  EXPECT_EQ(renameGroupRequest(-3, "朋友"), rename.bytes);
  auto del = BodyWriter::request();
  del.i32(870124).i32(12 + 8).i32(2).i32(4).i32(9);
  EXPECT_EQ(deleteGroupsRequest({4, 9}), del.bytes);
  EXPECT_EQ(deleteGroupsQuestion(2), "您真的要删除选择的【 2 】条联系人分组吗？");
}

}  // namespace
}  // namespace zorvik
