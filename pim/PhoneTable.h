#pragma once
// The mobile prefix table: 600,000 little-endian u16 region indices for the 7-digit prefixes
// 1300000-1899999, written to "phone.db" in the temporary folder and read two bytes a lookup;
// the table is never held in memory. Each page that shows locations owns one.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "pim/PhoneFile.h"

namespace zorvik {

struct PhoneTableSetup {
  std::string folder;          // where "phone.db" goes; empty: the system's temporary folder
  bool programTable = true;    // write the program's own table
  std::string_view table;      // otherwise these bytes; empty: nothing to write (a missing resource)
};

class PhoneTable {
 public:
  static constexpr std::uint32_t kFirstPrefix = 1300000;
  static constexpr std::uint32_t kPrefixCount = 600000;
  static constexpr std::size_t kTableBytes = 2 * kPrefixCount;
  static constexpr const char* kFileName = "phone.db";

  // The program's table in the system's temporary folder.
  PhoneTable();
  explicit PhoneTable(const PhoneTableSetup& setup);
  PhoneTable(PhoneTable&&) noexcept = default;
  PhoneTable& operator=(PhoneTable&&) noexcept = default;

  // Region index of a 7-digit prefix; 0 outside 1300000-1899999, past the file's end, or with
  // no file open.
  int lookupPrefix(std::uint32_t prefix) const;

  bool isOpen() const { return file_.isOpen(); }
  // Whether this table wrote the file (false when another table held it, or writing failed).
  bool wroteFile() const { return wrote_; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  PhoneFile file_;
  bool wrote_ = false;
};

// A page's table, opened by the first call (on a load's worker: creating the page at the
// program's start must not wait for the file) and kept for the later ones. Shared by the page
// and its workers; one load at a time uses it.
class LazyPhoneTable {
 public:
  std::shared_ptr<const PhoneTable> get() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!table_) table_ = std::make_shared<const PhoneTable>();
    return table_;
  }

 private:
  std::mutex mutex_;
  std::shared_ptr<const PhoneTable> table_;
};

}  // namespace zorvik
