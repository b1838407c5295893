// Files on the PC in both builds: Chinese names through the UTF-8 path calls (the wide ones on
// Windows), times, replacing, and the whole-file write and read with their failures.
#include "common/LocalFile.h"

#include <chrono>
#include <cstdlib>
#include <random>
#include <string>

#include <gtest/gtest.h>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

namespace zorvik {
namespace {

std::string freshFolder(const char* stem) {
#ifdef _WIN32
  const char* temp = std::getenv("TEMP");
#else
  const char* temp = std::getenv("TMPDIR");
#endif
  // Unique per run: a folder left by an earlier run holds a partial name taken by a folder.
  const auto unique = std::to_string(std::random_device{}()) + "-" +
                      std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  const std::string folder = joinLocalPath(temp ? temp : "/tmp", stem + unique);
  EXPECT_TRUE(makeLocalFolder(folder));
  return folder;
}

bool put(const std::string& path, const std::string& bytes) {
  LocalFile f = LocalFile::create(path);
  return f.valid() && f.write(bytes.data(), bytes.size()) && f.close();
}

std::string contents(const std::string& path) {
  std::string bytes;
  return readWholeFile(path, bytes, 1u << 20) ? bytes : "<unreadable>";
}

bool exists(const std::string& path) { return LocalFile::openRead(path).valid() || localFolderExists(path); }

TEST(LocalFiles, ChineseNamesTimesReplaceAndRemove) {
  const std::string folder = freshFolder(u8"zorvik-本地文件-");
  EXPECT_TRUE(localFolderExists(folder));
  const std::string target = joinLocalPath(folder, u8"照片（一）.jpg");
  const std::string partial = target + kPartialSuffix;
  ASSERT_TRUE(put(target, "old"));
  ASSERT_TRUE(put(partial, "new content"));
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
  EXPECT_FALSE(exists(partial));
  EXPECT_FALSE(exists(target + ".zvold"));  // the old file stepped aside and is gone
  EXPECT_FALSE(LocalFile::openRead(folder).valid());  // a folder is not a file to push
  EXPECT_TRUE(removeLocalFile(target));
  EXPECT_TRUE(removeLocalFile(target));  // already gone is gone
  EXPECT_EQ(localBaseName(u8"C:\\文件夹\\a.txt"), "a.txt");
  EXPECT_EQ(localBaseName("/x/y/"), "y");
}

// Every failure keeps the file the user had and leaves no partial file beside it.
TEST(LocalFiles, AtomicWriteReplacesWholeOrLeavesTheOldFile) {
  const std::string folder = freshFolder(u8"zorvik-整写-");
  const std::string target = joinLocalPath(folder, u8"短信.txt");
  ASSERT_TRUE(writeFileAtomically(target, "first"));  // no file before
  ASSERT_TRUE(writeFileAtomically(target, u8"第二次"));
  EXPECT_EQ(contents(target), u8"第二次");
  EXPECT_FALSE(exists(target + kPartialSuffix));
  ASSERT_TRUE(writeFileAtomically(target, ""));
  EXPECT_EQ(contents(target), "");

  ASSERT_TRUE(writeFileAtomically(target, "kept"));
  // The partial name is taken by a folder: nothing can be written.
  ASSERT_TRUE(makeLocalFolder(target + kPartialSuffix));
  EXPECT_FALSE(writeFileAtomically(target, "lost"));
  EXPECT_EQ(contents(target), "kept");
  EXPECT_TRUE(localFolderExists(target + kPartialSuffix));  // not ours to remove

  // The target is a folder: the rename fails and the written file goes.
  const std::string asFolder = joinLocalPath(folder, "sub");
  ASSERT_TRUE(makeLocalFolder(asFolder));
  EXPECT_FALSE(writeFileAtomically(asFolder, "x"));
  EXPECT_TRUE(localFolderExists(asFolder));
  EXPECT_FALSE(exists(asFolder + kPartialSuffix));

  // No such folder.
  EXPECT_FALSE(writeFileAtomically(joinLocalPath(joinLocalPath(folder, "none"), "a.txt"), "x"));
  EXPECT_FALSE(exists(joinLocalPath(folder, "none")));
}

#ifndef _WIN32
// The disk refuses bytes part-way through (a file-size limit stands in for a full disk).
TEST(LocalFiles, AtomicWriteCutByTheDiskKeepsTheOldFile) {
  const std::string target = joinLocalPath(freshFolder("zorvik-full-"), "backup.vcf");
  ASSERT_TRUE(writeFileAtomically(target, "old card"));
  rlimit before{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
  void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = before;
  small.rlim_cur = 100000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = writeFileAtomically(target, std::string(300000, 'v'));
  setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(written);
  EXPECT_EQ(contents(target), "old card");
  EXPECT_FALSE(exists(target + kPartialSuffix));
}

// A stale aside name that cannot be taken (a folder): the plain rename still replaces the file.
TEST(LocalFiles, ReplaceWhenTheAsideNameIsTaken) {
  const std::string target = joinLocalPath(freshFolder("zorvik-aside-"), "a.bin");
  ASSERT_TRUE(put(target, "old"));
  ASSERT_TRUE(makeLocalFolder(target + ".zvold"));
  ASSERT_TRUE(put(joinLocalPath(target + ".zvold", "inside"), "x"));  // a full folder: no rename onto it
  ASSERT_TRUE(put(target + kPartialSuffix, "new"));
  ASSERT_TRUE(replaceLocalFile(target + kPartialSuffix, target));
  EXPECT_EQ(contents(target), "new");
  EXPECT_EQ(contents(joinLocalPath(target + ".zvold", "inside")), "x");
}
#endif

TEST(LocalFiles, ReadWholeFileIsBoundedAndRefusesWhatIsNoFile) {
  const std::string folder = freshFolder("zorvik-read-");
  const std::string path = joinLocalPath(folder, "f");
  ASSERT_TRUE(put(path, "0123456789"));
  std::string bytes = "stale";
  EXPECT_TRUE(readWholeFile(path, bytes, 10));
  EXPECT_EQ(bytes, "0123456789");
  bytes = "stale";
  EXPECT_FALSE(readWholeFile(path, bytes, 9));
  EXPECT_EQ(bytes, "");
  EXPECT_FALSE(readWholeFile(folder, bytes, 100));
  EXPECT_FALSE(readWholeFile(joinLocalPath(folder, "missing"), bytes, 100));
  const std::string big(200000, 'b');  // more than one read's worth
  ASSERT_TRUE(put(path, big));
  EXPECT_TRUE(readWholeFile(path, bytes, big.size()));
  EXPECT_EQ(bytes, big);
}

}  // namespace
}  // namespace zorvik
