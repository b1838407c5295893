#include "devlink/AgentRequest.h"

#include "common/TextConv.h"
#include "devlink/ByteOrder.h"

namespace zorvik {
namespace {

void appendInt32(Bytes& out, int32_t value) {
  unsigned char word[4];
  putInt32(value, word);
  out.insert(out.end(), word, word + 4);
}

}  // namespace

AgentArgs& AgentArgs::int32(int32_t value) {
  appendInt32(bytes_, value);
  return *this;
}

AgentArgs& AgentArgs::int64(int64_t value) {
  unsigned char word[8];
  putInt64(value, word);
  bytes_.insert(bytes_.end(), word, word + 8);
  return *this;
}

AgentArgs& AgentArgs::text(std::string_view ansiText) { return utf8Text(toUtf8(ansiText)); }

AgentArgs& AgentArgs::utf8Text(std::string_view utf8) {
  appendInt32(bytes_, static_cast<int32_t>(utf8.size()));
  return raw(utf8.data(), utf8.size());
}

AgentArgs& AgentArgs::raw(const void* data, size_t size) {
  const auto* p = static_cast<const unsigned char*>(data);
  bytes_.insert(bytes_.end(), p, p + size);
  return *this;
}

Bytes bareRequest(AgentCommand command) {
  Bytes out;
  appendInt32(out, commandCode(command));
  return out;
}

Bytes framedRequest(AgentCommand command, const AgentArgs& args) {
  Bytes out;
  out.reserve(8 + args.bytes().size());
  appendInt32(out, commandCode(command));
  appendInt32(out, static_cast<int32_t>(8 + args.bytes().size()));
  out.insert(out.end(), args.bytes().begin(), args.bytes().end());
  return out;
}

Bytes idListRequest(AgentCommand command, const std::vector<int32_t>& ids) {
  AgentArgs args;
  args.int32(static_cast<int32_t>(ids.size()));
  for (int32_t id : ids) args.int32(id);
  return framedRequest(command, args);
}

Bytes codeAndValueRequest(AgentCommand command, int32_t value) {
  Bytes out;
  appendInt32(out, commandCode(command));
  appendInt32(out, value);
  return out;
}

Bytes codeOneTotalRequest(AgentCommand command, std::string_view ansiText) {
  const std::string utf8 = toUtf8(ansiText);
  Bytes out;
  appendInt32(out, commandCode(command));
  appendInt32(out, 1);
  appendInt32(out, static_cast<int32_t>(16 + utf8.size()));
  appendInt32(out, static_cast<int32_t>(utf8.size()));
  out.insert(out.end(), utf8.begin(), utf8.end());
  return out;
}

}  // namespace zorvik
