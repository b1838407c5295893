// The agent's listener on its abstract socket: answers as the core does, several connections at
// once, a request that does not arrive in time, stopping mid-connection, and the peer's uid.
#include "devlink/AgentRequest.h"
#include "devlink/ByteOrder.h"
#include "phone/AgentListener.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <stddef.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace zorvik::phone {
namespace {

using Clock = std::chrono::steady_clock;

std::string uniqueName(const char* what) { return std::string("zorvik_test_") + what + "_" + std::to_string(::getpid()); }

int connectAbstract(const std::string& name) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  memcpy(a.sun_path + 1, name.data(), name.size());
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), length) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Sends a request and reads until the listener closes (at most 5 s).
std::string exchange(int fd, const Bytes& request) {
  if (!request.empty()) ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
  std::string reply;
  char chunk[4096];
  const auto until = Clock::now() + std::chrono::seconds(5);
  while (Clock::now() < until) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
    if (got <= 0) break;
    reply.append(chunk, static_cast<size_t>(got));
  }
  ::close(fd);
  return reply;
}

// Serves one contact; contacts() can hold its callers until `gate` of them are inside at once.
class Gated : public PhoneData {
 public:
  int gate = 0;
  int peak = 0;
  Answer contacts(std::vector<ContactSummary>& out) override {
    std::unique_lock lock(m_);
    ++inside_;
    peak = std::max(peak, inside_);
    cv_.notify_all();
    cv_.wait_for(lock, std::chrono::seconds(3), [&] { return inside_ >= gate; });
    out.push_back({7, 8, "Ada", 0, "10086", 1, 2, nullptr});
    return Answer::served();
  }
  void leave() {
    std::lock_guard lock(m_);
    --inside_;
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  int inside_ = 0;
};

std::string expectedContacts() {
  Gated plain;
  const Bytes r = bareRequest(AgentCommand::ListContacts);
  return answerAgentRequest(plain, r.data(), r.size(), kPhoneAgentVersion);
}

TEST(AgentListener, AnswersSeveralConnectionsAtOnceAsTheCoreDoes) {
  Gated data;
  data.gate = 4;
  ListenerOptions options;
  options.name = uniqueName("many");
  AgentListener listener(data, options);
  std::string error;
  ASSERT_TRUE(listener.start(&error)) << error;
  const std::string expected = expectedContacts();
  std::vector<std::string> replies(4);
  std::vector<std::thread> clients;
  for (auto& reply : replies)
    clients.emplace_back([&] { reply = exchange(connectAbstract(options.name), bareRequest(AgentCommand::ListContacts)); });
  for (auto& t : clients) t.join();
  for (const auto& reply : replies) EXPECT_EQ(reply, expected);
  EXPECT_EQ(data.peak, 4) << "the four requests were served one after another";
  EXPECT_EQ(listener.answered(), 4u);
  // The version is the listener's.
  unsigned char word[4];
  putInt32(kPhoneAgentVersion, word);
  EXPECT_EQ(exchange(connectAbstract(options.name), bareRequest(AgentCommand::AgentVersion)),
            std::string(reinterpret_cast<char*>(word), 4));
  listener.stop();
  EXPECT_EQ(connectAbstract(options.name), -1) << "the name is free once stopped";
}

TEST(AgentListener, ARequestThatDoesNotArriveInTimeOrAStopEndsTheConnectionUnanswered) {
  Gated data;
  ListenerOptions options;
  options.name = uniqueName("slow");
  options.requestDeadlineMs = 200;
  AgentListener listener(data, options);
  ASSERT_TRUE(listener.start());
  const Bytes request = bareRequest(AgentCommand::ListContacts);
  const auto t0 = Clock::now();
  EXPECT_EQ(exchange(connectAbstract(options.name), Bytes(request.begin(), request.begin() + 2)), "");
  EXPECT_LT(Clock::now() - t0, std::chrono::seconds(2));

  options.requestDeadlineMs = 60000;
  AgentListener patient(data, [&] { auto o = options; o.name += "_p"; return o; }());
  ASSERT_TRUE(patient.start());
  const int fd = connectAbstract(options.name + "_p");
  ASSERT_GE(fd, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const auto t1 = Clock::now();
  patient.stop();
  EXPECT_LT(Clock::now() - t1, std::chrono::seconds(2));
  EXPECT_EQ(exchange(fd, {}), "");
  EXPECT_EQ(patient.answered(), 0u);
}

TEST(AgentListener, ServesOnlyTheShellAndRoot) {
  EXPECT_TRUE(agentPeerAllowed(2000));
  EXPECT_TRUE(agentPeerAllowed(0));
  EXPECT_FALSE(agentPeerAllowed(10123));  // an app's uid
  EXPECT_FALSE(agentPeerAllowed(1000));   // system
  EXPECT_TRUE(agentPeerAllowed(10123, 10123));
  EXPECT_FALSE(agentPeerAllowed(10124, 10123));
  if (::geteuid() != 0) GTEST_SKIP() << "changing a client's uid needs root";

  Gated data;
  ListenerOptions options;
  options.name = uniqueName("uid");
  AgentListener listener(data, options);
  ASSERT_TRUE(listener.start());
  // A client process under the given uid: exit status 0 when it got a reply, 1 when none.
  auto clientAs = [&](uid_t uid) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      if (::setresgid(uid, uid, uid) != 0 || ::setresuid(uid, uid, uid) != 0) ::_exit(2);
      const int fd = connectAbstract(options.name);
      if (fd < 0) ::_exit(3);
      const Bytes r = bareRequest(AgentCommand::ListContacts);
      ::send(fd, r.data(), r.size(), MSG_NOSIGNAL);
      char c;
      ::_exit(::recv(fd, &c, 1, 0) == 1 ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  EXPECT_EQ(clientAs(10123), 1) << "an app's uid got an answer";
  EXPECT_EQ(listener.refusedPeers(), 1u);
  EXPECT_EQ(clientAs(kShellUid), 0);
  EXPECT_EQ(listener.answered(), 1u);
}

TEST(AgentListener, ReadsExactlyOneRequestAndNothingAfterIt) {
  int pair[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
  Bytes bytes = framedRequest(AgentCommand::ContactDetails, AgentArgs().int32(1).int32(5));
  const size_t size = bytes.size();
  bytes.insert(bytes.end(), {9, 9, 9, 9});
  ::send(pair[1], bytes.data(), bytes.size(), 0);
  std::string request;
  EXPECT_EQ(readAgentRequest(pair[0], 1000, request), RequestRead::Complete);
  EXPECT_EQ(request, std::string(bytes.begin(), bytes.begin() + static_cast<long>(size)));
  char rest[8];
  EXPECT_EQ(::recv(pair[0], rest, sizeof rest, MSG_DONTWAIT), 4) << "the bytes after the request stay unread";

  ::close(pair[0]);
  ::close(pair[1]);

  // A total length no page sends, and a peer that leaves mid-request.
  auto readAfterSending = [](const Bytes& sent) {
    int p[2];
    ::socketpair(AF_UNIX, SOCK_STREAM, 0, p);
    ::send(p[1], sent.data(), sent.size(), 0);
    ::shutdown(p[1], SHUT_WR);
    std::string got;
    const RequestRead result = readAgentRequest(p[0], 1000, got);
    ::close(p[0]);
    ::close(p[1]);
    return result;
  };
  Bytes huge = framedRequest(AgentCommand::SendMessage, AgentArgs().int32(0));
  putInt32(kMaxAgentRequest + 1, huge.data() + 4);
  EXPECT_EQ(readAfterSending(huge), RequestRead::Malformed);
  EXPECT_EQ(readAfterSending(Bytes(bytes.begin(), bytes.begin() + 6)), RequestRead::Closed);
}

}  // namespace
}  // namespace zorvik::phone
