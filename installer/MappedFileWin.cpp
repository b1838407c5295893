#include <windows.h>

#include "installer/MappedFile.h"

namespace zorvik {

bool MappedFile::open(const std::string& path) {
  close();
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(file, &size) != 0;
  if (ok && size.QuadPart > 0) {
    // The mapping object may be closed at once; the view keeps the mapping alive.
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    ok = mapping != nullptr;
    if (ok) {
      void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
      CloseHandle(mapping);
      ok = view != nullptr;
      if (ok) {
        data_ = view;
        size_ = static_cast<size_t>(size.QuadPart);
      }
    }
  }
  CloseHandle(file);
  return ok;
}

void MappedFile::close() {
  if (data_) UnmapViewOfFile(data_);
  data_ = nullptr;
  size_ = 0;
}

}  // namespace zorvik
