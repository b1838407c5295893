// fetchList against a scripted loopback agent: a whole list, a list the parser could not finish,
// one without its end mark, the agent's "no reply", a cut reply and nobody listening — each one
// either the whole list or none, never a part of it.
#include "devlink/FetchList.h"
#include "devlink/ByteOrder.h"
#include "support/LoopbackServer.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace zorvik {
namespace {

using test::LoopbackServer;

Bytes be32(std::initializer_list<int32_t> words) {
  Bytes out;
  for (int32_t w : words) {
    unsigned char b[4];
    putInt32(w, b);
    out.insert(out.end(), b, b + 4);
  }
  return out;
}

// A list of int32 words up to the end mark; malformed when a word is cut short.
struct Words {
  std::vector<int32_t> records;
  bool malformed = false;
};
Words parseWords(const unsigned char* body, size_t length) {
  Words w;
  size_t at = 0;
  for (; at + 4 <= length; at += 4) {
    const int32_t v = getInt32(body + at);
    if (v == kAgentListEnd) return w;
    w.records.push_back(v);
  }
  w.malformed = at != length;
  return w;
}
// The same walk, saying only whether the end mark came.
struct Ended {
  std::vector<int32_t> records;
  bool ended = false;
};
Ended parseEnded(const unsigned char* body, size_t length) {
  Ended e;
  for (size_t at = 0; at + 4 <= length; at += 4) {
    const int32_t v = getInt32(body + at);
    if (v == kAgentListEnd) {
      e.ended = true;
      break;
    }
    e.records.push_back(v);
  }
  return e;
}

struct PortScope {
  explicit PortScope(uint16_t port) : saved(agentPort()) { setAgentPort(port); }
  ~PortScope() { setAgentPort(saved); }
  uint16_t saved;
};

TEST(FetchList, EveryOutcomeIsTheWholeListOrNone) {
  struct Case {
    const char* name;
    Bytes reply;
    bool closeWithoutReply;
    AgentResult want;
    std::vector<int32_t> records;
  } cases[] = {
      {"whole", be32({12, 7, 8, kAgentListEnd}), false, AgentResult::Ok, {7, 8}},
      {"empty list", be32({4, kAgentListEnd}), false, AgentResult::Ok, {}},
      {"field past the body", [] { Bytes b = be32({10, 7, 8}); b.push_back(1); b.push_back(2); return b; }(), false,
       AgentResult::Malformed, {}},
      {"no reply word", be32({kAgentNoReply}), false, AgentResult::NoReply, {}},
      {"cut before the length", {}, true, AgentResult::Cut, {}},
      {"cut inside the body", be32({40, 7, 8}), false, AgentResult::Cut, {}},
  };
  for (const Case& c : cases) {
    LoopbackServer server({{.requestSize = 4, .reply = c.reply, .closeWithoutReply = c.closeWithoutReply}});
    PortScope port(server.port());
    const Fetched<Words> got = fetchList(bareRequest(AgentCommand::ListCalls), parseWords, nullptr);
    EXPECT_EQ(got.result, c.want) << c.name;
    EXPECT_EQ(got.list.records, c.records) << c.name;
    EXPECT_FALSE(got.list.malformed) << c.name;
    EXPECT_EQ(got.finished(), c.want == AgentResult::Ok || c.want == AgentResult::NoReply) << c.name;
  }
}

TEST(FetchList, AListWithoutItsEndMarkIsMalformedAndAParserRuleDecides) {
  {
    LoopbackServer server({{.requestSize = 4, .reply = be32({8, 7, 8})}});
    PortScope port(server.port());
    const auto got = fetchList(bareRequest(AgentCommand::ScanCache), parseEnded, nullptr);
    EXPECT_EQ(got.result, AgentResult::Malformed);
    EXPECT_TRUE(got.list.records.empty());
  }
  {
    LoopbackServer server({{.requestSize = 4, .reply = be32({8, 7, 8})}});
    PortScope port(server.port());
    const auto got = fetchList(bareRequest(AgentCommand::ScanCache), parseEnded, nullptr,
                               [](const Ended& e) { return e.records.size() == 2; });
    EXPECT_EQ(got.result, AgentResult::Ok);
    EXPECT_EQ(got.list.records, (std::vector<int32_t>{7, 8}));
  }
}

TEST(FetchList, NobodyListeningAndACancelledExchangeParseNothing) {
  uint16_t freePort;
  {
    TcpListener probe;
    ASSERT_TRUE(probe.listen(0));
    freePort = probe.port();
  }
  PortScope port(freePort);
  int parsed = 0;
  auto counting = [&parsed](const unsigned char* b, size_t n) {
    ++parsed;
    return parseWords(b, n);
  };
  EXPECT_EQ(fetchList(bareRequest(AgentCommand::ListCalls), counting, nullptr).result, AgentResult::ConnectFailed);
  ExchangeCancel cancel;
  cancel.cancel();
  EXPECT_EQ(fetchList(bareRequest(AgentCommand::ListCalls), counting, &cancel).result, AgentResult::Cancelled);
  EXPECT_EQ(parsed, 0);
}

}  // namespace
}  // namespace zorvik
