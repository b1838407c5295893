// Names a phone lists that must not become paths on the PC.
#include "devlink/SyncTransfer.h"

#include <gtest/gtest.h>

namespace zorvik {
namespace {

TEST(SyncNames, NamesThatWouldLeaveTheChosenFolderAreRefused) {
  for (const char* bad : {"", ".", "..", "../evil", "a/b", "a\\b", "x\x01y"}) EXPECT_FALSE(isSafeLocalName(bad)) << bad;
  for (const char* good : {"照片.jpg", "..hidden", ".profile", "a b", "名字。"}) EXPECT_TRUE(isSafeLocalName(good)) << good;
}

}  // namespace
}  // namespace zorvik

namespace zorvik {
namespace {

}  // namespace
}  // namespace zorvik

namespace zorvik {
namespace {

// The PC side of a pull, in both builds: a Chinese name through the UTF-8 path calls (the wide
// ones on Windows), its time, the rename over an older file, removal.
TEST(LocalFiles, ChineseNamesTimesReplaceAndRemove) {
#ifdef _WIN32
  const char* tempVar = "TEMP";
#else
  const char* tempVar = "TMPDIR";
#endif
  const char* temp = std::getenv(tempVar);
  const std::string folder = joinLocalPath(temp ? temp : "/tmp", u8"zorvik-本地文件-" + std::to_string(std::rand()));
  ASSERT_TRUE(makeLocalFolder(folder));
  EXPECT_TRUE(localFolderExists(folder));
  const std::string target = joinLocalPath(folder, u8"照片（一）.jpg");
  const std::string partial = target + kPartialSuffix;
  {
    LocalFile old = LocalFile::create(target);
    ASSERT_TRUE(old.valid());
    ASSERT_TRUE(old.write("old", 3));
  }
  {
    LocalFile f = LocalFile::create(partial);
    ASSERT_TRUE(f.valid());
    ASSERT_TRUE(f.write("new content", 11));
    EXPECT_TRUE(f.close());
  }
  ASSERT_TRUE(setLocalModifiedTime(partial, 1300000000));
  ASSERT_TRUE(replaceLocalFile(partial, target));
  EXPECT_EQ(localModifiedTime(target), 1300000000);
  LocalFile back = LocalFile::openRead(target);
  ASSERT_TRUE(back.valid());
  EXPECT_EQ(back.size(), 11);
  char buf[32] = {};
  EXPECT_EQ(back.read(buf, sizeof buf), 11);
  EXPECT_STREQ(buf, "new content");
  back.close();
  EXPECT_FALSE(LocalFile::openRead(partial).valid());
  EXPECT_FALSE(LocalFile::openRead(folder).valid());  // a folder is not a file to push
  EXPECT_TRUE(removeLocalFile(target));
  EXPECT_TRUE(removeLocalFile(target));  // already gone is gone
  EXPECT_EQ(localBaseName(u8"C:\\文件夹\\a.txt"), "a.txt");
  EXPECT_EQ(localBaseName("/x/y/"), "y");
}

}  // namespace
}  // namespace zorvik
