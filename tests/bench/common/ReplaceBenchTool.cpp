// Times what a pull over an existing file costs on this PC's disk: writing the new file in 64 KiB
// pieces through LocalFile, then giving it the target's name, against a plain rename over the old
// file (which ext4 makes wait for the new file's data). Usage: replace_bench_tool FOLDER [MiB] [rounds]
#include "common/LocalFile.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

bool writePieces(const std::string& path, size_t mib) {
  std::vector<char> piece(64 * 1024, 'z');
  zorvik::LocalFile f = zorvik::LocalFile::create(path);
  for (size_t i = 0; f.valid() && i < mib * 16; ++i)
    if (!f.write(piece.data(), piece.size())) return false;
  return f.close();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FOLDER [MiB] [rounds]\n", argv[0]);
    return 2;
  }
  const std::string target = zorvik::joinLocalPath(argv[1], "replace-bench.bin");
  const std::string partial = target + zorvik::kPartialSuffix;
  const size_t mib = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 200;
  const int rounds = argc > 3 ? std::atoi(argv[3]) : 5;
  if (!writePieces(target, mib)) return 1;
  for (int round = 0; round < rounds; ++round) {
    for (int plain = 0; plain < 2; ++plain) {  // interleaved pairs
      const auto start = Clock::now();
      if (!writePieces(partial, mib)) return 1;
      const double wrote = since(start);
      const auto named = Clock::now();
      const bool ok = plain ? std::rename(partial.c_str(), target.c_str()) == 0 : zorvik::replaceLocalFile(partial, target);
      if (!ok) return 1;
      std::printf("%-14s write %.3f s  replace %.4f s\n", plain ? "plain rename" : "replaceLocal", wrote, since(named));
    }
  }
  zorvik::removeLocalFile(target);
  return 0;
}
