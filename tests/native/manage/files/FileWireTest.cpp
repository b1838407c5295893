#include <gtest/gtest.h>

#include <string>

#include "common/TextConv.h"
#include "manage/files/FileWire.h"
#include "support/BodyWriter.h"

namespace zorvik {
namespace {

using test::BodyWriter;

BodyWriter& entry(BodyWriter& w, int32_t type, const std::string& path, int64_t size, int64_t modified,
                  int32_t readable, int32_t writable, int32_t hidden) {
  return w.i32(type).utf8(path).i64(size).i64(modified).i32(readable).i32(writable).i32(hidden);
}

FileListing parse(const BodyWriter& w) { return parseFileListing(w.bytes.data(), w.bytes.size()); }

TEST(FileListing, FirstRecordIsTheUpFolderTheRestAreRowsInOrder) {
  BodyWriter w = BodyWriter::body();
  entry(w, 1, "/sdcard", 0, 0, 1, 1, 0);
  entry(w, 1, "/sdcard/DCIM/\xE7\x9B\xB8\xE5\x86\x8C", 4096, 1300000000000LL, 1, 0, 0);
  entry(w, 0, "/sdcard/archive.tar.gz", 0x1'0000'0010LL, 0, 0, 1, 1);
  FileListing l = parse(w);
  ASSERT_FALSE(l.malformed);
  ASSERT_TRUE(l.hasUp);
  EXPECT_EQ(l.upPath, "/sdcard");
  EXPECT_EQ(l.upType, 1);
  ASSERT_EQ(l.records.size(), 2u);
  EXPECT_EQ(l.records[0].path, "/sdcard/DCIM/相册");  // converted to the program's ANSI text
  EXPECT_TRUE(l.records[0].isFolder());
  EXPECT_EQ(l.records[0].modified, 1300000000000LL);
  EXPECT_EQ(l.records[1].size, 0x1'0000'0010LL);
  EXPECT_EQ(fileDisplayName(l.records[1].path), "archive.tar");
  EXPECT_STREQ(fileTypeText(l.records[1]), "文件");
  EXPECT_STREQ(fileTypeText(l.records[0]), "文件夹");
  EXPECT_EQ(fileAttributeText(l.records[1]), " 可写 隐藏");
}

TEST(FileListing, OnlyTheUpRecordIsAnEmptyFolderThatCanStillGoUp) {
  BodyWriter w = BodyWriter::body();
  entry(w, 1, "/", 0, 0, 1, 0, 0);
  FileListing l = parse(w);
  EXPECT_FALSE(l.malformed);
  EXPECT_TRUE(l.hasUp);
  EXPECT_EQ(l.upPath, "/");
  EXPECT_TRUE(l.records.empty());
  FileListing none = parseFileListing(BodyWriter::body().bytes.data(), 4);
  EXPECT_FALSE(none.hasUp);
  EXPECT_FALSE(none.malformed);
}

TEST(FileListing, BodyCutAnywhereKeepsWholeRecordsAndSaysSo) {
  BodyWriter w = BodyWriter::body();
  entry(w, 1, "/up", 0, 0, 1, 1, 0);
  entry(w, 0, "/up/a.txt", 3, 0, 1, 1, 0);
  const size_t whole = w.bytes.size();
  entry(w, 0, "/up/b.txt", 5, 0, 1, 1, 0);
  for (size_t cut = whole + 2; cut < w.bytes.size(); ++cut) {
    FileListing l = parseFileListing(w.bytes.data(), cut);
    ASSERT_EQ(l.records.size(), 1u) << cut;
    EXPECT_TRUE(l.malformed) << cut;
  }
}

TEST(FileListing, HostilePathLengthsAreMalformed) {
  for (int32_t n : {-1, 0x7FFFFFFF, 100}) {
    BodyWriter w = BodyWriter::body();
    w.i32(1).i32(n).raw("/short");
    FileListing l = parse(w);
    EXPECT_TRUE(l.malformed) << n;
    EXPECT_FALSE(l.hasUp) << n;
  }
}

TEST(FileNames, SplitOnBothSeparatorsAndDropTheExtension) {
  EXPECT_EQ(fileDisplayName("/sdcard\\Music/song.mp3"), "song");
  EXPECT_EQ(fileDisplayName("C:\\a\\b"), "b");
  EXPECT_EQ(fileDisplayName("/sdcard/DCIM/"), "DCIM");
  EXPECT_EQ(fileDisplayName("/sdcard/.nomedia"), ".nomedia");  // a leading dot is no extension
  EXPECT_EQ(fileDisplayName("plain"), "plain");
  EXPECT_EQ(fileDisplayName(""), "");
}

TEST(FileAttributes, EachFlagFromItsOwnRecord) {
  FileRecord r;
  EXPECT_EQ(fileAttributeText(r), "");
  r.writable = 1;
  EXPECT_EQ(fileAttributeText(r), " 可写");
  r.readable = 1;
  r.hidden = 1;
  EXPECT_EQ(fileAttributeText(r), "可读 可写 隐藏");
}

TEST(ListFolderRequest, ChinesePathInUtf8OnTheWire) {
  BodyWriter want = BodyWriter::request();
  want.i32(870602).i32(16 + 17).i32(1).utf8("/sdcard/\xE7\x9B\xB8\xE5\x86\x8C\xE9\x9B\x86");
  EXPECT_EQ(listFolderRequest("/sdcard/相册集"), want.bytes);
}

TEST(ListFolderRequest, AFolderNameGbkCannotHoldStillOpensByItsUtf8Path) {
  const std::string utf8 = "/sdcard/\xF0\x9F\x98\x80\xE7\x9B\xB8";  // an emoji, then 相
  BodyWriter w = BodyWriter::body();
  entry(w, 1, "/sdcard", 0, 0, 1, 1, 0);
  entry(w, 1, utf8, 0, 0, 1, 1, 0);
  const FileListing l = parse(w);
  ASSERT_EQ(l.records.size(), 1u);
  EXPECT_EQ(l.upPathUtf8, "/sdcard");
  EXPECT_EQ(l.records[0].pathUtf8, utf8);
  EXPECT_NE(toUtf8(l.records[0].path), utf8);  // the ANSI text lost the emoji
  BodyWriter want = BodyWriter::request();
  want.i32(870602).i32(static_cast<int32_t>(16 + utf8.size())).i32(1).utf8(utf8);
  EXPECT_EQ(listFolderRequestUtf8(l.records[0].pathUtf8), want.bytes);
}

}  // namespace
}  // namespace zorvik
