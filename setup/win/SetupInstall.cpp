#include "setup/win/SetupInstall.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <optional>

#include "settings/RegistrationWin.h"
#include "settings/SettingsWin.h"
#include "common/win/Handles.h"
#include "installer/ApkArchive.h"
#include "installer/AssociationWin.h"
#include "setup/SetupRules.h"

namespace zorvik {

namespace {
constexpr unsigned long long kTempNeeded = 10ull << 20;
constexpr unsigned long long kTargetNeeded = 20ull << 20;

// "X:\" of a location, or "\\server\share\" of a network one; empty when it has neither.
std::string rootOf(const std::string& location) {
  if (location.size() >= 2 && location[1] == ':') return location.substr(0, 2) + "\\";
  if (location.compare(0, 2, "\\\\") == 0) {
    size_t end = location.find('\\', 2);
    if (end != std::string::npos) end = location.find('\\', end + 1);
    return (end == std::string::npos ? location : location.substr(0, end)) + "\\";
  }
  return {};
}

std::optional<unsigned long long> freeOnRoot(const std::string& root) {
  ULARGE_INTEGER available{};
  if (root.empty() || !GetDiskFreeSpaceExA(root.c_str(), &available, nullptr, nullptr)) return std::nullopt;
  return available.QuadPart;
}

std::string longTempFolder() {
  char shortPath[MAX_PATH] = {};
  const DWORD n = GetTempPathA(MAX_PATH, shortPath);
  if (n == 0 || n >= MAX_PATH) return {};
  char longPath[MAX_PATH] = {};
  const DWORD m = GetLongPathNameA(shortPath, longPath, MAX_PATH);
  return (m == 0 || m >= MAX_PATH) ? std::string(shortPath) : std::string(longPath);
}

bool writeWhole(const std::string& path, std::string_view bytes) {
  UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

// One line for support in %TEMP%\ZorvikSetup.log: what could not be written.
void logNotWritten(const std::string& temp, const std::vector<std::string>& names) {
  UniqueFileHandle file(CreateFileA((temp + "ZorvikSetup.log").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  char head[64];
  std::snprintf(head, sizeof head, "setup: %d member(s) not written:", static_cast<int>(names.size()));
  std::string line = head;
  for (const std::string& name : names) line += " " + name;
  line += "\r\n";
  DWORD written = 0;
  WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::string parentOf(const std::string& path) {
  const size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// What one run made, taken away again unless the run is kept: the files it created, then its
// folders innermost first (a folder that holds anything else stays).
class RunUndo {
public:
  ~RunUndo() {
    if (keep_) return;
    for (auto it = files_.rbegin(); it != files_.rend(); ++it) DeleteFileA(it->c_str());
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) RemoveDirectoryA(it->c_str());
  }
  void folder(std::string path) { folders_.push_back(std::move(path)); }
  void file(std::string path) { files_.push_back(std::move(path)); }
  void keep() { keep_ = true; }

private:
  std::vector<std::string> folders_, files_;
  bool keep_ = false;
};

// Creates `location` and its missing parents one by one, each recorded in `undo`; the failed
// check's message, or nullptr.
const char* createLocation(const std::string& location, const std::string& root, RunUndo& undo) {
  std::vector<std::string> missing;
  for (std::string path = location; path.size() > root.size() &&
                                    GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
       path = parentOf(path)) {
    missing.insert(missing.begin(), path);
  }
  for (const std::string& folder : missing) {
    if (CreateDirectoryA(folder.c_str(), nullptr)) {
      undo.folder(folder);
      continue;
    }
    switch (GetLastError()) {
      case ERROR_ALREADY_EXISTS: continue;  // made meanwhile by someone else: not ours to remove
      case ERROR_PATH_NOT_FOUND: return kPathNotFoundText;
      case ERROR_ACCESS_DENIED:
      case ERROR_WRITE_PROTECT:
      case ERROR_NOT_READY: return kNoAccessText;
      default: return kBadNameText;
    }
  }
  const DWORD attributes = GetFileAttributesA(location.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return kBadNameText;  // a file of that name stands where the folder should be
  return nullptr;
}

bool cancelled(const ExchangeCancel* cancel) { return cancel && cancel->cancelled(); }

std::string notWrittenMessage(const std::vector<std::string>& names) {
  std::string text = kNotWrittenText;
  for (size_t i = 0; i < names.size(); ++i) text += (i ? "、" : "") + names[i];
  return text + "\n" + kNotWrittenHint;
}
}  // namespace

std::string_view payloadResource(HMODULE module) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(kPayloadResourceId), kPayloadResourceType);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  const DWORD size = found ? SizeofResource(module, found) : 0;
  if (!bytes || size == 0) return {};
  return {bytes, size};
}

InstallOutcome runInstall(std::string location, std::string_view payload,
                          const std::function<void(int)>& progress, const ExchangeCancel* cancel) {
  InstallOutcome out;
  // A typed location may use either separator and "." or ".." parts: one full path with "\".
  std::replace(location.begin(), location.end(), '/', '\\');
  if (!location.empty()) {
    char full[MAX_PATH] = {};
    const DWORD n = GetFullPathNameA(location.c_str(), MAX_PATH, full, nullptr);
    if (n > 0 && n < MAX_PATH && rootOf(location) == rootOf(full)) location = full;
  }
  while (location.size() > 3 && location.back() == '\\') location.pop_back();
  // 1-3: the location's drive, the free space of the temporary folder's drive and of the target's.
  const std::string root = rootOf(location);
  if (root.empty() || GetFileAttributesA(root.c_str()) == INVALID_FILE_ATTRIBUTES) {
    out.message = kBadLocationText;
    return out;
  }
  std::string temp = longTempFolder();
  if (!temp.empty() && temp.back() != '\\') temp += '\\';
  const auto tempFree = freeOnRoot(rootOf(temp));
  if (!tempFree || *tempFree < kTempNeeded) {
    out.message = kTempSpaceText;
    return out;
  }
  const auto targetFree = freeOnRoot(root);
  if (!targetFree || *targetFree < kTargetNeeded) {
    out.message = kTargetSpaceText;
    return out;
  }
  // 4: the folder with its missing parents; an existing one is used as found. From here on a run
  // that does not finish takes away what it made.
  RunUndo undo;
  if (const char* failed = createLocation(location, root, undo)) {
    out.message = failed;
    return out;
  }
  progress(10);
  // 5: the payload written whole to the temporary folder, then read from there.
  const std::string archivePath = temp + kPayloadTempName;
  DeleteFileA(archivePath.c_str());
  ApkArchive archive;
  if (payload.empty() || temp.empty() || !writeWhole(archivePath, payload) || !archive.openFile(archivePath)) {
    out.message = kTempFileText;
    return out;
  }
  progress(15);
  // 6: every member's file is opened for writing, and kept from other writers, before any is
  // replaced: a member that is missing from the archive or whose file is in use or may not be
  // written (a running zorvik.exe, a folder without rights) fails the run with nothing replaced.
  const std::string folder = location.back() == '\\' ? location : location + "\\";
  const std::string dataFolder = folder + kDataFolderName;
  if (CreateDirectoryA(dataFolder.c_str(), nullptr)) undo.folder(dataFolder);
  struct Target {
    const PayloadMember* member;
    std::string path;
    UniqueFileHandle file;
  };
  std::vector<Target> targets;
  for (const PayloadMember& member : payloadMembers()) {
    const std::string path = memberTargetPath(folder, member.name, member.inDataFolder);
    UniqueFileHandle file;
    if (!path.empty() && archive.hasMember(member.name)) {
      HANDLE opened = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
      file.reset(opened);
      if (file && !existed) undo.file(path);
    }
    if (!file) out.notWritten.push_back(member.name);
    targets.push_back({&member, path, std::move(file)});
  }
  // Then each is written in order, replacing what is there.
  for (Target& target : targets) {
    if (!out.notWritten.empty() || cancelled(cancel)) break;
    const std::optional<std::string> bytes = archive.readMember(target.member->name);
    DWORD written = 0;
    const bool done = bytes && SetFilePointer(target.file.get(), 0, nullptr, FILE_BEGIN) == 0 &&
                      WriteFile(target.file.get(), bytes->data(), static_cast<DWORD>(bytes->size()), &written,
                                nullptr) &&
                      written == bytes->size() && SetEndOfFile(target.file.get());
    if (!done) {
      target.file.reset();
      DeleteFileA(target.path.c_str());  // never leave a cut file behind
      out.notWritten.push_back(target.member->name);
    }
    if (target.member->progressAfter) progress(target.member->progressAfter);
  }
  targets.clear();  // every file closed before the run is judged
  if (!out.notWritten.empty()) {
    logNotWritten(temp, out.notWritten);
    out.message = notWrittenMessage(out.notWritten);
    return out;
  }
  if (cancelled(cancel)) {
    out.message = kCancelledText;
    return out;
  }
  undo.keep();
  // 7: the association, the shortcut and the notice; their failures are not reported.
  writeAssociation(folder + "Quillet.exe");
  createDesktopShortcut(folder + "zorvik.exe");
  notifyAssociationChanged();
  progress(100);
  out.ok = true;
  out.message = kDoneText;
  return out;
}

}  // namespace zorvik
