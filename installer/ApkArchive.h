#pragma once
// A package archive (zip) read with minizip, from a file (mapped into memory) or from bytes in
// memory. The directory is read once at open, in place: its headers are walked straight from the
// bytes, every one checked against them, and anything unusual (ZIP64, counts or sizes that do not
// add up, very long names) is left to minizip's own walk, so both accept the same archives.
// Members are found by name ignoring case and read whole into memory; nothing is written to disk.
// Move-only: the archive owns its minizip handle and closes it once.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/MappedFile.h"

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

  // How the directory is walked: in place (minizip's walk only where that gives up), or by
  // minizip alone, which the tests compare against.
  enum class Walk { kInPlace, kMinizip };

  // path is ANSI text, as the program holds it. False when the file is missing or no zip archive.
  bool openFile(const std::string& path);
  // bytes are borrowed and must outlive the archive.
  bool openMemory(std::string_view bytes, Walk walk = Walk::kInPlace);
  bool isOpen() const { return handle_ != nullptr; }
  void close();
  // The archive's size in bytes (0 when closed).
  uint64_t size() const { return memory_ ? memory_->bytes.size() : 0; }
  // Whether the last open walked the directory in place (false after minizip's walk).
  bool walkedInPlace() const { return walkedInPlace_; }

  bool hasMember(std::string_view name) const;
  // The member's bytes, checked against its stored size and CRC; nullopt when it is missing,
  // too large, or its data is damaged.
  std::optional<std::string> readMember(std::string_view name);
  // A member stored without compression, seen in place in the archive's bytes (no copy, and no
  // CRC check, as the platform itself maps such members); nullopt when it is missing, compressed
  // or runs past the archive. Valid while the archive stays open.
  std::optional<std::string_view> storedMemberView(std::string_view name);
  // Every member name in directory order.
  std::vector<std::string> memberNames() const;

  // An archive in memory and minizip's cursor over it.
  struct Memory {
    std::string_view bytes;
    uint64_t position = 0;
  };

 private:
  struct Entry {
    std::string_view name;  // in the archive's bytes, or in names_ after minizip's walk
    uint64_t directoryOffset = 0;
    uint64_t fileNumber = 0;
  };
  enum class InPlace { kDone, kLeftToMinizip };
  InPlace walkInPlace();
  bool walkWithMinizip();
  const Entry* find(std::string_view name) const;

  MappedFile file_;
  void* handle_ = nullptr;          // unzFile
  std::unique_ptr<Memory> memory_;  // the cursor over the bytes, at a stable address
  std::vector<Entry> entries_;
  std::vector<std::string> names_;  // the names minizip's walk copied out
  bool walkedInPlace_ = false;
};

}  // namespace zorvik
