#include "sim/AgentService.h"

#include "sim/SimPhoneData.h"

namespace zorvik::sim {

std::string answerAgentRequest(PhoneState& phone, const unsigned char* request, size_t size, int32_t agentVersion,
                               AgentRefusal refusal) {
  if (refusal != AgentRefusal::Unknown) {
    // A data source that serves nothing, for this reason.
    phone::PhoneData refusing(refusal);
    return phone::answerAgentRequest(refusing, request, size, agentVersion);
  }
  SimPhoneData data(phone);
  return phone::answerAgentRequest(data, request, size, agentVersion);
}

}  // namespace zorvik::sim
