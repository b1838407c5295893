#include "devlink/LocalFile.h"

namespace zorvik {

LocalFile& LocalFile::operator=(LocalFile&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = other.handle_;
    other.handle_ = nullptr;
  }
  return *this;
}

std::string localBaseName(const std::string& path) {
  size_t end = path.size();
  while (end > 0 && (path[end - 1] == '/' || path[end - 1] == '\\')) --end;
  size_t begin = end;
  while (begin > 0 && path[begin - 1] != '/' && path[begin - 1] != '\\') --begin;
  return path.substr(begin, end - begin);
}

std::string joinLocalPath(const std::string& folder, const std::string& name) {
#ifdef _WIN32
  constexpr char kSeparator = '\\';
#else
  constexpr char kSeparator = '/';
#endif
  if (folder.empty()) return name;
  if (folder.back() == '/' || folder.back() == '\\') return folder + name;
  return folder + kSeparator + name;
}

}  // namespace zorvik
