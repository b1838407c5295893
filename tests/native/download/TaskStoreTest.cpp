#include "download/TaskStore.h"
#include "download/DownloadRequests.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

namespace zorvik {
namespace {

class TaskStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static std::atomic<int> serial{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    dir_ = (std::filesystem::temp_directory_path() / ("taskstore" + std::to_string(stamp) + "_" + std::to_string(serial++)))
               .string();
    std::filesystem::create_directories(dir_);
    path_ = dir_ + "/Config.db";
    ASSERT_TRUE(store_.open(path_));
  }
  void TearDown() override {
    store_.close();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  DownloadTask task(const std::string& pkg, const std::string& title = "Title") {
    DownloadTask t;
    t.title = title;
    t.url = "http://down.example/" + pkg + ".apk";
    t.unique_id = pkg;
    t.length = "1.5MB";
    t.save_path = "C:\\ZorvikDownload";
    return t;
  }
  // What the file holds, read with a connection of its own.
  std::string column(int id, const char* name) {
    sqlite3* db = nullptr;
    sqlite3_open(path_.c_str(), &db);
    sqlite3_stmt* s = nullptr;
    const std::string sql = std::string("SELECT ") + name + " FROM cdb_task WHERE id=" + std::to_string(id);
    std::string value = "<none>";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
      value = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    sqlite3_finalize(s);
    sqlite3_close(db);
    return value;
  }
  std::string dir_, path_;
  TaskStore store_;
};

TEST_F(TaskStoreTest, RowStoredAsTheStatementWritesIt) {
  DownloadTask t = task("com.example.app", "微信");  // GBK in the program
  t.datetime = "ignored";
  t.type = 3;
  t.state = kStatePaused;
  ASSERT_TRUE(store_.addTask(t, "2026-12-08 09:05:01"));
  EXPECT_EQ(column(1, "title"), "\xE5\xBE\xAE\xE4\xBF\xA1");  // UTF-8 in the file
  EXPECT_EQ(column(1, "datetime"), "2026-12-08 09:05:01");
  EXPECT_EQ(column(1, "action"), "1");
  EXPECT_EQ(column(1, "length"), "1.5MB");
  const DownloadTask back = store_.loadTask(1);
  EXPECT_EQ(back.id, 1);
  EXPECT_EQ(back.type, 3);
  EXPECT_EQ(back.title, "微信");
  EXPECT_EQ(back.url, t.url);
  EXPECT_EQ(back.state, kStatePaused);
  EXPECT_EQ(back.save_path, "C:\\ZorvikDownload");
  EXPECT_EQ(store_.taskFile(1), "C:\\ZorvikDownload\\com.example.app.apk");
  EXPECT_EQ(store_.loadTask(99).id, -1);
  EXPECT_EQ(store_.taskFile(99), "");
}

TEST_F(TaskStoreTest, ApostrophesAndHostileNamesAreStoredNotExecuted) {
  const std::string hostile = "x'); DROP TABLE cdb_task; --";
  ASSERT_TRUE(store_.addTask(task(hostile, "Tom's 'app'"), "t"));
  ASSERT_TRUE(store_.addTask(task("com.other", "O'Brien"), "t"));
  EXPECT_EQ(store_.loadTask(1).title, "Tom's 'app'");
  EXPECT_EQ(store_.loadTask(1).unique_id, hostile);
  EXPECT_EQ(store_.findByPackage(hostile).found, 1);
  EXPECT_EQ(store_.findByPackage("' OR '1'='1").found, 0);
  EXPECT_EQ(store_.listGroup(TaskGroup::kUnfinished).size(), 2u);
}

TEST_F(TaskStoreTest, CreateAtEveryOpenKeepsRows) {
  ASSERT_TRUE(store_.addTask(task("com.a"), "t"));
  store_.close();
  ASSERT_TRUE(store_.open(path_));
  EXPECT_EQ(store_.listGroup(TaskGroup::kUnfinished).size(), 1u);
}

TEST_F(TaskStoreTest, GroupsListTheirStates) {
  for (int state : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, -1}) {
    DownloadTask t = task("com.s" + std::to_string(state + 1));
    t.state = state;
    ASSERT_TRUE(store_.addTask(t, "t"));
  }
  auto states = [&](TaskGroup g) {
    std::string s;
    for (const DownloadTask& t : store_.listGroup(g)) s += std::to_string(t.state) + ",";
    return s;
  };
  EXPECT_EQ(states(TaskGroup::kUnfinished), "0,1,2,4,5,6,7,8,9,-1,");
  EXPECT_EQ(states(TaskGroup::kDownloading), "0,1,2,-1,");
  EXPECT_EQ(states(TaskGroup::kInstalling), "5,6,7,8,9,");
  EXPECT_EQ(states(TaskGroup::kFinished), "3,");
  const auto rows = store_.listGroup(TaskGroup::kInstalling);
  EXPECT_EQ(rows[0].row, 0);
  EXPECT_EQ(rows[4].row, 4);
  EXPECT_STREQ(taskStateText(rows[4].state), "未知");
}

TEST_F(TaskStoreTest, FindByPackageLastRowWins) {
  EXPECT_EQ(store_.findByPackage("com.a").found, 0);
  DownloadTask t = task("com.a", "first");
  t.state = kStateDone;
  ASSERT_TRUE(store_.addTask(t, "t1"));
  EXPECT_EQ(store_.findByPackage("com.a").found, 2);
  for (int state : {0, 1, 2, 4, 5, 8}) {
    store_.setState(1, state);
    EXPECT_EQ(store_.findByPackage("com.a").found, 1) << state;
  }
  t.title = "second";
  t.state = kStateDone;
  ASSERT_TRUE(store_.addTask(t, "t2"));
  const TaskMatch m = store_.findByPackage("com.a");
  EXPECT_EQ(m.found, 2);
  EXPECT_EQ(m.id, 2);
  EXPECT_EQ(m.title, "second");
  EXPECT_EQ(m.datetime, "t2");
  EXPECT_EQ(m.file, "C:\\ZorvikDownload\\com.a.apk");
}

TEST_F(TaskStoreTest, NextInTableOrderAndMinusOneIds) {
  EXPECT_EQ(store_.nextToDownload(), -1);
  EXPECT_EQ(store_.nextToInstall(), -1);
  for (int state : {3, 5, 1, 0, 5}) {
    DownloadTask t = task("com.n");
    t.state = state;
    ASSERT_TRUE(store_.addTask(t, "t"));
  }
  EXPECT_EQ(store_.nextToDownload(), 3);
  EXPECT_EQ(store_.nextToInstall(), 2);
  store_.setState(-1, kStateDone);
  store_.deleteTask(-1);
  EXPECT_EQ(store_.listGroup(TaskGroup::kUnfinished).size(), 4u);
  store_.setState(3, kStatePaused);
  EXPECT_EQ(store_.nextToDownload(), 4);
  store_.deleteTask(2);
  EXPECT_EQ(store_.nextToInstall(), 5);
}

TEST(TaskStoreClosed, UnopenableFileLeavesAnEmptyStore) {
  TaskStore store;
  EXPECT_FALSE(store.open((std::filesystem::temp_directory_path() / "no-such-dir-zorvik" / "sub" / "Config.db").string()));
  EXPECT_FALSE(store.isOpen());
  DownloadTask t;
  t.unique_id = "com.a";
  EXPECT_FALSE(store.addTask(t, "t"));
  store.setState(1, 3);
  store.deleteTask(1);
  EXPECT_EQ(store.findByPackage("com.a").found, 0);
  EXPECT_EQ(store.nextToDownload(), -1);
  EXPECT_EQ(store.nextToInstall(), -1);
  EXPECT_TRUE(store.listGroup(TaskGroup::kUnfinished).empty());
  EXPECT_EQ(store.loadTask(1).id, -1);
}

TEST(TaskTexts, KindsStatesColoursAndNames) {
  EXPECT_STREQ(taskKindText(0), "应用");
  EXPECT_STREQ(taskKindText(5), "壁纸");
  EXPECT_STREQ(taskKindText(6), "未知");
  EXPECT_STREQ(taskKindText(-1), "未知");
  EXPECT_STREQ(taskStateText(1), "下载中..");
  EXPECT_STREQ(taskStateText(8), "安装失败");
  EXPECT_EQ(taskStateColour(0), 0u);
  EXPECT_EQ(taskStateColour(2), 0x076FE4u);  // RGB(228,111,7)
  EXPECT_EQ(taskStateColour(9), 0xFF00FFu);
  EXPECT_EQ(taskStateColour(-1), 0u);
  EXPECT_TRUE(isPackageName("com.example.app_2"));
  for (const char* bad : {"", "com", ".com.a", "com..a", "com.a.", "com.1a", "..\\x.y", "a.b c", "a.b&calc",
                          "a.b\"", "a.b/c"})
    EXPECT_FALSE(isPackageName(bad)) << bad;
  EXPECT_FALSE(isPackageName("a." + std::string(127, 'b')));
}

}  // namespace
}  // namespace zorvik

namespace zorvik {
namespace {

TEST(DownloadRequests, SmallestFirstEachOnce) {
  EXPECT_EQ(downloadRequestFromAddress("com.b.apk"), "com.b");
  EXPECT_EQ(downloadRequestFromAddress("x.apk.apk/y.apkz"), "x/yz");
  addDownloadRequest("com.b");
  addDownloadRequest("com.a");
  addDownloadRequest("com.b");
  addDownloadRequest("Com.z");  // upper case sorts first, by bytes
  EXPECT_EQ(takeDownloadRequest().value_or(""), "Com.z");
  EXPECT_EQ(takeDownloadRequest().value_or(""), "com.a");
  EXPECT_EQ(takeDownloadRequest().value_or(""), "com.b");
  EXPECT_FALSE(takeDownloadRequest().has_value());
}

}  // namespace
}  // namespace zorvik

namespace zorvik {
namespace {

TEST(TaskStoreTime, AddedAtIsLocalTimeInItsFormat) {
  const std::string t = TaskStore::localTimeText();
  ASSERT_EQ(t.size(), 19u) << t;
  for (size_t i : {4u, 7u}) EXPECT_EQ(t[i], '-');
  EXPECT_EQ(t[10], ' ');
  EXPECT_EQ(t[13], ':');
  EXPECT_GE(t.substr(0, 4), "2024");
}

}  // namespace
}  // namespace zorvik
