#include "tools/adb/AdbClient.h"

#include "devlink/AdbFraming.h"
#include "devlink/TcpSocket.h"

#include <ctime>
#include <fstream>
#include <sstream>

namespace zorvik::adb {

class AdbClient::Connection {
 public:
  bool open(uint16_t port, AdbError& error) {
    socket_ = TcpSocket::connectLoopback(port, true);
    if (!socket_.valid()) {
      error = {"cannot connect to daemon at tcp:" + std::to_string(port) + ": Connection refused", true};
      return false;
    }
    return true;
  }
  bool send(const std::string& bytes) { return socket_.sendAll(bytes.data(), bytes.size()); }
  bool read(size_t n, std::string& out) {
    out.assign(n, '\0');
    return socket_.receiveExactly(out.data(), n) == n;
  }
  // Reads one frame, never past its end: the decoder says how many bytes it needs in all.
  template <class Decode>
  bool readFrame(Decode decode, std::string& buffer, AdbFrame& frame) {
    buffer.clear();
    for (;;) {
      frame = decode(std::string_view(buffer));
      if (frame.status != AdbDecode::NeedMore) return frame.status == AdbDecode::Complete;
      std::string more;
      if (!read(frame.wanted - buffer.size(), more)) return false;
      buffer += more;
    }
  }
  // A length-prefixed text: 4 hex digits, then the text.
  bool readText(std::string& text) {
    std::string buffer;
    AdbFrame frame;
    if (!readFrame([](std::string_view d) { return decodeAdbText(d); }, buffer, frame)) return false;
    text.assign(frame.text);
    return true;
  }
  // Sends one request and reads OKAY, or FAIL and its message.
  bool request(const std::string& service, AdbError& error) {
    const std::string wire = encodeAdbRequest(service);
    if (wire.empty() || !send(wire)) {
      error = {"protocol fault (couldn't send request)", false};
      return false;
    }
    return readStatus(error);
  }
  // Reads OKAY, or FAIL and its message.
  bool readStatus(AdbError& error) {
    std::string buffer;
    AdbFrame answer;
    if (readFrame([](std::string_view d) { return decodeAdbAnswer(d); }, buffer, answer)) {
      if (answer.okay) return true;
      error = {std::string(answer.text), false};
      return false;
    }
    if (buffer.size() < 4) {
      error = {"protocol fault (couldn't read status)", false};
      return false;
    }
    error = {"protocol fault (status " + buffer.substr(0, 4) + ")", false};
    return false;
  }
  int receive(char* buffer, size_t size) { return socket_.receive(buffer, size); }

 private:
  TcpSocket socket_;
};

bool AdbClient::connectToDevice(Connection& c, AdbError& error) {
  if (!c.open(port_, error)) return false;
  return c.request(serial_.empty() ? "host:transport-any" : "host:transport:" + serial_, error);
}

bool AdbClient::hostQuery(const std::string& request, std::string& answer, AdbError& error) {
  Connection c;
  if (!c.open(port_, error) || !c.request(request, error)) return false;
  if (!c.readText(answer)) {
    error = {"protocol fault (couldn't read answer)", false};
    return false;
  }
  return true;
}

bool AdbClient::hostCommand(const std::string& request, AdbError& error) {
  Connection c;
  return c.open(port_, error) && c.request(request, error) && c.readStatus(error);
}

bool AdbClient::shell(const std::string& command, const std::function<void(const char*, size_t)>& output,
                      AdbError& error) {
  Connection c;
  if (!connectToDevice(c, error) || !c.request("shell:" + command, error)) return false;
  char buffer[4096];
  int got;
  while ((got = c.receive(buffer, sizeof buffer)) > 0) output(buffer, static_cast<size_t>(got));
  return true;
}

bool AdbClient::isDirectory(const std::string& remotePath, bool& directory, AdbError& error) {
  Connection c;
  if (!connectToDevice(c, error) || !c.request("sync:", error)) return false;
  std::string stat;
  appendAdbSyncText(stat, "STAT", remotePath);
  std::string reply;
  if (!c.send(stat) || !c.read(16, reply) || reply.compare(0, 4, "STAT") != 0) {
    error = {"protocol fault (stat)", false};
    return false;
  }
  directory = (getLe32(reply.data() + 4) & 0170000) == 0040000;
  std::string quit;
  appendAdbSync(quit, "QUIT", 0);
  c.send(quit);
  return true;
}

bool AdbClient::push(const std::string& content, const std::string& remotePath, AdbError& error) {
  Connection c;
  if (!connectToDevice(c, error) || !c.request("sync:", error)) return false;
  const std::string target = remotePath + ",33188";  // a regular file, mode 0644
  std::string out;
  appendAdbSyncText(out, "SEND", target);
  constexpr size_t kChunk = kAdbSyncDataMax;
  for (size_t at = 0; at < content.size(); at += kChunk) {
    const size_t n = std::min(kChunk, content.size() - at);
    appendAdbSyncText(out, "DATA", std::string_view(content).substr(at, n));
    if (out.size() > 4 * kChunk) {
      if (!c.send(out)) {
        error = {"failed to write data", false};
        return false;
      }
      out.clear();
    }
  }
  appendAdbSync(out, "DONE", static_cast<uint32_t>(std::time(nullptr)));
  std::string reply;
  if (!c.send(out) || !c.read(8, reply)) {
    error = {"failed to copy to " + remotePath, false};
    return false;
  }
  const AdbSyncHeader done = decodeAdbSyncHeader(reply);
  if (!done.is("OKAY")) {
    std::string message;
    if (done.value > kAdbTextMax || !c.read(done.value, message)) message = "protocol fault";
    error = {"failed to copy to " + remotePath + ": " + message, false};
    return false;
  }
  std::string quit;
  appendAdbSync(quit, "QUIT", 0);
  c.send(quit);
  return true;
}

bool readLocalFile(const std::string& path, std::string& content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  content = s.str();
  return !in.bad();
}

std::string quoteForShell(const std::string& arg) {
  std::string out = "'";
  for (char c : arg) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}

}  // namespace zorvik::adb
