#pragma once
// A small ADB server for tests: enough of the host protocol for Debian's adb client to list
// devices and run shell commands, and for our own forward and transport requests. Answers come
// from tables the test fills; every service asked for is recorded.
#include "devlink/TcpSocket.h"

#include <atomic>
#include <cstdio>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zorvik::test {

class FakeAdbServer {
 public:
  std::string devicesListing;                        // body of host:devices, e.g. "S1\tdevice\n"
  std::map<std::string, std::string> shellOutput;    // "serial|command" -> output
  std::string forwardAnswer = "OKAY";                // or "FAIL" + message

  FakeAdbServer() {
    listener_.listen(0);
  }
  ~FakeAdbServer() {
    listener_.close();
    if (thread_.joinable()) thread_.join();
  }
  void start() {
    thread_ = std::thread([this] { run(); });
  }
  uint16_t port() const { return listener_.port(); }
  std::vector<std::string> services() {
    std::lock_guard lock(mutex_);
    return services_;
  }

 private:
  static bool readRequest(TcpSocket& client, std::string& service) {
    char length[5] = {};
    if (client.receiveExactly(length, 4) != 4) return false;
    const unsigned long size = std::strtoul(length, nullptr, 16);
    if (size > 4096) return false;
    service.assign(size, '\0');
    return client.receiveExactly(service.data(), size) == size;
  }
  static void okayWith(TcpSocket& client, const std::string& body) {
    char length[8];
    std::snprintf(length, sizeof length, "%04x", static_cast<unsigned>(body.size()));
    const std::string answer = "OKAY" + std::string(length) + body;
    client.sendAll(answer.data(), answer.size());
  }
  void record(const std::string& service) {
    std::lock_guard lock(mutex_);
    services_.push_back(service);
  }

  void serve(TcpSocket client) {
    std::string service, serial;
    while (readRequest(client, service)) {
      record(service);
      if (service == "host:version") return okayWith(client, "0029");
      if (service == "host:devices" || service == "host:devices-l") return okayWith(client, devicesListing);
      if (service.find(":features") != std::string::npos || service == "host:host-features") return okayWith(client, "");
      if (service.find(":forward:") != std::string::npos) {
        client.sendAll(forwardAnswer.data(), forwardAnswer.size());
        return;
      }
      // "host:tport:serial:" is how newer clients ask; it answers an 8-byte transport id too.
      const bool tport = service.rfind("host:tport:serial:", 0) == 0;
      if (tport || service.rfind("host:transport:", 0) == 0) {
        serial = service.substr(tport ? 18 : 15);
        if (devicesListing.find(serial + "\tdevice") == std::string::npos) {
          client.sendAll("FAIL0010device not found", 24);
          return;
        }
        client.sendAll(tport ? std::string("OKAY\1\0\0\0\0\0\0\0", 12).data() : "OKAY", tport ? 12 : 4);
        continue;  // the device's service follows on the same connection
      }
      if (service.rfind("shell:", 0) == 0 && !serial.empty()) {
        client.sendAll("OKAY", 4);
        const auto found = shellOutput.find(serial + "|" + service.substr(6));
        if (found != shellOutput.end()) client.sendAll(found->second.data(), found->second.size());
        return;
      }
      const std::string fail = "FAIL0007unknown";
      client.sendAll(fail.data(), fail.size());
      return;
    }
  }

  void run() {
    for (;;) {
      TcpSocket client = listener_.accept();
      if (!client.valid()) return;
      serve(std::move(client));
    }
  }

  TcpListener listener_;
  std::thread thread_;
  std::mutex mutex_;
  std::vector<std::string> services_;
};

}  // namespace zorvik::test
