#include "common/LocalFile.h"

#include <windows.h>

#include "common/win/WideText.h"

namespace zorvik {
namespace {

std::wstring wide(const std::string& utf8) { return toWide(utf8, CP_UTF8); }

HANDLE handleOf(void* h) { return static_cast<HANDLE>(h); }

// 100-ns intervals between 1601 and 1970.
constexpr int64_t kEpochDifference = 116444736000000000LL;

HANDLE openForTimes(const std::string& utf8Path, DWORD access) {
  // Folders open only with backup semantics.
  return CreateFileW(wide(utf8Path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

LocalFile LocalFile::create(const std::string& utf8Path) {
  LocalFile f;
  HANDLE h = CreateFileW(wide(utf8Path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) f.handle_ = h;
  return f;
}

LocalFile LocalFile::openRead(const std::string& utf8Path) {
  LocalFile f;
  HANDLE h = CreateFileW(wide(utf8Path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h != INVALID_HANDLE_VALUE) f.handle_ = h;
  return f;
}

bool LocalFile::write(const char* data, size_t size) {
  while (handle_ && size > 0) {
    const DWORD piece = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(handleOf(handle_), data, piece, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return handle_ != nullptr;
}

long long LocalFile::read(char* buffer, size_t size) {
  if (!handle_) return -1;
  const DWORD piece = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
  DWORD got = 0;
  if (!ReadFile(handleOf(handle_), buffer, piece, &got, nullptr)) return -1;
  return static_cast<long long>(got);
}

long long LocalFile::size() const {
  LARGE_INTEGER s{};
  if (!handle_ || !GetFileSizeEx(handleOf(handle_), &s)) return -1;
  return static_cast<long long>(s.QuadPart);
}

bool LocalFile::close() {
  if (!handle_) return true;
  const bool ok = CloseHandle(handleOf(handle_)) != 0;
  handle_ = nullptr;
  return ok;
}

bool removeLocalFile(const std::string& utf8Path) {
  return DeleteFileW(wide(utf8Path).c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

// NTFS replaces the name in one journalled step and does not write the new data out first (no
// MOVEFILE_WRITE_THROUGH, which would only matter for a move between volumes anyway).
bool replaceLocalFile(const std::string& fromUtf8, const std::string& toUtf8) {
  return MoveFileExW(wide(fromUtf8).c_str(), wide(toUtf8).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool makeLocalFolder(const std::string& utf8Path) {
  return CreateDirectoryW(wide(utf8Path).c_str(), nullptr) || localFolderExists(utf8Path);
}

bool localFolderExists(const std::string& utf8Path) {
  const DWORD a = GetFileAttributesW(wide(utf8Path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool localPathExists(const std::string& utf8Path) {
  return GetFileAttributesW(wide(utf8Path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool setLocalModifiedTime(const std::string& utf8Path, int64_t seconds) {
  HANDLE h = openForTimes(utf8Path, FILE_WRITE_ATTRIBUTES);
  if (h == INVALID_HANDLE_VALUE) return false;
  const int64_t ticks = seconds * 10000000LL + kEpochDifference;
  FILETIME t{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
  const bool ok = SetFileTime(h, nullptr, &t, &t) != 0;
  CloseHandle(h);
  return ok;
}

int64_t localModifiedTime(const std::string& utf8Path) {
  WIN32_FILE_ATTRIBUTE_DATA d{};
  if (!GetFileAttributesExW(wide(utf8Path).c_str(), GetFileExInfoStandard, &d)) return -1;
  const int64_t ticks = (static_cast<int64_t>(d.ftLastWriteTime.dwHighDateTime) << 32) | d.ftLastWriteTime.dwLowDateTime;
  return (ticks - kEpochDifference) / 10000000LL;
}

}  // namespace zorvik
