// Times opening a package (archive, manifest, analysis, resource table, icon) against
// "aapt dump badging" on the same file, in one run.
//   installer_bench [package] [rounds]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "installer/Package.h"

int main(int argc, char** argv) {
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
  std::printf("package %s valid=%d version=%s icon=%s (%zu bytes)\n", info.manifest.packageName.c_str(), info.valid,
              info.manifest.versionName.c_str(), info.iconPath.c_str(), info.iconBytes.size());
  std::printf("openPackage: %.1f ms   aapt dump badging: %.1f ms   (best of %d; %.1fx)\n", ours, theirs, rounds,
              theirs / ours);
  return info.valid ? 0 : 1;
}
