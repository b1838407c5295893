#include "common/LocalFile.h"

#include <cstdio>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace zorvik {
namespace {
FILE* fileOf(void* h) { return static_cast<FILE*>(h); }

// Callers read and write in pieces of 64 KiB or whole files: stdio's 4 KiB buffer would only split
// each piece into a 4096-byte call and the rest.
FILE* unbuffered(FILE* f) {
  if (f) std::setvbuf(f, nullptr, _IONBF, 0);
  return f;
}

// The old file's name while the new one takes its place.
constexpr const char* kAsideSuffix = ".zvold";
}  // namespace

LocalFile LocalFile::create(const std::string& utf8Path) {
  LocalFile f;
  f.handle_ = unbuffered(std::fopen(utf8Path.c_str(), "wb"));
  return f;
}

LocalFile LocalFile::openRead(const std::string& utf8Path) {
  LocalFile f;
  struct stat st {};
  if (::stat(utf8Path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return f;
  f.handle_ = unbuffered(std::fopen(utf8Path.c_str(), "rb"));
  return f;
}

bool LocalFile::write(const char* data, size_t size) {
  return handle_ && std::fwrite(data, 1, size, fileOf(handle_)) == size;
}

long long LocalFile::read(char* buffer, size_t size) {
  if (!handle_) return -1;
  const size_t n = std::fread(buffer, 1, size, fileOf(handle_));
  if (n == 0 && std::ferror(fileOf(handle_))) return -1;
  return static_cast<long long>(n);
}

long long LocalFile::size() const {
  struct stat st {};
  if (!handle_ || ::fstat(fileno(fileOf(handle_)), &st) != 0) return -1;
  return static_cast<long long>(st.st_size);
}

bool LocalFile::close() {
  if (!handle_) return true;
  const bool ok = std::fclose(fileOf(handle_)) == 0;
  handle_ = nullptr;
  return ok;
}

bool removeLocalFile(const std::string& utf8Path) {
  struct stat st {};
  return std::remove(utf8Path.c_str()) == 0 || ::stat(utf8Path.c_str(), &st) != 0;
}

// A rename that replaces a regular file makes ext4 (auto_da_alloc) write the new file's data out
// before it returns: 0.13 s for 200 MB, paid on every copy over an existing file. Renaming onto free
// names costs nothing, so the old file steps aside first and goes once the new one has its name.
// A failure puts the old file back. A crash between the two renames leaves both files whole under
// their temporary names, never half of one under the target's. Like any write without fsync, the
// new data reaches the disk when the kernel writes it back; that is the price of adb's speed too.
bool replaceLocalFile(const std::string& fromUtf8, const std::string& toUtf8) {
  struct stat st {};
  if (::lstat(toUtf8.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
    return std::rename(fromUtf8.c_str(), toUtf8.c_str()) == 0;
  const std::string aside = toUtf8 + kAsideSuffix;
  if (std::rename(toUtf8.c_str(), aside.c_str()) != 0) return std::rename(fromUtf8.c_str(), toUtf8.c_str()) == 0;
  if (std::rename(fromUtf8.c_str(), toUtf8.c_str()) != 0) {
    std::rename(aside.c_str(), toUtf8.c_str());
    return false;
  }
  ::unlink(aside.c_str());
  return true;
}

bool makeLocalFolder(const std::string& utf8Path) {
  return ::mkdir(utf8Path.c_str(), 0755) == 0 || localFolderExists(utf8Path);
}

bool localFolderExists(const std::string& utf8Path) {
  struct stat st {};
  return ::stat(utf8Path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool localPathExists(const std::string& utf8Path) {
  struct stat st {};
  return ::lstat(utf8Path.c_str(), &st) == 0;
}

bool setLocalModifiedTime(const std::string& utf8Path, int64_t seconds) {
  struct timeval times[2] = {};
  times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(seconds);
  return ::utimes(utf8Path.c_str(), times) == 0;
}

int64_t localModifiedTime(const std::string& utf8Path) {
  struct stat st {};
  return ::stat(utf8Path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_mtime) : -1;
}

}  // namespace zorvik
