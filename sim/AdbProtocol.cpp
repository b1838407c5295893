#include "sim/AdbProtocol.h"

#include <cstdio>

namespace zorvik::sim {

namespace {
int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

AdbRequest parseAdbRequest(const char* data, size_t size) {
  AdbRequest r;
  if (size < 4) return r;
  size_t length = 0;
  for (int i = 0; i < 4; ++i) {
    const int v = hexValue(data[i]);
    if (v < 0) {
      r.status = AdbRequest::Malformed;
      return r;
    }
    length = length * 16 + static_cast<size_t>(v);
  }
  if (length == 0 || length > kMaxAdbRequest) {
    r.status = AdbRequest::Malformed;
    return r;
  }
  if (size - 4 < length) return r;
  r.status = AdbRequest::Complete;
  r.payload.assign(data + 4, length);
  r.consumed = 4 + length;
  return r;
}

std::string hex4(size_t n) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%04zx", n & 0xFFFF);
  return buf;
}

std::string adbOkay() { return "OKAY"; }

std::string adbFail(const std::string& message) { return "FAIL" + hex4(message.size()) + message; }

std::string adbOkayWithText(const std::string& text) { return "OKAY" + hex4(text.size()) + text; }

void putLe32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

uint32_t getLe32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

bool splitSerialRequest(const std::string& rest, std::string& serial, std::string& command) {
  static const char* kCommands[] = {"forward:", "killforward:", "killforward-all", "list-forward", "features",
                                    "get-state", "get-serialno", "get-devpath", "wait-for-"};
  for (size_t colon = rest.find(':'); colon != std::string::npos; colon = rest.find(':', colon + 1)) {
    const std::string tail = rest.substr(colon + 1);
    for (const char* c : kCommands) {
      if (tail.compare(0, std::char_traits<char>::length(c), c) == 0) {
        serial = rest.substr(0, colon);
        command = tail;
        return !serial.empty();
      }
    }
  }
  return false;
}

bool parseTcpAddress(const std::string& address, int& port) {
  if (address.compare(0, 4, "tcp:") != 0 || address.size() == 4 || address.size() > 9) return false;
  int v = 0;
  for (size_t i = 4; i < address.size(); ++i) {
    if (address[i] < '0' || address[i] > '9') return false;
    v = v * 10 + (address[i] - '0');
  }
  if (v > 65535) return false;
  port = v;
  return true;
}

}  // namespace zorvik::sim
