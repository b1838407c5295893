#include "devlink/AgentSession.h"

#include "devlink/ByteOrder.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>

namespace zorvik {
namespace {

std::atomic<uint16_t>& portSetting() {
  static std::atomic<uint16_t> port{portFromEnvironment("ZORVIK_AGENT_PORT", kAgentPort)};
  return port;
}

std::atomic<unsigned> g_connectMs{AgentDeadlines{}.connectMs};
std::atomic<unsigned> g_idleMs{AgentDeadlines{}.idleMs};
std::atomic<unsigned> g_epoch{0};

}  // namespace

uint16_t agentPort() { return portSetting().load(); }
void setAgentPort(uint16_t port) { portSetting().store(port); }

AgentDeadlines agentDeadlines() { return {g_connectMs.load(), g_idleMs.load()}; }
void setAgentDeadlines(AgentDeadlines deadlines) {
  g_connectMs.store(deadlines.connectMs);
  g_idleMs.store(deadlines.idleMs);
}

void cancelAllExchanges() { g_epoch.fetch_add(1); }

const char* agentFailureText(AgentResult result) {
  switch (result) {
    case AgentResult::ConnectFailed:
    case AgentResult::SendFailed:
    case AgentResult::ReceiveFailed:
      return "【X】连接错误";
    case AgentResult::TimedOut: return "【X】连接超时：手机端没有响应";
    case AgentResult::Cut:
    case AgentResult::Malformed:
      return "【X】连接中断：手机端的回复不完整";
    case AgentResult::Ok:
    case AgentResult::NoReply:
    case AgentResult::Cancelled:
      return nullptr;
    case AgentResult::Refused:
      break;
  }
  return isAgentRefusal(result) ? agentRefusalText(agentRefusalOf(result)) : nullptr;
}

const char* agentRefusalText(AgentRefusal reason) {
  switch (reason) {
    case AgentRefusal::ContactsRead:
      return "【提示】手机拒绝读取联系人：请在手机上允许「卓维克手机端」读取联系人，然后刷新";
    case AgentRefusal::ContactsWrite:
      return "【提示】手机拒绝修改联系人：请在手机上允许「卓维克手机端」修改联系人，然后重试";
    case AgentRefusal::SmsRead:
      return "【提示】手机拒绝读取短信：请在手机上允许「卓维克手机端」读取短信，然后刷新";
    case AgentRefusal::SmsSend:
      return "【提示】手机拒绝发送短信：请在手机上允许「卓维克手机端」发送短信，然后重试";
    case AgentRefusal::SmsNotDefaultApp:
      return "【提示】手机拒绝删除短信：Android 只允许默认短信应用删除短信，请在手机的短信应用中删除";
    case AgentRefusal::CallLogRead:
      return "【提示】手机拒绝读取通话记录：请在手机上允许「卓维克手机端」读取通话记录，然后刷新";
    case AgentRefusal::CallLogWrite:
      return "【提示】手机拒绝修改通话记录：请在手机上允许「卓维克手机端」修改通话记录，然后重试";
    case AgentRefusal::PhoneState:
      return "【提示】手机拒绝读取手机信息：请在手机上允许「卓维克手机端」读取手机状态，然后刷新";
    case AgentRefusal::Storage:
      return "【提示】手机拒绝访问文件：请在手机上允许「卓维克手机端」访问存储空间，然后刷新";
    case AgentRefusal::NotServed:
      return "【提示】这台手机上的「卓维克手机端」还不提供这项数据";
    case AgentRefusal::AlarmsNotOffered:
      return "【提示】此手机不允许读取闹钟：Android 不让其他应用读取或修改时钟应用的闹钟，请在手机的时钟应用中设置";
    case AgentRefusal::BookmarksNotOffered:
      return "【提示】此手机不允许读取书签：Android 不让其他应用读取或修改浏览器的书签，请在手机的浏览器中管理";
    case AgentRefusal::ProcessesNotOffered:
      return "【提示】此手机不允许查看进程：Android 只让应用看到它自己的进程，请在手机的设置中查看正在运行的应用";
    case AgentRefusal::SettingNotChangeable:
      return "【提示】此手机不允许更改这项设置：Android 不让其他应用切换它，请在手机的设置中更改";
    case AgentRefusal::SystemSettingsAccess:
      return "【提示】手机拒绝更改系统设置：请在手机上允许「卓维克手机端」修改系统设置，然后重试";
    case AgentRefusal::UsageAccess:
      return "【提示】手机拒绝读取应用缓存：请在手机上允许「卓维克手机端」访问使用情况，然后重新扫描";
    case AgentRefusal::CleanNotOffered:
      return "【提示】此手机不允许清理这些项目：Android 只让应用清理它自己的缓存，浏览记录和其他应用的缓存请在手机的设置中清理";
    case AgentRefusal::CacheSizesNotOffered:
      return "【提示】此手机不提供应用的缓存大小：Android 8.0 以前的系统不让应用读取其他应用的缓存，请在手机的设置中查看";
    case AgentRefusal::Unknown:
      break;
  }
  return "【提示】手机拒绝了这项操作：请在手机上查看「卓维克手机端」的权限，然后重试";
}

AgentSession::AgentSession(uint16_t port, const ExchangeCancel* cancel)
    : port_(port), cancel_(cancel), epoch_(g_epoch.load()), deadlines_(agentDeadlines()) {}

bool AgentSession::stopped() const {
  return (cancel_ && cancel_->cancelled()) || g_epoch.load() != epoch_;
}

AgentResult AgentSession::connect() {
  bool timedOut = false;
  socket_ = TcpSocket::connectLoopback(port_, true, deadlines_.connectMs, [this] { return stopped(); }, &timedOut);
  if (socket_.valid()) return AgentResult::Ok;
  if (stopped()) return AgentResult::Cancelled;
  return timedOut ? AgentResult::TimedOut : AgentResult::ConnectFailed;
}

// The socket is non-blocking: a reply that keeps coming costs one recv per chunk, and only a
// pause in it waits (in slices that look at the cancel marks).
AgentResult AgentSession::receiveSome(unsigned char* buffer, size_t size, int& got) {
  for (;;) {
    if (stopped()) return AgentResult::Cancelled;
    got = socket_.receiveAvailable(buffer, size);
    if (got > 0) return AgentResult::Ok;
    if (got == 0) return AgentResult::Cut;
    if (got != TcpSocket::kWouldBlock) return AgentResult::ReceiveFailed;
    switch (socket_.waitReadable(deadlines_.idleMs, [this] { return stopped(); })) {
      case TcpSocket::Wait::Ready: break;
      case TcpSocket::Wait::TimedOut: return AgentResult::TimedOut;
      case TcpSocket::Wait::Stopped: return AgentResult::Cancelled;
      case TcpSocket::Wait::Failed: return AgentResult::ReceiveFailed;
    }
  }
}

AgentResult AgentSession::receiveExactly(unsigned char* buffer, size_t size) {
  size_t have = 0;
  while (have < size) {
    int got = 0;
    const AgentResult r = receiveSome(buffer + have, size - have, got);
    if (r != AgentResult::Ok) return r;
    have += static_cast<size_t>(got);
  }
  return AgentResult::Ok;
}

bool AgentSession::sendBare(AgentCommand command) { return sendFramed(bareRequest(command)); }

bool AgentSession::sendFramed(const Bytes& request) {
  if (!socket_.valid()) return false;
  return socket_.sendAll(request.data(), request.size());
}

std::optional<int32_t> AgentSession::receiveStatus() {
  int32_t status = 0;
  if (receiveStatus(status) != AgentResult::Ok) return std::nullopt;
  return status;
}

AgentResult decodeRefusal(const unsigned char* reason, size_t size) {
  // A refusal cut before its reason (or with one this program does not know) is still a refusal.
  return size >= 4 ? agentRefused(static_cast<AgentRefusal>(getInt32(reason))) : AgentResult::Refused;
}

AgentResult AgentSession::receiveRefusal() {
  unsigned char word[4];
  const bool whole = receiveExactly(word, 4) == AgentResult::Ok;
  close();
  return decodeRefusal(word, whole ? 4 : 0);
}

AgentResult AgentSession::receiveStatus(int32_t& status) {
  unsigned char word[4];
  const AgentResult result = socket_.valid() ? receiveExactly(word, 4) : AgentResult::ReceiveFailed;
  if (result == AgentResult::Ok && getInt32(word) == kAgentRefused) return receiveRefusal();
  close();
  if (result == AgentResult::Ok) status = getInt32(word);
  return result;
}

AgentResult AgentSession::receiveBody(AgentBody& body) {
  body = AgentBody{};
  unsigned char word[4];
  const AgentResult head = socket_.valid() ? receiveExactly(word, 4) : AgentResult::ReceiveFailed;
  if (head != AgentResult::Ok) {
    close();
    return head;
  }
  const int32_t length = getInt32(word);
  body.announcedLength = length;
  if (length == kAgentNoReply) {
    close();
    return AgentResult::NoReply;
  }
  if (length == kAgentRefused) return receiveRefusal();
  if (length < 0 || length > kMaxBodyLength) {
    close();
    return AgentResult::Malformed;
  }
  const auto total = static_cast<size_t>(length);
  // Grow with what arrives instead of trusting the length word with one large allocation.
  body.bytes.reserve(std::min<size_t>(total, 1 << 20));
  unsigned char chunk[kChunkSize];
  AgentResult result = AgentResult::Ok;
  while (body.bytes.size() < total) {
    const size_t want = std::min(kChunkSize, total - body.bytes.size());
    int got = 0;
    result = receiveSome(chunk, want, got);
    if (result != AgentResult::Ok) break;
    body.bytes.insert(body.bytes.end(), chunk, chunk + got);
  }
  close();
  body.complete = body.bytes.size() == total;
  return result;
}

namespace {

AgentResult bodyExchange(const Bytes& request, AgentBody& body, uint16_t port, const ExchangeCancel* cancel) {
  body = AgentBody{};
  AgentSession session(port, cancel);
  const AgentResult connected = session.connect();
  if (connected != AgentResult::Ok) return connected;
  if (!session.sendFramed(request)) return AgentResult::SendFailed;
  return session.receiveBody(body);
}

AgentResult statusExchange(const Bytes& request, int32_t* status, uint16_t port, const ExchangeCancel* cancel) {
  AgentSession session(port, cancel);
  const AgentResult connected = session.connect();
  if (connected != AgentResult::Ok) return connected;
  if (!session.sendFramed(request)) return AgentResult::SendFailed;
  int32_t word = 0;
  const AgentResult result = session.receiveStatus(word);
  if (result == AgentResult::Ok && status) *status = word;
  return result;
}

}  // namespace

AgentResult exchangeForBody(const Bytes& request, AgentBody& body, uint16_t port) {
  return bodyExchange(request, body, port, nullptr);
}
AgentResult exchangeForBody(const Bytes& request, AgentBody& body, const ExchangeCancel* cancel) {
  return bodyExchange(request, body, agentPort(), cancel);
}
AgentResult exchangeForStatus(const Bytes& request, int32_t* status, uint16_t port) {
  return statusExchange(request, status, port, nullptr);
}
AgentResult exchangeForStatus(const Bytes& request, int32_t* status, const ExchangeCancel* cancel) {
  return statusExchange(request, status, agentPort(), cancel);
}

int32_t queryAgentVersion(uint16_t port, const ExchangeCancel* cancel) {
  int32_t version = -1;
  return statusExchange(bareRequest(AgentCommand::AgentVersion), &version, port, cancel) == AgentResult::Ok ? version : -1;
}

}  // namespace zorvik
