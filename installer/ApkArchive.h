#pragma once
// A package archive (zip) read with minizip, from a file (mapped into memory) or from bytes in
// memory. The directory is read once at open; members are found by name ignoring case and read
// whole into memory; nothing is written to disk.
// Move-only: the archive owns its minizip handle and closes it once.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "installer/MappedFile.h"

namespace zorvik {

class ApkArchive {
 public:
  // A member larger than this is refused rather than read into memory.
  static constexpr uint64_t kMaxMemberSize = 256u << 20;

  ApkArchive();
  ~ApkArchive();
  ApkArchive(ApkArchive&& other) noexcept;
  ApkArchive& operator=(ApkArchive&& other) noexcept;
  ApkArchive(const ApkArchive&) = delete;
  ApkArchive& operator=(const ApkArchive&) = delete;

  // path is ANSI text, as the program holds it. False when the file is missing or no zip archive.
  bool openFile(const std::string& path);
  // bytes are borrowed and must outlive the archive.
  bool openMemory(std::string_view bytes);
  bool isOpen() const { return handle_ != nullptr; }
  void close();

  bool hasMember(std::string_view name);
  // The member's bytes, checked against its stored size and CRC; nullopt when it is missing,
  // too large, or its data is damaged.
  std::optional<std::string> readMember(std::string_view name);
  // A member stored without compression, seen in place in the archive's bytes (no copy, and no
  // CRC check, as the platform itself maps such members); nullopt when it is missing, compressed
  // or runs past the archive. Valid while the archive stays open.
  std::optional<std::string_view> storedMemberView(std::string_view name);
  // Every member name in directory order.
  std::vector<std::string> memberNames();

  struct Memory;  // an archive in memory and minizip's cursor over it

 private:
  struct Entry {
    std::string name;
    std::string folded;  // lower-case ASCII, for lookups
    uint64_t directoryOffset = 0;
    uint64_t fileNumber = 0;
  };
  bool indexMembers();
  const Entry* find(std::string_view name) const;

  MappedFile file_;
  void* handle_ = nullptr;          // unzFile
  std::unique_ptr<Memory> memory_;  // the cursor over the bytes, at a stable address
  std::vector<Entry> entries_;
};

}  // namespace zorvik
