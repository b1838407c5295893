#include "phone/android/FileFolder.h"

#include "phone/android/jni/Utf16.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>

namespace zorvik::phone {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// A descriptor closed on every path out; errno survives the close.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { reset(-1); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }
  void reset(int fd) {
    if (fd_ >= 0) {
      const int saved = errno;
      ::close(fd_);
      errno = saved;
    }
    fd_ = fd;
  }

 private:
  int fd_;
};

class Folder {
 public:
  explicit Folder(DIR* dir) : dir_(dir) {}
  ~Folder() {
    if (dir_) ::closedir(dir_);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  DIR* get() const { return dir_; }

 private:
  DIR* dir_;
};

// The folder's descriptor (-1 and errno when it cannot be opened). A path the kernel would
// refuse as too long is opened one part at a time, each relative to the one before.
int openFolder(const std::string& path) {
  if (path.size() < PATH_MAX) return ::open(path.c_str(), kFolderFlags);
  Descriptor at(::open("/", kFolderFlags));
  for (size_t begin = 1; at.get() >= 0 && begin < path.size();) {
    size_t end = path.find('/', begin);
    if (end == std::string::npos) end = path.size();
    if (end > begin) at.reset(::openat(at.get(), path.substr(begin, end - begin).c_str(), kFolderFlags));
    begin = end + 1;
  }
  return at.release();
}

// The name as well-formed UTF-8 (file systems hold any bytes but '/' and NUL).
void appendName(const char* name, std::string& out) {
  const size_t n = std::strlen(name);
  if (std::none_of(name, name + n, [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
    out.append(name, n);
    return;
  }
  std::u16string units;
  toUtf16(std::string_view(name, n), units);
  appendUtf8(reinterpret_cast<const uint16_t*>(units.data()), units.size(), out);
}

int64_t millisecondsOf(const struct timespec& t) {
  return static_cast<int64_t>(t.tv_sec) * 1000 + static_cast<int64_t>(t.tv_nsec) / 1000000;
}

struct Listed {
  FileEntry entry;
  std::string name;  // as the file system holds it, for the order
};

}  // namespace

Answer listFolder(const std::string& folder, std::vector<FileEntry>& out) {
  out.clear();
  if (folder.empty() || folder[0] != '/' || folder.find('\0') != std::string::npos) return Answer::served();
  Descriptor fd(openFolder(folder));
  if (fd.get() < 0) {
    switch (errno) {
      case ENOENT:
      case ENOTDIR:
      case ENAMETOOLONG:
        return Answer::served();
      case EACCES:
      case EPERM:
        return Answer::refused(AgentRefusal::Storage);
      default:
        return Answer::refused(AgentRefusal::Unknown);
    }
  }
  Folder dir(::fdopendir(fd.get()));
  if (!dir.get()) return Answer::refused(AgentRefusal::Unknown);
  fd.release();  // the DIR owns it now
  const int at = ::dirfd(dir.get());
  const std::string prefix = folder == "/" ? "/" : folder + "/";

  std::vector<Listed> listed;
  for (;;) {
    errno = 0;
    const dirent* e = ::readdir(dir.get());
    if (!e) {
      if (errno != 0) return Answer::refused(AgentRefusal::Unknown);
      break;
    }
    const char* name = e->d_name;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    Listed l;
    l.name = name;
    FileEntry& f = l.entry;
    struct stat st {};
    bool known = ::fstatat(at, name, &st, 0) == 0;
    // A dangling link: the link itself. An entry gone since it was read is left out.
    if (!known && errno == ENOENT) {
      if (::fstatat(at, name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
      known = true;
    }
    if (known) {
      f.isDir = S_ISDIR(st.st_mode) ? 1 : 0;
      f.size = static_cast<int64_t>(st.st_size);
      f.modified = millisecondsOf(st.st_mtim);
    } else {
      // Listed but not to be looked at (a policy that hides the entry's facts): what readdir says.
      f.isDir = e->d_type == DT_DIR ? 1 : 0;
    }
    f.readable = known && ::faccessat(at, name, f.isDir ? R_OK | X_OK : R_OK, 0) == 0 ? 1 : 0;
    f.writable = known && ::faccessat(at, name, W_OK, 0) == 0 ? 1 : 0;
    f.hidden = name[0] == '.' ? 1 : 0;
    f.path.reserve(prefix.size() + l.name.size());
    f.path = prefix;
    appendName(name, f.path);
    listed.push_back(std::move(l));
  }
  std::sort(listed.begin(), listed.end(), [](const Listed& a, const Listed& b) {
    return a.entry.isDir != b.entry.isDir ? a.entry.isDir > b.entry.isDir : a.name < b.name;
  });
  out.reserve(listed.size());
  for (Listed& l : listed) out.push_back(std::move(l.entry));
  return Answer::served();
}

}  // namespace zorvik::phone
