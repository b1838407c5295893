#pragma once
// What the connection and chooser tests share: a listener that records every event, a chooser
// view driven by a tiny message loop, and a fixture that points the helper tool, the ADB server
// and the agent at per-test places.
#include "devlink/AdbBridge.h"
#include "devlink/AgentSession.h"
#include "devlink/CurrentDevice.h"
#include "devlink/DeviceChooser.h"
#include "devlink/DeviceConnection.h"
#include "devlink/DeviceTables.h"
#include "support/LoopbackServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace zorvik::test {

using Event = std::pair<std::string, int>;

inline uint16_t unusedPort() {
  TcpListener probe;
  EXPECT_TRUE(probe.listen(0));
  return probe.port();
}

inline std::string helperTool() {
#ifdef _WIN32
  return programFolder() + "devlink_adb_helper.exe";
#else
  return programFolder() + "devlink_adb_helper";
#endif
}

inline void setEnvironment(const char* name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name, value.c_str());
#else
  setenv(name, value.c_str(), 1);
#endif
}

// The device choice dialog as a test drives it: rows arrive on the chooser's threads, timers
// and the connect command run on the thread that "owns" the dialog (the one inside run()).
class ChooserScript : public DeviceChooserView {
 public:
  int rowToConnect = -1;  // -1: close without choosing once the rows are in
  size_t expectRows = 2;

  void setLabel(const std::string& text) override { push([&] { labels.push_back(text); }); }
  void addRow(const DeviceRow& row) override { push([&] { rows.push_back(row); }); }
  void selectFirstRow() override { push([&] { ++firstRowSelections; }); }
  void startNextDeviceTimer(unsigned ms) override { push([&] { timers.push_back(ms); }); }
  void showStatusLine(const std::string& text) override { push([&] { statusLines.push_back(text); }); }
  void closeDialog() override { push([&] { closed = true; }); }

  // The modal loop: fires timers, then connects (or gives up) once the rows are in.
  void run(DeviceChooser& chooser) {
    chooser.open();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    std::unique_lock lock(mutex_);
    while (std::chrono::steady_clock::now() < deadline) {
      if (!timers.empty()) {
        const unsigned ms = timers.front();
        timers.pop_front();
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        chooser.onNextDeviceTimer();
        lock.lock();
        continue;
      }
      if (rows.size() >= expectRows && !chooser.listing()) {
        lock.unlock();
        // The connect runs on its own worker; the dialog's loop goes on until it has ended.
        if (rowToConnect >= 0 && chooser.connect(rowToConnect)) waitFor([&] { return !chooser.connecting(); }, 20000);
        return;
      }
      changed_.wait_for(lock, std::chrono::milliseconds(20));
    }
  }

  // Waits until the condition (checked under the view's lock) holds; it may also depend on the
  // chooser's own state, which changes without a view call, so it is checked every 10 ms too.
  template <typename F>
  bool waitFor(F condition, unsigned ms = 10000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    std::unique_lock lock(mutex_);
    while (!condition()) {
      if (std::chrono::steady_clock::now() >= deadline) return false;
      changed_.wait_for(lock, std::chrono::milliseconds(10));
    }
    return true;
  }

  std::vector<std::string> labels, statusLines;
  std::vector<DeviceRow> rows;
  std::deque<unsigned> timers;
  int firstRowSelections = 0;
  bool closed = false;

 private:
  template <typename F>
  void push(F change) {
    std::lock_guard lock(mutex_);
    change();
    changed_.notify_all();
  }
  std::mutex mutex_;
  std::condition_variable changed_;
};

class RecordingListener : public ConnectionListener {
 public:
  ChooserScript* chooser = nullptr;
  std::string adb;

  void showConnectionStatus(const std::string& text, int state) override { add(statuses_, {text, state}); }
  void showBalloon(const std::string& text, const std::string& title) override { add(balloons_, {text + "|" + title, 0}); }
  void playSound(int id) override {
    std::lock_guard lock(mutex_);
    sounds_.push_back(id);
  }
  void startTimer(int id, unsigned ms) override {
    std::lock_guard lock(mutex_);
    timers_.push_back({id, ms});
  }
  void chooseDevice(const std::string& caption) override {
    {
      std::lock_guard lock(mutex_);
      captions_.push_back(caption);
    }
    if (!chooser) return;
    DeviceChooser dialog(*chooser, adb);
    chooser->run(dialog);
  }

  std::vector<Event> statuses() { return copy(statuses_); }
  std::vector<Event> balloons() { return copy(balloons_); }
  std::vector<int> sounds() { return copy(sounds_); }
  std::vector<std::pair<int, unsigned>> timers() { return copy(timers_); }
  std::vector<std::string> captions() { return copy(captions_); }
  void clear() {
    std::lock_guard lock(mutex_);
    statuses_.clear();
    balloons_.clear();
    sounds_.clear();
  }
  // Waits until this status has been shown (polling; the events come from worker threads).
  bool waitForStatus(const Event& want, unsigned ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < deadline) {
      for (const Event& e : statuses())
        if (e == want) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

 private:
  void add(std::vector<Event>& list, Event event) {
    std::lock_guard lock(mutex_);
    list.push_back(std::move(event));
  }
  template <typename T>
  T copy(const T& list) {
    std::lock_guard lock(mutex_);
    return list;
  }
  std::mutex mutex_;
  std::vector<Event> statuses_, balloons_;
  std::vector<int> sounds_;
  std::vector<std::pair<int, unsigned>> timers_;
  std::vector<std::string> captions_;
};

class ConnectionFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    savedServer_ = adbServerPort();
    savedAgent_ = agentPort();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = programFolder() + "adbhelper-" + info->test_suite_name() + "-" + info->name();
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_ + "/pkg dir");
    writeFile("pkg dir/com.zorvik.Zorvik.apk", std::string("PK\x03\x04", 4) + "agent package");
    setEnvironment("ZORVIK_ADB_HELPER_DIR", dir_);
    setCurrentSerial("");
    listener.adb = helperTool();
  }
  void TearDown() override {
    setAdbServerPort(savedServer_);
    setAgentPort(savedAgent_);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  ConnectionOptions options() const {
    ConnectionOptions o;
    o.adbPath = helperTool();
    o.agentPackagePath = apkPath();
    o.arrivalDelayMs = 10;
    o.agentStartWaitMs = 10;
    return o;
  }
  std::string apkPath() const { return dir_ + "/pkg dir/com.zorvik.Zorvik.apk"; }

  void useServers(LoopbackServer& adb, LoopbackServer& agent) {
    setAdbServerPort(adb.port());
    setAgentPort(agent.port());
  }
  static std::string forwardService(const std::string& serial) {
    return "host-serial:" + serial + ":forward:tcp:" + std::to_string(agentPort()) + ";tcp:50505";
  }

  void writeFile(const std::string& name, const std::string& text) {
    std::ofstream(dir_ + "/" + name, std::ios::binary) << text;
  }
  std::vector<std::string> logLines() const {
    std::ifstream in(dir_ + "/log.txt", std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    std::vector<std::string> lines;
    for (const std::string& line : splitLines(all.str())) lines.push_back(trimmed(line));
    return lines;
  }
  int countLog(const std::string& line) const {
    const auto lines = logLines();
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
  }
  bool waitForLogLines(size_t count) const {
    for (int i = 0; i < 200; ++i) {
      if (logLines().size() >= count) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  RecordingListener listener;
  std::string dir_;

 private:
  uint16_t savedServer_ = 0, savedAgent_ = 0;
};

}  // namespace zorvik::test
