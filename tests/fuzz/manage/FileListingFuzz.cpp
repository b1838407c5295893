// Folder listings from a confused or hostile phone: every walk ends inside the body, and every
// row's texts can be made.
#include "manage/files/FileWire.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const zorvik::FileListing l = zorvik::parseFileListing(data, size);
  if (!l.hasUp && !l.records.empty()) std::abort();
  for (const auto& r : l.records) {
    if (zorvik::fileDisplayName(r.path).size() > r.path.size()) std::abort();
    zorvik::fileAttributeText(r);
    zorvik::listFolderRequest(r.path);
  }
  return 0;
}
