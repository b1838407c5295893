#include "settings/Settings.h"

#include <climits>

namespace zorvik {

std::uint32_t exitModeFrom(std::optional<std::uint32_t> stored) {
  return stored && *stored == kExitModeExit ? kExitModeExit : kExitModeHide;
}

std::string serviceBaseFrom(const std::optional<std::string>& stored, const char* fallback) {
  if (!stored) return fallback;
  const std::string& value = *stored;
  const bool http = value.compare(0, 7, "http://") == 0 || value.compare(0, 8, "https://") == 0;
  const size_t schemeEnd = value.find("://") + 3;
  if (!http || value.size() <= schemeEnd || value.find_first_of(" \t\r\n\"") != std::string::npos) return fallback;
  return value.back() == '/' ? value : value + "/";
}

std::string weatherHostFrom(const std::optional<std::string>& stored) {
  if (!stored || stored->empty() || stored->size() > 253) return kDefaultWeatherHost;
  int colons = 0;
  for (const char c : *stored) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                    c == '-' || (c == ':' && ++colons == 1);
    if (!ok) return kDefaultWeatherHost;
  }
  return *stored;
}

std::string runCommandFor(const std::string& programPath) { return "\"" + programPath + "\" /hide"; }

bool equalsIgnoreCaseGbk(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
  for (size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 0x81 && x <= 0xFE && i + 1 < a.size()) {  // lead byte: compare the pair exactly
      if (x != y || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (fold(x) != fold(y)) return false;
  }
  return true;
}

bool runValueMatches(const std::optional<std::string>& stored, const std::string& programPath) {
  return stored && equalsIgnoreCaseGbk(*stored, runCommandFor(programPath));
}

std::optional<char> chooseDownloadDrive(const DriveProbe& drives) {
  std::optional<char> best;
  std::uint64_t bestFree = 0;
  for (char letter = 'C'; letter <= 'Z'; ++letter) {
    if (!drives.isFixed(letter)) continue;
    const std::optional<std::uint64_t> free = drives.freeBytes(letter);
    if (!free || *free < kMinDownloadDriveFree) continue;
    if (!best || *free >= bestFree) {
      best = letter;
      bestFree = *free;
    }
  }
  return best;
}

std::string defaultDownloadFolder(const DriveProbe& drives, const std::string& profileFolder) {
  if (const std::optional<char> drive = chooseDownloadDrive(drives))
    return std::string(1, *drive) + ":\\" + kDownloadFolderName;
  std::string folder = profileFolder;
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder + kDownloadFolderName;
}

bool isFullFolderPath(const std::string& folder) {
  if (folder.size() < 3) return false;
  const unsigned char first = static_cast<unsigned char>(folder[0]);
  const bool drive = ((first | 0x20) >= 'a' && (first | 0x20) <= 'z') && folder[1] == ':' &&
                     (folder[2] == '\\' || folder[2] == '/');
  const bool share = folder[0] == '\\' && folder[1] == '\\' && folder[2] != '\\';
  return drive || share;
}

DataFolder chooseDataFolder(const std::string& programFolder, const std::string& appDataFolder,
                            const std::function<bool(const std::string&)>& writable) {
  auto withSlash = [](std::string folder) {
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return folder;
  };
  const std::string own = withSlash(programFolder);
  if (!own.empty() && writable(own)) return {own, false};
  if (!appDataFolder.empty()) {
    const std::string user = withSlash(withSlash(appDataFolder) + kUserDataFolderName);
    if (writable(user)) return {user, true};
  }
  return {own, false};
}

int freeMegabytes(std::optional<std::uint64_t> freeBytes) {
  if (!freeBytes) return 0;
  const std::uint64_t mb = *freeBytes / kMegabyte;
  return mb > static_cast<std::uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(mb);
}

}  // namespace zorvik
