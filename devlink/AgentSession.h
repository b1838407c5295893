#pragma once
// One exchange with the phone-side agent through the forwarded port on 127.0.0.1: open, send one
// request, receive a status word or a body, close. A session is never reused.
#include "devlink/AgentRequest.h"
#include "devlink/FieldReader.h"
#include "devlink/TcpSocket.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace zorvik {

// The port the agent is reached on: kAgentPort unless a test or the ZORVIK_AGENT_PORT environment
// variable chose another.
uint16_t agentPort();
void setAgentPort(uint16_t port);

// The outcome of an exchange, for pages to act on.
enum class AgentResult {
  Ok,
  ConnectFailed,  // show "【X】连接错误"
  SendFailed,
  NoReply,        // kAgentNoReply, or nothing came back: end quietly
  ReceiveFailed,  // recv error: end quietly, keep what was shown
};

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

  explicit AgentSession(uint16_t port = agentPort()) : port_(port) {}

  bool open();
  bool sendBare(AgentCommand command);
  bool sendFramed(const Bytes& request);
  // One int32; the socket is closed afterwards.
  std::optional<int32_t> receiveStatus();
  // The length word then the body; the socket is closed before the caller parses.
  AgentResult receiveBody(AgentBody& body);
  void close() { socket_.close(); }

 private:
  uint16_t port_;
  TcpSocket socket_;
};

// Whole exchanges, as the pages use them.
AgentResult exchangeForBody(const Bytes& request, AgentBody& body, uint16_t port = agentPort());
AgentResult exchangeForStatus(const Bytes& request, int32_t* status = nullptr, uint16_t port = agentPort());

// Command 870003: the agent's version, or -1 when the agent cannot be reached.
int32_t queryAgentVersion(uint16_t port = agentPort());

}  // namespace zorvik
