#include "installer/win/InstallHostWin.h"

#include <windows.h>

namespace zorvik {

AdbRunResult WinInstallHost::run(const std::string& commandLine, size_t maxOutput, unsigned deadlineMs) {
  return runAdbAndWait(commandLine, maxOutput, deadlineMs);
}

std::string WinInstallHost::chooseDevice(const std::vector<std::string>& serials) {
  return chooser_ ? chooser_(serials) : std::string();
}

std::string WinInstallHost::temporaryFolder() {
  char shortForm[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathA(MAX_PATH, shortForm);
  if (n == 0 || n > MAX_PATH) return {};
  char longForm[MAX_PATH + 1] = {};
  const DWORD m = GetLongPathNameA(shortForm, longForm, MAX_PATH);
  std::string folder = (m == 0 || m > MAX_PATH) ? std::string(shortForm) : std::string(longForm);
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

uint64_t WinInstallHost::freeMegabytes(const std::string& folder) {
  ULARGE_INTEGER available{}, total{}, free{};
  if (!GetDiskFreeSpaceExA(folder.c_str(), &available, &total, &free)) return 0;
  return available.QuadPart >> 20;
}

bool WinInstallHost::fileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool WinInstallHost::copyFile(const std::string& from, const std::string& to) {
  return CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}

void WinInstallHost::deleteFile(const std::string& path) { DeleteFileA(path.c_str()); }

std::tm WinInstallHost::localTime() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  std::tm tm{};
  tm.tm_year = t.wYear - 1900;
  tm.tm_mon = t.wMonth - 1;
  tm.tm_mday = t.wDay;
  tm.tm_hour = t.wHour;
  tm.tm_min = t.wMinute;
  tm.tm_sec = t.wSecond;
  return tm;
}

void WinInstallHost::status(const std::string& text) {
  if (status_) status_(text);
}

}  // namespace zorvik
