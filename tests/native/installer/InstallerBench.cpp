// Times opening a package (archive, manifest, analysis, resource table, icon) against
// "aapt dump badging" on the same file, in one run: in this process, and as a whole process each
// (this program started with --open, as aapt is started).
//   installer_bench [package] [rounds]
//   installer_bench --open package     opens it once and ends (0 when valid)
//   installer_bench --dump package     prints everything opening it gave (to compare builds)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "installer/Package.h"

namespace {

void dump(const zorvik::PackageInfo& info) {
  const zorvik::ManifestInfo& m = info.manifest;
  const zorvik::PackageFields f = zorvik::pageFields(info);
  std::printf("valid %d failure %d size %llu\n", info.valid, static_cast<int>(info.failure),
              static_cast<unsigned long long>(info.sizeBytes));
  for (const std::string* text : {&f.title, &f.size, &f.version, &f.packageName, &f.minSdk, &f.label, &f.sdCard,
                                  &m.launchActivity, &info.iconPath})
    std::printf("[%s]\n", text->c_str());
  std::printf("plugin %d internet %d icon %zu bytes\n", m.isPlugin, m.usesInternet, info.iconBytes.size());
  for (const auto* list : {&m.permissions, &m.advertising, &m.statistics}) {
    for (const auto& item : *list) std::printf("%s;", item.c_str());
    std::printf("\n");
  }
  std::fwrite(info.iconBytes.data(), 1, info.iconBytes.size(), stdout);
  std::fwrite(info.manifestText.data(), 1, info.manifestText.size(), stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--open") return zorvik::openPackage(argv[2]).valid ? 0 : 1;
  if (argc == 3 && std::string(argv[1]) == "--dump") {
    dump(zorvik::openPackage(argv[2]));
    return 0;
  }
  const std::string path = argc > 1 ? argv[1] : "/usr/share/android-framework-res/framework-res.apk";
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 10;
  using Clock = std::chrono::steady_clock;
  auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };

  double ours = 1e300, theirs = 1e300;
  zorvik::PackageInfo info;
  for (int i = 0; i < rounds; ++i) {
    const auto start = Clock::now();
    info = zorvik::openPackage(path);
    ours = std::min(ours, ms(Clock::now() - start));
  }
  const std::string command = "aapt dump badging '" + path + "' > /dev/null 2>&1";
  for (int i = 0; i < rounds; ++i) {
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0) {
      std::fprintf(stderr, "aapt failed\n");
      return 1;
    }
    theirs = std::min(theirs, ms(Clock::now() - start));
  }
  const std::string self = "'" + std::string(argv[0]) + "' --open '" + path + "' > /dev/null 2>&1";
  double process = 1e300;
  for (int i = 0; i < rounds; ++i) {
    const auto start = Clock::now();
    if (std::system(self.c_str()) != 0) {
      std::fprintf(stderr, "--open failed\n");
      return 1;
    }
    process = std::min(process, ms(Clock::now() - start));
  }
  std::printf("package %s valid=%d version=%s icon=%s (%zu bytes)\n", info.manifest.packageName.c_str(), info.valid,
              info.manifest.versionName.c_str(), info.iconPath.c_str(), info.iconBytes.size());
  std::printf("openPackage: %.1f ms   aapt dump badging: %.1f ms   (best of %d; %.1fx)\n", ours, theirs, rounds,
              theirs / ours);
  std::printf("whole process: installer_bench --open %.1f ms   aapt dump badging %.1f ms   (%.1fx)\n", process, theirs,
              theirs / process);
  return info.valid ? 0 : 1;
}
