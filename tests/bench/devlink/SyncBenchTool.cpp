// One timed transfer through the sync client, for sync_bench.sh:
//   sync_bench_tool PORT SERIAL pull REMOTE_FILE LOCAL_FOLDER
//   sync_bench_tool PORT SERIAL push LOCAL_FILE REMOTE_FOLDER
// prints "<seconds> <bytes>" on success.
#include "devlink/AdbBridge.h"
#include "devlink/SyncTransfer.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  using namespace zorvik;
  if (argc != 6) {
    std::fprintf(stderr, "usage: %s PORT SERIAL pull|push FROM TO\n", argv[0]);
    return 2;
  }
  setAdbServerPort(static_cast<uint16_t>(std::atoi(argv[1])));
  const std::string mode = argv[3];
  SyncTransfer transfer(argv[2], nullptr, nullptr);
  const auto start = std::chrono::steady_clock::now();
  const TransferReport r = mode == "pull" ? transfer.pull({{argv[4], false}}, argv[5]) : transfer.push({argv[4]}, argv[5]);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  for (const TransferFailure& f : r.failures) std::fprintf(stderr, "%s: %s\n", f.nameUtf8.c_str(), f.text.c_str());
  if (!r.failures.empty() || r.filesCopied != 1) return 1;
  std::printf("%.3f %llu\n", seconds, static_cast<unsigned long long>(r.bytes));
  return 0;
}
