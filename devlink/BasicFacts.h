#pragma once
// The phone's basic facts (870002): the applications page sends them with its web lookup, the
// feedback form is pre-filled from them.
#include <cstddef>
#include <cstdint>
#include <string>

namespace zorvik {

struct BasicFacts {
  int32_t clientCode = 0;
  int32_t apiLevel = 0;
  std::string modelName;  // ANSI
};

enum class BasicFactsRead {
  Complete,    // all three read
  ModelEnded,  // the end mark stood for the model's length: the numbers are read, the model kept
  Short,       // the body is too short for its fields (or a negative length): nothing changed
};

// Reads an 870002 reply body into `facts`; never reads past `length`.
BasicFactsRead readBasicFacts(const unsigned char* body, size_t length, BasicFacts& facts);

}  // namespace zorvik
