// The bookmark exchanges: 870702/870703/870705 byte for byte, the 870701 reply (page icon skipped,
// thumbnail kept up to its limit, "从未"), cut and hostile bodies, the visit count field and which
// addresses the PC may open.
#include "manage/alarms/BookmarkWire.h"

#include <gtest/gtest.h>

#include <climits>

#include "common/TextConv.h"
#include "common/TimeFormat.h"
#include "devlink/AgentCommand.h"
#include "support/BodyWriter.h"

namespace zorvik {
namespace {

using test::BodyWriter;

WireList<BookmarkRow> parse(const BodyWriter& w) { return parseBookmarkList(w.bytes.data(), w.bytes.size()); }

struct Pictures {
  const std::string* icon = nullptr;
  const std::string* thumbnail = nullptr;
};
BodyWriter& bookmark(BodyWriter& w, int64_t id, const std::string& title, const std::string& url, int32_t visits,
                     int64_t last, Pictures p = {}) {
  w.i64(id).utf8(toUtf8(title)).utf8(toUtf8(url)).i32(visits).i64(last);
  if (p.icon) w.i32(1).i64(static_cast<int64_t>(p.icon->size())).raw(*p.icon); else w.i32(0);
  if (p.thumbnail) w.i32(1).i64(static_cast<int64_t>(p.thumbnail->size())).raw(*p.thumbnail); else w.i32(0);
  return w;
}
BodyWriter& endMark(BodyWriter& w) { return w.i64(0).i32(kAgentListEnd); }

TEST(BookmarkWire, ListIsTheBareCode) {
  const Bytes want = {0x00, 0x0D, 0x49, 0x2D};  // 870701
  EXPECT_EQ(listBookmarksRequest(), want);
}

TEST(BookmarkWire, AddCountsTwentyFourPlusUtf8Lengths) {
  BodyWriter want = BodyWriter::request();
  // "新浪" is six UTF-8 bytes (four in GBK).
  want.i32(870702).i32(24 + 6 + 21).i32(1).i32(12).utf8("\xE6\x96\xB0\xE6\xB5\xAA").utf8("http://www.sina.com/x");
  EXPECT_EQ(addBookmarkRequest({"新浪", "http://www.sina.com/x", 12}), want.bytes);
  BodyWriter empty = BodyWriter::request();
  empty.i32(870702).i32(24).i32(1).i32(0).i32(0).i32(0);
  EXPECT_EQ(addBookmarkRequest({"", "", 0}), empty.bytes);
}

TEST(BookmarkWire, ChangeCarriesTheIdsLowBitsBeforeTheCount) {
  BodyWriter want = BodyWriter::request();
  want.i32(870703).i32(28 + 1 + 3).i32(1).i32(-2).i32(7).utf8("t").utf8("u:/");
  EXPECT_EQ(updateBookmarkRequest(static_cast<int32_t>((3LL << 32) | 0xFFFFFFFELL), {"t", "u:/", 7}), want.bytes);
}

TEST(BookmarkWire, DeletingThreeSendsTwentyFourAndNothingSendsTwelve) {
  BodyWriter three = BodyWriter::request();
  three.i32(870705).i32(24).i32(3).i32(1).i32(5).i32(9);
  EXPECT_EQ(deleteBookmarksRequest({1, 5, 9}), three.bytes);
  BodyWriter none = BodyWriter::request();
  none.i32(870705).i32(12).i32(0);
  EXPECT_EQ(deleteBookmarksRequest({}), none.bytes);
  EXPECT_EQ(deleteBookmarksQuestion(3), "您真的要删除选择的【 3 】条浏览器书签项吗？");
}

TEST(BookmarkWire, NeverVisitedVisitedAndTheVisitCount) {
  BodyWriter w = BodyWriter::body();
  bookmark(w, 1, "百度", "http://www.baidu.com/", 0, 0);
  bookmark(w, (2LL << 32) | 8, "知乎", "https://www.zhihu.com/", 31, 1354953600000);
  endMark(w);
  WireList<BookmarkRow> list = parse(w);
  ASSERT_TRUE(list.ended);
  ASSERT_EQ(list.records.size(), 2u);
  EXPECT_EQ(list.records[0].lastVisitText, "从未");
  EXPECT_EQ(list.records[0].title, "百度");
  EXPECT_EQ(list.records[1].bookmarkId, (2LL << 32) | 8);
  EXPECT_EQ(list.records[1].url, "https://www.zhihu.com/");
  EXPECT_EQ(list.records[1].lastVisitText, formatPhoneTime(1354953600000, "从未"));
  EXPECT_NE(list.records[1].lastVisitText, "从未");
  EXPECT_EQ(visitCountText(31), "31 次");
}

TEST(BookmarkWire, APageIconWithoutThumbnailIsSkippedAndTheNextRecordReadInPlace) {
  const std::string icon(37, '\x89'), thumb = "JPEGDATA";
  BodyWriter w = BodyWriter::body();
  bookmark(w, 1, "有图标", "http://a/", 1, 0, {&icon, nullptr});
  bookmark(w, 2, "有缩略图", "http://b/", 2, 0, {nullptr, &thumb});
  bookmark(w, 3, "都有", "http://c/", 3, 0, {&icon, &thumb});
  endMark(w);
  WireList<BookmarkRow> list = parse(w);
  ASSERT_TRUE(list.ended);
  ASSERT_EQ(list.records.size(), 3u);
  EXPECT_TRUE(list.records[0].thumbnail.empty());
  EXPECT_EQ(list.records[1].title, "有缩略图");
  EXPECT_EQ(std::string(list.records[1].thumbnail.begin(), list.records[1].thumbnail.end()), thumb);
  EXPECT_EQ(list.records[2].url, "http://c/");
  EXPECT_EQ(std::string(list.records[2].thumbnail.begin(), list.records[2].thumbnail.end()), thumb);
}

TEST(BookmarkWire, ThumbnailsUpToTheLimitKeptLargerOnesSkippedWithTheRowKept) {
  const std::string atLimit(kMaxBookmarkThumbnail, 'a'), over(kMaxBookmarkThumbnail + 1, 'b');
  BodyWriter w = BodyWriter::body();
  bookmark(w, 1, "大", "http://big/", 0, 0, {nullptr, &over});
  bookmark(w, 2, "正好", "http://fit/", 0, 0, {nullptr, &atLimit});
  endMark(w);
  WireList<BookmarkRow> list = parse(w);
  ASSERT_EQ(list.records.size(), 2u);
  EXPECT_TRUE(list.records[0].thumbnail.empty());
  EXPECT_EQ(list.records[1].thumbnail.size(), kMaxBookmarkThumbnail);
  EXPECT_TRUE(list.ended);
}

TEST(BookmarkWire, EveryCutKeepsOnlyTheWholeRecordsBeforeIt) {
  const std::string icon = "ICON", thumb = "THUMB";
  BodyWriter w = BodyWriter::body();
  bookmark(w, 1, "一", "http://1/", 1, 0, {&icon, &thumb});
  const size_t first = w.bytes.size();
  bookmark(w, 2, "二", "http://2/", 1, 0, {&icon, &thumb});
  const size_t second = w.bytes.size();
  endMark(w);
  for (size_t cut = 4; cut < w.bytes.size(); ++cut) {
    WireList<BookmarkRow> list = parseBookmarkList(w.bytes.data(), cut);
    EXPECT_EQ(list.records.size(), cut >= second ? 2u : cut >= first ? 1u : 0u) << cut;
    EXPECT_FALSE(list.ended);
  }
}

TEST(BookmarkWire, HostilePictureLengthsEndTheWalk) {
  for (int64_t bad : {int64_t{-1}, INT64_MIN, INT64_MAX, int64_t{1} << 40, int64_t{100}}) {
    for (int which = 0; which < 2; ++which) {
      BodyWriter w = BodyWriter::body();
      bookmark(w, 1, "好", "http://ok/", 0, 0);
      w.i64(2).utf8("x").utf8("http://x/").i32(0).i64(0);
      if (which == 0) w.i32(1).i64(bad).raw("tiny");
      else w.i32(0).i32(1).i64(bad).raw("tiny");
      WireList<BookmarkRow> list = parse(w);
      EXPECT_EQ(list.records.size(), 1u) << bad;
      EXPECT_TRUE(list.malformed) << bad;
    }
  }
}

TEST(BookmarkWire, HostileTextLengthsEndTheWalk) {
  for (int32_t bad : {-5, INT32_MAX}) {
    BodyWriter w = BodyWriter::body();
    w.i64(1).i32(bad).raw("abc");
    EXPECT_TRUE(parse(w).records.empty());
    EXPECT_TRUE(parse(w).malformed);
  }
}

TEST(BookmarkWire, VisitCountField) {
  EXPECT_EQ(parseVisitCount(""), 0);
  EXPECT_EQ(parseVisitCount("42"), 42);
  EXPECT_EQ(parseVisitCount("2147483647"), INT32_MAX);
  EXPECT_EQ(parseVisitCount("2147483648"), std::nullopt);
  EXPECT_EQ(parseVisitCount("-1"), std::nullopt);
  EXPECT_EQ(parseVisitCount("1 2"), std::nullopt);
  EXPECT_EQ(parseVisitCount("99999999999999999999999"), std::nullopt);
}

TEST(BookmarkWire, OnlyHttpAndHttpsAddressesOpen) {
  EXPECT_TRUE(isWebAddress("http://www.baidu.com/"));
  EXPECT_TRUE(isWebAddress("HTTPS://github.com/a?b=c&d"));
  EXPECT_FALSE(isWebAddress("http://"));
  EXPECT_FALSE(isWebAddress("file:///C:/Windows/System32/calc.exe"));
  EXPECT_FALSE(isWebAddress("C:\\Windows\\notepad.exe"));
  EXPECT_FALSE(isWebAddress("javascript:alert(1)"));
  EXPECT_FALSE(isWebAddress("ftp://x/"));
  EXPECT_FALSE(isWebAddress("http://a/ b"));
  EXPECT_FALSE(isWebAddress("http://a/\"b"));
  EXPECT_FALSE(isWebAddress(std::string("http://a/\nb")));
  EXPECT_FALSE(isWebAddress(""));
  EXPECT_FALSE(isWebAddress(" http://a/"));
}

}  // namespace
}  // namespace zorvik
