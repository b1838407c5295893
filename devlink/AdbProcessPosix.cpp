// The adb tool runs for the native build: posix_spawn into a process group of its own (so a run
// past its deadline ends with everything it started), pipes, a reader thread per run.
#include "devlink/AdbBridge.h"
#include "devlink/AdbProcess.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace zorvik {
namespace {

using detail::Drain;

// A file descriptor, closed once.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  Fd(Fd&& other) noexcept : fd_(other.release()) {}
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) {
      reset();
      fd_ = other.release();
    }
    return *this;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { reset(); }
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int release() { return std::exchange(fd_, -1); }
  void reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

bool makePipe(Fd& read, Fd& write) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  read = Fd(fds[0]);
  write = Fd(fds[1]);
  return true;
}

// A child nobody waits for any more is reaped in the background, so it leaves no zombie.
void reapLater(pid_t pid) {
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

bool exited(pid_t pid) {
  int status = 0;
  const pid_t done = ::waitpid(pid, &status, WNOHANG);
  return done == pid || (done < 0 && errno == ECHILD);
}

// Ends a tool and everything it started: each tool runs in a process group of its own.
void endTree(pid_t pid) {
  if (pid > 0) ::kill(-pid, SIGKILL);
}

// Spawns argv with the given descriptors as 0, 1 and 2 (-1 keeps ours), as the leader of a new
// process group.
bool spawn(const std::string& commandLine, int in, int out, int err, pid_t& pid) {
  std::vector<std::string> words = detail::splitCommandLine(commandLine);
  if (words.empty()) return false;
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (in >= 0) posix_spawn_file_actions_adddup2(&actions, in, 0);
  if (out >= 0) posix_spawn_file_actions_adddup2(&actions, out, 1);
  if (err >= 0) posix_spawn_file_actions_adddup2(&actions, err, 2);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  const int result = ::posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return result == 0;
}

}  // namespace

std::string programFolder() {
  char path[4096];
  const ssize_t size = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (size <= 0) return "./";
  std::string folder(path, static_cast<size_t>(size));
  return folder.substr(0, folder.rfind('/') + 1);
}

std::string adbPath() {
  // The native build's tool beside the program has no ".exe".
  const std::string beside = programFolder() + "adb";
  struct stat info {};
  if (::stat(beside.c_str(), &info) == 0 && S_ISREG(info.st_mode)) return beside;
  return "adb";
}

AdbRunResult runAdbAndWait(const std::string& commandLine, size_t maxOutput, unsigned deadlineMs) {
  AdbRunResult result;
  Fd read, write;
  if (!makePipe(read, write)) {
    result.status = AdbRunStatus::CannotRun;
    return result;
  }
  const uint64_t generation = adbRunGeneration();
  pid_t pid = -1;
  if (!spawn(commandLine, -1, write.get(), write.get(), pid)) {
    result.status = AdbRunStatus::CannotStart;
    return result;
  }
  write.reset();
  result.status = AdbRunStatus::Ok;
  ::fcntl(read.get(), F_SETFL, ::fcntl(read.get(), F_GETFL) | O_NONBLOCK);
  // Read while the tool runs, so a full pipe cannot stop it; a server it leaves behind may hold
  // the pipe open, so the tool's exit (not the pipe's end) ends the wait.
  bool childDone = false, pipeDone = false;
  char buffer[4096];
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
  while (!pipeDone) {
    const bool ended = adbRunGeneration() != generation;
    if (!childDone && (ended || (deadlineMs > 0 && std::chrono::steady_clock::now() >= deadline))) {
      endTree(pid);
      (ended ? result.cancelled : result.timedOut) = true;
      break;
    }
    pollfd poller{read.get(), POLLIN, 0};
    ::poll(&poller, 1, static_cast<int>(detail::kRunPollMs));
    for (;;) {
      const ssize_t got = ::read(read.get(), buffer, sizeof buffer);
      if (got > 0) {
        detail::appendLimited(result.output, buffer, static_cast<size_t>(got), maxOutput);
        continue;
      }
      if (got < 0 && errno == EINTR) continue;
      if (got == 0 || errno != EAGAIN) pipeDone = true;
      break;
    }
    if (childDone) break;
    childDone = exited(pid);
  }
  if (!childDone) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  return result;
}

void launchAdb(const std::string& commandLine) {
  Fd null(::open("/dev/null", O_RDWR | O_CLOEXEC));
  pid_t pid = -1;
  if (spawn(commandLine, -1, null.get(), null.get(), pid)) reapLater(pid);
}

// ---------------------------------------------------------------- AdbProcessRunner

namespace {

// One run: the child, the parent's pipe ends and the reader thread. Shared by the runner and the
// reader thread, so a thread that outlives its runner still holds valid descriptors.
struct Run {
  pid_t pid = -1;
  unsigned deadlineMs = 0;
  uint64_t generation = 0;  // adbRunGeneration() when the run started
  bool reaped = false;
  Fd outRead, inWrite, stopRead, stopWrite;
  std::thread thread;
  std::atomic<bool> stopped{false};
  std::mutex mutex;
  std::condition_variable finishedChanged;
  bool finished = false;

  ~Run() {
    if (pid > 0 && !reaped) {
      if (exited(pid)) return;
      reapLater(pid);
    }
  }
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
    const ssize_t got = ::read(run.outRead.get(), buffer, AdbProcessRunner::kChunkMax);
    if (got > 0) {
      if (run.stopped) return Drain::Continue;
      sink.receive(std::string(buffer, static_cast<size_t>(got)), kAdbOutputChunk);
      continue;
    }
    if (got == 0) return Drain::Ended;
    if (errno == EINTR) continue;
    return errno == EAGAIN ? Drain::Continue : Drain::Failed;
  }
}

void deliverEnd(Run& run, AdbOutputSink& sink, Drain how) {
  if (run.stopped) return;
  sink.receive(std::string(), how == Drain::Failed ? kAdbOutputReadFailed : kAdbOutputEnded);
}

void readerLoop(const std::shared_ptr<AdbProcessRunner::State>& state, const std::shared_ptr<Run>& run) {
  AdbOutputSink& sink = *state->sink;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(run->deadlineMs);
  for (;;) {
    pollfd pollers[2] = {{run->stopRead.get(), POLLIN, 0}, {run->outRead.get(), POLLIN, 0}};
    const int ready = ::poll(pollers, 2, static_cast<int>(AdbProcessRunner::kPollMs));
    if (run->stopped || (ready > 0 && (pollers[0].revents & POLLIN))) {
      if (!exited(run->pid)) endTree(run->pid);
      return;
    }
    const bool ended = adbRunGeneration() != run->generation;
    if (ended || (run->deadlineMs > 0 && std::chrono::steady_clock::now() >= deadline)) {
      if (!exited(run->pid)) endTree(run->pid);
      if (!run->stopped) sink.receive(std::string(), ended ? kAdbOutputReadFailed : kAdbOutputTimedOut);
      return;
    }
    if (exited(run->pid)) {
      run->reaped = true;
      // The tool has written everything; what the pipe still holds is the rest of its output.
      deliverEnd(*run, sink, drain(*run, sink) == Drain::Failed ? Drain::Failed : Drain::Ended);
      return;
    }
    const Drain how = drain(*run, sink);
    if (how != Drain::Continue) {
      deliverEnd(*run, sink, how);
      return;
    }
  }
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
    if (!run) return;
    run->stopped = true;
    if (run->thread.get_id() == std::this_thread::get_id()) {
      // Called from the reader thread (its sink, or its own end): it cannot wait for itself.
      run->thread.detach();
      return;
    }
  }
  const char wake = 1;
  [[maybe_unused]] const ssize_t written = ::write(run->stopWrite.get(), &wake, 1);
  std::unique_lock lock(run->mutex);
  const bool ended = run->finishedChanged.wait_for(lock, std::chrono::milliseconds(kStopWaitMs), [&] { return run->finished; });
  lock.unlock();
  // A thread cannot be terminated here; one stuck in its sink is left to finish, and the stopped
  // flag keeps it from calling the sink again.
  if (ended) {
    run->thread.join();
  } else {
    run->thread.detach();
  }
}

bool AdbProcessRunner::run(const std::string& commandLine, unsigned deadlineMs) {
  stop();
  auto run = std::make_shared<Run>();
  run->deadlineMs = deadlineMs;
  run->generation = adbRunGeneration();
  Fd outWrite, inRead;
  if (!makePipe(run->outRead, outWrite) || !makePipe(inRead, run->inWrite) || !makePipe(run->stopRead, run->stopWrite)) {
    return false;
  }
  if (!spawn(commandLine, inRead.get(), outWrite.get(), outWrite.get(), run->pid)) return false;
  outWrite.reset();
  inRead.reset();
  ::fcntl(run->outRead.get(), F_SETFL, ::fcntl(run->outRead.get(), F_GETFL) | O_NONBLOCK);
  std::lock_guard lock(state_->mutex);
  try {
    run->thread = std::thread([state = state_, run] {
      readerLoop(state, run);
      {
        std::lock_guard stateLock(state->mutex);
        if (state->current == run) {
          state->current.reset();
          run->thread.detach();
        }
      }
      std::lock_guard runLock(run->mutex);
      run->finished = true;
      run->finishedChanged.notify_all();
    });
  } catch (const std::system_error&) {
    return false;
  }
  state_->current = run;
  return true;
}

}  // namespace zorvik
