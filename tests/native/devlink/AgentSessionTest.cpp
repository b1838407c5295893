// Exchanges with a scripted loopback agent: framing on the wire, body reassembly, the reserved
// words, and connection failure. Built natively and for Windows (run under Wine).
#include "devlink/AgentSession.h"
#include "devlink/ByteOrder.h"
#include "support/LoopbackServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <set>
#include <string>
#include <thread>

namespace zorvik {
namespace {

using test::LoopbackServer;
using test::ScriptedReply;

Bytes be32(std::initializer_list<int32_t> words) {
  Bytes out;
  for (int32_t w : words) {
    unsigned char b[4];
    putInt32(w, b);
    out.insert(out.end(), b, b + 4);
  }
  return out;
}

Bytes withLength(const Bytes& body) {
  Bytes out = be32({static_cast<int32_t>(body.size())});
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

TEST(AgentSession, DeleteRequestTravelsInOneSendOf24Bytes) {
  LoopbackServer server({{.requestSize = 24, .reply = be32({1})}});
  int32_t status = 0;
  const Bytes request = idListRequest(AgentCommand::DeleteContacts, {7, 8, 9});
  ASSERT_EQ(exchangeForStatus(request, &status, server.port()), AgentResult::Ok);
  EXPECT_EQ(status, 1);
  server.wait();
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].bytes, be32({870106, 24, 3, 7, 8, 9}));
  EXPECT_EQ(requests[0].recvCalls, 1u);
}

TEST(AgentSession, VersionQuerySendsBareCodeAndReturnsTheWord) {
  LoopbackServer server({{.requestSize = 4, .reply = be32({27})}});
  EXPECT_EQ(queryAgentVersion(server.port()), 27);
  server.wait();
  EXPECT_EQ(server.requests()[0].bytes, (Bytes{0x00, 0x0D, 0x46, 0x73}));
}

TEST(AgentSession, NoListenerGivesMinusOneAndConnectFailure) {
  uint16_t freePort;
  {
    TcpListener probe;
    ASSERT_TRUE(probe.listen(0));
    freePort = probe.port();
  }
  EXPECT_EQ(queryAgentVersion(freePort), -1);
  AgentBody body;
  EXPECT_EQ(exchangeForBody(bareRequest(AgentCommand::ListContacts), body, freePort), AgentResult::ConnectFailed);
}

TEST(AgentSession, AgentThatClosesWithoutAnsweringIsNoVersion) {
  LoopbackServer server({{.requestSize = 4, .closeWithoutReply = true}});
  EXPECT_EQ(queryAgentVersion(server.port()), -1);
}

TEST(AgentSession, NoReplyWordEndsQuietly) {
  LoopbackServer server({{.requestSize = 4, .reply = be32({kAgentNoReply})}});
  AgentBody body;
  EXPECT_EQ(exchangeForBody(bareRequest(AgentCommand::ListContacts), body, server.port()), AgentResult::NoReply);
  EXPECT_TRUE(body.bytes.empty());
}

TEST(AgentSession, HeaderOnlyBodyHasNoRecords) {
  LoopbackServer server({{.requestSize = 4, .reply = withLength(be32({0}))}});
  AgentBody body;
  ASSERT_EQ(exchangeForBody(bareRequest(AgentCommand::ListContacts), body, server.port()), AgentResult::Ok);
  EXPECT_TRUE(body.complete);
  EXPECT_FALSE(body.reader().hasMoreRecords());
}

Bytes patternBody(size_t size) {
  Bytes body(size);
  std::iota(body.begin(), body.end(), static_cast<unsigned char>(3));
  return body;
}

TEST(AgentSession, BodyInPiecesIsReassembledExactly) {
  const Bytes body = patternBody(10000);
  for (const std::vector<size_t>& pieces : {std::vector<size_t>{4 + 4096, 4096, 1808}, std::vector<size_t>{1}}) {
    const Bytes reply = withLength(body);
    LoopbackServer server({{.requestSize = 4, .reply = reply, .pieces = pieces}});
    AgentBody received;
    ASSERT_EQ(exchangeForBody(bareRequest(AgentCommand::ListContacts), received, server.port()), AgentResult::Ok);
    EXPECT_TRUE(received.complete);
    EXPECT_EQ(received.bytes, body) << "pieces of " << pieces[0];
  }
}

TEST(AgentSession, NeverAsksPastTheBodySoTheNextBytesStayUnread) {
  // The peer sends the body and then more bytes; a reader asking for more than the missing bytes
  // would swallow them into the body.
  Bytes reply = withLength(patternBody(5000));
  const Bytes trailer = be32({0x7777, 0x7777});
  reply.insert(reply.end(), trailer.begin(), trailer.end());
  LoopbackServer server({{.requestSize = 4, .reply = reply}});
  AgentBody received;
  ASSERT_EQ(exchangeForBody(bareRequest(AgentCommand::ListContacts), received, server.port()), AgentResult::Ok);
  EXPECT_EQ(received.bytes.size(), 5000u);
  EXPECT_EQ(received.bytes, patternBody(5000));
}

TEST(AgentSession, BodyCutShortIsAFailureAndKeepsOnlyWhatArrived) {
  Bytes reply = be32({1000});
  const Bytes part = patternBody(300);
  reply.insert(reply.end(), part.begin(), part.end());
  LoopbackServer server({{.requestSize = 4, .reply = reply}});
  AgentBody received;
  ASSERT_EQ(exchangeForBody(bareRequest(AgentCommand::ListContacts), received, server.port()), AgentResult::Cut);
  EXPECT_NE(agentFailureText(AgentResult::Cut), nullptr);
  EXPECT_FALSE(received.complete);
  EXPECT_EQ(received.bytes, part);
  EXPECT_EQ(received.reader().length(), 300u);
}

TEST(AgentSession, HostileLengthWordsAreRefused) {
  for (int32_t length : {-5, AgentSession::kMaxBodyLength + 1}) {
    LoopbackServer server({{.requestSize = 4, .reply = be32({length, 0, 0})}});
    AgentBody received;
    EXPECT_EQ(exchangeForBody(bareRequest(AgentCommand::ListContacts), received, server.port()), AgentResult::Malformed);
    EXPECT_TRUE(received.bytes.empty());
  }
}

TEST(AgentSession, RefusalsCarryTheirReasonForBodiesAndStatusesEvenCutShort) {
  const int32_t sms = static_cast<int32_t>(AgentRefusal::SmsRead);
  struct Case {
    Bytes reply;
    bool body;
    AgentResult expected;
  } cases[] = {
      {be32({kAgentRefused, sms}), true, agentRefused(AgentRefusal::SmsRead)},
      {be32({kAgentRefused, static_cast<int32_t>(AgentRefusal::CallLogWrite)}), false,
       agentRefused(AgentRefusal::CallLogWrite)},
      {be32({kAgentRefused}), true, AgentResult::Refused},   // cut before the reason
      {be32({kAgentRefused}), false, AgentResult::Refused},
      {be32({kAgentRefused, 99}), true, AgentResult::Refused},  // a reason this program does not know
      {be32({kAgentRefused, 0}), false, AgentResult::Refused},
  };
  for (const Case& c : cases) {
    LoopbackServer server({{.requestSize = 4, .reply = c.reply}});
    if (c.body) {
      AgentBody body;
      EXPECT_EQ(exchangeForBody(bareRequest(AgentCommand::ListConversations), body, server.port()), c.expected);
      EXPECT_TRUE(body.bytes.empty());
    } else {
      int32_t status = 12345;
      EXPECT_EQ(exchangeForStatus(bareRequest(AgentCommand::FreeMemory), &status, server.port()), c.expected);
      EXPECT_EQ(status, 12345) << "a refusal is not a status";
    }
  }
  // An agent that knows no refusal: its words mean what they always did.
  LoopbackServer old({{.requestSize = 4, .reply = be32({0})}, {.requestSize = 4, .reply = be32({kAgentNoReply})}});
  int32_t status = 7;
  EXPECT_EQ(exchangeForStatus(bareRequest(AgentCommand::FreeMemory), &status, old.port()), AgentResult::Ok);
  EXPECT_EQ(status, 0);
  AgentBody body;
  EXPECT_EQ(exchangeForBody(bareRequest(AgentCommand::ListCalls), body, old.port()), AgentResult::NoReply);

  // Every reason reaches the user as its own text; nothing else is a refusal.
  std::set<std::string> texts{agentFailureText(AgentResult::ConnectFailed), agentFailureText(AgentResult::Refused)};
  for (int32_t r = 1; r <= kAgentRefusalLast; ++r) {
    const AgentResult result = agentRefused(static_cast<AgentRefusal>(r));
    EXPECT_TRUE(isAgentRefusal(result));
    EXPECT_EQ(static_cast<int32_t>(agentRefusalOf(result)), r);
    ASSERT_NE(agentFailureText(result), nullptr);
    EXPECT_TRUE(texts.insert(agentFailureText(result)).second) << "reason " << r << " shares its text";
  }
  for (AgentResult other : {AgentResult::Ok, AgentResult::NoReply, AgentResult::Cut, AgentResult::Malformed})
    EXPECT_FALSE(isAgentRefusal(other));
}

TEST(AgentSession, AgentClosingBeforeTheLengthWordIsACutNotANoReply) {
  LoopbackServer server({{.requestSize = 4, .closeWithoutReply = true}});
  AgentBody body;
  EXPECT_EQ(exchangeForBody(bareRequest(AgentCommand::ListContacts), body, server.port()), AgentResult::Cut);
}

// Deadlines shortened for the test, restored afterwards.
struct ShortDeadlines {
  explicit ShortDeadlines(unsigned idleMs) : saved(agentDeadlines()) { setAgentDeadlines({1000, idleMs}); }
  ~ShortDeadlines() { setAgentDeadlines(saved); }
  AgentDeadlines saved;
};

double msSince(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

TEST(AgentSession, SilentAgentTimesOutAtTheIdleDeadline) {
  ShortDeadlines deadlines(300);
  // Accepts, reads the request, says nothing for 0.8 s.
  LoopbackServer server({{.requestSize = 4, .silentMs = 800, .closeWithoutReply = true}});
  const auto t0 = std::chrono::steady_clock::now();
  AgentBody body;
  EXPECT_EQ(exchangeForBody(bareRequest(AgentCommand::ListContacts), body, server.port()), AgentResult::TimedOut);
  EXPECT_GE(msSince(t0), 290.0);
  EXPECT_LT(msSince(t0), 1200.0);
  EXPECT_STREQ(agentFailureText(AgentResult::TimedOut), "【X】连接超时：手机端没有响应");
  EXPECT_EQ(queryAgentVersion(server.port()), -1);  // the version query has the same deadline
}

TEST(AgentSession, SlowReplyCompletesBecauseTheDeadlineCountsFromTheLastByte) {
  ShortDeadlines deadlines(400);
  // Ten pieces 150 ms apart: 1.5 s in all, far past the idle deadline, never 400 ms silent.
  const Bytes body = patternBody(1000);
  LoopbackServer server({{.requestSize = 4, .reply = withLength(body), .pieces = {104, 100}, .pauseMs = 150}});
  AgentBody received;
  ASSERT_EQ(exchangeForBody(bareRequest(AgentCommand::ListContacts), received, server.port()), AgentResult::Ok);
  EXPECT_EQ(received.bytes, body);
}

TEST(AgentSession, CancelFromAnotherThreadEndsABlockedExchangeAtOnce) {
  ShortDeadlines deadlines(10000);
  for (bool all : {false, true}) {
    LoopbackServer server({{.requestSize = 4, .silentMs = 800, .closeWithoutReply = true}});
    ExchangeCancel cancel;
    std::thread canceller([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      if (all) cancelAllExchanges();
      else cancel.cancel();
    });
    const auto t0 = std::chrono::steady_clock::now();
    AgentBody body;
    AgentSession session(server.port(), &cancel);
    ASSERT_EQ(session.connect(), AgentResult::Ok);
    ASSERT_TRUE(session.sendBare(AgentCommand::ListContacts));
    EXPECT_EQ(session.receiveBody(body), AgentResult::Cancelled) << all;
    EXPECT_LT(msSince(t0), 600.0) << all;
    EXPECT_EQ(agentFailureText(AgentResult::Cancelled), nullptr);
    canceller.join();
  }
  // An exchange started after cancelAllExchanges runs normally.
  LoopbackServer server({{.requestSize = 4, .reply = be32({27})}});
  EXPECT_EQ(queryAgentVersion(server.port()), 27);
}

TEST(AgentSession, ACancelledTokenRefusesTheNextExchangeBeforeItConnects) {
  LoopbackServer server({{.requestSize = 4, .reply = be32({27})}});
  ExchangeCancel cancel;
  cancel.cancel();
  int32_t status = 0;
  EXPECT_EQ(exchangeForStatus(bareRequest(AgentCommand::AgentVersion), &status, &cancel), AgentResult::Cancelled);
}

TEST(AgentSession, SeveralExchangesMayOverlap) {
  LoopbackServer a({{.requestSize = 4, .reply = be32({21})}});
  LoopbackServer b({{.requestSize = 4, .reply = be32({22})}});
  AgentSession first(a.port()), second(b.port());
  ASSERT_TRUE(first.open());
  ASSERT_TRUE(second.open());
  ASSERT_TRUE(second.sendBare(AgentCommand::AgentVersion));
  ASSERT_TRUE(first.sendBare(AgentCommand::AgentVersion));
  EXPECT_EQ(second.receiveStatus(), 22);
  EXPECT_EQ(first.receiveStatus(), 21);
}

}  // namespace
}  // namespace zorvik
