// Times opening a package (archive, manifest, analysis, resource table, icon) against
// "aapt dump badging" on the same file, in one run of interleaved rounds (medians): in this
// process, and as a whole process each (this program started with --open, as aapt is started).
//   installer_bench [package] [rounds]
//   installer_bench --open package     opens it once and ends (0 when valid)
//   installer_bench --dump package     prints everything opening it gave (to compare builds)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

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
  const int rounds = std::max(1, argc > 2 ? std::atoi(argv[2]) : 11);
  using Clock = std::chrono::steady_clock;
  auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
  auto timed = [&](const std::string& command) {
    const auto start = Clock::now();
    const int rc = std::system(command.c_str());
    return rc == 0 ? ms(Clock::now() - start) : -1.0;
  };
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  auto load = [] {
    std::ifstream in("/proc/loadavg");
    std::string one;
    in >> one;
    return one;
  };

  // Interleaved rounds, so that a change of machine load falls on all three alike.
  const std::string aapt = "aapt dump badging '" + path + "' > /dev/null 2>&1";
  const std::string self = "'" + std::string(argv[0]) + "' --open '" + path + "' > /dev/null 2>&1";
  const std::string loadBefore = load();
  std::vector<double> ours, theirs, process;
  zorvik::PackageInfo info;
  for (int i = 0; i < rounds; ++i) {
    const auto start = Clock::now();
    info = zorvik::openPackage(path);
    ours.push_back(ms(Clock::now() - start));
    theirs.push_back(timed(aapt));
    process.push_back(timed(self));
    if (theirs.back() < 0 || process.back() < 0) {
      std::fprintf(stderr, "%s failed\n", theirs.back() < 0 ? "aapt" : "--open");
      return 1;
    }
  }
  const double o = median(ours), t = median(theirs), p = median(process);
  std::printf("package %s valid=%d version=%s icon=%s (%zu bytes)\n", info.manifest.packageName.c_str(), info.valid,
              info.manifest.versionName.c_str(), info.iconPath.c_str(), info.iconBytes.size());
  std::printf("medians of %d interleaved rounds (load %s -> %s):\n", rounds, loadBefore.c_str(), load().c_str());
  std::printf("  openPackage in process %.2f ms   whole process --open %.2f ms   aapt dump badging %.2f ms\n", o, p, t);
  std::printf("  ours / aapt: in process %.3f, whole process %.3f\n", o / t, p / t);
  return info.valid ? 0 : 1;
}
