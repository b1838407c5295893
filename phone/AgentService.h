#pragma once
// The phone-side agent's side of the conversation: how long a request is (a pure framing step over
// the bytes received so far) and the reply to a complete request, asked of a data source. The
// reply bytes are written here and nowhere else, field by field as the owning pages read them.
#include "phone/PhoneData.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace zorvik::phone {

// Requests longer than this are refused: no page sends more than a few kilobytes.
inline constexpr int32_t kMaxAgentRequest = 1 << 20;

enum class FrameStatus { NeedMore, Complete, Malformed };

struct RequestFrame {
  FrameStatus status = FrameStatus::NeedMore;
  size_t size = 0;    // bytes of the whole request, when Complete
  size_t wanted = 4;  // bytes needed before the next decision, when NeedMore
};

// Decides from the first bytes of a request how long it is.
RequestFrame frameAgentRequest(const unsigned char* data, size_t size);

// The agent's answer to one complete request: the bytes to send back (a status word, or a length
// word and a body, or kAgentNoReply, or kAgentRefused and its reason). agentVersion answers 870003.
std::string answerAgentRequest(PhoneData& data, const unsigned char* request, size_t size, int32_t agentVersion);

// Whether the agent has an entry for the code (an unknown code is answered with kAgentNoReply).
bool agentKnows(int32_t code);

// The command code at the start of a request (0 when fewer than 4 bytes).
int32_t requestCode(const unsigned char* data, size_t size);

}  // namespace zorvik::phone
