#include "settings/SettingsWin.h"

#include "common/win/ModulePath.h"

#include <algorithm>

#include <shellapi.h>
#include <shlobj.h>

#include "common/win/Handles.h"

namespace zorvik {

namespace {
UniqueHkey openKey(HKEY root, const char* key, REGSAM access) {
  HKEY h = nullptr;
  if (RegOpenKeyExA(root, key, 0, access, &h) != ERROR_SUCCESS) return UniqueHkey();
  return UniqueHkey(h);
}

UniqueHkey createKey(HKEY root, const char* key) {
  HKEY h = nullptr;
  if (RegCreateKeyExA(root, key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr,
                      &h, nullptr) != ERROR_SUCCESS)
    return UniqueHkey();
  return UniqueHkey(h);
}

// A REG_SZ / REG_EXPAND_SZ value, read whole whatever its length, without its terminator.
std::optional<std::string> readString(HKEY root, const char* key, const char* name) {
  UniqueHkey h = openKey(root, key, KEY_QUERY_VALUE);
  if (!h) return std::nullopt;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(h.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
  std::string value(size, '\0');
  if (size && RegQueryValueExA(h.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) !=
                  ERROR_SUCCESS)
    return std::nullopt;
  value.resize(std::min<size_t>(size, value.size()));
  while (!value.empty() && value.back() == '\0') value.pop_back();
  return value;
}

bool writeString(HKEY root, const char* key, const char* name, const std::string& value) {
  UniqueHkey h = createKey(root, key);
  return h && RegSetValueExA(h.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

std::string rootOf(char letter) { return std::string(1, letter) + ":\\"; }
}  // namespace

std::optional<std::string> readSetting(const char* name) { return readString(HKEY_CURRENT_USER, kSettingsKey, name); }

std::optional<std::uint32_t> readSettingNumber(const char* name) {
  UniqueHkey h = openKey(HKEY_CURRENT_USER, kSettingsKey, KEY_QUERY_VALUE);
  if (!h) return std::nullopt;
  DWORD type = 0, value = 0, size = sizeof value;
  if (RegQueryValueExA(h.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof value)
    return std::nullopt;
  return value;
}

bool writeSetting(const char* name, const std::string& value) {
  return writeString(HKEY_CURRENT_USER, kSettingsKey, name, value);
}

bool writeSettingNumber(const char* name, std::uint32_t value) {
  UniqueHkey h = createKey(HKEY_CURRENT_USER, kSettingsKey);
  const DWORD data = value;
  return h && RegSetValueExA(h.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data) ==
                  ERROR_SUCCESS;
}

std::string serviceBase() { return serviceBaseFrom(readSetting(kServiceBaseValue), kDefaultServiceBase); }
std::string storeBase() { return serviceBaseFrom(readSetting(kStoreBaseValue), kDefaultStoreBase); }
std::string downloadBase() { return serviceBaseFrom(readSetting(kDownloadBaseValue), kDefaultDownloadBase); }
std::string weatherHost() { return weatherHostFrom(readSetting(kWeatherHostValue)); }
std::string searchBase() { return serviceBaseFrom(readSetting(kSearchBaseValue), kDefaultSearchBase); }

std::uint32_t readExitMode() { return exitModeFrom(readSettingNumber(kExitModeValue)); }
bool writeExitMode(std::uint32_t mode) { return writeSettingNumber(kExitModeValue, mode); }

std::string programPath() { return modulePathOf<char>(nullptr); }

std::optional<std::string> readRunValue() { return readString(HKEY_CURRENT_USER, kRunKey, kRunValue); }

bool setStartWithWindows(bool on, const std::string& path) {
  if (on) return writeString(HKEY_CURRENT_USER, kRunKey, kRunValue, runCommandFor(path));
  UniqueHkey h = openKey(HKEY_CURRENT_USER, kRunKey, KEY_SET_VALUE);
  if (!h) return !readRunValue();
  const LSTATUS rc = RegDeleteValueA(h.get(), kRunValue);
  return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool WinDriveProbe::isFixed(char letter) const { return GetDriveTypeA(rootOf(letter).c_str()) == DRIVE_FIXED; }

std::optional<std::uint64_t> WinDriveProbe::freeBytes(char letter) const { return folderFreeBytes(rootOf(letter)); }

std::optional<std::uint64_t> folderFreeBytes(const std::string& folder) {
  // A folder not made yet is measured on its nearest existing parent: the same drive.
  std::string probe = folder;
  while (!probe.empty()) {
    ULARGE_INTEGER available{};
    if (GetDiskFreeSpaceExA(probe.c_str(), &available, nullptr, nullptr)) return available.QuadPart;
    while (!probe.empty() && probe.back() == '\\') probe.pop_back();
    const size_t slash = probe.find_last_of('\\');
    if (slash == std::string::npos) break;
    probe.resize(slash + 1);
  }
  return std::nullopt;
}

bool folderExists(const std::string& folder) {
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool createFolder(const std::string& folder) {
  if (folder.empty()) return false;
  if (!folderExists(folder)) {
    // SHCreateDirectoryEx wants a full path; a relative one would land beside the working folder.
    char full[MAX_PATH] = {};
    const DWORD n = GetFullPathNameA(folder.c_str(), MAX_PATH, full, nullptr);
    if (n == 0 || n >= MAX_PATH) return false;
    SHCreateDirectoryExA(nullptr, full, nullptr);
  }
  return folderExists(folder);
}

bool folderWritable(const std::string& folder) {
  if (!createFolder(folder)) return false;
  std::string probe = folder;
  if (probe.back() != '\\') probe += '\\';
  probe += "zorvik-write-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetCurrentThreadId()) + ".tmp";
  UniqueFileHandle file(CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  return static_cast<bool>(file);
}

const DataFolder& dataFolder() {
  static const DataFolder chosen = [] {
    char appData[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, appData)))
      appData[0] = '\0';
    const std::string program = programPath();
    return chooseDataFolder(program.substr(0, program.find_last_of('\\') + 1), appData, folderWritable);
  }();
  return chosen;
}

std::string readDownloadFolder(const DriveProbe& drives) {
  if (std::optional<std::string> stored = readSetting(kDownloadPathValue); stored && folderExists(*stored))
    return *stored;
  char profile[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, profile))) profile[0] = '\0';
  if (!profile[0] && !chooseDownloadDrive(drives)) return {};
  const std::string folder = defaultDownloadFolder(drives, profile);
  if (!createFolder(folder)) return {};
  writeSetting(kDownloadPathValue, folder);
  return folder;
}

void openInExplorer(const std::string& folder) {
  ShellExecuteA(nullptr, "open", "explorer.exe", ("\"" + folder + "\"").c_str(), nullptr, SW_SHOWNORMAL);
}

bool openDownloadFolder(const FolderOpener& open) {
  const std::optional<std::string> folder = readSetting(kDownloadPathValue);
  if (!folder || !folderExists(*folder)) return false;
  open(*folder);
  return true;
}

}  // namespace zorvik
