// The reason after a refusal word, whatever its bytes: always a refusal with a text for the user,
// and a reason the program knows only when the value names one.
#include "devlink/AgentSession.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zorvik;
  const AgentResult result = decodeRefusal(data, size);
  if (!isAgentRefusal(result) || agentFailureText(result) == nullptr) std::abort();
  const auto reason = static_cast<int32_t>(agentRefusalOf(result));
  if (reason < 0 || reason > kAgentRefusalLast) std::abort();
  if (size < 4 && result != AgentResult::Refused) std::abort();
  return 0;
}
