#pragma once
// For the downloader's tests: a listener that records events, a scripted HTTP server on loopback
// (each connection's request recorded, the answer written by the test's handler), websim started
// as a child process, and temporary folders.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <signal.h>
#include <string>
#include <thread>
#include <vector>

#include "devlink/TcpSocket.h"
#include "download/HttpDownloader.h"

extern char** environ;

namespace zorvik::test {

struct RecordedEvent {
  int event, a, b;
  int64_t atMs;  // since the listener was made
};

class RecordingListener : public DownloadListener {
 public:
  void notify(int event, int a, int b) override {
    std::lock_guard<std::mutex> hold(lock_);
    const auto now = std::chrono::steady_clock::now() - made_;
    events_.push_back({event, a, b, std::chrono::duration_cast<std::chrono::milliseconds>(now).count()});
    if (event >= kEventComplete) done_.notify_all();
  }
  // The final event (2-7) of the next transfer to end; -1 after `seconds` without one.
  int waitFinal(int seconds = 20) {
    std::unique_lock<std::mutex> hold(lock_);
    const auto finals = [&] {
      int n = 0;
      for (const auto& e : events_) n += e.event >= kEventComplete;
      return n;
    };
    if (!done_.wait_for(hold, std::chrono::seconds(seconds), [&] { return finals() > seen_; })) return -1;
    ++seen_;
    for (auto it = events_.rbegin(); it != events_.rend(); ++it)
      if (it->event >= kEventComplete) return it->event;
    return -1;
  }
  std::vector<RecordedEvent> events() {
    std::lock_guard<std::mutex> hold(lock_);
    return events_;
  }

 private:
  std::mutex lock_;
  std::condition_variable done_;
  std::vector<RecordedEvent> events_;
  int seen_ = 0;
  std::chrono::steady_clock::time_point made_ = std::chrono::steady_clock::now();
};

// Accepts connections one after another; reads each request up to its blank line and hands it to
// the handler, which writes the answer (and may close, stall or keep sending).
class ScriptedHttpServer {
 public:
  using Handler = std::function<void(TcpSocket& client, const std::string& request, int index)>;
  explicit ScriptedHttpServer(Handler handler) : handler_(std::move(handler)) {
    listener_.listen(0);
    thread_ = std::thread([this] { run(); });
  }
  ~ScriptedHttpServer() {
    listener_.close();
    thread_.join();
  }
  uint16_t port() const { return listener_.port(); }
  std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port()) + path; }
  std::vector<std::string> requests() {
    std::lock_guard<std::mutex> hold(lock_);
    return requests_;
  }

 private:
  void run() {
    for (int index = 0;; ++index) {
      TcpSocket client = listener_.accept();
      if (!client.valid()) return;
      std::string request;
      char c;
      while (request.size() < 8192 && client.receive(&c, 1) == 1) {
        request += c;
        if (request.size() >= 4 && request.compare(request.size() - 4, 4, "\r\n\r\n") == 0) break;
      }
      {
        std::lock_guard<std::mutex> hold(lock_);
        requests_.push_back(request);
      }
      handler_(client, request, index);
    }
  }
  Handler handler_;
  TcpListener listener_;
  std::thread thread_;
  std::mutex lock_;
  std::vector<std::string> requests_;
};

inline void sendText(TcpSocket& client, const std::string& text) { client.sendAll(text.data(), text.size()); }

inline std::string pattern(size_t size, size_t from = 0) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i)
    s[i] = from + i < 2 ? "PK"[from + i] : static_cast<char>(((from + i) * 131u) ^ ((from + i) >> 12) ^ ((from + i) >> 20));
  return s;
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
inline void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}
inline bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

struct TempDir {
  TempDir() {
    char dir[] = "/tmp/downloadXXXXXX";
    path = ::mkdtemp(dir) ? dir : "";
  }
  ~TempDir() { std::system(("rm -rf '" + path + "'").c_str()); }
  std::string path;
};

// A child process, ended with the test; with `readFirstLine`, the first line of its standard
// output (where a server says where it listens) is read before the constructor returns.
class ChildProcess {
 public:
  ChildProcess(std::vector<std::string> args, bool readFirstLine) {
    int out[2];
    if (::pipe(out) != 0) return;
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    char c;
    while (readFirstLine && ::read(out[0], &c, 1) == 1 && c != '\n') firstLine += c;
    ::close(out[0]);
  }
  ~ChildProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  std::string firstLine;

 private:
  pid_t pid_ = -1;
};

// websim on a free port, ended with the test.
class WebSim {
 public:
  WebSim() : process_({ZORVIK_WEBSIM}, true) {
    const size_t at = process_.firstLine.find("http://");
    if (at != std::string::npos) base = process_.firstLine.substr(at);
  }
  std::string base;  // "http://127.0.0.1:P/"

 private:
  ChildProcess process_;
};

}  // namespace zorvik::test
