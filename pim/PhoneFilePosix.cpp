#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

#include "pim/PhoneFile.h"

#ifndef ZORVIK_PREFIX_TABLE_FILE
#error "ZORVIK_PREFIX_TABLE_FILE must name the generated prefix table"
#endif

namespace zorvik {
namespace {

bool writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

PhoneFile PhoneFile::openForReading(const std::string& path, bool mapped) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT) fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
  PhoneFile file;
  if (fd < 0) return file;
  file.handle_ = fd;
  // The file is only ever replaced by renaming a new one over it, never truncated in place, so
  // the view stays valid for as long as it is held. Without one, reads go to the descriptor.
  if (mapped) file.view_.map(fd);
  return file;
}

void PhoneFile::close() {
  view_.close();
  if (handle_ != kClosed) ::close(static_cast<int>(handle_));
  handle_ = kClosed;
}

bool PhoneFile::readFromHandle(std::uint64_t offset, void* out, std::size_t size) const {
  if (handle_ == kClosed) return false;
  auto* at = static_cast<char*>(out);
  while (size > 0) {  // pread keeps no shared file position: no lock needed
    const ssize_t n = ::pread(static_cast<int>(handle_), at, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    at += n;
    offset += static_cast<std::uint64_t>(n);
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::string systemTempFolder() {
  const char* dir = std::getenv("TMPDIR");
  std::string folder = dir && *dir ? dir : "/tmp";
  if (folder.back() != '/') folder += '/';
  return folder;
}

void removeFile(const std::string& path) { ::unlink(path.c_str()); }

bool replaceFile(const std::string& path, std::string_view bytes) {
  static std::atomic<unsigned> serial{0};
  const std::string temp = path + "." + std::to_string(::getpid()) + "." + std::to_string(serial++);
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool written = writeAll(fd, bytes.data(), bytes.size());
  const bool closed = ::close(fd) == 0;
  if (!written || !closed || ::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

bool writeProgramTable(const std::string& path) {
  MappedFile table;
  if (!table.open(ZORVIK_PREFIX_TABLE_FILE) || table.bytes().empty()) return false;
  return replaceFile(path, table.bytes());
}

}  // namespace zorvik
