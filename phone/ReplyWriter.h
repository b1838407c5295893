#pragma once
// Builds an agent reply body: big-endian integers, texts as an int32 byte count and UTF-8 bytes,
// blobs with an int32 or int64 count. The body begins with its header word.
#include "devlink/AgentCommand.h"
#include "devlink/ByteOrder.h"

#include <cstdint>
#include <string>

namespace zorvik::phone {

class ReplyWriter {
 public:
  explicit ReplyWriter(int32_t header = 0) { int32(header); }

  ReplyWriter& int32(int32_t v) {
    unsigned char b[4];
    putInt32(v, b);
    body_.append(reinterpret_cast<const char*>(b), 4);
    return *this;
  }
  ReplyWriter& int64(int64_t v) {
    unsigned char b[8];
    putInt64(v, b);
    body_.append(reinterpret_cast<const char*>(b), 8);
    return *this;
  }
  ReplyWriter& text(const std::string& utf8) {
    int32(static_cast<int32_t>(utf8.size()));
    body_ += utf8;
    return *this;
  }
  ReplyWriter& bytes(const std::string& raw) {
    body_ += raw;
    return *this;
  }
  ReplyWriter& blob64(const std::string& raw) {
    int64(static_cast<int64_t>(raw.size()));
    body_ += raw;
    return *this;
  }
  // The end of a list: the record's leading numbers are written by the caller, then the mark.
  ReplyWriter& listEnd() { return int32(kAgentListEnd); }

  const std::string& body() const { return body_; }
  // The length word and the body, ready to send.
  std::string reply() const {
    std::string out;
    out.reserve(body_.size() + 4);
    unsigned char b[4];
    putInt32(static_cast<int32_t>(body_.size()), b);
    out.append(reinterpret_cast<const char*>(b), 4);
    out += body_;
    return out;
  }

 private:
  std::string body_;
};

inline std::string statusWord(int32_t v) {
  unsigned char b[4];
  putInt32(v, b);
  return std::string(reinterpret_cast<const char*>(b), 4);
}

// The agent's refusal: kAgentRefused in place of the length or status word, then the reason.
inline std::string refusedReply(AgentRefusal why) {
  return statusWord(kAgentRefused) + statusWord(static_cast<int32_t>(why));
}

}  // namespace zorvik::phone
