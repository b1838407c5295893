#pragma once
// The program's crash handling, for every way a process can die of a fault: a structured
// exception nobody handled (SetUnhandledExceptionFilter) and a C++ exception nobody caught, on
// any thread (std::set_terminate: std::terminate never passes through the exception filter, so
// without this a worker's uncaught exception would end the program without a word).
#include <windows.h>

namespace zorvik {

// Exit code of a process ended by std::terminate after the filter ran.
constexpr UINT kTerminatedExitCode = 3;

// Installs `filter` for both. On std::terminate the filter is called (with no exception record)
// once for the whole process (a second thread terminating meanwhile waits for it), then the
// process ends with kTerminatedExitCode.
void installCrashHandling(LPTOP_LEVEL_EXCEPTION_FILTER filter);

}  // namespace zorvik
