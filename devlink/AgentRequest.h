#pragma once
// Builders for the request forms of the agent protocol. Each produces the complete request, ready
// for one send. Texts given to a builder are the program's ANSI texts; they travel as UTF-8.
#include "devlink/AgentCommand.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zorvik {

using Bytes = std::vector<unsigned char>;

// The arguments of a framed request, appended field by field in order.
class AgentArgs {
 public:
  AgentArgs& int32(int32_t value);
  AgentArgs& int64(int64_t value);
  AgentArgs& text(std::string_view ansiText);     // int32 UTF-8 byte count, then the UTF-8 bytes
  AgentArgs& utf8Text(std::string_view utf8Text);  // already UTF-8
  AgentArgs& raw(const void* data, size_t size);
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
};

// Bare: the code alone (4 bytes).
Bytes bareRequest(AgentCommand command);
// Framed: code, total length T counting code and T, then the arguments.
Bytes framedRequest(AgentCommand command, const AgentArgs& args);
// Id list: code, T = 12 + 4n, n, then n ids.
Bytes idListRequest(AgentCommand command, const std::vector<int32_t>& ids);
// Code and one value: code, value (8 bytes, no total length).
Bytes codeAndValueRequest(AgentCommand command, int32_t value);
// Code, one, total: code, 1, T, text.
Bytes codeOneTotalRequest(AgentCommand command, std::string_view ansiText);

}  // namespace zorvik
