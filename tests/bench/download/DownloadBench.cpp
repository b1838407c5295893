// download_bench URL TARGET: one transfer with HttpDownloader (no temporary file left from before),
// then one line: bytes, seconds, MB/s, CPU seconds and CPU milliseconds per MB of this process.
// Run by tests/bench/download/run.sh beside curl on the same file, natively and under Wine.
#include <chrono>
#include <cstdio>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

#include "download/HttpDownloader.h"

namespace {

double cpuSeconds() {
#ifdef _WIN32
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto ticks = [](FILETIME t) { return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
#else
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
#endif
}

struct Last : zorvik::DownloadListener {
  int event = -1;
  void notify(int e, int, int) override {
    if (e >= zorvik::kEventComplete) event = e;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: download_bench URL TARGET\n");
    return 2;
  }
  Last last;
  zorvik::HttpDownloader downloader(last);
  downloader.setTask(argv[1], argv[2]);
  const double cpu0 = cpuSeconds();
  const auto t0 = std::chrono::steady_clock::now();
  downloader.transfer();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const double cpu = cpuSeconds() - cpu0;
  FILE* f = std::fopen(argv[2], "rb");
  long long bytes = 0;
  if (f) {
    std::fseek(f, 0, SEEK_END);
    bytes = std::ftell(f);
    std::fclose(f);
  }
  const double mb = static_cast<double>(bytes) / 1048576.0;
  std::printf("event %d bytes %lld seconds %.3f MB/s %.1f cpu %.3f cpu_ms_per_MB %.3f\n", last.event, bytes, seconds,
              mb / seconds, cpu, mb > 0 ? cpu * 1000 / mb : 0.0);
  return last.event == zorvik::kEventComplete ? 0 : 1;
}
