#include "devlink/AgentSession.h"

#include "devlink/ByteOrder.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>

namespace zorvik {
namespace {

uint16_t portFromEnvironment() {
  if (const char* text = std::getenv("ZORVIK_AGENT_PORT")) {
    const long value = std::strtol(text, nullptr, 10);
    if (value > 0 && value < 65536) return static_cast<uint16_t>(value);
  }
  return kAgentPort;
}

std::atomic<uint16_t>& portSetting() {
  static std::atomic<uint16_t> port{portFromEnvironment()};
  return port;
}

}  // namespace

uint16_t agentPort() { return portSetting().load(); }
void setAgentPort(uint16_t port) { portSetting().store(port); }

bool AgentSession::open() {
  socket_ = TcpSocket::connectLoopback(port_, true);
  return socket_.valid();
}

bool AgentSession::sendBare(AgentCommand command) { return sendFramed(bareRequest(command)); }

bool AgentSession::sendFramed(const Bytes& request) {
  if (!socket_.valid()) return false;
  return socket_.sendAll(request.data(), request.size());
}

std::optional<int32_t> AgentSession::receiveStatus() {
  unsigned char word[4];
  const size_t got = socket_.valid() ? socket_.receiveExactly(word, 4) : 0;
  close();
  if (got != 4) return std::nullopt;
  return getInt32(word);
}

AgentResult AgentSession::receiveBody(AgentBody& body) {
  body = AgentBody{};
  unsigned char word[4];
  if (!socket_.valid() || socket_.receiveExactly(word, 4) != 4) {
    close();
    return AgentResult::NoReply;
  }
  const int32_t length = getInt32(word);
  body.announcedLength = length;
  if (length == kAgentNoReply || length < 0 || length > kMaxBodyLength) {
    close();
    return AgentResult::NoReply;
  }
  const auto total = static_cast<size_t>(length);
  // Grow with what arrives instead of trusting the length word with one large allocation.
  body.bytes.reserve(std::min<size_t>(total, 1 << 20));
  unsigned char chunk[kChunkSize];
  AgentResult result = AgentResult::Ok;
  while (body.bytes.size() < total) {
    const size_t want = std::min(kChunkSize, total - body.bytes.size());
    const int got = socket_.receive(chunk, want);
    if (got < 0) {
      result = AgentResult::ReceiveFailed;
      break;
    }
    if (got == 0) break;
    body.bytes.insert(body.bytes.end(), chunk, chunk + got);
  }
  close();
  body.complete = body.bytes.size() == total;
  return result;
}

AgentResult exchangeForBody(const Bytes& request, AgentBody& body, uint16_t port) {
  AgentSession session(port);
  if (!session.open()) return AgentResult::ConnectFailed;
  if (!session.sendFramed(request)) return AgentResult::SendFailed;
  return session.receiveBody(body);
}

AgentResult exchangeForStatus(const Bytes& request, int32_t* status, uint16_t port) {
  AgentSession session(port);
  if (!session.open()) return AgentResult::ConnectFailed;
  if (!session.sendFramed(request)) return AgentResult::SendFailed;
  const auto word = session.receiveStatus();
  if (!word) return AgentResult::NoReply;
  if (status) *status = *word;
  return AgentResult::Ok;
}

int32_t queryAgentVersion(uint16_t port) {
  int32_t version = -1;
  return exchangeForStatus(bareRequest(AgentCommand::AgentVersion), &version, port) == AgentResult::Ok ? version : -1;
}

}  // namespace zorvik
