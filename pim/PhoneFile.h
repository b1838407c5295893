#pragma once
// The few file operations PhoneTable needs, with Win32 (PhoneFileWin.cpp) and POSIX
// (PhoneFilePosix.cpp) implementations.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zorvik {

// A read handle on the prefix-table file. Move-only; owns and closes its handle.
class PhoneFile {
 public:
  PhoneFile() = default;
  ~PhoneFile();
  PhoneFile(PhoneFile&& other) noexcept;
  PhoneFile& operator=(PhoneFile&& other) noexcept;
  PhoneFile(const PhoneFile&) = delete;
  PhoneFile& operator=(const PhoneFile&) = delete;

  // Opens for reading with read sharing, creating an empty file when there is none.
  static PhoneFile openForReading(const std::string& path);

  bool isOpen() const { return handle_ != kClosed; }
  // Reads exactly size bytes at offset without moving a shared file position, so lookups from
  // several threads cannot disturb each other. False on a short read or an error.
  bool readAt(std::uint64_t offset, void* out, std::size_t size) const;

 private:
  static constexpr std::intptr_t kClosed = -1;
  explicit PhoneFile(std::intptr_t handle) : handle_(handle) {}
  void close();
  std::intptr_t handle_ = kClosed;  // file descriptor or HANDLE
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
