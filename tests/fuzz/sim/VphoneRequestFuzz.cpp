// The virtual phone's parsers of what clients send: smart-socket requests, host-serial splitting
// and forward addresses, shell words and the shell's commands, agent request framing and the agent's request decoding (which
// changes a phone), and control lines. The first byte picks the parser.
#include "sim/AdbProtocol.h"
#include "sim/AgentService.h"
#include "sim/DeviceShell.h"
#include "sim/VirtualPhone.h"

#include <cstdint>
#include <string>

namespace {

zorvik::sim::PhoneState makePhone() {
  zorvik::sim::PhoneState p;
  std::string error;
  zorvik::sim::loadPhoneState(ZORVIK_VPHONE_DATA, p, error);
  return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zorvik::sim;
  static const PhoneState base = makePhone();
  static PhoneState phone = base;
  static VirtualPhone server;  // never started: only its control commands are fuzzed
  static Device device = [] {  // its shell runs the requests as command lines
    Device d;
    d.phone = base;
    return d;
  }();
  static const Switches switches;
  static long runs = 0;
  if (++runs % 500 == 0) phone = device.phone = base;  // deletes would otherwise leave nothing to work on
  if (size == 0) return 0;
  const auto* bytes = data + 1;
  const size_t n = size - 1;
  const std::string text(reinterpret_cast<const char*>(bytes), n);
  switch (data[0] % 4) {
    case 0: {  // requests one after another, as a connection delivers them
      size_t at = 0;
      while (at < n) {
        const zorvik::AdbFrame r = zorvik::decodeAdbRequest(std::string_view(text).substr(at));
        if (r.status != zorvik::AdbDecode::Complete) break;
        const std::string payload(r.text);
        std::string serial, command;
        if (splitSerialRequest(payload, serial, command) && serial.empty()) __builtin_trap();
        int port = -1;
        if (parseTcpAddress(payload, port) && (port < 0 || port > 65535)) __builtin_trap();
        splitShellWords(payload);
        runShell(device, switches, payload);
        at += r.consumed;
      }
      break;
    }
    case 1:
    case 2: {
      const RequestFrame f = frameAgentRequest(bytes, n);
      if (f.status == FrameStatus::Complete) {
        if (f.size > n) __builtin_trap();
        const std::string reply = answerAgentRequest(phone, bytes, f.size, 21);
        if (reply.size() < 4) __builtin_trap();
      }
      break;
    }
    default:
      server.control(text.substr(0, text.find('\n')));
      break;
  }
  return 0;
}
