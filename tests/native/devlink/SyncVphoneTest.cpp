// Files both ways through the virtual phone's sync service: a tree of Chinese names round-trips
// byte for byte with its times, a cancelled or broken pull leaves nothing behind, a push to a
// phone that goes away is reported.
#include "devlink/AdbBridge.h"
#include "common/LocalFile.h"
#include "devlink/SyncTransfer.h"
#include "support/VphoneProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <thread>

namespace zorvik {
namespace {

namespace fs = std::filesystem;
constexpr const char* kSerial = "ZRVK0A1B2C3D4E5F";

std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const fs::path& p, const std::string& content) {
  std::ofstream out(p, std::ios::binary);
  out << content;
}

class SyncAgainstVphone : public ::testing::Test {
 protected:
  void SetUp() override {
    phone_ = std::make_unique<test::VphoneProcess>(ZORVIK_VPHONE, std::vector<std::string>{"--control-port", "0"});
    ASSERT_NE(phone_->port(), 0);
    setAdbServerPort(phone_->port());
    root_ = fs::temp_directory_path() / ("zorvik-sync-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }

  // Every regular file under a folder, by its path relative to it.
  static std::map<std::string, std::string> tree(const fs::path& top) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(top))
      if (e.is_regular_file()) out[fs::relative(e.path(), top).string()] = readAll(e.path());
    return out;
  }

  // One file of `size` bytes pushed to the phone at remote.
  void pushOne(const std::string& remoteFolder, const std::string& name, size_t size) {
    const fs::path local = root_ / "src1" / name;
    fs::create_directories(local.parent_path());
    std::string content(size, '\0');
    for (size_t i = 0; i < size; ++i) content[i] = static_cast<char>(i * 7 + i / 251);
    writeFile(local, content);
    SyncTransfer t(kSerial, nullptr, nullptr);
    const TransferReport r = t.push({local.string()}, remoteFolder);
    ASSERT_TRUE(r.failures.empty()) << r.failures[0].text;
  }

  std::unique_ptr<test::VphoneProcess> phone_;
  fs::path root_;
};

TEST_F(SyncAgainstVphone, TwoHundredChineseFilesRoundTripByteIdenticalWithTheirTimes) {
  const std::vector<std::string> folders = {u8"相册", u8"文档/合同", u8"音乐 歌曲", u8"空的"};
  const fs::path src = root_ / "src";
  std::mt19937 rng(16);
  std::map<std::string, std::vector<std::string>> byFolder;
  for (int i = 0; i < 200; ++i) {
    const std::string folder = folders[static_cast<size_t>(i) % 3];
    const std::string name = u8"照片_" + std::to_string(i) + (i % 2 ? u8"的副本.jpg" : u8"（最终版）.txt");
    // Sizes around the 64 KiB piece: empty, one byte, exactly one piece, one over, several.
    const size_t sizes[] = {0, 1, 65536, 65537, 200000};
    const size_t size = i < 5 ? sizes[i] : rng() % 40000;
    std::string content(size, '\0');
    for (char& c : content) c = static_cast<char>(rng());
    fs::create_directories(src / folder);
    writeFile(src / folder / name, content);
    // Times two seconds apart, in the past, so a copy that took "now" would show.
    const auto when = fs::file_time_type::clock::now() - std::chrono::hours(24 * 30) + std::chrono::seconds(2 * i);
    fs::last_write_time(src / folder / name, when);
    byFolder[folder].push_back((src / folder / name).string());
  }
  for (const auto& [folder, files] : byFolder) {
    SyncTransfer push(kSerial, nullptr, nullptr);
    const TransferReport r = push.push(files, u8"/sdcard/往返/" + folder);
    EXPECT_TRUE(r.failures.empty()) << r.failures[0].nameUtf8 << " " << r.failures[0].text;
    EXPECT_EQ(r.filesCopied, static_cast<int>(files.size()));
  }

  const fs::path dst = root_ / "dst";
  fs::create_directories(dst);
  std::vector<TransferProgress> seen;
  SyncTransfer pull(kSerial, nullptr, [&](const TransferProgress& p) { seen.push_back(p); });
  const TransferReport r = pull.pull({{u8"/sdcard/往返", true}}, dst.string());
  ASSERT_TRUE(r.failures.empty()) << r.failures[0].nameUtf8 << " " << r.failures[0].text;
  EXPECT_EQ(r.filesCopied, 200);
  EXPECT_FALSE(r.cancelled);

  const auto want = tree(src), got = tree(dst / u8"往返");
  ASSERT_EQ(got.size(), 200u);
  EXPECT_TRUE(want == got);
  for (const auto& [rel, content] : want)
    EXPECT_EQ(localModifiedTime((dst / u8"往返" / rel).string()), localModifiedTime((src / rel).string())) << rel;
  // No temporary name survives a whole copy.
  for (const auto& e : fs::recursive_directory_iterator(dst))
    EXPECT_EQ(e.path().string().find(kPartialSuffix), std::string::npos);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back().files, 200);
  EXPECT_EQ(seen.back().expectedFiles, 200);
  EXPECT_EQ(seen.back().bytes, r.bytes);
}

TEST_F(SyncAgainstVphone, CancelInTheMiddleLeavesNoPartialFile) {
  pushOne(u8"/sdcard/大文件", u8"视频.mp4", 3 * 1024 * 1024);
  ASSERT_EQ(phone_->control("sync delay 20").rfind("OK", 0), 0u);
  ExchangeCancel cancel;
  uint64_t bytesAtCancel = 0;
  SyncTransfer t(kSerial, &cancel, [&](const TransferProgress& p) {
    if (p.bytes > 256 * 1024 && !cancel.cancelled()) {
      bytesAtCancel = p.bytes;
      cancel.cancel();
    }
  });
  const auto start = std::chrono::steady_clock::now();
  const TransferReport r = t.pull({{u8"/sdcard/大文件/视频.mp4", false}}, root_.string());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_GT(bytesAtCancel, 0u);
  EXPECT_TRUE(r.cancelled);
  EXPECT_EQ(r.filesCopied, 0);
  EXPECT_TRUE(r.failures.empty());  // a cancel is no failure
  EXPECT_FALSE(fs::exists(root_ / u8"视频.mp4"));
  EXPECT_FALSE(fs::exists(root_ / (std::string(u8"视频.mp4") + kPartialSuffix)));
}

TEST_F(SyncAgainstVphone, PhoneVanishingMidPullReportsTheFileAndLeavesNothing) {
  pushOne(u8"/sdcard/下载", u8"一.bin", 2 * 1024 * 1024);
  pushOne(u8"/sdcard/下载", u8"二.bin", 1000);
  pushOne(u8"/sdcard/下载", u8"三.bin", 1000);
  ASSERT_EQ(phone_->control("sync delay 20").rfind("OK", 0), 0u);
  std::thread pull_out([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    phone_->control(std::string("device remove ") + kSerial);
  });
  SyncTransfer t(kSerial, nullptr, nullptr, 2000);
  const auto start = std::chrono::steady_clock::now();
  const TransferReport r = t.pull({{u8"/sdcard/下载", true}}, root_.string());
  pull_out.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  ASSERT_FALSE(r.failures.empty());
  EXPECT_NE(r.failures[0].nameUtf8.find(u8"一.bin"), std::string::npos);
  EXPECT_EQ(r.failures[0].text, syncFailureText(SyncResult::Cut));
  // The files after it are named once, as not copied.
  ASSERT_EQ(r.failures.size(), 2u);
  EXPECT_NE(r.failures[1].text.find("以及其余 1 个文件未复制"), std::string::npos) << r.failures[1].text;
  for (const auto& e : fs::recursive_directory_iterator(root_ / u8"下载")) EXPECT_FALSE(e.is_regular_file()) << e.path();
}

TEST_F(SyncAgainstVphone, PhoneVanishingMidPushIsReported) {
  const fs::path big = root_ / u8"大.bin";
  writeFile(big, std::string(2 * 1024 * 1024, 'x'));
  writeFile(root_ / u8"小.txt", "small");
  ASSERT_EQ(phone_->control("sync delay 20").rfind("OK", 0), 0u);
  std::thread pull_out([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    phone_->control(std::string("device remove ") + kSerial);
  });
  SyncTransfer t(kSerial, nullptr, nullptr, 2000);
  const TransferReport r = t.push({big.string(), (root_ / u8"小.txt").string()}, "/sdcard");
  pull_out.join();
  EXPECT_EQ(r.filesCopied, 0);
  ASSERT_EQ(r.failures.size(), 2u);
  EXPECT_EQ(r.failures[0].nameUtf8, u8"大.bin");
  EXPECT_EQ(r.failures[1].nameUtf8, u8"小.txt");
}

TEST_F(SyncAgainstVphone, MissingFileIsAClearFailureAndTheRestStillCopies) {
  pushOne("/sdcard", u8"在.txt", 10);
  SyncTransfer t(kSerial, nullptr, nullptr);
  const TransferReport r = t.pull({{u8"/sdcard/不在.txt", false}, {u8"/sdcard/在.txt", false}}, root_.string());
  ASSERT_EQ(r.failures.size(), 1u);
  EXPECT_EQ(r.failures[0].text, "手机上没有这个文件");
  EXPECT_EQ(r.filesCopied, 1);
  EXPECT_EQ(fs::file_size(root_ / u8"在.txt"), 10u);
}

TEST_F(SyncAgainstVphone, APullOverAnExistingFileThatFailsKeepsTheOldFile) {
  writeFile(root_ / u8"旧.txt", "old content");
  SyncTransfer t(kSerial, nullptr, nullptr);
  const TransferReport r = t.pull({{u8"/sdcard/旧.txt", false}}, root_.string());
  EXPECT_EQ(r.failures.size(), 1u);
  EXPECT_EQ(readAll(root_ / u8"旧.txt"), "old content");
}

// Folder links that lead back up, to each other or twice to one folder: every real folder is
// copied once, each link that would repeat one is named, and the pull ends.
TEST_F(SyncAgainstVphone, FolderLinksThatGoRoundAreFollowedOnceAndReported) {
  pushOne(u8"/sdcard/环", "a.txt", 10);
  pushOne(u8"/sdcard/环/子", "b.txt", 20);
  pushOne(u8"/sdcard/乙", "c.txt", 30);
  const char* links[][2] = {
      {u8"/sdcard/环/回", u8"/sdcard/环"},  // itself
      {u8"/sdcard/环/子/上", ".."},          // its parent, relatively
      {u8"/sdcard/环/到乙", u8"/sdcard/乙"}, // a folder that links back
      {u8"/sdcard/乙/到环", u8"/sdcard/环/子/上"},
      {u8"/sdcard/环/深", u8"/sdcard/环/子"},  // the same folder a second way
  };
  for (const auto& l : links)
    ASSERT_EQ(phone_->control(std::string("file link ") + "'" + l[0] + "' '" + l[1] + "'").rfind("OK", 0), 0u) << l[0];
  bool sawPlanning = false;
  const fs::path dst = root_ / "dst";
  fs::create_directories(dst);
  SyncTransfer t(kSerial, nullptr, [&](const TransferProgress& p) { sawPlanning = sawPlanning || p.planning; });
  const TransferReport r = t.pull({{u8"/sdcard/环", true}}, dst.string());
  EXPECT_TRUE(sawPlanning);
  EXPECT_FALSE(r.tooMany);
  EXPECT_EQ(r.filesCopied, 3);
  const std::map<std::string, std::string> got = tree(dst);
  std::map<std::string, size_t> sizes;
  for (const auto& [rel, content] : got) sizes[rel] = content.size();
  const std::map<std::string, size_t> want = {{fs::path(u8"环/a.txt").string(), 10},
                                              {fs::path(u8"环/子/b.txt").string(), 20},
                                              {fs::path(u8"环/到乙/c.txt").string(), 30}};
  EXPECT_EQ(sizes, want);
  std::set<std::string> reported;
  for (const TransferFailure& f : r.failures) {
    EXPECT_EQ(f.text, "文件夹链接绕回已复制的文件夹，未重复复制") << f.nameUtf8;
    reported.insert(f.nameUtf8);
  }
  EXPECT_EQ(reported, (std::set<std::string>{u8"环/回", u8"环/子/上", u8"环/到乙/到环", u8"环/深"}));
}

TEST_F(SyncAgainstVphone, APullLargerThanItsCapCopiesNothing) {
  for (int i = 0; i < 6; ++i) pushOne(u8"/sdcard/多", "f" + std::to_string(i), 3);
  const fs::path dst = root_ / "dst";
  fs::create_directories(dst);
  SyncTransfer t(kSerial, nullptr, nullptr);
  t.setPlanLimit(5);
  const TransferReport r = t.pull({{u8"/sdcard/多", true}}, dst.string());
  EXPECT_TRUE(r.tooMany);
  EXPECT_EQ(r.filesCopied, 0);
  EXPECT_TRUE(fs::is_empty(dst));
  SyncTransfer enough(kSerial, nullptr, nullptr);
  enough.setPlanLimit(7);
  EXPECT_EQ(enough.pull({{u8"/sdcard/多", true}}, dst.string()).filesCopied, 6);
}

// Names Windows keeps for devices or cannot hold get the same safe name every time.
TEST_F(SyncAgainstVphone, DeviceNamesLandUnderSafeNames) {
  pushOne(u8"/sdcard/设备名", "x", 1);
  for (const char* name : {"COM1", "nul.txt", "trailing.", "a:b", "a*b", "A_B", "Nul.txt"})
    ASSERT_EQ(phone_->control(std::string(u8"file add '/sdcard/设备名/") + name + "' 7").rfind("OK", 0), 0u);
  const fs::path dst = root_ / "dst";
  fs::create_directories(dst);
  SyncTransfer t(kSerial, nullptr, nullptr);
  t.useWindowsNames(true);
  const TransferReport r = t.pull({{u8"/sdcard/设备名", true}}, dst.string());
  EXPECT_TRUE(r.failures.empty()) << r.failures[0].nameUtf8 << " " << r.failures[0].text;
  // Names that would become one file on the PC are told apart.
  EXPECT_EQ(r.renamed, 7);
  for (const char* name : {"COM1_", "nul_.txt", "trailing._", "a_b", "a_b_2", "A_B_3", "Nul__2.txt"})
    EXPECT_EQ(fs::file_size(dst / u8"设备名" / name), 7u) << name;
}

// An existing file on either side is replaced only when the user says so; "全部…" answers the rest.
TEST_F(SyncAgainstVphone, ExistingFilesAreAskedAboutBothWays) {
  const fs::path src = root_ / "src";
  fs::create_directories(src);
  std::vector<std::string> files;
  for (int i = 0; i < 4; ++i) {
    writeFile(src / ("f" + std::to_string(i)), "old" + std::to_string(i));
    files.push_back((src / ("f" + std::to_string(i))).string());
  }
  ASSERT_EQ(SyncTransfer(kSerial, nullptr, nullptr).push({files[0], files[1], files[2]}, u8"/sdcard/问").filesCopied, 3);
  for (const std::string& f : files) writeFile(f, "new");
  std::vector<std::pair<std::string, bool>> asked;
  std::vector<OverwriteChoice> answers = {OverwriteChoice::Skip, OverwriteChoice::ReplaceAll};
  SyncTransfer push(kSerial, nullptr, nullptr);
  push.setOverwriteAsk([&](const std::string& name, bool toPhone) -> std::optional<OverwriteChoice> {
    asked.emplace_back(name, toPhone);
    return answers[asked.size() - 1];
  });
  const TransferReport pushed = push.push(files, u8"/sdcard/问");
  EXPECT_EQ(asked, (std::vector<std::pair<std::string, bool>>{{"f0", true}, {"f1", true}}));  // f3 is new
  EXPECT_EQ(pushed.skipped, 1);
  EXPECT_EQ(pushed.filesCopied, 3);

  // Back to the PC over older copies: f0 kept the phone's old bytes, the rest are new.
  const fs::path dst = root_ / "dst";
  fs::create_directories(dst);
  for (int i = 0; i < 4; ++i) writeFile(dst / ("f" + std::to_string(i)), "pc");
  asked.clear();
  answers = {OverwriteChoice::Replace, OverwriteChoice::Skip, OverwriteChoice::SkipAll};
  SyncTransfer pull(kSerial, nullptr, nullptr);
  pull.setOverwriteAsk([&](const std::string& name, bool toPhone) -> std::optional<OverwriteChoice> {
    asked.emplace_back(name, toPhone);
    return answers[asked.size() - 1];
  });
  std::vector<RemoteItem> items;
  for (int i = 0; i < 4; ++i) items.push_back({u8"/sdcard/问/f" + std::to_string(i), false});
  const TransferReport pulled = pull.pull(items, dst.string());
  EXPECT_EQ(asked.size(), 3u);
  for (const auto& a : asked) EXPECT_FALSE(a.second);
  EXPECT_EQ(pulled.filesCopied, 1);
  EXPECT_EQ(pulled.skipped, 3);
  EXPECT_EQ(readAll(dst / "f0"), "old0");
  for (int i = 1; i < 4; ++i) EXPECT_EQ(readAll(dst / ("f" + std::to_string(i))), "pc") << i;

  // No answer (the page closed): the transfer stops there and the file is untouched.
  SyncTransfer gone(kSerial, nullptr, nullptr);
  gone.setOverwriteAsk([](const std::string&, bool) { return std::optional<OverwriteChoice>(); });
  const TransferReport stopped = gone.pull(items, dst.string());
  EXPECT_EQ(stopped.filesCopied, 0);
  EXPECT_EQ(readAll(dst / "f1"), "pc");
}

}  // namespace
}  // namespace zorvik
