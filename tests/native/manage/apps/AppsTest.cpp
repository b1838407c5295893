#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "devlink/AgentCommand.h"
#include "manage/apps/AppStore.h"
#include "manage/apps/AppsWire.h"
#include "support/BodyWriter.h"

namespace zorvik {
namespace {

using test::BodyWriter;

BodyWriter& app(BodyWriter& w, const std::string& label, const std::string& name, const std::string& version,
                int32_t extra, int64_t size, const std::string& icon, int64_t installed) {
  w.i32(17).utf8(label).utf8(name).utf8(version).i32(extra).i64(size);
  w.i64(static_cast<int64_t>(icon.size())).raw(icon);
  return w.utf8("/data/app/x.apk").i32(0).i64(installed);
}

WireList<AppRecord> parse(const BodyWriter& w) { return parseAppList(w.bytes.data(), w.bytes.size()); }

TEST(AppList, RecordsInOrderWithEveryField) {
  BodyWriter w = BodyWriter::body();
  app(w, "\xE5\xBE\xAE\xE4\xBF\xA1", "com.tencent.mm", "4.5.1", 451, 0x1'0000'0400LL, "PNGDATA", 1354953600123LL);
  app(w, "QQ", "com.tencent.mobileqq", "4.2", -1, 10, "", 0);
  w.i32(0).i32(kAgentListEnd);
  WireList<AppRecord> list = parse(w);
  ASSERT_FALSE(list.malformed);
  ASSERT_EQ(list.records.size(), 2u);
  const AppRecord& a = list.records[0];
  EXPECT_EQ(a.label, "微信");
  EXPECT_EQ(a.packageName, "com.tencent.mm");
  EXPECT_EQ(a.versionName, "4.5.1");
  EXPECT_EQ(a.extraValue, 451);
  EXPECT_EQ(a.sizeBytes, 0x1'0000'0400LL);
  EXPECT_EQ(std::string(a.icon.begin(), a.icon.end()), "PNGDATA");
  EXPECT_EQ(a.installTimeMs, 1354953600123LL);
  EXPECT_TRUE(list.records[1].icon.empty());
  EXPECT_EQ(list.records[1].installTimeMs, 0);
}

TEST(AppList, EmptyListAndEmptyBody) {
  BodyWriter w = BodyWriter::body();
  w.i32(0).i32(kAgentListEnd);
  WireList<AppRecord> list = parse(w);
  EXPECT_TRUE(list.records.empty());
  EXPECT_FALSE(list.malformed);
  // Only the header word, or less: no records and nothing read past the body.
  const unsigned char header[4] = {0, 0, 0, 0};
  for (size_t n = 0; n <= 4; ++n) EXPECT_TRUE(parseAppList(header, n).records.empty());
}

TEST(AppList, IconAtTheLimitKeptLargerDroppedAndTheWalkGoesOn) {
  BodyWriter w = BodyWriter::body();
  app(w, "a", "com.a", "1", 0, 1, std::string(kMaxAppIcon, 'x'), 5);
  app(w, "b", "com.b", "1", 0, 1, std::string(kMaxAppIcon + 1, 'y'), 6);
  app(w, "c", "com.c", "1", 0, 1, "z", 7);
  w.i32(0).i32(kAgentListEnd);
  WireList<AppRecord> list = parse(w);
  ASSERT_EQ(list.records.size(), 3u);
  EXPECT_EQ(list.records[0].icon.size(), kMaxAppIcon);
  EXPECT_FALSE(list.records[0].iconDropped);
  EXPECT_TRUE(list.records[1].icon.empty());
  EXPECT_TRUE(list.records[1].iconDropped);
  EXPECT_EQ(list.records[1].installTimeMs, 6);  // the fields after the dropped icon still read
  EXPECT_EQ(list.records[2].packageName, "com.c");
  EXPECT_FALSE(list.malformed);
}

TEST(AppList, HostileIconLengthsEndTheWalk) {
  for (int64_t length : {int64_t{-1}, int64_t{1} << 40, int64_t{INT64_MAX}}) {
    BodyWriter w = BodyWriter::body();
    app(w, "a", "com.a", "1", 0, 1, "i", 5);
    w.i32(17).utf8("b").utf8("com.b").utf8("1").i32(0).i64(1).i64(length).raw("short");
    WireList<AppRecord> list = parse(w);
    EXPECT_TRUE(list.malformed) << length;
    ASSERT_EQ(list.records.size(), 1u);
    EXPECT_EQ(list.records[0].packageName, "com.a");
  }
}

TEST(AppList, CutAtEveryByteKeepsOnlyWholeRecords) {
  BodyWriter w = BodyWriter::body();
  app(w, "a", "com.a", "1", 0, 1, "icon-a", 5);
  app(w, "b", "com.b", "2", 0, 1, "icon-b", 6);
  w.i32(0).i32(kAgentListEnd);
  const size_t first = 4 + 4 + 5 + 9 + 5 + 4 + 8 + 8 + 6 + 19 + 4 + 8;
  for (size_t cut = 0; cut < w.bytes.size() - 8; ++cut) {
    WireList<AppRecord> list = parseAppList(w.bytes.data(), cut);
    EXPECT_EQ(list.records.size(), cut >= first ? 1u : 0u) << cut;
    for (const AppRecord& a : list.records) EXPECT_EQ(a.packageName, "com.a");
    // A cut inside a record is reported; fewer than two bytes after a record end the walk quietly.
    if (cut > 5 && (cut < first || cut > first + 1)) {
      EXPECT_TRUE(list.malformed) << cut;
    }
  }
}

TEST(BasicFacts, ReadsAndKeepsTheModelAtTheEndMark) {
  BasicFacts facts;
  BodyWriter w = BodyWriter::body();
  w.i32(1001).i32(15).utf8("MI 2S");
  ASSERT_EQ(readBasicFacts(w.bytes.data(), w.bytes.size(), facts), BasicFactsRead::Complete);
  EXPECT_EQ(facts.clientCode, 1001);
  EXPECT_EQ(facts.apiLevel, 15);
  EXPECT_EQ(facts.modelName, "MI 2S");
  BodyWriter end = BodyWriter::body();
  end.i32(7).i32(16).i32(kAgentListEnd);
  ASSERT_EQ(readBasicFacts(end.bytes.data(), end.bytes.size(), facts), BasicFactsRead::ModelEnded);
  EXPECT_EQ(facts.apiLevel, 16);
  EXPECT_EQ(facts.modelName, "MI 2S");
}

TEST(BasicFacts, ACutOrHostileBodyChangesNothing) {
  BasicFacts facts{5, 6, "old"};
  BodyWriter w = BodyWriter::body();
  w.i32(1001).i32(15).utf8("MI 2S");
  for (size_t cut = 0; cut < w.bytes.size(); ++cut) {
    EXPECT_EQ(readBasicFacts(w.bytes.data(), cut, facts), BasicFactsRead::Short) << cut;
    EXPECT_EQ(facts.clientCode, 5);
    EXPECT_EQ(facts.modelName, "old");
  }
  BodyWriter negative = BodyWriter::body();
  negative.i32(1).i32(2).i32(-5).raw("abc");
  EXPECT_EQ(readBasicFacts(negative.bytes.data(), negative.bytes.size(), facts), BasicFactsRead::Short);
  EXPECT_EQ(facts.apiLevel, 6);
}

TEST(StartApplication, BytesOnTheWire) {
  BodyWriter expected = BodyWriter::request();
  expected.i32(870805).i32(1).i32(16 + 14).utf8("com.tencent.mm");
  EXPECT_EQ(startApplicationRequest("com.tencent.mm"), expected.bytes);
}

TEST(PackageName, OnlyAndroidNamesPass) {
  for (const char* good : {"com.tencent.mm", "cn.wps.moffice_eng", "com.Qunar", "a.b", "com.popcap.pvz_row"})
    EXPECT_TRUE(isValidPackageName(good)) << good;
  for (const char* bad : {"", "android", "com..mm", ".com.a", "com.a.", "com.1a", "com.a b", "com.a;rm -rf /",
                          "com.a&calc", "com.a\"x", "com.a|b", "-s.x", "com._a", "com.中文"})
    EXPECT_FALSE(isValidPackageName(bad)) << bad;
  EXPECT_TRUE(isValidPackageName("a." + std::string(253, 'b')));
  EXPECT_FALSE(isValidPackageName("a." + std::string(254, 'b')));
}

// Real digests of the inputs the tests use (md5sum); anything else answers as a failed service.
std::string knownMd5(std::string_view s) {
  static const std::map<std::string, std::string, std::less<>> table = {
      {"2", "c81e728d9d4c2f636f067f89cc14862c"},   {"com.b", "8ce42274bd05940f8c9f968cde5bd137"},
      {"abcd", "e2fc714c4727ee9395f324cd2e7f331f"}, {"4c47", "a1d1a965e6fce67685bd10df72c16f58"},
  };
  auto it = table.find(s);
  return it == table.end() ? "Error hashing data" : it->second;
}

TEST(ApkList, CheckSumFromTheRowCountAndTheLastPackage) {
  EXPECT_EQ(apkListCheckSum(2, "com.b", knownMd5), "e72422");
  // With the digest service failing, its message is cut the same way and sent.
  EXPECT_EQ(apkListCheckSum(3, "com.x", knownMd5), "or or ");
}

TEST(ApkList, StyledJsonRequest) {
  ApkListQuery q;
  q.checkSum = "e72422";
  q.clientCode = 1001;
  q.apiLevel = 15;
  q.modelName = "MI 2S";
  q.packageNames = {"com.a", "com.b"};
  EXPECT_EQ(apkListRequestJson(q),
            "{\n   \"Api\" : 15,\n   \"CheckSum\" : \"e72422\",\n   \"Client\" : 1001,\n   \"Model\" : \"MI 2S\",\n"
            "   \"PackageName\" : [ \"com.a\", \"com.b\" ]\n}\n");
  EXPECT_EQ(apkListAddress("http://127.0.0.1:9/"), "http://127.0.0.1:9/feedback/apk_list.php");
}

TEST(ApkList, ReplyMatchingLaterElementWinsAndAtoiValues) {
  const std::vector<std::string> rows = {"com.a", "com.b", "com.c"};
  const std::string reply =
      "[{\"pkg\":\"com.a\",\"level\":\"4\",\"id\":\"101\",\"category\":\"\xE7\xA4\xBE\xE4\xBA\xA4\","
      "\"description\":\"first\"},"
      "{\"pkg\":\"com.b\",\"level\":\"5 stars\",\"id\":\"x\",\"category\":\"c\",\"description\":\"d\"},"
      "{\"pkg\":\"com.a\",\"level\":\"2\",\"id\":\"102\",\"category\":\"k\",\"description\":\"later\"},"
      "{\"pkg\":\"com.zzz\",\"level\":\"1\",\"id\":\"9\",\"category\":\"k\",\"description\":\"nobody\"},"
      "{\"pkg\":5}, 7, [\"com.c\"]]/r/n";
  auto facts = matchApkListReply(reply, rows);
  ASSERT_EQ(facts.size(), 3u);
  ASSERT_TRUE(facts[0]);
  EXPECT_EQ(facts[0]->rating, 2);
  EXPECT_EQ(facts[0]->storeId, 102);
  EXPECT_EQ(facts[0]->category, "k");
  EXPECT_EQ(facts[0]->description, "later");
  ASSERT_TRUE(facts[1]);
  EXPECT_EQ(facts[1]->rating, 5);
  EXPECT_EQ(facts[1]->storeId, 0);
  EXPECT_FALSE(facts[2]);
  // Converted to the program's text.
  auto first = matchApkListReply(
      "[{\"pkg\":\"com.a\",\"level\":\"4\",\"id\":\"1\",\"category\":\"\xE7\xA4\xBE\xE4\xBA\xA4\",\"description\":\"\"}]",
      rows);
  EXPECT_EQ(first[0]->category, "社交");
}

TEST(ApkList, UnparsableOrEmptyRepliesChangeNothing) {
  const std::vector<std::string> rows = {"com.a"};
  EXPECT_TRUE(matchApkListReply("", rows).empty());
  EXPECT_TRUE(matchApkListReply("<html>500</html>", rows).empty());
  EXPECT_TRUE(matchApkListReply("[{\"pkg\":\"com.a\",\"level\":\"4\"", rows).empty());  // cut
  auto object = matchApkListReply("{\"pkg\":\"com.a\"}", rows);
  ASSERT_EQ(object.size(), 1u);
  EXPECT_FALSE(object[0]);
}

TEST(Atoi, LeadingDigitsOnly) {
  EXPECT_EQ(leadingDecimal("42abc"), 42);
  EXPECT_EQ(leadingDecimal(" -7"), -7);
  EXPECT_EQ(leadingDecimal("abc"), 0);
  EXPECT_EQ(leadingDecimal(""), 0);
  EXPECT_EQ(leadingDecimal("99999999999999999999"), INT32_MAX);
}

TEST(StoreAddresses, ItemAndSearch) {
  EXPECT_EQ(storeItemAddress("http://s/", 1234), "http://s/archives/1234.html");
  EXPECT_EQ(cleanSearchKeyword("a/b\\c>d<e&f-g'h`i"), "abcdefghi");
  EXPECT_EQ(cleanSearchKeyword("ab-cd"), "abcd");
  // GBK second bytes equal to "\\" or "`" are not removed; the marks around them are.
  EXPECT_EQ(cleanSearchKeyword("\xD5\\-\xC8\x60`\xB1"), "\xD5\\\xC8\x60\xB1");
  EXPECT_EQ(searchKey("abcd", knownMd5), "e6fce676");
  EXPECT_EQ(storeSearchAddress("http://s/", "abcd", "e6fce676"), "http://s/search.php?keywords=abcd&key=e6fce676");
  // A '#' or a blank cannot cut the key off; GBK bytes travel as %XX.
  EXPECT_EQ(storeSearchAddress("http://s/", "a#b c", "k"), "http://s/search.php?keywords=a%23b%20c&key=k");
  EXPECT_EQ(storeSearchAddress("http://s/", "微", "k"), "http://s/search.php?keywords=%CE%A2&key=k");
}

TEST(DownloadRequest, PackageLinksWithinTheBufferOnly) {
  DownloadRequest r;
  EXPECT_EQ(makeDownloadRequest("http://s/archives/1.html", r), DownloadRequestOutcome::NotPackage);
  ASSERT_EQ(makeDownloadRequest("http://d/com.tencent.mm.apk", r), DownloadRequestOutcome::Ok);
  EXPECT_EQ(r.address, "http://d/com.tencent.mm.apk");
  EXPECT_EQ(r.request, "com.tencent.mm");  // the package's name finds its task
  ASSERT_EQ(makeDownloadRequest("http://d/get.php?f=com.a.b.apk&sig=x.apk", r), DownloadRequestOutcome::NoName);
  ASSERT_EQ(makeDownloadRequest("http://d/get?f=com.a.b.apk", r), DownloadRequestOutcome::Ok);
  EXPECT_EQ(r.request, "com.a.b");
  EXPECT_EQ(makeDownloadRequest("http://d/9x.apk", r), DownloadRequestOutcome::NoName);
  const std::string limit = "http://d/" + std::string(kMaxDownloadAddress - 21, 'a') + "/com.a.b.apk";
  ASSERT_EQ(limit.size(), kMaxDownloadAddress);
  EXPECT_EQ(makeDownloadRequest(limit, r), DownloadRequestOutcome::Ok);
  EXPECT_EQ(makeDownloadRequest(limit + "x", r), DownloadRequestOutcome::TooLong);
  EXPECT_EQ(makeDownloadRequest(std::string(100000, 'a') + ".apk", r), DownloadRequestOutcome::TooLong);
}

}  // namespace
}  // namespace zorvik

namespace zorvik {
namespace {

TEST(UninstallCommand, OnlyValidNamesReachTheCommandLine) {
  EXPECT_EQ(appUninstallCommand("adb.exe", "", "com.tencent.mm"), "adb.exe uninstall com.tencent.mm");
  EXPECT_EQ(appUninstallCommand("C:\\Program Files\\Z\\adb.exe", "ZRVK0A1B", "com.a"),
            "\"C:\\Program Files\\Z\\adb.exe\" -s ZRVK0A1B uninstall com.a");
  // A serial with a blank goes quoted: the phone the page shows, not whichever one the tool picks.
  EXPECT_EQ(appUninstallCommand("adb", "my device 1", "com.a"), "adb -s \"my device 1\" uninstall com.a");
  EXPECT_EQ(appUninstallCommand("adb", "", "com.a & calc"), "");
  EXPECT_EQ(appUninstallCommand("adb", "", "com.a\" -s x"), "");
}

}  // namespace
}  // namespace zorvik
