#include "common/LocalFile.h"

namespace zorvik {

LocalFile& LocalFile::operator=(LocalFile&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = other.handle_;
    other.handle_ = nullptr;
  }
  return *this;
}

bool writeFileAtomically(const std::string& utf8Path, std::string_view bytes) {
  const std::string partial = utf8Path + kPartialSuffix;
  LocalFile file = LocalFile::create(partial);
  if (!file.valid()) return false;
  const bool written = file.write(bytes.data(), bytes.size());
  if (file.close() && written && replaceLocalFile(partial, utf8Path)) return true;
  removeLocalFile(partial);
  return false;
}

bool readWholeFile(const std::string& utf8Path, std::string& bytes, uint64_t limit) {
  bytes.clear();
  LocalFile file = LocalFile::openRead(utf8Path);
  const long long size = file.size();
  if (size < 0 || static_cast<unsigned long long>(size) > limit) return false;
  // One byte more than the size said, to notice a file that grows while it is read.
  bytes.resize(static_cast<size_t>(size) + 1);
  size_t done = 0;
  for (;;) {
    const long long got = file.read(bytes.data() + done, bytes.size() - done);
    if (got < 0 || done + static_cast<size_t>(got) > static_cast<size_t>(size)) break;
    if (got == 0) {
      bytes.resize(done);
      return true;
    }
    done += static_cast<size_t>(got);
  }
  bytes.clear();
  return false;
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
