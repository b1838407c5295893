// The adb tool runs for Windows: anonymous pipes, CreateProcessA into a Job object (so a run past
// its deadline ends with everything it started), a reader thread that polls the pipe with
// PeekNamedPipe.
#include "devlink/AdbBridge.h"
#include "devlink/AdbProcess.h"

#include "common/win/Handles.h"
#include "common/win/ModulePath.h"

#include <windows.h>

#include <atomic>
#include <mutex>
#include <vector>

namespace zorvik {
namespace {

using detail::Drain;

SECURITY_ATTRIBUTES inheritable() {
  SECURITY_ATTRIBUTES attributes{};
  attributes.nLength = sizeof attributes;  // 12 on 32-bit Windows
  attributes.lpSecurityDescriptor = nullptr;
  attributes.bInheritHandle = TRUE;
  return attributes;
}

UniqueKernelHandle duplicate(HANDLE source, bool inherit) {
  UniqueKernelHandle copy;
  const HANDLE self = ::GetCurrentProcess();
  if (!::DuplicateHandle(self, source, self, copy.put(), 0, inherit, DUPLICATE_SAME_ACCESS)) return {};
  return copy;
}

// CreateProcessA may write into the command line.
std::vector<char> writable(const std::string& commandLine) {
  std::vector<char> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back('\0');
  return buffer;
}

// A started tool: its process and the Job object holding it and every process it starts, so a
// run past its deadline ends as a whole tree.
struct Child {
  UniqueKernelHandle process;
  UniqueKernelHandle job;  // empty where the job could not be made: the process alone is ended
  explicit operator bool() const { return static_cast<bool>(process); }

  void endTree() const {
    if (job) ::TerminateJobObject(job.get(), 1);
    ::TerminateProcess(process.get(), 1);
    ::WaitForSingleObject(process.get(), 1000);
  }
};

// Starts a hidden child with the given standard handles (a null input keeps this process's),
// suspended until it is in its job; an empty child when it could not start.
Child startHidden(const std::string& commandLine, HANDLE in, HANDLE out, HANDLE err, DWORD flags) {
  STARTUPINFOA startup{};
  ::GetStartupInfoA(&startup);
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  if (in) startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  std::vector<char> line = writable(commandLine);
  Child child;
  child.job = UniqueKernelHandle(::CreateJobObjectA(nullptr, nullptr));
  if (child.job) {
    // A server the tool starts on purpose may leave the job (CREATE_BREAKAWAY_FROM_JOB).
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
    ::SetInformationJobObject(child.job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
  }
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, flags | CREATE_SUSPENDED, nullptr, nullptr,
                        &startup, &process))
    return {};
  const UniqueKernelHandle thread(process.hThread);
  child.process = UniqueKernelHandle(process.hProcess);
  // This process may sit in a job that forbids nesting: the tool then runs outside one.
  if (child.job && !::AssignProcessToJobObject(child.job.get(), child.process.get())) child.job.reset();
  ::ResumeThread(thread.get());
  return child;
}

}  // namespace

std::string programFolder() {
  const std::string path = modulePathOf<char>(nullptr);
  if (path.empty()) return ".\\";
  return path.substr(0, path.find_last_of("\\/") + 1);
}

std::string adbPath() {
  const std::string beside = programFolder() + "adb.exe";
  const DWORD attributes = ::GetFileAttributesA(beside.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return beside;
  return "adb";
}

AdbRunResult runAdbAndWait(const std::string& commandLine, size_t maxOutput, unsigned deadlineMs) {
  AdbRunResult result;
  SECURITY_ATTRIBUTES attributes = inheritable();
  UniqueKernelHandle read, write;
  if (!::CreatePipe(read.put(), write.put(), &attributes, 0)) {
    result.status = AdbRunStatus::CannotRun;
    return result;
  }
  // Our reading end stays ours: a child that inherited it would keep the pipe from breaking.
  ::SetHandleInformation(read.get(), HANDLE_FLAG_INHERIT, 0);
  const uint64_t generation = adbRunGeneration();
  const Child child = startHidden(commandLine, nullptr, write.get(), write.get(), NORMAL_PRIORITY_CLASS);
  if (!child) {
    result.status = AdbRunStatus::CannotStart;
    return result;
  }
  write.reset();
  result.status = AdbRunStatus::Ok;
  // Read while the tool runs, so a full pipe cannot stop it; the tool's exit ends the wait even if
  // a server it started still holds the pipe.
  char buffer[4096];
  const ULONGLONG started = ::GetTickCount64();
  for (;;) {
    const bool ended = ::WaitForSingleObject(child.process.get(), detail::kRunPollMs) != WAIT_TIMEOUT;
    const bool cancelled = adbRunGeneration() != generation;
    if (!ended && (cancelled || detail::pastDeadline(started, ::GetTickCount64(), deadlineMs))) {
      // The tool is held up (a phone or server that does not answer): it is ended, not waited for.
      child.endTree();
      (cancelled ? result.cancelled : result.timedOut) = true;
      break;
    }
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
  UniqueKernelHandle thread;
  DWORD threadId = 0;
  UniqueKernelHandle stopEvent;
  Child child;
  unsigned deadlineMs = 0;
  uint64_t generation = 0;  // adbRunGeneration() when the run started
  UniqueKernelHandle outRead;  // the child's output, our end
  UniqueKernelHandle inWrite;  // the child's input, our end
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
  const HANDLE waits[2] = {run.child.process.get(), run.stopEvent.get()};
  const ULONGLONG started = ::GetTickCount64();
  for (;;) {
    const DWORD woke = ::WaitForMultipleObjects(2, waits, FALSE, AdbProcessRunner::kPollMs);
    if (woke == WAIT_OBJECT_0 + 1 || run.stopped) {
      run.child.endTree();
      return;
    }
    const bool cancelled = adbRunGeneration() != run.generation;
    if (woke == WAIT_TIMEOUT && (cancelled || detail::pastDeadline(started, ::GetTickCount64(), run.deadlineMs))) {
      run.child.endTree();
      if (!run.stopped) sink.receive(std::string(), cancelled ? kAdbOutputReadFailed : kAdbOutputTimedOut);
      return;
    }
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
  // Our end of the child's input closes now; the reader never touches it.
  run->inWrite.reset();
  // The reader ends the tool's tree as it leaves. A reader held up past kStopWaitMs (inside the sink) is not killed: a thread killed there
  // can leave the heap's or the sink's locks held. It sees `stopped` when it comes back, delivers
  // nothing more, and its reference is the last one: the output pipe and the process handle
  // close with it.
  ::WaitForSingleObject(run->thread.get(), kStopWaitMs);
}

bool AdbProcessRunner::run(const std::string& commandLine, unsigned deadlineMs) {
  stop();
  auto run = std::make_shared<Run>();
  run->state = state_;
  SECURITY_ATTRIBUTES attributes = inheritable();
  UniqueKernelHandle outReadInheritable, outWrite, inRead, inWriteInheritable;
  if (!::CreatePipe(outReadInheritable.put(), outWrite.put(), &attributes, 0)) return false;
  if (!::CreatePipe(inRead.put(), inWriteInheritable.put(), &attributes, 0)) return false;
  UniqueKernelHandle errWrite = duplicate(outWrite.get(), true);
  run->outRead = duplicate(outReadInheritable.get(), false);
  run->inWrite = duplicate(inWriteInheritable.get(), false);
  outReadInheritable.reset();
  inWriteInheritable.reset();
  if (!errWrite || !run->outRead || !run->inWrite) return false;

  run->deadlineMs = deadlineMs;
  run->generation = adbRunGeneration();
  run->child = startHidden(commandLine, inRead.get(), outWrite.get(), errWrite.get(), CREATE_NEW_CONSOLE);
  if (!run->child) return false;
  outWrite.reset();
  inRead.reset();
  errWrite.reset();

  run->stopEvent = UniqueKernelHandle(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!run->stopEvent) return false;
  std::lock_guard lock(state_->mutex);
  auto* parameter = new std::shared_ptr<Run>(run);
  run->thread = UniqueKernelHandle(::CreateThread(nullptr, 0, readerThread, parameter, 0, &run->threadId));
  if (!run->thread) {
    delete parameter;
    return false;
  }
  state_->current = run;
  return true;
}

}  // namespace zorvik
