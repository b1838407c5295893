// The queue end to end against websim: a request becomes a task, is downloaded and installed
// (through a stand-in install tool), failures give their states, and hostile answers add nothing.
#include "download/DownloadQueue.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include "common/FormPost.h"
#include "download/PackageInfo.h"
#include "native/download/DownloadTestSupport.h"

namespace zorvik {
namespace {

using namespace std::chrono_literals;

class FakeHost : public DownloadQueueHost {
 public:
  FakeHost(std::string base, std::string folder) : base_(std::move(base)), folder_(std::move(folder)) {}
  void refillUnfinished() override { ++refills; }
  void downloadStarted(const DownloadTask& t) override { started += t.unique_id + ";"; }
  void downloadProgress(int, int) override {}
  void downloadComplete() override { ++completed; }
  void setStatusText(const std::string& text) override {
    std::lock_guard<std::mutex> hold(lock);
    status = text;
  }
  std::string postPackageInfo(const std::string& url, const std::string& json) override {
    // As FormPost sends and returns it: the body with its zero byte, the reply lines marked.
    const std::string path = url.substr(base_.size() - 1);
    httplib::Client client(base_.substr(0, base_.size() - 1));
    std::string body = formBody({{"apk", json}});
    body.push_back('\0');
    auto reply = client.Post(path.c_str(), body, "application/x-www-form-urlencoded");
    posted = json;
    return reply ? formReplyText(reply->body) : std::string();
  }
  std::string md5hex(const std::string& bytes) override { return "0123456789abcdef" + bytes; }
  std::string serviceBase() override { return base_; }
  std::string downloadBase() override { return base_; }
  std::string downloadFolder() override { return folder_; }
  std::string adbTool() override { return "adb.exe"; }
  std::string deviceSerial() override { return serial; }
  std::string runInstall(const std::string& commandLine, const std::string& packageFile) override {
    std::lock_guard<std::mutex> hold(lock);
    commands.push_back(commandLine);
    packageFiles.push_back(packageFile);
    return installAnswer;
  }
  std::atomic<int> refills{0}, completed{0};
  std::string serial = "vphone-1";
  std::string started, posted, status, installAnswer = "\tPerforming Streamed Install\r\nSuccess\r\n";
  std::vector<std::string> commands, packageFiles;
  std::mutex lock;

 private:
  std::string base_, folder_;
};

class DownloadQueueTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { sim_ = new test::WebSim; }
  static void TearDownTestSuite() { delete sim_; }
  void SetUp() override { ASSERT_TRUE(store_.open(dir_.path + "/Config.db")); }
  // Waits until the task reaches `state` (or 10 s pass) and gives the state it has then.
  int32_t waitState(int32_t id, int32_t state) {
    for (int i = 0; i < 500 && store_.loadTask(id).state != state; ++i) std::this_thread::sleep_for(20ms);
    for (int i = 0; i < 100 && (queue_.installRunning() || queue_.downloadRunning()); ++i)
      std::this_thread::sleep_for(20ms);
    return store_.loadTask(id).state;
  }
  static test::WebSim* sim_;
  test::TempDir dir_;
  TaskStore store_;
  FakeHost host_{sim_->base, dir_.path};
  DownloadQueue queue_{store_, host_};
};
test::WebSim* DownloadQueueTest::sim_ = nullptr;

TEST(PackageInfo, RequestTextsAndAnswers) {
  EXPECT_EQ(packageInfoUrl("http://h/"), "http://h/feedback/android_info.php");
  EXPECT_EQ(checkSumInput("com.tencent.mm"), ".mm");
  EXPECT_EQ(packageCheckSum("0123456789abcdef0123456789abcdef"), "6789");
  EXPECT_EQ(packageCheckSum("Error creating hash"), "crea");
  EXPECT_EQ(packageInfoJson("6789", "com.a.b"), "{\n   \"CheckSum\" : \"6789\",\n   \"PackageName\" : \"com.a.b\"\n}\n");
  DownloadTask t;
  ASSERT_TRUE(taskFromPackageInfo(
      "{\"pkg\":\"com.a.b\",\"size\":\"1 MB\",\"title\":\"\xE5\xBE\xAE\xE4\xBF\xA1\",\"url\":\"f/com.a.b.apk\"}/r/n",
      "http://d/", "C:\\dl", t));
  EXPECT_EQ(t.title, "微信");
  EXPECT_EQ(t.url, "http://d/f/com.a.b.apk");
  EXPECT_EQ(t.unique_id, "com.a.b");
  EXPECT_EQ(t.length, "1 MB");
  EXPECT_EQ(t.state, 0);
  ASSERT_TRUE(taskFromPackageInfo("{/r/n   \"pkg\" : \"com.x.y\",/r/n   \"url\" : \"u\"/r/n}/r/n", "", "", t));
  EXPECT_EQ(t.unique_id, "com.x.y");
  EXPECT_FALSE(taskFromPackageInfo("not json/r/n", "", "", t));
  EXPECT_FALSE(taskFromPackageInfo("{\"pkg\":\"..\\\\x & calc\",\"url\":\"u\"}", "", "", t));
  EXPECT_FALSE(taskFromPackageInfo("{\"pkg\":\"com.a.b\"}", "", "", t));
  EXPECT_FALSE(taskFromPackageInfo("[1]", "", "", t));
  EXPECT_EQ(installCommand("adb.exe", "emulator-5554", "C:\\My Files\\com.a.apk"),
            "adb.exe -s emulator-5554 install -r \"C:\\My Files\\com.a.apk\"");
  EXPECT_EQ(installOutcome("  Success  "), kStateDone);
  EXPECT_EQ(installOutcome("Failure [INSTALL_FAILED_INVALID_APK]"), kStateInstallFailed);
  EXPECT_EQ(installOutcome(std::string(5000, ' ') + "Success"), kStateInstallFailed);  // past 4095 bytes
  EXPECT_EQ(installOutcome(""), kStateInstallFailed);
}

TEST_F(DownloadQueueTest, RequestDownloadsAndInstalls) {
  queue_.lookup("com.zorvik.demo");
  const int32_t id = [&] {
    for (int i = 0; i < 250 && store_.findByPackage("com.zorvik.demo").found == 0; ++i) std::this_thread::sleep_for(20ms);
    return store_.findByPackage("com.zorvik.demo").id;
  }();
  ASSERT_NE(id, -1);
  EXPECT_EQ(waitState(id, kStateDone), kStateDone);
  EXPECT_EQ(host_.posted, "{\n   \"CheckSum\" : \"6789\",\n   \"PackageName\" : \"com.zorvik.demo\"\n}\n");
  EXPECT_EQ(host_.status, "【+】下载 测试应用 com.zorvik.demo");
  EXPECT_EQ(host_.started, "com.zorvik.demo;");
  EXPECT_EQ(host_.completed, 1);
  ASSERT_EQ(host_.commands.size(), 1u);
  EXPECT_EQ(host_.commands[0], "adb.exe -s vphone-1 install -r " + dir_.path + "\\com.zorvik.demo.apk");
  EXPECT_EQ(host_.packageFiles, std::vector<std::string>{dir_.path + "\\com.zorvik.demo.apk"});  // its size sets the deadline
  const DownloadTask t = store_.loadTask(id);
  EXPECT_EQ(t.title, "测试应用 com.zorvik.demo");
  EXPECT_EQ(t.url, sim_->base + "files/262144/com.zorvik.demo.apk");
  EXPECT_TRUE(test::readFile(dir_.path + "\\com.zorvik.demo.apk") == test::pattern(262144));
}

TEST_F(DownloadQueueTest, FailedInstallFailedDownloadAndBadAnswers) {
  host_.installAnswer = "Failure [INSTALL_FAILED_OLDER_SDK]\n";
  DownloadTask ok, missing;
  ok.unique_id = "com.zorvik.ok";
  ok.url = sim_->base + "files/1000/x.apk";
  ok.save_path = dir_.path;
  missing = ok;
  missing.unique_id = "com.zorvik.missing";
  missing.url = sim_->base + "status/404";
  ASSERT_TRUE(store_.addTask(missing));
  ASSERT_TRUE(store_.addTask(ok));
  queue_.schedule();
  EXPECT_EQ(waitState(2, kStateInstallFailed), kStateInstallFailed);
  EXPECT_EQ(store_.loadTask(1).state, kStateDownloadFailed);
  // No phone, or a serial that could carry a second command: the install fails without a run.
  for (const char* serial : {"", "s1 & calc"}) {
    host_.serial = serial;
    store_.setState(2, kStateInstallApk);
    queue_.startNextInstall();
    EXPECT_EQ(waitState(2, kStateInstallFailed), kStateInstallFailed);
  }
  EXPECT_EQ(host_.commands.size(), 1u);
  // No lookup answer that is not JSON, or names no package, adds a task.
  for (const char* name : {"com.zorvik.notjson", "com.zorvik.badpkg"}) {
    queue_.lookup(name);
    for (int i = 0; i < 100 && queue_.lookupRunning(); ++i) std::this_thread::sleep_for(20ms);
    EXPECT_EQ(store_.listGroup(TaskGroup::kUnfinished).size(), 2u) << name;
    std::lock_guard<std::mutex> hold(host_.lock);
    EXPECT_EQ(host_.status, std::string("【错误】查询软件包信息失败，无法下载 ") + name);
  }
}

// Config.db could not be opened (a program folder no one may write, say): the answer is not
// announced as a new task, the status says it was not kept.
TEST_F(DownloadQueueTest, StoreThatCannotBeWrittenSaysSo) {
  store_.close();
  queue_.lookup("com.zorvik.demo");
  for (int i = 0; i < 250 && queue_.lookupRunning(); ++i) std::this_thread::sleep_for(20ms);
  std::lock_guard<std::mutex> hold(host_.lock);
  EXPECT_EQ(host_.status, "【错误】任务无法保存（Config.db 不可写），无法下载 测试应用 com.zorvik.demo");
  EXPECT_EQ(host_.refills, 0);
}

TEST_F(DownloadQueueTest, SecondRequestWhileALookupRunsIsDropped) {
  queue_.lookup("com.zorvik.first");
  queue_.lookup("com.zorvik.second");
  {
    std::lock_guard<std::mutex> hold(host_.lock);
    EXPECT_EQ(host_.status, "【提示】正在查询另一个软件包，请稍后再下载 com.zorvik.second");
  }
  for (int i = 0; i < 250 && store_.findByPackage("com.zorvik.first").found == 0; ++i) std::this_thread::sleep_for(20ms);
  for (int i = 0; i < 100 && (queue_.lookupRunning() || queue_.downloadRunning()); ++i) std::this_thread::sleep_for(20ms);
  EXPECT_NE(store_.findByPackage("com.zorvik.first").found, 0);
  EXPECT_EQ(store_.findByPackage("com.zorvik.second").found, 0);
}

}  // namespace
}  // namespace zorvik

namespace zorvik {
namespace {

// Closing the page while a transfer runs: the stopped transfer must not start the next task on a
// downloader that is being destroyed.
TEST(DownloadQueueClosing, DestroyedMidTransferEndsCleanly) {
  test::WebSim sim;
  test::TempDir dir;
  TaskStore store;
  ASSERT_TRUE(store.open(dir.path + "/Config.db"));
  FakeHost host(sim.base, dir.path);
  for (const char* name : {"com.zorvik.a", "com.zorvik.b"}) {
    DownloadTask t;
    t.unique_id = name;
    t.url = sim.base + "files/300000/x.apk?close_at=100000&rate=200000";  // fails after half a second
    t.save_path = dir.path;
    ASSERT_TRUE(store.addTask(t));
  }
  {
    DownloadQueue queue(store, host);
    queue.schedule();
    std::this_thread::sleep_for(400ms);
  }  // the transfer ends (stopped) during destruction; nothing follows it
  std::this_thread::sleep_for(800ms);
  EXPECT_EQ(host.started, "com.zorvik.a;");
  EXPECT_EQ(store.loadTask(2).state, kStateWaiting);
}

}  // namespace
}  // namespace zorvik
