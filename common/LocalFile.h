#pragma once
// Files on the PC named by UTF-8 paths: the wide-character file calls on Windows (so any name the
// phone holds can be saved), the ordinary ones elsewhere. Move-only; the file closes with its owner.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zorvik {

class LocalFile {
 public:
  LocalFile() = default;
  LocalFile(LocalFile&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  LocalFile& operator=(LocalFile&& other) noexcept;
  LocalFile(const LocalFile&) = delete;
  LocalFile& operator=(const LocalFile&) = delete;
  ~LocalFile() { close(); }

  // Creates or truncates the file for writing.
  static LocalFile create(const std::string& utf8Path);
  static LocalFile openRead(const std::string& utf8Path);

  bool valid() const { return handle_ != nullptr; }
  bool write(const char* data, size_t size);
  // Bytes read, 0 at the end, -1 on an error.
  long long read(char* buffer, size_t size);
  // Size of an open file, -1 when unknown.
  long long size() const;
  // Closing flushes: false when the last bytes could not be written.
  bool close();

 private:
  void* handle_ = nullptr;
};

// The suffix a file being written carries until it is whole and takes its own name.
inline constexpr const char* kPartialSuffix = ".zvpart";

// Writes `bytes` beside `utf8Path` and moves them over it only when all are written and the file
// is closed: a failure leaves the file that was there (or none) and no partial file.
bool writeFileAtomically(const std::string& utf8Path, std::string_view bytes);
// The whole of a regular file; false when it cannot be read or holds more than `limit` bytes
// (then `bytes` is empty).
bool readWholeFile(const std::string& utf8Path, std::string& bytes, uint64_t limit);

// Removes a file; true when it is gone.
bool removeLocalFile(const std::string& utf8Path);
// Gives a complete, closed file the name `toUtf8`, replacing a file of that name: afterwards the
// name holds the new file, or after a failure still the old one. The data is not forced to disk
// first (see LocalFilePosix.cpp for why and what a crash can leave).
bool replaceLocalFile(const std::string& fromUtf8, const std::string& toUtf8);
// Creates one folder; true when it exists afterwards.
bool makeLocalFolder(const std::string& utf8Path);
bool localFolderExists(const std::string& utf8Path);
// Whether anything (a file, a folder) has that name.
bool localPathExists(const std::string& utf8Path);
// Modification time in seconds since 1970 UTC (files and folders).
bool setLocalModifiedTime(const std::string& utf8Path, int64_t seconds);
int64_t localModifiedTime(const std::string& utf8Path);
// A path's last component (after either separator).
std::string localBaseName(const std::string& path);
// The folder and a name joined with the platform's separator.
std::string joinLocalPath(const std::string& folder, const std::string& name);

}  // namespace zorvik
