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

// One line for support in %TEMP%\ZorvikSetup.log: what could not be extracted.
void logSkipped(const std::string& temp, int skipped, const std::string& names) {
  UniqueFileHandle file(CreateFileA((temp + "ZorvikSetup.log").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  char head[64];
  std::snprintf(head, sizeof head, "setup: %d member(s) skipped:", skipped);
  const std::string line = head + names + "\r\n";
  DWORD written = 0;
  WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
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
                          const std::function<void(int)>& progress) {
  InstallOutcome out;
  // A typed location may use either separator; the shell's folder creation takes only "\".
  std::replace(location.begin(), location.end(), '/', '\\');
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
  // 4: the folder with its missing parents; an existing one is used as found.
  const int made = SHCreateDirectoryExA(nullptr, location.c_str(), nullptr);
  if (made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS && made != ERROR_FILE_EXISTS) {
    out.message = made == ERROR_PATH_NOT_FOUND ? kPathNotFoundText : kBadNameText;
    return out;
  }
  const DWORD attributes = GetFileAttributesA(location.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    out.message = kBadNameText;  // a file of that name stands where the folder should be
    return out;
  }
  progress(10);
  // 5: the payload written whole to the temporary folder, then read from there.
  const std::string archivePath = temp + kPayloadTempName;
  DeleteFileA(archivePath.c_str());
  ApkArchive archive;
  if (payload.empty() || temp.empty() || !writeWhole(archivePath, payload) || !archive.openFile(archivePath)) {
    // Nothing left behind by a failed check: the folder goes again if this run made it (and it is empty).
    if (made == ERROR_SUCCESS) RemoveDirectoryA(location.c_str());
    out.message = kTempFileText;
    return out;
  }
  progress(15);
  // 6: the members in order, each replacing what is there; one that cannot be had is skipped.
  const std::string folder = location.back() == '\\' ? location : location + "\\";
  CreateDirectoryA((folder + kDataFolderName).c_str(), nullptr);
  std::string skippedNames;
  for (const PayloadMember& member : payloadMembers()) {
    const std::string target = memberTargetPath(folder, member.name, member.inDataFolder);
    const std::optional<std::string> bytes = archive.readMember(member.name);
    bool done = !target.empty() && bytes.has_value();
    if (done && !writeWhole(target, *bytes)) {
      DeleteFileA(target.c_str());  // never leave a cut file behind
      done = false;
    }
    if (!done) {
      ++out.skipped;
      skippedNames += std::string(" ") + member.name;
    }
    if (member.progressAfter) progress(member.progressAfter);
  }
  if (out.skipped) logSkipped(temp, out.skipped, skippedNames);
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
