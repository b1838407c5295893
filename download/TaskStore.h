#pragma once
// The download tasks kept across runs: the table cdb_task in the SQLite file "Config.db" beside
// the program (or in the user's data folder when the program's cannot be written). Every value
// reaches SQLite as a bound parameter, so a title with an apostrophe or a
// hostile package name is stored as it is and can never change a statement.
//
// One connection, opened by the downloads page and used by its UI thread and its workers; it is
// opened in SQLite's serialized mode, so the store takes no lock of its own. A file that cannot be
// opened leaves the store closed: every statement then does nothing and every query finds nothing.
#include <memory>
#include <string>
#include <vector>

#include "download/DownloadTask.h"

struct sqlite3;

namespace zorvik {

// findByPackage's answer: found 0 (no task), 1 (a task), 2 (a finished task, state 3); with the
// last matching row's id, task file, title (ANSI) and datetime.
struct TaskMatch {
  int found = 0;
  int32_t id = -1;
  std::string file;
  std::string title;
  std::string datetime;
};

class TaskStore {
 public:
  TaskStore();
  ~TaskStore();
  TaskStore(const TaskStore&) = delete;
  TaskStore& operator=(const TaskStore&) = delete;

  // Opens (creating) the database and runs the CREATE statement, whose failure on an existing
  // table is ignored. False, and the store closed, when the file cannot be opened.
  bool open(const std::string& path);
  void close();
  bool isOpen() const { return db_ != nullptr; }

  // Adds the task with `addedAt` as its datetime (the record's own datetime is not used); title,
  // url and save_path are converted from ANSI to UTF-8. False when nothing was added.
  bool addTask(const DownloadTask& task, const std::string& addedAt);
  bool addTask(const DownloadTask& task) { return addTask(task, localTimeText()); }
  void deleteTask(int32_t id);
  void setState(int32_t id, int32_t state);
  TaskMatch findByPackage(const std::string& packageName);
  // The first task (ascending id) waiting or downloading / waiting for its install; -1 for none.
  int32_t nextToDownload();
  int32_t nextToInstall();
  // The whole row (title and save_path in ANSI, url as stored); a record with id -1 when absent.
  DownloadTask loadTask(int32_t id);
  // The task's file path; empty when the task is absent.
  std::string taskFile(int32_t id);
  // The rows of a group in table order, each record's `row` its index.
  std::vector<DownloadTask> listGroup(TaskGroup group);

  // The current local time as "%04d-%02d-%02d %02d:%02d:%02d".
  static std::string localTimeText();

 private:
  sqlite3* db_ = nullptr;  // owned; closed by close()
};

}  // namespace zorvik
