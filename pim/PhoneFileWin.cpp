#include <windows.h>

#include "pim/PhoneFile.h"

namespace zorvik {
namespace {

HANDLE asHandle(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

// The resource that carries the prefix table.
constexpr const char* kTableResourceType = "DB";
constexpr WORD kTableResourceId = 471;
constexpr WORD kTableResourceLanguage = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);  // 2052

}  // namespace

PhoneFile PhoneFile::openForReading(const std::string& path, bool mapped) {
  // Another process may be writing the file (unshared) at this moment: wait for it briefly
  // rather than go without locations for the table's whole life.
  PhoneFile file;
  for (int attempt = 0;; ++attempt) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      file.handle_ = reinterpret_cast<std::intptr_t>(h);
      break;
    }
    if (GetLastError() != ERROR_SHARING_VIOLATION || attempt == 40) return file;
    Sleep(25);
  }
  file.seek_ = std::make_unique<std::mutex>();
  // While this handle is open nobody can write or delete the file, so the view stays valid.
  // Without one, reads go to the handle.
  if (mapped) file.view_.map(file.handle_);
  return file;
}

void PhoneFile::close() {
  view_.close();
  if (handle_ != kClosed) CloseHandle(asHandle(handle_));
  handle_ = kClosed;
}

bool PhoneFile::readFromHandle(std::uint64_t offset, void* out, std::size_t size) const {
  if (handle_ == kClosed || !seek_ || size > MAXDWORD) return false;
  // A seek and a plain read: a positioned (OVERLAPPED) read costs ten times more under Wine.
  std::lock_guard<std::mutex> hold(*seek_);
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(offset);
  DWORD read = 0;
  return SetFilePointerEx(asHandle(handle_), at, nullptr, FILE_BEGIN) &&
         ReadFile(asHandle(handle_), out, static_cast<DWORD>(size), &read, nullptr) && read == size;
}

std::string systemTempFolder() {
  char buffer[MAX_PATH + 1];
  const DWORD n = GetTempPathA(sizeof buffer, buffer);
  if (n == 0 || n > MAX_PATH) return ".\\";
  std::string folder(buffer, n);
  if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder;
}

void removeFile(const std::string& path) { DeleteFileA(path.c_str()); }

bool replaceFile(const std::string& path, std::string_view bytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (ok && left > 0) {
    const DWORD chunk = left > (1u << 20) ? (1u << 20) : static_cast<DWORD>(left);
    DWORD written = 0;
    ok = WriteFile(h, data, chunk, &written, nullptr) && written == chunk;
    data += chunk;
    left -= chunk;
  }
  ok = CloseHandle(h) && ok;
  if (!ok) DeleteFileA(path.c_str());  // never leave half a table for the next reader
  return ok;
}

bool writeProgramTable(const std::string& path) {
  HMODULE self = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceExA(self, kTableResourceType, MAKEINTRESOURCEA(kTableResourceId), kTableResourceLanguage);
  if (!found) return false;
  HGLOBAL loaded = LoadResource(self, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  const DWORD size = SizeofResource(self, found);
  if (!data || size == 0) return false;
  return replaceFile(path, std::string_view(static_cast<const char*>(data), size));
}

}  // namespace zorvik
