// Benchmark: 870101 for 5,000 contacts, every one with a photo, through the real forward, and 16
// agent connections at once. Prints the times; in a build without sanitizers the median must stay
// under 100 ms.
#include "devlink/AgentSession.h"
#include "sim/AdbProtocol.h"
#include "sim/VirtualPhone.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <future>
#include <vector>

using namespace zorvik;

int main() {
  sim::PhoneState state;
  std::string error;
  if (!sim::loadPhoneState(ZORVIK_VPHONE_DATA_5K, state, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  size_t photos = 0;
  for (const auto& c : state.contacts) photos += c.photo != nullptr;
  sim::VirtualPhone phone;
  phone.setBaseState(std::move(state));
  phone.addDevice("BENCH0001");
  if (!phone.start(0, -1, error)) return 1;
  TcpSocket s = TcpSocket::connectLoopback(phone.adbPort());
  const std::string fwd = "host-serial:BENCH0001:forward:tcp:0;tcp:50505";
  const std::string req = adbLengthPrefix(fwd.size()) + fwd;
  s.sendAll(req.data(), req.size());
  char answer[64] = {};
  const size_t got = s.receiveExactly(answer, 12);
  std::string tail(64, '\0');
  const int more = s.receive(tail.data(), tail.size());
  if (got != 12 || more <= 0) return 1;
  const auto port = static_cast<uint16_t>(std::stoi(tail.substr(0, static_cast<size_t>(more))));

  using Clock = std::chrono::steady_clock;
  std::vector<double> ms;
  size_t bytes = 0;
#if defined(__SANITIZE_ADDRESS__)
  const int rounds = 5;  // the sanitizer build only checks that it works
#else
  const int rounds = 15;
#endif
  for (int i = 0; i < rounds; ++i) {
    AgentBody body;
    const auto t0 = Clock::now();
    if (exchangeForBody(bareRequest(AgentCommand::ListContacts), body, port) != AgentResult::Ok || !body.complete) {
      std::fprintf(stderr, "870101 failed\n");
      return 1;
    }
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    bytes = body.bytes.size();
  }
  std::sort(ms.begin(), ms.end());
  const double median = ms[ms.size() / 2];

  const auto t0 = Clock::now();
  std::vector<std::future<bool>> all;
  for (int i = 0; i < 16; ++i)
    all.push_back(std::async(std::launch::async, [port, bytes] {
      AgentBody body;
      return exchangeForBody(bareRequest(AgentCommand::ListContacts), body, port) == AgentResult::Ok && body.complete &&
             body.bytes.size() == bytes;
    }));
  int failures = 0;
  for (auto& f : all) failures += !f.get();
  const double concurrent = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();

  std::printf("870101: %zu contacts, %zu with photos, body %zu bytes: median %.1f ms, best %.1f ms, worst %.1f ms\n",
              phone.control("count contacts").size() ? static_cast<size_t>(std::stoul(phone.control("count contacts").substr(3))) : 0,
              photos, bytes, median, ms.front(), ms.back());
  std::printf("16 concurrent 870101 connections: %d failed, %.1f ms for all\n", failures, concurrent);
  phone.stop();
  if (failures) return 1;
#if defined(__SANITIZE_ADDRESS__)
  return 0;  // sanitizers slow everything down; the time limit holds for the plain build
#else
  return median < 100.0 ? 0 : 1;
#endif
}
