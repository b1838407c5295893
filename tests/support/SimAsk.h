#pragma once
// For the native sample programs: one request put to the virtual phone's agent in-process, and the
// reply's body when the reply is a length word followed by exactly that many bytes.
#include <cstdint>
#include <string>

#include "devlink/AgentRequest.h"
#include "devlink/ByteOrder.h"
#include "sim/AgentService.h"
#include "sim/PhoneState.h"

namespace zorvik::test {

inline bool askSim(sim::PhoneState& phone, const Bytes& request, std::string& body) {
  const std::string reply = sim::answerAgentRequest(phone, request.data(), request.size(), 21);
  if (reply.size() < 4) return false;
  const int32_t length = getInt32(reinterpret_cast<const unsigned char*>(reply.data()));
  if (length < 0 || static_cast<size_t>(length) != reply.size() - 4) return false;
  body = reply.substr(4);
  return true;
}

}  // namespace zorvik::test
