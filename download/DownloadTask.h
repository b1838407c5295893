#pragma once
// A download task as the downloads page holds it, and the two numeric vocabularies stored with it
// (kind and state), with their texts and the state's colour in the list.
#include <cstdint>
#include <string>

namespace zorvik {

// Column `type` of cdb_task. Tasks added from the store are always applications.
enum TaskKind : int32_t {
  kKindApp = 0,
  kKindMusic = 1,
  kKindRingtone = 2,
  kKindVideo = 3,
  kKindNovel = 4,
  kKindWallpaper = 5,
};

// Column `state` of cdb_task.
enum TaskState : int32_t {
  kStateWaiting = 0,
  kStateDownloading = 1,
  kStatePaused = 2,
  kStateDone = 3,
  kStateDownloadFailed = 4,
  kStateInstallApk = 5,
  kStateInstallXap = 6,   // shown only; nothing sets it
  kStateConverting = 7,   // shown only; nothing sets it
  kStateInstallFailed = 8,
};

// The groups of the page's tree; each lists the rows of one query.
enum class TaskGroup : int { kUnfinished = 1, kDownloading = 2, kInstalling = 3, kFinished = 4 };

struct DownloadTask {
  int32_t row = -1;
  int32_t id = -1;
  int32_t type = kKindApp;
  std::string title;     // ANSI
  std::string datetime;
  std::string url;       // as stored (UTF-8)
  std::string unique_id; // the package name; names the task's file
  int32_t state = kStateWaiting;
  std::string length;
  int32_t action = 1;
  std::string save_path; // ANSI
};

const char* taskKindText(int32_t kind);
const char* taskStateText(int32_t state);
// The state's colour in the list as 0x00BBGGRR (a COLORREF).
uint32_t taskStateColour(int32_t state);

// save_path + "\" + unique_id + ".apk": where the task downloads to and installs from.
std::string taskFilePath(const std::string& savePath, const std::string& packageName);

// An Android package name: two or more dot-separated segments, each a letter or '_' followed by
// letters, digits or '_', 128 characters at most. Only such a name may name a file or reach a
// command line.
bool isPackageName(const std::string& name);

}  // namespace zorvik
