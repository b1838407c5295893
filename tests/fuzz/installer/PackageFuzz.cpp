// Any bytes as a package file, through the whole of openPackage as the window calls it: the file
// mapped, the manifest decoded and analysed, the table resolved, the icon read, the page filled.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "installer/Package.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = [] {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/zorvik-package-fuzz-" + std::to_string(getpid()) + ".apk";
  }();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
  const zorvik::PackageInfo info = zorvik::openPackage(path);
  const zorvik::PackageFields fields = zorvik::pageFields(info);
  const auto tree = info.results();
  // An invalid package shows the error title and nothing analysed, or, a part of a split
  // package, says so and is never installable; every page has its three roots.
  const bool split = info.failure == zorvik::PackageFailure::kSplitPart;
  if (!info.valid && !split && (fields.title != zorvik::kInvalidPackageTitle || !info.manifest.permissions.empty()))
    std::abort();
  if (split && (info.installable() || fields.title != zorvik::kSplitPartTitle)) std::abort();
  if (tree.size() != 3) std::abort();
  std::remove(path.c_str());
  return 0;
}
