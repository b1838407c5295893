#include "sim/AdbProtocol.h"

#include <string>

namespace zorvik::sim {

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
