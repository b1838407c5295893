// vphone: a virtual phone behind an ADB server, for running and testing the suite with no phone.
//
//   vphone [--port P] [--control-port P] [--data FILE] [--contacts N]
//          [--device SERIAL[:STATE]]... [--set "CONTROL COMMAND"]...
//
// --port defaults to ANDROID_ADB_SERVER_PORT, else 5037; 0 picks a free port. The first line on
// standard output says where it listens, for scripts and tests to read.
#include "sim/PhoneState.h"
#include "sim/VirtualPhone.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifndef ZORVIK_VPHONE_DATA
#define ZORVIK_VPHONE_DATA "phone.json"
#endif

namespace {

zorvik::sim::VirtualPhone* gPhone = nullptr;

void usage() {
  std::fprintf(stderr,
               "usage: vphone [--port P] [--control-port P] [--data FILE] [--contacts N]\n"
               "              [--device SERIAL[:device|offline|unauthorized]]... [--set \"COMMAND\"]...\n"
               "control commands (also on the control port, one per line): send \"help\" to list them\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  int port = 5037;
  if (const char* env = std::getenv("ANDROID_ADB_SERVER_PORT")) port = std::atoi(env);
  int controlPort = -1;
  std::string data = ZORVIK_VPHONE_DATA;
  long contacts = 0;
  std::vector<std::string> devices, sets;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) {
        usage();
        std::exit(2);
      }
      return argv[++i];
    };
    if (a == "--port") port = std::atoi(value().c_str());
    else if (a == "--control-port") controlPort = std::atoi(value().c_str());
    else if (a == "--data") data = value();
    else if (a == "--contacts") contacts = std::atol(value().c_str());
    else if (a == "--device") devices.push_back(value());
    else if (a == "--set") sets.push_back(value());
    else if (a == "-h" || a == "--help") {
      usage();
      return 0;
    } else {
      std::fprintf(stderr, "vphone: unknown option %s\n", a.c_str());
      usage();
      return 2;
    }
  }
  if (port < 0 || port > 65535) {
    std::fprintf(stderr, "vphone: bad port %d\n", port);
    return 2;
  }

  zorvik::sim::PhoneState state;
  std::string error;
  if (!zorvik::sim::loadPhoneState(data, state, error)) {
    std::fprintf(stderr, "vphone: %s\n", error.c_str());
    return 1;
  }
  if (contacts > 0) zorvik::sim::scaleContacts(state, static_cast<size_t>(contacts));

  zorvik::sim::VirtualPhone phone;
  phone.setBaseState(std::move(state));
  if (devices.empty()) devices.push_back("ZRVK0A1B2C3D4E5F");
  for (const std::string& d : devices) {
    const size_t colon = d.rfind(':');
    const std::string st = colon == std::string::npos ? "" : d.substr(colon + 1);
    if (st == "device" || st == "offline" || st == "unauthorized")
      phone.addDevice(d.substr(0, colon), st);
    else
      phone.addDevice(d);
  }
  for (const std::string& s : sets) {
    const std::string answer = phone.control(s);
    if (answer.compare(0, 2, "OK") != 0) {
      std::fprintf(stderr, "vphone: --set \"%s\": %s\n", s.c_str(), answer.c_str());
      return 2;
    }
  }
  if (!phone.start(static_cast<uint16_t>(port), controlPort, error)) {
    std::fprintf(stderr, "vphone: %s\n", error.c_str());
    return 1;
  }
  gPhone = &phone;
  std::signal(SIGTERM, [](int) { std::_Exit(0); });
  std::signal(SIGINT, [](int) { std::_Exit(0); });
  std::printf("vphone: adb server on 127.0.0.1:%u control %u\n", phone.adbPort(), phone.controlPort());
  std::fflush(stdout);
  phone.waitUntilStopped();
  phone.stop();
  return 0;
}
