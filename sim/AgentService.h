#pragma once
// The virtual phone's agent: the protocol core (phone/AgentService.h) answering from a device's
// data set through SimPhoneData.
#include "devlink/AgentCommand.h"
#include "phone/AgentService.h"
#include "sim/PhoneState.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace zorvik::sim {

using phone::agentKnows;
using phone::FrameStatus;
using phone::frameAgentRequest;
using phone::kMaxAgentRequest;
using phone::RequestFrame;
using phone::requestCode;

// The agent's answer to one complete request, from the phone's data set (changed by the commands
// that change data). agentVersion answers 870003. refusal: when not Unknown, every command but
// 870003 is refused for that reason (a test's switch), after its request has been read.
std::string answerAgentRequest(PhoneState& phone, const unsigned char* request, size_t size, int32_t agentVersion,
                               AgentRefusal refusal = AgentRefusal::Unknown);

}  // namespace zorvik::sim
