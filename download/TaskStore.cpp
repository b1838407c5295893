#include "download/TaskStore.h"

#include <sqlite3.h>

#include <chrono>

#include "common/TextConv.h"
#include "common/TimeFormat.h"

namespace zorvik {
namespace {

constexpr const char* kCreate =
    "CREATE TABLE cdb_task(id INTEGER PRIMARY KEY, type INTEGER, title VARCHAR(100),  url VARCHAR(512), "
    "state INTEGER, length VARCHAR(12), action INTEGER, datetime VARCHAR(32), unique_id VARCHAR(128), "
    "save_path VARCHAR(512) );";

// A prepared statement, finalized when it goes out of scope.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) {
    if (db && sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) {
      sqlite3_finalize(stmt_);
      stmt_ = nullptr;
    }
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool ok() const { return stmt_ != nullptr; }
  Statement& bind(int index, int32_t value) {
    if (stmt_ && sqlite3_bind_int(stmt_, index, value) != SQLITE_OK) bad_ = true;
    return *this;
  }
  Statement& bind(int index, const std::string& value) {
    if (stmt_ && sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT) != SQLITE_OK)
      bad_ = true;
    return *this;
  }
  // SQLITE_ROW, SQLITE_DONE or an error code.
  int step() { return stmt_ && !bad_ ? sqlite3_step(stmt_) : SQLITE_ERROR; }
  bool run() { return step() == SQLITE_DONE; }
  int32_t integer(int column) const { return sqlite3_column_int(stmt_, column); }
  std::string text(int column) const {
    const unsigned char* p = sqlite3_column_text(stmt_, column);
    return p ? std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(stmt_, column)))
             : std::string();
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  bool bad_ = false;
};

// Columns 0 to 9 of a cdb_task row; title and save_path back to ANSI, url as stored.
DownloadTask taskFromRow(const Statement& s) {
  DownloadTask t;
  t.id = s.integer(0);
  t.type = s.integer(1);
  t.title = toAnsi(s.text(2));
  t.url = s.text(3);
  t.state = s.integer(4);
  t.length = s.text(5);
  t.action = s.integer(6);
  t.datetime = s.text(7);
  t.unique_id = s.text(8);
  t.save_path = toAnsi(s.text(9));
  return t;
}

int32_t firstId(sqlite3* db, const char* sql, int32_t state) {
  Statement s(db, sql);
  s.bind(1, state);
  return s.step() == SQLITE_ROW ? s.integer(0) : -1;
}

}  // namespace

TaskStore::TaskStore() = default;
TaskStore::~TaskStore() { close(); }

bool TaskStore::open(const std::string& path) {
  close();
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                                 nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close(db);
    return false;
  }
  db_ = db;
  sqlite3_exec(db_, kCreate, nullptr, nullptr, nullptr);  // fails harmlessly on an existing table
  return true;
}

void TaskStore::close() {
  if (db_) sqlite3_close(db_);
  db_ = nullptr;
}

bool TaskStore::addTask(const DownloadTask& task, const std::string& addedAt) {
  Statement s(db_, "INSERT INTO 'cdb_task' VALUES(NULL, ?, ?, ?, ?, ? , ? , ?, ?, ?);");
  s.bind(1, task.type)
      .bind(2, toUtf8(task.title))
      .bind(3, toUtf8(task.url))
      .bind(4, task.state)
      .bind(5, task.length)
      .bind(6, task.action)
      .bind(7, addedAt)
      .bind(8, task.unique_id)
      .bind(9, toUtf8(task.save_path));
  return s.run();
}

void TaskStore::deleteTask(int32_t id) {
  if (id == -1) return;
  Statement s(db_, "DELETE FROM cdb_task WHERE id=?");
  s.bind(1, id).run();
}

void TaskStore::setState(int32_t id, int32_t state) {
  if (id == -1) return;
  Statement s(db_, "UPDATE cdb_task SET state=? WHERE id=?");
  s.bind(1, state).bind(2, id).run();
}

TaskMatch TaskStore::findByPackage(const std::string& packageName) {
  TaskMatch match;
  Statement s(db_, "SELECT * FROM 'cdb_task' WHERE unique_id=?");
  s.bind(1, packageName);
  while (s.step() == SQLITE_ROW) {  // the last matching row gives everything
    const DownloadTask t = taskFromRow(s);
    match.found = t.state == kStateDone ? 2 : 1;
    match.id = t.id;
    match.file = taskFilePath(t.save_path, t.unique_id);
    match.title = t.title;
    match.datetime = t.datetime;
  }
  return match;
}

int32_t TaskStore::nextToDownload() {
  return firstId(db_, "SELECT * FROM cdb_task WHERE state<? LIMIT 0,1", kStatePaused);
}

int32_t TaskStore::nextToInstall() {
  return firstId(db_, "SELECT * FROM cdb_task WHERE state=? LIMIT 0,1", kStateInstallApk);
}

DownloadTask TaskStore::loadTask(int32_t id) {
  Statement s(db_, "SELECT *  FROM cdb_task WHERE id=?");
  s.bind(1, id);
  if (s.step() != SQLITE_ROW) return DownloadTask{};
  return taskFromRow(s);
}

std::string TaskStore::taskFile(int32_t id) {
  Statement s(db_, "SELECT * FROM cdb_task WHERE id=?");
  s.bind(1, id);
  if (s.step() != SQLITE_ROW) return std::string();
  const DownloadTask t = taskFromRow(s);
  return taskFilePath(t.save_path, t.unique_id);
}

std::vector<DownloadTask> TaskStore::listGroup(TaskGroup group) {
  const char* sql = "SELECT * FROM cdb_task WHERE state<>?";
  int32_t value = kStateDone;
  switch (group) {
    case TaskGroup::kUnfinished: break;
    case TaskGroup::kDownloading: sql = "SELECT * FROM cdb_task WHERE state<?"; break;
    case TaskGroup::kInstalling: sql = "SELECT * FROM cdb_task WHERE state>?"; value = kStateDownloadFailed; break;
    case TaskGroup::kFinished: sql = "SELECT * FROM cdb_task WHERE state=?"; break;
  }
  std::vector<DownloadTask> rows;
  Statement s(db_, sql);
  s.bind(1, value);
  while (s.step() == SQLITE_ROW) {
    DownloadTask t = taskFromRow(s);
    t.row = static_cast<int32_t>(rows.size());
    rows.push_back(std::move(t));
  }
  return rows;
}

std::string TaskStore::localTimeText() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return formatPhoneTime(std::chrono::duration_cast<std::chrono::milliseconds>(now).count(), "");
}

}  // namespace zorvik
