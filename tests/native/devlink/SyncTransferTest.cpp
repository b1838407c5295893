// The rules a transfer decides by, without a phone: which names may become paths on the PC and
// what they become on Windows, how the answers to "替换 / 跳过 / 全部替换 / 全部跳过" carry through
// one transfer, and how the phone's real-path answer is read.
#include "devlink/SyncTransfer.h"

#include <gtest/gtest.h>

#include <deque>

namespace zorvik {
namespace {

TEST(SyncNames, NamesThatWouldLeaveTheChosenFolderAreRefused) {
  for (const char* bad : {"", ".", "..", "../evil", "a/b", "a\\b", "x\x01y"}) EXPECT_FALSE(isSafeLocalName(bad)) << bad;
  for (const char* good : {"照片.jpg", "..hidden", ".profile", "a b", "名字。"}) EXPECT_TRUE(isSafeLocalName(good)) << good;
}

TEST(SyncNames, WindowsNamesAreMadeSafeTheSameWayEveryTime) {
  const struct {
    const char* phone;
    const char* pc;
  } cases[] = {
      {"COM1", "COM1_"},          {"com9.txt", "com9_.txt"},   {"nul.txt", "nul_.txt"},
      {"Con", "Con_"},            {"PRN.tar.gz", "PRN_.tar.gz"}, {"aux", "aux_"},
      {"LPT5.log", "LPT5_.log"},  {"NUL .txt", "NUL _.txt"},   {"COM1.", "COM1_._"},
      {"COM0", "COM0"},           {"COM10", "COM10"},          {"CONSOLE", "CONSOLE"},
      {"xcon.txt", "xcon.txt"},   {"LPT", "LPT"},              {"报告.", "报告._"},
      {"a b ", "a b _"},          {"a:b", "a_b"},              {"w<h>y?*|\"", "w_h_y____"},
      {"back\\slash", "back_slash"}, {"tab\tname", "tab_name"}, {"照片.jpg", "照片.jpg"},
      {".profile", ".profile"},   {"..hidden", "..hidden"},    {"", ""},
      {".", ""},                  {"..", ""},
  };
  for (const auto& c : cases) {
    const std::string safe = windowsSafeName(c.phone);
    EXPECT_EQ(safe, c.pc) << c.phone;
    EXPECT_EQ(windowsSafeName(safe), safe) << "a safe name stays: " << c.phone;
    if (!safe.empty()) {
      EXPECT_TRUE(isSafeLocalName(safe)) << c.phone;
    }
  }
}

TEST(SyncOverwrite, AnswersCarryThroughOneTransfer) {
  using C = OverwriteChoice;
  using A = OverwriteAction;
  const struct {
    const char* what;
    std::vector<std::optional<C>> answers;  // what the user answers, in order, when asked
    int files;                              // existing files met
    std::vector<A> actions;
    int asked;
  } cases[] = {
      {"each asked", {C::Replace, C::Skip, C::Replace}, 3, {A::Replace, A::Skip, A::Replace}, 3},
      {"replace all after one skip", {C::Skip, C::ReplaceAll}, 4, {A::Skip, A::Replace, A::Replace, A::Replace}, 2},
      {"skip all at once", {C::SkipAll}, 3, {A::Skip, A::Skip, A::Skip}, 1},
      {"no answer stops", {C::Replace, std::nullopt}, 2, {A::Replace, A::Stop}, 2},
      {"after stop it asks again", {std::nullopt, C::Skip}, 2, {A::Stop, A::Skip}, 2},
  };
  for (const auto& c : cases) {
    std::deque<std::optional<C>> answers(c.answers.begin(), c.answers.end());
    std::vector<std::string> names;
    OverwriteDecision d([&](const std::string& name, bool toPhone) {
      EXPECT_TRUE(toPhone);
      names.push_back(name);
      EXPECT_FALSE(answers.empty()) << c.what;
      if (answers.empty()) return std::optional<C>();
      auto a = answers.front();
      answers.pop_front();
      return a;
    });
    std::vector<A> got;
    for (int i = 0; i < c.files; ++i) got.push_back(d.decide("f" + std::to_string(i), true));
    EXPECT_EQ(got, c.actions) << c.what;
    EXPECT_EQ(d.asked(), c.asked) << c.what;
    ASSERT_EQ(names.size(), static_cast<size_t>(c.asked));
    if (!names.empty()) {
      EXPECT_EQ(names[0], "f0") << c.what;
    }
  }
  OverwriteDecision unasked;
  EXPECT_EQ(unasked.decide("x", false), OverwriteAction::Replace);
}

TEST(SyncRealPath, TheShellAnswerIsOnePathFollowedByTheMarker) {
  const struct {
    std::string out;
    std::optional<std::string> path;
  } cases[] = {
      {"/storage/emulated/0\nZVOK\n", "/storage/emulated/0"},
      {"/storage/emulated/0\r\nZVOK\r\n", "/storage/emulated/0"},
      {"/a b/照片\nZVOK\n", "/a b/照片"},
      {"ZVOK\n", std::nullopt},                                   // readlink printed nothing
      {"\nZVOK\n", std::nullopt},
      {"/system/bin/sh: readlink: not found\n", std::nullopt},   // no marker: it failed
      {"readlink: /x: No such file or directory\nZVOK\n", std::nullopt},
      {"/a\n/b\nZVOK\n", std::nullopt},                          // two lines are not one path
      {"/a\nZVOK", std::nullopt},                                // cut before the end
      {"/a\nZVOKX\n", std::nullopt},
      {"", std::nullopt},
      {std::string("/a\0b\nZVOK\n", 10), std::nullopt},
      {"/" + std::string(kRealPathReplyMax, 'x') + "\nZVOK\n", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(parseRealPathReply(c.out), c.path) << c.out;
}

TEST(SyncRealPath, TheCommandQuotesEveryByte) {
  EXPECT_EQ(realPathCommand("/sdcard/a b"), "readlink -f -- '/sdcard/a b' && echo ZVOK");
  EXPECT_EQ(realPathCommand("/x/it's;$(rm)"), "readlink -f -- '/x/it'\\''s;$(rm)' && echo ZVOK");
  EXPECT_EQ(childRealPath("/", "sdcard"), "/sdcard");
  EXPECT_EQ(childRealPath("/storage/emulated/0", "DCIM"), "/storage/emulated/0/DCIM");
}

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
