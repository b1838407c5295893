// The listener's reading of one request from a peer that sends arbitrary bytes and then closes:
// whatever arrives, the read ends (never waiting for bytes that cannot come), and a complete
// request is exactly the framing's size and a prefix of what was sent.
#include "phone/AgentListener.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zorvik::phone;
  if (size > 64 * 1024) return 0;  // a socket pair's buffer holds it whole
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) return 0;
  if (size > 0 && ::send(pair[1], data, size, 0) != static_cast<ssize_t>(size)) std::abort();
  ::shutdown(pair[1], SHUT_WR);
  std::string request;
  const RequestRead result = readAgentRequest(pair[0], 2000, request);
  if (result == RequestRead::TimedOut || result == RequestRead::Stopped) std::abort();
  if (result == RequestRead::Complete) {
    const RequestFrame frame = frameAgentRequest(data, size);
    if (frame.status != FrameStatus::Complete || frame.size != request.size() ||
        request.compare(0, std::string::npos, reinterpret_cast<const char*>(data), request.size()) != 0)
      std::abort();
  }
  ::close(pair[0]);
  ::close(pair[1]);
  return 0;
}
