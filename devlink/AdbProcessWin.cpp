// The adb tool runs for Windows: anonymous pipes, CreateProcessA, a reader thread that polls the
// pipe with PeekNamedPipe.
#include "devlink/AdbBridge.h"
#include "devlink/AdbProcess.h"

#include <windows.h>

#include <atomic>
#include <mutex>
#include <vector>

namespace zorvik {
namespace {

using detail::Drain;

// A kernel handle, closed once.
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(Handle&& other) noexcept : handle_(other.release()) {}
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = other.release();
    }
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { reset(); }
  HANDLE get() const { return handle_; }
  HANDLE* out() {
    reset();
    return &handle_;
  }
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE release() {
    HANDLE h = handle_;
    handle_ = nullptr;
    return h;
  }
  void reset() {
    if (valid()) ::CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
};

SECURITY_ATTRIBUTES inheritable() {
  SECURITY_ATTRIBUTES attributes{};
  attributes.nLength = sizeof attributes;  // 12 on 32-bit Windows
  attributes.lpSecurityDescriptor = nullptr;
  attributes.bInheritHandle = TRUE;
  return attributes;
}

Handle duplicate(HANDLE source, bool inherit) {
  Handle copy;
  const HANDLE self = ::GetCurrentProcess();
  if (!::DuplicateHandle(self, source, self, copy.out(), 0, inherit, DUPLICATE_SAME_ACCESS)) return {};
  return copy;
}

// CreateProcessA may write into the command line.
std::vector<char> writable(const std::string& commandLine) {
  std::vector<char> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back('\0');
  return buffer;
}

}  // namespace

std::string programFolder() {
  char path[MAX_PATH * 4] = {};
  const DWORD size = ::GetModuleFileNameA(nullptr, path, sizeof path);
  if (size == 0 || size >= sizeof path) return ".\\";
  std::string folder(path, size);
  return folder.substr(0, folder.find_last_of("\\/") + 1);
}

std::string adbPath() {
  const std::string beside = programFolder() + "adb.exe";
  const DWORD attributes = ::GetFileAttributesA(beside.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return beside;
  return "adb";
}

AdbRunResult runAdbAndWait(const std::string& commandLine, size_t maxOutput) {
  AdbRunResult result;
  SECURITY_ATTRIBUTES attributes = inheritable();
  Handle read, write;
  if (!::CreatePipe(read.out(), write.out(), &attributes, 0)) {
    result.status = AdbRunStatus::CannotRun;
    return result;
  }
  // Our reading end stays ours: a child that inherited it would keep the pipe from breaking.
  ::SetHandleInformation(read.get(), HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  ::GetStartupInfoA(&startup);
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  startup.hStdOutput = write.get();
  startup.hStdError = write.get();
  PROCESS_INFORMATION process{};
  std::vector<char> line = writable(commandLine);
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        &startup, &process)) {
    result.status = AdbRunStatus::CannotStart;
    return result;
  }
  Handle processHandle(process.hProcess);
  Handle threadHandle(process.hThread);
  write.reset();
  result.status = AdbRunStatus::Ok;
  // Read while the tool runs, so a full pipe cannot stop it; the tool's exit ends the wait even if
  // a server it started still holds the pipe.
  char buffer[4096];
  for (;;) {
    const bool ended = ::WaitForSingleObject(processHandle.get(), 20) != WAIT_TIMEOUT;
    for (;;) {
      DWORD available = 0;
      if (!::PeekNamedPipe(read.get(), nullptr, 0, nullptr, &available, nullptr) || available == 0) break;
      DWORD got = 0;
      const DWORD want = available < sizeof buffer ? available : static_cast<DWORD>(sizeof buffer);
      if (!::ReadFile(read.get(), buffer, want, &got, nullptr) || got == 0) break;
      detail::appendLimited(result.output, buffer, got, maxOutput);
    }
    if (ended) break;
  }
  return result;
}

void launchAdb(const std::string& commandLine) { ::WinExec(commandLine.c_str(), SW_HIDE); }

// ---------------------------------------------------------------- AdbProcessRunner

namespace {

// One run, shared by the runner and its reader thread.
struct Run {
  Handle thread;
  DWORD threadId = 0;
  Handle stopEvent;
  Handle process;
  Handle outRead;  // the child's output, our end
  Handle inWrite;  // the child's input, our end
  std::atomic<bool> stopped{false};
  std::shared_ptr<AdbProcessRunner::State> state;
};

}  // namespace

struct AdbProcessRunner::State {
  std::mutex mutex;
  std::shared_ptr<Run> current;
  AdbOutputSink* sink = nullptr;
};

namespace {

Drain drain(Run& run, AdbOutputSink& sink) {
  char buffer[AdbProcessRunner::kChunkMax + 1];
  for (;;) {
    DWORD available = 0;
    if (!::PeekNamedPipe(run.outRead.get(), nullptr, 0, nullptr, &available, nullptr)) {
      const DWORD error = ::GetLastError();
      return error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA ? Drain::Ended : Drain::Failed;
    }
    if (available == 0) return Drain::Continue;
    const DWORD want = available < AdbProcessRunner::kChunkMax ? available : static_cast<DWORD>(AdbProcessRunner::kChunkMax);
    DWORD got = 0;
    if (!::ReadFile(run.outRead.get(), buffer, want, &got, nullptr) || got == 0) return Drain::Continue;
    if (run.stopped) return Drain::Continue;
    sink.receive(std::string(buffer, got), kAdbOutputChunk);
  }
}

void deliverEnd(Run& run, AdbOutputSink& sink, Drain how) {
  if (run.stopped) return;
  sink.receive(std::string(), how == Drain::Failed ? kAdbOutputReadFailed : kAdbOutputEnded);
}

void readerLoop(Run& run) {
  AdbOutputSink& sink = *run.state->sink;
  const HANDLE waits[2] = {run.process.get(), run.stopEvent.get()};
  for (;;) {
    const DWORD woke = ::WaitForMultipleObjects(2, waits, FALSE, AdbProcessRunner::kPollMs);
    if (woke == WAIT_OBJECT_0 + 1 || run.stopped) return;
    if (woke == WAIT_OBJECT_0) {
      // The tool has written everything; a pipe still open (held by a server the tool started)
      // does not keep the run from ending.
      deliverEnd(run, sink, drain(run, sink) == Drain::Failed ? Drain::Failed : Drain::Ended);
      return;
    }
    if (woke == WAIT_FAILED) {
      deliverEnd(run, sink, Drain::Failed);
      return;
    }
    const Drain how = drain(run, sink);
    if (how != Drain::Continue) {
      deliverEnd(run, sink, how);
      return;
    }
  }
}

DWORD WINAPI readerThread(void* parameter) {
  // The thread owns one reference to its run for as long as it runs.
  std::shared_ptr<Run> run(std::move(*static_cast<std::shared_ptr<Run>*>(parameter)));
  delete static_cast<std::shared_ptr<Run>*>(parameter);
  readerLoop(*run);
  std::lock_guard lock(run->state->mutex);
  if (run->state->current == run) run->state->current.reset();
  return 0;
}

}  // namespace

AdbProcessRunner::AdbProcessRunner(AdbOutputSink& sink) : sink_(sink), state_(std::make_shared<State>()) {
  state_->sink = &sink_;
}

AdbProcessRunner::~AdbProcessRunner() { stop(); }

bool AdbProcessRunner::running() const {
  std::lock_guard lock(state_->mutex);
  return state_->current != nullptr;
}

void AdbProcessRunner::stop() {
  std::shared_ptr<Run> run;
  {
    std::lock_guard lock(state_->mutex);
    run = std::move(state_->current);
  }
  if (!run) return;
  run->stopped = true;
  if (run->threadId == ::GetCurrentThreadId()) return;  // the reader itself: it cannot wait for itself
  ::SetEvent(run->stopEvent.get());
  if (::WaitForSingleObject(run->thread.get(), kStopWaitMs) == WAIT_TIMEOUT) {
    ::TerminateThread(run->thread.get(), static_cast<DWORD>(-2));
    // Its reference to the run died with it; close the pipes and the process here.
    run->outRead.reset();
    run->inWrite.reset();
    run->process.reset();
  }
}

bool AdbProcessRunner::run(const std::string& commandLine) {
  stop();
  auto run = std::make_shared<Run>();
  run->state = state_;
  SECURITY_ATTRIBUTES attributes = inheritable();
  Handle outReadInheritable, outWrite, inRead, inWriteInheritable;
  if (!::CreatePipe(outReadInheritable.out(), outWrite.out(), &attributes, 0)) return false;
  if (!::CreatePipe(inRead.out(), inWriteInheritable.out(), &attributes, 0)) return false;
  Handle errWrite = duplicate(outWrite.get(), true);
  run->outRead = duplicate(outReadInheritable.get(), false);
  run->inWrite = duplicate(inWriteInheritable.get(), false);
  outReadInheritable.reset();
  inWriteInheritable.reset();
  if (!errWrite.valid() || !run->outRead.valid() || !run->inWrite.valid()) return false;

  STARTUPINFOA startup{};
  ::GetStartupInfoA(&startup);
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  startup.hStdOutput = outWrite.get();
  startup.hStdInput = inRead.get();
  startup.hStdError = errWrite.get();
  PROCESS_INFORMATION process{};
  std::vector<char> line = writable(commandLine);
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NEW_CONSOLE, nullptr, nullptr, &startup,
                        &process)) {
    return false;
  }
  run->process = Handle(process.hProcess);
  ::CloseHandle(process.hThread);
  outWrite.reset();
  inRead.reset();
  errWrite.reset();

  run->stopEvent = Handle(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!run->stopEvent.valid()) return false;
  std::lock_guard lock(state_->mutex);
  auto* parameter = new std::shared_ptr<Run>(run);
  run->thread = Handle(::CreateThread(nullptr, 0, readerThread, parameter, 0, &run->threadId));
  if (!run->thread.valid()) {
    delete parameter;
    return false;
  }
  state_->current = run;
  return true;
}

}  // namespace zorvik
