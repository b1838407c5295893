// fetchList against a scripted loopback agent: a whole list, a list the parser could not finish,
// one without its end mark (whole or not by the list's rule), the agent's "no reply", a cut reply
// and nobody listening — each one either the whole list or none, never a part of it.
#include "devlink/FetchList.h"
#include "devlink/ByteOrder.h"
#include "support/BodyWriter.h"
#include "support/LoopbackServer.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
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

// A list of texts, as the agent's lists begin their records; `end` says how it must end.
WireList<std::string> parseTexts(const unsigned char* body, size_t length, ListEnd end) {
  return readAgentList<std::string>(
      body, length,
      [](FieldReader& r, std::string& text) {
        auto t = r.readListUtf8TextOrEnd();
        if (!t) return false;
        text = std::move(*t);
        return true;
      },
      end);
}
WireList<std::string> parseWords(const unsigned char* body, size_t length) {
  return parseTexts(body, length, ListEnd::MarkOrBody);
}
WireList<std::string> parseEnded(const unsigned char* body, size_t length) {
  return parseTexts(body, length, ListEnd::Mark);
}

// A reply: the body's length, then the body.
Bytes reply(const test::BodyWriter& body) {
  Bytes out = be32({static_cast<int32_t>(body.bytes.size())});
  out.insert(out.end(), body.bytes.begin(), body.bytes.end());
  return out;
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
    std::vector<std::string> records;
  } cases[] = {
      {"whole", reply(test::BodyWriter::body().utf8("a").utf8("bc").i32(kAgentListEnd)), false, AgentResult::Ok,
       {"a", "bc"}},
      {"empty list", reply(test::BodyWriter::body().i32(kAgentListEnd)), false, AgentResult::Ok, {}},
      {"field past the body", reply(test::BodyWriter::body().utf8("a").i32(10).raw("x")), false,
       AgentResult::Malformed, {}},
      {"no reply word", be32({kAgentNoReply}), false, AgentResult::NoReply, {}},
      {"cut before the length", {}, true, AgentResult::Cut, {}},
      {"cut inside the body", be32({40, 7, 8}), false, AgentResult::Cut, {}},
  };
  for (const Case& c : cases) {
    LoopbackServer server({{.requestSize = 4, .reply = c.reply, .closeWithoutReply = c.closeWithoutReply}});
    PortScope port(server.port());
    const Fetched<WireList<std::string>> got = fetchList(bareRequest(AgentCommand::ListCalls), parseWords, nullptr);
    EXPECT_EQ(got.result, c.want) << c.name;
    EXPECT_EQ(got.list.records, c.records) << c.name;
    EXPECT_FALSE(got.list.malformed) << c.name;
    EXPECT_EQ(got.finished(), c.want == AgentResult::Ok || c.want == AgentResult::NoReply) << c.name;
  }
}

TEST(FetchList, AListWithoutItsEndMarkIsWholeOnlyWhereTheBodyMayEndIt) {
  const Bytes unended = reply(test::BodyWriter::body().utf8("a").utf8("bc"));
  {
    LoopbackServer server({{.requestSize = 4, .reply = unended}});
    PortScope port(server.port());
    const auto got = fetchRecords(bareRequest(AgentCommand::ScanCache), parseEnded, nullptr);
    EXPECT_EQ(got.result, AgentResult::Malformed);
    EXPECT_TRUE(got.list.empty());
  }
  {
    LoopbackServer server({{.requestSize = 4, .reply = unended}});
    PortScope port(server.port());
    const auto got = fetchRecords(bareRequest(AgentCommand::ListCalls), parseWords, nullptr);
    EXPECT_EQ(got.result, AgentResult::Ok);
    EXPECT_EQ(got.list, (std::vector<std::string>{"a", "bc"}));
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
