// A bounded stand-in for libFuzzer, so every fuzz target runs in the sanitizer build under CTest:
// feeds each file of the seed corpus, then a fixed number of inputs made by mutating the seeds
// (bit flips, cuts, repeated and random bytes) with a fixed seed, so a run is repeatable.
//   <target> <runs> [corpus-dir]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  const long runs = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 10000;
  std::vector<std::vector<uint8_t>> seeds;
  if (argc > 2 && std::filesystem::is_directory(argv[2])) {
    for (const auto& entry : std::filesystem::directory_iterator(argv[2])) {
      std::ifstream in(entry.path(), std::ios::binary);
      seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
  }
  seeds.push_back({});
  for (const auto& seed : seeds) LLVMFuzzerTestOneInput(seed.data(), seed.size());

  std::mt19937 random(20261208);
  for (long run = 0; run < runs; ++run) {
    std::vector<uint8_t> input = seeds[random() % seeds.size()];
    const int edits = 1 + static_cast<int>(random() % 8);
    for (int e = 0; e < edits; ++e) {
      switch (random() % 6) {
        case 0:  // flip a bit
          if (!input.empty()) input[random() % input.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
          break;
        case 1:  // cut
          if (!input.empty()) input.resize(random() % input.size());
          break;
        case 2:  // random bytes appended
          for (int i = static_cast<int>(random() % 16); i > 0; --i) input.push_back(static_cast<uint8_t>(random()));
          break;
        case 3:  // an interesting byte
          if (!input.empty()) input[random() % input.size()] = static_cast<uint8_t>((random() % 2) ? 0xFF : 0x00);
          break;
        case 4: {  // repeat a slice
          if (input.size() > 2) {
            const size_t from = random() % input.size();
            const size_t length = 1 + random() % (input.size() - from);
            std::vector<uint8_t> slice(input.begin() + static_cast<long>(from), input.begin() + static_cast<long>(from + length));
            input.insert(input.begin() + static_cast<long>(random() % input.size()), slice.begin(), slice.end());
          }
          break;
        }
        default:  // a 4-byte big-endian word somewhere
          if (input.size() >= 4) {
            const size_t at = random() % (input.size() - 3);
            const uint32_t word = static_cast<uint32_t>(random()) >> (random() % 32);
            for (int i = 0; i < 4; ++i) input[at + static_cast<size_t>(i)] = static_cast<uint8_t>(word >> (24 - 8 * i));
          }
      }
    }
    LLVMFuzzerTestOneInput(input.data(), input.size());
  }
  std::printf("%ld inputs, %zu seeds\n", runs, seeds.size());
  return 0;
}
