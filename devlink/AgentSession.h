#pragma once
// One exchange with the phone-side agent through the forwarded port on 127.0.0.1: open, send one
// request, receive a status word or a body, close. A session is never reused.
#include "devlink/AgentCommand.h"
#include "devlink/AgentRequest.h"
#include "devlink/FieldReader.h"
#include "devlink/TcpSocket.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

namespace zorvik {

// The port the agent is reached on: kAgentPort unless a test or the ZORVIK_AGENT_PORT environment
// variable chose another.
uint16_t agentPort();
void setAgentPort(uint16_t port);

// How long an exchange waits: for the connection, and for the next byte of the reply (measured
// from the last byte, so a large reply that keeps coming completes). Tests shorten them.
struct AgentDeadlines {
  unsigned connectMs = 5000;
  unsigned idleMs = 15000;
};
AgentDeadlines agentDeadlines();
void setAgentDeadlines(AgentDeadlines deadlines);

// Lets another thread end exchanges: whoever starts them (a page, the connection) keeps one and
// cancels it when the exchange's result is no longer wanted. An exchange notices within
// TcpSocket::kPollMs and closes its socket.
class ExchangeCancel {
 public:
  void cancel() { cancelled_.store(true); }
  bool cancelled() const { return cancelled_.load(); }

 private:
  std::atomic<bool> cancelled_{false};
};

// Ends every exchange in progress now (the phone went away, the program is closing); exchanges
// started afterwards run normally.
void cancelAllExchanges();

// The outcome of an exchange, for pages to act on.
enum class AgentResult {
  Ok,
  ConnectFailed,  // refused or unreachable
  SendFailed,
  NoReply,        // the agent answered kAgentNoReply: end quietly
  ReceiveFailed,  // recv error
  Cut,            // the peer closed before the whole reply came
  TimedOut,       // no connection within connectMs, or no byte within idleMs
  Cancelled,      // ended through an ExchangeCancel or cancelAllExchanges: end quietly
  Malformed,      // a length word no agent sends
  // The phone refused (kAgentRefused). The reason travels in the value itself, so it reaches
  // wherever the result goes: test with isAgentRefusal(), read it with agentRefusalOf().
  // Refused alone is a refusal whose reason did not arrive or is one this program does not know.
  Refused = 0x100,
};

// The result for a refusal with this reason (an unknown reason gives plain Refused).
constexpr AgentResult agentRefused(AgentRefusal why) {
  const auto n = static_cast<int32_t>(why);
  return n >= 1 && n <= kAgentRefusalLast ? static_cast<AgentResult>(static_cast<int>(AgentResult::Refused) + n)
                                          : AgentResult::Refused;
}
constexpr bool isAgentRefusal(AgentResult result) {
  const int n = static_cast<int>(result) - static_cast<int>(AgentResult::Refused);
  return n >= 0 && n <= kAgentRefusalLast;
}
// The reason of a refusal (Unknown for any other result).
constexpr AgentRefusal agentRefusalOf(AgentResult result) {
  return isAgentRefusal(result)
             ? static_cast<AgentRefusal>(static_cast<int>(result) - static_cast<int>(AgentResult::Refused))
             : AgentRefusal::Unknown;
}

// The result of a refusal from the bytes after kAgentRefused (its reason word, or fewer bytes when
// the reply was cut).
AgentResult decodeRefusal(const unsigned char* reason, size_t size);

// The page's status-line text for a failed exchange ("【X】连接错误" and clearer kin, and for a
// refusal what the phone refused and what to do about it); nullptr for an outcome that ends
// quietly (Ok, NoReply, Cancelled).
const char* agentFailureText(AgentResult result);
// What the phone refused and what the user can do, per reason.
const char* agentRefusalText(AgentRefusal reason);

// A reply body: the bytes that arrived (owned). When the peer stopped early, complete is false and
// the bytes are the ones that did arrive, so a reader walks only real data.
struct AgentBody {
  std::vector<unsigned char> bytes;
  int32_t announcedLength = 0;
  bool complete = false;
  FieldReader reader() const { return FieldReader(bytes.data(), bytes.size()); }
};

class AgentSession {
 public:
  // Replies longer than this are refused as malformed: no agent list comes near it, and a length
  // word from a confused peer must not become a huge allocation.
  static constexpr int32_t kMaxBodyLength = 256 * 1024 * 1024;
  static constexpr size_t kChunkSize = 4096;

  explicit AgentSession(uint16_t port = agentPort(), const ExchangeCancel* cancel = nullptr);

  // ConnectFailed, TimedOut or Cancelled on failure.
  AgentResult connect();
  bool open() { return connect() == AgentResult::Ok; }
  bool sendBare(AgentCommand command);
  bool sendFramed(const Bytes& request);
  // One int32; the socket is closed afterwards.
  std::optional<int32_t> receiveStatus();
  AgentResult receiveStatus(int32_t& status);
  // The length word then the body; the socket is closed before the caller parses.
  AgentResult receiveBody(AgentBody& body);
  void close() { socket_.close(); }

 private:
  bool stopped() const;
  // After kAgentRefused: reads the reason and closes; always a refusal.
  AgentResult receiveRefusal();
  // Receives exactly size bytes within the idle deadline: Ok, or why not.
  AgentResult receiveExactly(unsigned char* buffer, size_t size);
  // One receive of at most size bytes, waiting (idle deadline, cancel) only while nothing has
  // arrived: got > 0 with Ok, or why not.
  AgentResult receiveSome(unsigned char* buffer, size_t size, int& got);

  uint16_t port_;
  const ExchangeCancel* cancel_;
  unsigned epoch_;
  AgentDeadlines deadlines_;
  TcpSocket socket_;
};

// Whole exchanges, as the pages use them.
AgentResult exchangeForBody(const Bytes& request, AgentBody& body, uint16_t port = agentPort());
AgentResult exchangeForBody(const Bytes& request, AgentBody& body, const ExchangeCancel* cancel);
AgentResult exchangeForStatus(const Bytes& request, int32_t* status = nullptr, uint16_t port = agentPort());
AgentResult exchangeForStatus(const Bytes& request, int32_t* status, const ExchangeCancel* cancel);

// Command 870003: the agent's version, or -1 when the agent cannot be reached.
int32_t queryAgentVersion(uint16_t port = agentPort(), const ExchangeCancel* cancel = nullptr);

}  // namespace zorvik
