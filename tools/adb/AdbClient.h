#pragma once
// The client side of the ADB server protocol, as the suite's own adb tool uses it: host queries,
// switching a connection to a device, shell commands and pushing a file with the sync protocol.
// Every call opens and closes its own connection to 127.0.0.1:port.
#include <cstdint>
#include <functional>
#include <string>

namespace zorvik::adb {

struct AdbError {
  std::string message;  // the server's FAIL text, or what went wrong locally
  bool daemonDown = false;
};

class AdbClient {
 public:
  explicit AdbClient(uint16_t port, std::string serial = std::string()) : port_(port), serial_(std::move(serial)) {}

  // A host request that answers OKAY and a length-prefixed text (host:version, host:devices...).
  bool hostQuery(const std::string& request, std::string& answer, AdbError& error);
  // A host request answered twice: OKAY when taken, then OKAY or FAIL when done (forward).
  bool hostCommand(const std::string& request, AdbError& error);
  // Runs a shell command on the device; output is handed over as it arrives.
  bool shell(const std::string& command, const std::function<void(const char*, size_t)>& output, AdbError& error);
  // Pushes bytes to a path on the device (mode 0644); bytes pushed are counted for the caller.
  bool push(const std::string& content, const std::string& remotePath, AdbError& error);
  // Whether a path on the device is a folder (STAT through sync).
  bool isDirectory(const std::string& remotePath, bool& directory, AdbError& error);

 private:
  class Connection;
  bool connectToDevice(Connection& c, AdbError& error);

  uint16_t port_;
  std::string serial_;
};

// Reads the whole file into content; false when it cannot be read.
bool readLocalFile(const std::string& path, std::string& content);

// Quotes one argument for the phone's shell: 'text' with every ' written as '\''.
std::string quoteForShell(const std::string& arg);

}  // namespace zorvik::adb
