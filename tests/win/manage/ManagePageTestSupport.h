#pragma once
// What the manage pages' Wine tests share: a page host that records the status line, vphone's
// control channel, and short agent deadlines.
#include <windows.h>

#include <cstdlib>
#include <mutex>
#include <string>

#include "app/Page.h"
#include "devlink/AgentSession.h"
#include "devlink/TcpSocket.h"

namespace zorvik::test {

class TestHost : public PageHost {
public:
  explicit TestHost(HWND main) : main_(main) {}
  HWND mainHwnd() const override { return main_; }
  void setStatusText(const std::string& text) override {
    std::lock_guard<std::mutex> lock(mu_);
    status_ = text;
  }
  void showPage(int, int) override {}
  std::string status() {
    std::lock_guard<std::mutex> lock(mu_);
    return status_;
  }

private:
  HWND main_;
  std::mutex mu_;
  std::string status_;
};

inline std::string phoneControl(const std::string& command) {
  const char* port = std::getenv("ZORVIK_TEST_CONTROL_PORT");
  if (!port) return "";
  TcpSocket s = TcpSocket::connectLoopback(static_cast<uint16_t>(std::atoi(port)));
  std::string line = command + "\n", answer;
  if (!s.sendAll(line.data(), line.size())) return "";
  char c;
  while (s.receive(&c, 1) == 1 && c != '\n') answer += c;
  return answer;
}

// Deadlines of a second, so a silent phone costs the test seconds, not minutes.
struct ShortDeadlines {
  ShortDeadlines() : saved(agentDeadlines()) { setAgentDeadlines({2000, 1000}); }
  ~ShortDeadlines() { setAgentDeadlines(saved); }
  AgentDeadlines saved;
};

}  // namespace zorvik::test
