#include "pim/PhoneTable.h"

#include <mutex>

namespace zorvik {
namespace {

// Tables built on several threads at once would otherwise replace the file under each other.
std::mutex& constructionLock() {
  static std::mutex lock;
  return lock;
}

std::string withSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
  return folder;
}

}  // namespace

PhoneTable::PhoneTable() : PhoneTable(PhoneTableSetup{}) {}

PhoneTable::PhoneTable(const PhoneTableSetup& setup) {
  path_ = withSeparator(setup.folder.empty() ? systemTempFolder() : setup.folder) + kFileName;
  std::lock_guard<std::mutex> hold(constructionLock());
  removeFile(path_);
  // A failure to write is not fatal: whatever file is there is read, and with none every mobile
  // lookup gives region 0.
  if (setup.programTable) {
    wrote_ = writeProgramTable(path_);
  } else if (!setup.table.empty()) {
    wrote_ = replaceFile(path_, setup.table);
  }
  file_ = PhoneFile::openForReading(path_);
}

int PhoneTable::lookupPrefix(std::uint32_t prefix) const {
  if (prefix < kFirstPrefix || prefix - kFirstPrefix >= kPrefixCount) return 0;
  unsigned char entry[2];
  if (!file_.readAt(2ull * (prefix - kFirstPrefix), entry, sizeof entry)) return 0;
  return entry[0] | entry[1] << 8;
}

}  // namespace zorvik
