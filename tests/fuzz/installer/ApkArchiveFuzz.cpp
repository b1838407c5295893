// Any bytes as a package archive: open it, list it and read its members whole.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "installer/ApkArchive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zorvik::ApkArchive archive;
  if (!archive.openMemory(std::string_view(reinterpret_cast<const char*>(data), size))) return 0;
  const auto names = archive.memberNames();
  for (size_t i = 0; i < names.size() && i < 16; ++i) {
    auto member = archive.readMember(names[i]);
    if (member && member->size() > zorvik::ApkArchive::kMaxMemberSize) std::abort();
  }
  archive.readMember("AndroidManifest.xml");
  return 0;
}
