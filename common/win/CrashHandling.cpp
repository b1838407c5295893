#include "common/win/CrashHandling.h"

#include <atomic>
#include <exception>

namespace zorvik {
namespace {

std::atomic<LPTOP_LEVEL_EXCEPTION_FILTER> gFilter{nullptr};
std::atomic<bool> gTerminating{false};

[[noreturn]] void onTerminate() {
  if (gTerminating.exchange(true)) {
    // Another thread is showing the message: this one waits for the process to end.
    for (;;) Sleep(INFINITE);
  }
  if (LPTOP_LEVEL_EXCEPTION_FILTER filter = gFilter.load()) filter(nullptr);
  TerminateProcess(GetCurrentProcess(), kTerminatedExitCode);
  for (;;) Sleep(INFINITE);
}

}  // namespace

void installCrashHandling(LPTOP_LEVEL_EXCEPTION_FILTER filter) {
  gFilter = filter;
  SetUnhandledExceptionFilter(filter);
  std::set_terminate(onTerminate);
}

}  // namespace zorvik
