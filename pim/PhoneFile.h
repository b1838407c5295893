#pragma once
// The few file operations PhoneTable needs, with Win32 (PhoneFileWin.cpp) and POSIX
// (PhoneFilePosix.cpp) implementations.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "common/MappedFile.h"

namespace zorvik {

// A read handle on the prefix-table file. Move-only; owns and closes its handle and view.
//
// Lookups read through a read-only view of the file (the system's page cache, shared by every
// table and never copied into the process), so a lookup costs no system call; where no view can
// be made (an empty file) they seek and read instead.
class PhoneFile {
 public:
  PhoneFile() = default;
  ~PhoneFile() { close(); }
  PhoneFile(PhoneFile&& other) noexcept { swap(other); }
  PhoneFile& operator=(PhoneFile&& other) noexcept {
    if (this != &other) {
      close();
      swap(other);
    }
    return *this;
  }
  PhoneFile(const PhoneFile&) = delete;
  PhoneFile& operator=(const PhoneFile&) = delete;

  // Opens for reading with read sharing, creating an empty file when there is none. Without
  // mapped, every read seeks and reads (the fallback, kept testable).
  static PhoneFile openForReading(const std::string& path, bool mapped = true);

  bool isOpen() const { return handle_ != kClosed; }
  bool isMapped() const { return view_.mapped(); }
  // Reads exactly size bytes at offset; safe from several threads at once. False past the end
  // of the file or on an error.
  bool readAt(std::uint64_t offset, void* out, std::size_t size) const;

 private:
  static constexpr std::intptr_t kClosed = -1;
  void swap(PhoneFile& other) noexcept;
  void close();
  bool readFromHandle(std::uint64_t offset, void* out, std::size_t size) const;

  std::intptr_t handle_ = kClosed;   // file descriptor or HANDLE
  MappedFile view_;                  // the whole file, read-only
  std::unique_ptr<std::mutex> seek_;  // guards the file position between seek and read
};

// The system's temporary folder, ending with a path separator.
std::string systemTempFolder();

// Deletes the file at path; fails silently while another table holds it open (on Windows).
void removeFile(const std::string& path);

// Replaces the file at path with bytes. Windows: creates it always-overwrite and unshared, which
// fails while another table holds it open.
// POSIX: writes a private file beside it and renames it over, so no reader ever sees half a file.
// A failed write leaves no partial file behind. True when the whole content was written.
bool replaceFile(const std::string& path, std::string_view bytes);

// Writes the program's own prefix table to path: the resource "DB"/471 (language 2052) on
// Windows, the table generated at build time natively. False when there is no table to write
// or the write failed.
bool writeProgramTable(const std::string& path);

}  // namespace zorvik
