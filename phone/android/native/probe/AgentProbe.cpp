// The protocol core as compiled for a phone's processor, run outside the phone (under qemu): one
// request in hexadecimal on the command line, the agent's reply in hexadecimal on stdout, answered
// by the base data source (every area refused as not served).
#include "phone/AgentService.h"
#include "phone/AgentVersion.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2 || std::strlen(argv[1]) % 2 != 0) {
    std::fputs("usage: agent_probe HEX-REQUEST\n", stderr);
    return 2;
  }
  std::string request;
  for (const char* p = argv[1]; *p; p += 2) {
    const char pair[3] = {p[0], p[1], 0};
    request += static_cast<char>(std::strtoul(pair, nullptr, 16));
  }
  zorvik::phone::PhoneData data;
  const auto* bytes = reinterpret_cast<const unsigned char*>(request.data());
  if (zorvik::phone::frameAgentRequest(bytes, request.size()).status != zorvik::phone::FrameStatus::Complete) {
    std::fputs("incomplete request\n", stderr);
    return 1;
  }
  const std::string reply = zorvik::phone::answerAgentRequest(data, bytes, request.size(), zorvik::phone::kPhoneAgentVersion);
  for (unsigned char c : reply) std::printf("%02x", c);
  std::printf("\n");
  return 0;
}
