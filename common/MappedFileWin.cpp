#include <windows.h>

#include <cstdint>

#include "common/MappedFile.h"
#include "common/win/Handles.h"

namespace zorvik {

bool MappedFile::open(const std::string& path) {
  close();
  const UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  return map(reinterpret_cast<std::intptr_t>(file.get()));  // the view outlives the handle
}

bool MappedFile::map(std::intptr_t handle) {
  close();
  HANDLE file = reinterpret_cast<HANDLE>(handle);
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) return false;
  if (size.QuadPart <= 0) return true;
  if (static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX) return false;
  // The mapping object may be closed at once; the view keeps the mapping alive.
  const UniqueKernelHandle mapping(CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr));
  if (!mapping) return false;
  void* view = MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0);
  if (!view) return false;
  data_ = view;
  size_ = static_cast<size_t>(size.QuadPart);
  return true;
}

void MappedFile::close() {
  if (data_) UnmapViewOfFile(data_);
  data_ = nullptr;
  size_ = 0;
}

}  // namespace zorvik
