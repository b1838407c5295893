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
#include <memory>
#include <mutex>
#include <signal.h>
#include <string>
#include <thread>
#include <vector>

#include "devlink/TcpSocket.h"
#include "download/HttpDownloader.h"
#include "native/download/RealServerCases.h"

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
// output (where a server says where it listens) is read before the constructor returns. With
// `keepOutput` the child writes to this process's standard output instead. The program is looked
// up in PATH when its name has no slash.
class ChildProcess {
 public:
  ChildProcess(std::vector<std::string> args, bool readFirstLine, bool keepOutput = false) {
    int out[2];
    if (::pipe(out) != 0) return;
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!keepOutput) posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    if (keepOutput) posix_spawn_file_actions_addclose(&actions, out[1]);
    if (::posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
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
  // Waits until the child ends by itself: its exit code, 128 + the signal that ended it, -1 when
  // it never started.
  // An interrupted wait leaves the child to the destructor.
  int wait() {
    int status = 0;
    if (pid_ <= 0 || ::waitpid(pid_, &status, 0) != pid_) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  std::string firstLine;

 private:
  pid_t pid_ = -1;
};

#ifdef ZORVIK_WEBSIM
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
#endif

// The servers of RealServerCases.h in a folder of their own holding "src.bin": Debian's lighttpd
// (with redirections) and odd_server.py, each a child process ended with this object. Empty bases
// when one did not start.
class RealServers {
 public:
  explicit RealServers(const std::string& oddServerScript) {
    writeFile(dir_.path + "/src.bin", realServerSource());
    uint16_t port = 0;
    {
      TcpListener probe;  // a free port for lighttpd, which cannot pick one itself
      probe.listen(0);
      port = probe.port();
    }
    writeFile(dir_.path + "/lighttpd.conf",
              "server.document-root = \"" + dir_.path + "\"\nserver.bind = \"127.0.0.1\"\nserver.port = " +
                  std::to_string(port) + "\nserver.modules = (\"mod_redirect\")\n"
                  "url.redirect = (\"^/go/(.*)$\" => \"/hop/$1\", \"^/hop/(.*)$\" => \"/$1\", "
                  "\"^/signed$\" => \"/src.bin?sig=" + std::string(6000, 's') + "\")\n");
    lighttpd_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"/usr/sbin/lighttpd", "-D", "-f", dir_.path + "/lighttpd.conf"}, false);
    for (int i = 0; i < 100; ++i) {
      if (TcpSocket::connectIpv4(0x0100007F, port, false, 100, nullptr).valid()) {
        lighttpd = "http://127.0.0.1:" + std::to_string(port);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    odd_ = std::make_unique<ChildProcess>(std::vector<std::string>{"python3", oddServerScript, dir_.path + "/src.bin"},
                                          true);
    if (odd_->firstLine.rfind("port ", 0) == 0) odd = "http://127.0.0.1:" + odd_->firstLine.substr(5);
  }
  std::string lighttpd, odd;  // "http://127.0.0.1:PORT"

 private:
  TempDir dir_;  // made first, removed last
  std::unique_ptr<ChildProcess> lighttpd_, odd_;
};

}  // namespace zorvik::test
