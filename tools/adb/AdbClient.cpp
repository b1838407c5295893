#include "tools/adb/AdbClient.h"

#include "devlink/TcpSocket.h"

#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>

namespace zorvik::adb {

namespace {

void putLe32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
uint32_t getLe32(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return static_cast<uint32_t>(u[0]) | static_cast<uint32_t>(u[1]) << 8 | static_cast<uint32_t>(u[2]) << 16 |
         static_cast<uint32_t>(u[3]) << 24;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The longest text a host answer or a FAIL message may announce (4 hex digits).
constexpr size_t kMaxText = 0xFFFF;

}  // namespace

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
  // A length-prefixed text: 4 hex digits, then the text.
  bool readText(std::string& text) {
    std::string hex;
    if (!read(4, hex)) return false;
    size_t n = 0;
    for (char c : hex) {
      const int v = hexValue(c);
      if (v < 0) return false;
      n = n * 16 + static_cast<size_t>(v);
    }
    return n <= kMaxText && read(n, text);
  }
  // Sends one request and reads OKAY, or FAIL and its message.
  bool request(const std::string& payload, AdbError& error) {
    char prefix[8];
    std::snprintf(prefix, sizeof prefix, "%04zx", payload.size());
    if (!send(prefix + payload)) {
      error = {"protocol fault (couldn't send request)", false};
      return false;
    }
    std::string status;
    if (!read(4, status)) {
      error = {"protocol fault (couldn't read status)", false};
      return false;
    }
    if (status == "OKAY") return true;
    std::string message;
    if (status != "FAIL" || !readText(message)) message = "protocol fault (status " + status + ")";
    error = {message, false};
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
  std::string stat = "STAT";
  putLe32(stat, static_cast<uint32_t>(remotePath.size()));
  stat += remotePath;
  std::string reply;
  if (!c.send(stat) || !c.read(16, reply) || reply.compare(0, 4, "STAT") != 0) {
    error = {"protocol fault (stat)", false};
    return false;
  }
  directory = (getLe32(reply.data() + 4) & 0170000) == 0040000;
  std::string quit = "QUIT";
  putLe32(quit, 0);
  c.send(quit);
  return true;
}

bool AdbClient::push(const std::string& content, const std::string& remotePath, AdbError& error) {
  Connection c;
  if (!connectToDevice(c, error) || !c.request("sync:", error)) return false;
  const std::string target = remotePath + ",33188";  // a regular file, mode 0644
  std::string out = "SEND";
  putLe32(out, static_cast<uint32_t>(target.size()));
  out += target;
  constexpr size_t kChunk = 64 * 1024;
  for (size_t at = 0; at < content.size(); at += kChunk) {
    const size_t n = std::min(kChunk, content.size() - at);
    out += "DATA";
    putLe32(out, static_cast<uint32_t>(n));
    out.append(content, at, n);
    if (out.size() > 4 * kChunk) {
      if (!c.send(out)) {
        error = {"failed to write data", false};
        return false;
      }
      out.clear();
    }
  }
  out += "DONE";
  putLe32(out, static_cast<uint32_t>(std::time(nullptr)));
  std::string reply;
  if (!c.send(out) || !c.read(8, reply)) {
    error = {"failed to copy to " + remotePath, false};
    return false;
  }
  if (reply.compare(0, 4, "OKAY") != 0) {
    std::string message;
    const uint32_t n = getLe32(reply.data() + 4);
    if (n > kMaxText || !c.read(n, message)) message = "protocol fault";
    error = {"failed to copy to " + remotePath + ": " + message, false};
    return false;
  }
  std::string quit = "QUIT";
  putLe32(quit, 0);
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
