// Any bytes as a package archive: open it, list it and read its members whole. The directory
// walked in place must give what minizip's own walk gives: the same verdict, names and bytes.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "installer/ApkArchive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  zorvik::ApkArchive archive, minizip;
  const bool opened = archive.openMemory(bytes);
  if (opened != minizip.openMemory(bytes, zorvik::ApkArchive::Walk::kMinizip)) std::abort();
  if (!opened) return 0;
  const auto names = archive.memberNames();
  if (names != minizip.memberNames()) std::abort();
  for (size_t i = 0; i < names.size() && i < 16; ++i) {
    auto member = archive.readMember(names[i]);
    if (member && member->size() > zorvik::ApkArchive::kMaxMemberSize) std::abort();
    if (member != minizip.readMember(names[i])) std::abort();
    if (archive.storedMemberView(names[i]) != minizip.storedMemberView(names[i])) std::abort();
  }
  archive.readMember("AndroidManifest.xml");
  return 0;
}
