// vphone: a virtual phone behind an ADB server, for running and testing the suite with no phone.
//
//   vphone [--port P] [--control-port P] [--data FILE] [--contacts N]
//          [--threads N:MESSAGES[:LONGEST]] [--device SERIAL[:STATE]]... [--agent-socket NAME]
//          [--set "CONTROL COMMAND"]...
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
               "usage: vphone [--port P] [--control-port P] [--data FILE] [--contacts N] [--threads N:MESSAGES[:LONGEST]]\n"
               "              [--device SERIAL[:device|offline|unauthorized]]... [--agent-socket NAME] [--set \"COMMAND\"]...\n"
               "control commands (also on the control port, one per line): send \"help\" to list them\n");
}

// What the command line asks for.
struct Options {
  int port = 5037;
  int controlPort = -1;
  std::string data = ZORVIK_VPHONE_DATA;
  long contacts = 0;
  // --threads: conversations, messages in all, and the first conversation's length (default 500)
  long threads = 0, messages = 0, longest = 500;
  std::vector<std::string> devices, sets;
};

// Reads the command line; an exit code when the program should end at once (help, bad option).
int readOptions(int argc, char** argv, Options& o) {
  if (const char* env = std::getenv("ANDROID_ADB_SERVER_PORT")) o.port = std::atoi(env);
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "-h" || a == "--help") {
      usage();
      return 0;
    }
    const bool known = a == "--port" || a == "--control-port" || a == "--data" || a == "--contacts" ||
                       a == "--threads" || a == "--device" || a == "--set" || a == "--agent-socket";
    if (!known) {
      std::fprintf(stderr, "vphone: unknown option %s\n", a.c_str());
      usage();
      return 2;
    }
    if (i + 1 >= argc) {
      usage();
      return 2;
    }
    const std::string value = argv[++i];
    if (a == "--port") o.port = std::atoi(value.c_str());
    else if (a == "--control-port") o.controlPort = std::atoi(value.c_str());
    else if (a == "--data") o.data = value;
    else if (a == "--contacts") o.contacts = std::atol(value.c_str());
    else if (a == "--threads") {
      if (std::sscanf(value.c_str(), "%ld:%ld:%ld", &o.threads, &o.messages, &o.longest) < 2 || o.threads < 1 ||
          o.messages < 0 || o.longest < 0) {
        std::fprintf(stderr, "vphone: --threads N:MESSAGES[:LONGEST]\n");
        return 2;
      }
    } else if (a == "--device") o.devices.push_back(value);
    else if (a == "--agent-socket") o.sets.push_back("agent outside " + value);
    else o.sets.push_back(value);
  }
  if (o.port < 0 || o.port > 65535) {
    std::fprintf(stderr, "vphone: bad port %d\n", o.port);
    return 2;
  }
  return -1;
}

// Devices ("SERIAL" or "SERIAL:STATE") and --set commands; false when a command is refused.
bool prepare(zorvik::sim::VirtualPhone& phone, Options& o) {
  if (o.devices.empty()) o.devices.push_back("ZRVK0A1B2C3D4E5F");
  for (const std::string& d : o.devices) {
    const size_t colon = d.rfind(':');
    const std::string st = colon == std::string::npos ? "" : d.substr(colon + 1);
    if (st == "device" || st == "offline" || st == "unauthorized")
      phone.addDevice(d.substr(0, colon), st);
    else
      phone.addDevice(d);
  }
  for (const std::string& s : o.sets) {
    const std::string answer = phone.control(s);
    if (answer.compare(0, 2, "OK") != 0) {
      std::fprintf(stderr, "vphone: --set \"%s\": %s\n", s.c_str(), answer.c_str());
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  Options options;
  if (const int rc = readOptions(argc, argv, options); rc >= 0) return rc;

  zorvik::sim::PhoneState state;
  std::string error;
  if (!zorvik::sim::loadPhoneState(options.data, state, error)) {
    std::fprintf(stderr, "vphone: %s\n", error.c_str());
    return 1;
  }
  if (options.contacts > 0) zorvik::sim::scaleContacts(state, static_cast<size_t>(options.contacts));
  if (options.threads > 0)
    zorvik::sim::scaleThreads(state, static_cast<size_t>(options.threads), static_cast<size_t>(options.messages),
                              static_cast<size_t>(options.longest));

  zorvik::sim::VirtualPhone phone;
  phone.setBaseState(std::move(state));
  if (!prepare(phone, options)) return 2;
  if (!phone.start(static_cast<uint16_t>(options.port), options.controlPort, error)) {
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
