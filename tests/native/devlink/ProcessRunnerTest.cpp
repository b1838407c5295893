// The two ways of running the tool, against a small helper program: the synchronous run with its
// output limits, and AdbProcessRunner's chunks, end report, stop and termination paths.
#include "devlink/AdbBridge.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#include <tlhelp32.h>
#endif

namespace zorvik {
namespace {

using Clock = std::chrono::steady_clock;

std::string helper() {
#ifdef _WIN32
  return programFolder() + "devlink_adb_helper.exe";
#else
  return programFolder() + "devlink_adb_helper";
#endif
}

std::string pattern(size_t count) {
  std::string bytes;
  for (size_t i = 0; i < count; ++i) bytes += static_cast<char>('a' + i % 26);
  return bytes;
}

// What a run holds while it lasts: natively the descriptors of this process; under Windows its
// threads (Wine does not count handles), the reader being the one a run adds.
long openResources() {
  long count = 0;
#ifdef _WIN32
  const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry))
    count += entry.th32OwnerProcessID == ::GetCurrentProcessId();
  ::CloseHandle(snapshot);
#else
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
#endif
  return count;
}

long msSince(Clock::time_point start) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// Records what a runner delivers; can hold the reader thread inside its first chunk.
class RecordingSink : public AdbOutputSink {
 public:
  void receive(const std::string& text, int kind) override {
    if (kind == kAdbOutputChunk && blockFirstChunkMs > 0 && !blocked_) {
      blocked_ = true;
      blockStarted = true;
      std::this_thread::sleep_for(std::chrono::milliseconds(blockFirstChunkMs));
      blockEnded = true;
    }
    std::lock_guard lock(mutex_);
    events_.push_back({text, kind});
    changed_.notify_all();
  }
  bool waitForKind(int kind, unsigned ms = 10000) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(ms), [&] {
      for (const auto& e : events_) {
        if (e.second == kind) return true;
      }
      return false;
    });
  }
  std::vector<std::pair<std::string, int>> events() {
    std::lock_guard lock(mutex_);
    return events_;
  }
  std::string text() {
    std::string all;
    for (const auto& e : events()) all += e.first;
    return all;
  }
  int count(int kind) {
    int n = 0;
    for (const auto& e : events()) n += e.second == kind;
    return n;
  }
  unsigned blockFirstChunkMs = 0;
  std::atomic<bool> blockStarted{false};
  std::atomic<bool> blockEnded{false};  // the held-up call came back (its thread was not killed)

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::pair<std::string, int>> events_;
  bool blocked_ = false;
};

TEST(RunAdbAndWait, LargeOutputDoesNotBlockTheToolAndIsCutToTheMaximum) {
  const auto start = Clock::now();
  const AdbRunResult devices = runAdbAndWait(helper() + " print 300000", kDevicesOutputMax);
  ASSERT_EQ(devices.status, AdbRunStatus::Ok);
  EXPECT_EQ(devices.output, pattern(4096));
  const AdbRunResult install = runAdbAndWait(helper() + " print 300000", kInstallOutputMax);
  EXPECT_EQ(install.output, pattern(4095));
  EXPECT_LT(msSince(start), 10000);
}

TEST(RunAdbAndWait, AToolHeldUpPastItsDeadlineIsEndedWithWhatItPrinted) {
  const auto start = Clock::now();
  const AdbRunResult held = runAdbAndWait(helper() + " print 10 20000", kDevicesOutputMax, 2000);
  EXPECT_TRUE(held.timedOut);
  EXPECT_EQ(held.output, pattern(10));
  EXPECT_LT(msSince(start), 8000);
  const AdbRunResult quick = runAdbAndWait(helper() + " print 10", kDevicesOutputMax, 5000);
  EXPECT_FALSE(quick.timedOut);
  EXPECT_EQ(quick.output, pattern(10));
}

// A tool past its deadline ends with what it started: the descendant never gets to write its mark.
TEST(AdbDeadline, ATimedOutToolEndsWithItsWholeProcessTree) {
  const std::string mark = (std::filesystem::temp_directory_path() / "zorvik-tree-mark.txt").string();
  std::filesystem::remove(mark);
  const auto start = Clock::now();
  const AdbRunResult held = runAdbAndWait(helper() + " tree 3000 " + mark, kDevicesOutputMax, 800);
  EXPECT_TRUE(held.timedOut);
  EXPECT_LT(msSince(start), 2500);
  RecordingSink sink;
  AdbProcessRunner runner(sink);
  ASSERT_TRUE(runner.run(helper() + " tree 3000 " + mark, 800));
  EXPECT_TRUE(sink.waitForKind(kAdbOutputTimedOut, 2500));
  EXPECT_EQ(sink.count(kAdbOutputEnded), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(3500));
  EXPECT_FALSE(std::filesystem::exists(mark));
}

// Closing ends every run in progress at once, whatever its deadline; later runs are not affected.
TEST(AdbDeadline, EndingAllRunsStopsHeldUpToolsWithinAPoll) {
  RecordingSink sink;
  AdbProcessRunner runner(sink);
  ASSERT_TRUE(runner.run(helper() + " sleep 60000", 60000));
  std::thread closer([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    endAdbRuns();
  });
  const auto start = Clock::now();
  const AdbRunResult held = runAdbAndWait(helper() + " sleep 60000", kDevicesOutputMax, 60000);
  closer.join();
  EXPECT_TRUE(held.cancelled);
  EXPECT_FALSE(held.timedOut);
  EXPECT_LT(msSince(start), 1500);
  EXPECT_TRUE(sink.waitForKind(kAdbOutputReadFailed, 1000));
  EXPECT_EQ(runAdbAndWait(helper() + " print 10", kDevicesOutputMax).output, pattern(10));
}

TEST(AdbDeadline, EachKindHasItsBoundAndInstallsScaleWithSize) {
  EXPECT_EQ(adbDeadlineMs(AdbCommandKind::Listing), kAdbListingDeadlineMs);
  EXPECT_EQ(adbDeadlineMs(AdbCommandKind::Shell), kAdbShellDeadlineMs);
  EXPECT_EQ(adbDeadlineMs(AdbCommandKind::Install, 0), kAdbInstallBaseDeadlineMs);
  EXPECT_EQ(adbDeadlineMs(AdbCommandKind::Install, 80ull << 20), kAdbInstallBaseDeadlineMs + 10 * 60000u);
  EXPECT_EQ(adbDeadlineMs(AdbCommandKind::Install, ~0ull), kAdbInstallMaxDeadlineMs);
  EXPECT_EQ(adbTimeoutText("列出设备"), "【错误】列出设备超时");
}

TEST(RunAdbAndWait, StandardErrorIsCapturedAndShortOutputKeptWhole) {
  EXPECT_EQ(runAdbAndWait(helper() + " stderr error:device-not-found", kDevicesOutputMax).output, "error:device-not-found");
  EXPECT_EQ(runAdbAndWait(helper() + " print 10", kDevicesOutputMax).output, pattern(10));
  const AdbRunResult silent = runAdbAndWait(helper() + " exit 3", kDevicesOutputMax);
  EXPECT_EQ(silent.status, AdbRunStatus::Ok);
  EXPECT_EQ(silent.output, "");
}

TEST(RunAdbAndWait, AToolInAFolderWithASpaceRuns) {
  const std::string folder = programFolder() + "tool folder";
  std::filesystem::create_directories(folder);
  const std::string copy = folder + "/" + std::filesystem::path(helper()).filename().string();
  std::filesystem::copy_file(helper(), copy, std::filesystem::copy_options::overwrite_existing);
  const AdbRunResult run = runAdbAndWait(quotedPath(copy) + " print 5", 4096);
  EXPECT_EQ(run.status, AdbRunStatus::Ok);
  EXPECT_EQ(run.output, pattern(5));
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

TEST(RunAdbAndWait, AMissingToolCannotStart) {
  EXPECT_EQ(runAdbAndWait("zorvik-no-such-tool-here devices", kDevicesOutputMax).status, AdbRunStatus::CannotStart);
  EXPECT_EQ(runAdbAndWait(programFolder() + "no-such-adb devices", kDevicesOutputMax).status, AdbRunStatus::CannotStart);
  EXPECT_EQ(installPackage(programFolder() + "no-such-adb", "S1", "a.apk"), kInstallCannotRun);
}

TEST(AdbProcessRunner, OutputArrivesInPiecesOfAtMost255BytesThenOneEnd) {
  RecordingSink sink;
  AdbProcessRunner runner(sink);
  ASSERT_TRUE(runner.run(helper() + " print 5000"));
  ASSERT_TRUE(sink.waitForKind(kAdbOutputEnded));
  const auto events = sink.events();
  ASSERT_GE(events.size(), 21u);  // 5000 bytes need at least 20 chunks
  for (size_t i = 0; i + 1 < events.size(); ++i) {
    EXPECT_EQ(events[i].second, kAdbOutputChunk);
    EXPECT_LE(events[i].first.size(), 255u);
    EXPECT_FALSE(events[i].first.empty());
  }
  EXPECT_EQ(events.back(), std::make_pair(std::string(), int(kAdbOutputEnded)));
  EXPECT_EQ(sink.text(), pattern(5000));
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(sink.count(kAdbOutputEnded), 1);
  EXPECT_FALSE(runner.running());
}

TEST(AdbProcessRunner, ASilentToolStillReportsItsEnd) {
  RecordingSink sink;
  AdbProcessRunner runner(sink);
  ASSERT_TRUE(runner.run(helper() + " sleep 250"));
  ASSERT_TRUE(sink.waitForKind(kAdbOutputEnded));
  EXPECT_EQ(sink.events().size(), 1u);
}

TEST(AdbProcessRunner, AMissingToolIsNotStartedAndReportsNothing) {
  RecordingSink sink;
  AdbProcessRunner runner(sink);
  EXPECT_FALSE(runner.run("zorvik-no-such-tool-here devices"));
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_TRUE(sink.events().empty());
}

TEST(AdbProcessRunner, StopEndsTheRunWithoutAnEndReport) {
  RecordingSink sink;
  AdbProcessRunner runner(sink);
  ASSERT_TRUE(runner.run(helper() + " print 10 3000"));
  ASSERT_TRUE(sink.waitForKind(kAdbOutputChunk));
  const auto start = Clock::now();
  runner.stop();
  EXPECT_LT(msSince(start), 1000);
  EXPECT_FALSE(runner.running());
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(sink.count(kAdbOutputEnded), 0);
  runner.stop();  // a second stop is harmless
}

TEST(AdbProcessRunner, RunStopsTheEarlierRunFirst) {
  RecordingSink first, second;
  AdbProcessRunner runner(first);
  ASSERT_TRUE(runner.run(helper() + " print 7 3000"));
  ASSERT_TRUE(first.waitForKind(kAdbOutputChunk));
  const auto start = Clock::now();
  ASSERT_TRUE(runner.run(helper() + " print 12"));
  ASSERT_TRUE(first.waitForKind(kAdbOutputEnded, 1500));  // the second run's end, same sink
  EXPECT_LT(msSince(start), 1500);
  EXPECT_EQ(first.text(), pattern(7) + pattern(12));
  EXPECT_EQ(first.count(kAdbOutputEnded), 1);
}

TEST(AdbProcessRunner, DestroyingTheRunnerStopsIt) {
  RecordingSink sink;
  const auto start = Clock::now();
  {
    AdbProcessRunner runner(sink);
    ASSERT_TRUE(runner.run(helper() + " print 10 3000"));
    ASSERT_TRUE(sink.waitForKind(kAdbOutputChunk));
  }
  EXPECT_LT(msSince(start), 2000);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(sink.count(kAdbOutputEnded), 0);
}

TEST(AdbProcessRunner, StoppingARunWhoseChildKeepsThePipeOpenIsPromptAndLeaksNothing) {
  RecordingSink sink;
  const long before = openResources();
  ASSERT_GT(before, 0);
  {
    AdbProcessRunner runner(sink);
    ASSERT_TRUE(runner.run(helper() + " print 10 3000"));  // the child holds its pipes for 3 s
    ASSERT_TRUE(sink.waitForKind(kAdbOutputChunk));
    const auto start = Clock::now();
    runner.stop();
    EXPECT_LT(msSince(start), 1000);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the reader lets go of the run
  EXPECT_LE(openResources(), before);
}

TEST(AdbProcessRunner, AReaderThatDoesNotStopInTimeIsGivenUpButNeverKilled) {
  RecordingSink sink;
  sink.blockFirstChunkMs = AdbProcessRunner::kStopWaitMs + 1500;
  AdbProcessRunner runner(sink);
  ASSERT_TRUE(runner.run(helper() + " print 600"));
  const auto started = Clock::now();
  while (!sink.blockStarted && msSince(started) < 10000) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(sink.blockStarted);  // the reader is now inside the sink
  const auto start = Clock::now();
  runner.stop();
  const long waited = msSince(start);
  EXPECT_GE(waited, static_cast<long>(AdbProcessRunner::kStopWaitMs) - 100);
  EXPECT_LT(waited, static_cast<long>(AdbProcessRunner::kStopWaitMs) + 1300);
  EXPECT_FALSE(runner.running());
  // Whatever the reader had left is never delivered.
  std::this_thread::sleep_for(std::chrono::milliseconds(2000));
  EXPECT_EQ(sink.count(kAdbOutputEnded), 0);
  EXPECT_LE(sink.events().size(), 1u);
  // The held-up reader came back out of the sink and ended by itself.
  EXPECT_TRUE(sink.blockEnded);
}

TEST(AdbPath, TheToolBesideTheProgramWinsOverTheSearchPath) {
#ifdef _WIN32
  const std::string beside = programFolder() + "adb.exe";
#else
  const std::string beside = programFolder() + "adb";
#endif
  if (std::ifstream(beside).good()) {
    EXPECT_EQ(adbPath(), beside);
    return;
  }
  EXPECT_EQ(adbPath(), "adb");
  std::ofstream(beside) << "";
  EXPECT_EQ(adbPath(), beside);
  std::remove(beside.c_str());
  EXPECT_EQ(adbPath(), "adb");
}

TEST(LaunchAdb, ReturnsAtOnce) {
  const auto start = Clock::now();
  launchAdb(helper() + " sleep 2000");
  launchAdb("zorvik-no-such-tool-here devices");
  EXPECT_LT(msSince(start), 1000);
}

}  // namespace
}  // namespace zorvik
