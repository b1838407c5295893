#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/MappedFile.h"

namespace zorvik {

bool MappedFile::open(const std::string& path) {
  close();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = map(fd);
  ::close(fd);  // the view keeps the file's pages
  return ok;
}

bool MappedFile::map(std::intptr_t handle) {
  close();
  const int fd = static_cast<int>(handle);
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (st.st_size <= 0) return true;
  void* view = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
  if (view == MAP_FAILED) return false;
  data_ = view;
  size_ = static_cast<size_t>(st.st_size);
  return true;
}

void MappedFile::close() {
  if (data_) munmap(data_, size_);
  data_ = nullptr;
  size_ = 0;
}

}  // namespace zorvik
