#include "devlink/BasicFacts.h"

#include <utility>

#include "common/TextConv.h"
#include "devlink/AgentCommand.h"
#include "devlink/FieldReader.h"

namespace zorvik {

BasicFactsRead readBasicFacts(const unsigned char* body, size_t length, BasicFacts& facts) {
  FieldReader r(body, length);
  const int32_t client = r.readInt32();
  const int32_t api = r.readInt32();
  const int32_t modelLength = r.readInt32();
  if (!r.ok()) return BasicFactsRead::Short;
  std::string model = facts.modelName;
  if (modelLength != kAgentListEnd) {
    if (modelLength < 0 || static_cast<size_t>(modelLength) > r.remaining()) return BasicFactsRead::Short;
    std::string utf8;
    r.read(static_cast<size_t>(modelLength), utf8);
    model = toAnsi(utf8);
  }
  facts.clientCode = client;
  facts.apiLevel = api;
  facts.modelName = std::move(model);
  return modelLength == kAgentListEnd ? BasicFactsRead::ModelEnded : BasicFactsRead::Complete;
}

}  // namespace zorvik
