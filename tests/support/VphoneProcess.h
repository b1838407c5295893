#pragma once
// One vphone process for one native test: started on a free port (its ADB port, and the control
// port when asked with "--control-port 0", read from the first line it prints), ended with SIGTERM.
#include "devlink/TcpSocket.h"

#include <csignal>
#include <cstdio>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace zorvik::test {

class VphoneProcess {
 public:
  VphoneProcess(const std::string& program, const std::vector<std::string>& options) {
    std::vector<std::string> words = {program, "--port", "0"};
    words.insert(words.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    int out[2];
    if (::pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const int spawned = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) {
      pid_ = -1;
      ::close(out[0]);
      return;
    }
    std::string line;
    char c;
    while (::read(out[0], &c, 1) == 1 && c != '\n') line += c;
    ::close(out[0]);
    unsigned port = 0, control = 0;
    const int read = std::sscanf(line.c_str(), "vphone: adb server on 127.0.0.1:%u control %u", &port, &control);
    if (read >= 1) port_ = static_cast<uint16_t>(port);
    if (read == 2) control_ = static_cast<uint16_t>(control);
  }
  ~VphoneProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      int status = 0;
      ::waitpid(pid_, &status, 0);
    }
  }
  VphoneProcess(const VphoneProcess&) = delete;
  VphoneProcess& operator=(const VphoneProcess&) = delete;

  uint16_t port() const { return port_; }
  // One command on the control channel; its answer line.
  std::string control(const std::string& command) const {
    TcpSocket s = TcpSocket::connectLoopback(control_);
    const std::string line = command + "\n";
    std::string answer;
    if (!s.sendAll(line.data(), line.size())) return answer;
    char c;
    while (s.receive(&c, 1) == 1 && c != '\n') answer += c;
    return answer;
  }

 private:
  pid_t pid_ = -1;
  uint16_t port_ = 0;
  uint16_t control_ = 0;
};

}  // namespace zorvik::test
