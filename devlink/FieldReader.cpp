// The reader's portable part, shared with the phone-side agent (which reads requests with it):
// no text conversion here (devlink/FieldReaderText.cpp holds the two readers that convert).
#include "devlink/FieldReader.h"

#include "devlink/AgentCommand.h"
#include "devlink/ByteOrder.h"

#include <cstring>

namespace zorvik {

bool FieldReader::take(size_t n) {
  if (!ok_ || position_ > length_ || n > length_ - position_) {
    ok_ = false;
    return false;
  }
  position_ += n;
  return true;
}

bool FieldReader::read(size_t n, void* out) {
  const size_t start = position_;
  if (!take(n)) return false;
  if (n > 0) std::memcpy(out, body_ + start, n);
  return true;
}

bool FieldReader::read(size_t n, std::string& out) {
  const size_t start = position_;
  if (!take(n)) {
    out.clear();
    return false;
  }
  out.assign(reinterpret_cast<const char*>(body_ + start), n);
  return true;
}

bool FieldReader::skip(size_t n) { return take(n); }

int32_t FieldReader::readInt32() {
  unsigned char word[4];
  return read(4, word) ? getInt32(word) : 0;
}

int64_t FieldReader::readInt64() {
  unsigned char word[8];
  return read(8, word) ? getInt64(word) : 0;
}

std::string FieldReader::readUtf8Text() {
  const int32_t n = readInt32();
  std::string text;
  if (!ok_) return text;
  if (n < 0) {
    ok_ = false;
    return text;
  }
  read(static_cast<size_t>(n), text);
  return text;
}

std::optional<std::string> FieldReader::readListUtf8TextOrEnd() {
  const int32_t n = readInt32();
  if (!ok_) return std::nullopt;
  if (n == kAgentListEnd) {
    listEnded_ = true;
    return std::nullopt;
  }
  if (n < 0) {
    ok_ = false;
    return std::nullopt;
  }
  std::string text;
  if (!read(static_cast<size_t>(n), text)) return std::nullopt;
  return text;
}

bool FieldReader::skipText() {
  const int32_t n = readInt32();
  if (!ok_) return false;
  if (n < 0) {
    ok_ = false;
    return false;
  }
  return skip(static_cast<size_t>(n));
}

}  // namespace zorvik
