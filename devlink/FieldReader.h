#pragma once
// A cursor over one reply body of the phone-side agent. The first four bytes of every body are a
// header word that nobody reads, so the position starts at 4.
//
// The reader never reads past the body: a field that would run past it leaves the output empty or
// zero, clears ok() for good (the "overran" state), and ends any list walk, so a caller checks
// once at the end of a record rather than after every field.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace zorvik {

class FieldReader {
 public:
  static constexpr size_t kHeaderSize = 4;

  // body is borrowed; it must outlive the reader.
  FieldReader(const unsigned char* body, size_t length) : body_(body), length_(length) {}

  size_t position() const { return position_; }
  size_t length() const { return length_; }
  size_t remaining() const { return position_ < length_ ? length_ - position_ : 0; }
  bool ok() const { return ok_; }
  bool overran() const { return !ok_; }

  // Copies n bytes (false, and nothing copied, when fewer remain).
  bool read(size_t n, void* out);
  bool read(size_t n, std::string& out);
  bool skip(size_t n);
  int32_t readInt32();
  int64_t readInt64();
  // An int32 byte count and that many UTF-8 bytes, converted to the program's ANSI text.
  std::string readText();
  // The same without conversion.
  std::string readUtf8Text();
  // Skips a text without converting it.
  bool skipText();
  // A list record's first text, or nullopt at the list's end mark (kAgentListEnd) or when the
  // body ran out; listEnded() tells the end mark apart.
  std::optional<std::string> readListTextOrEnd();
  // The same without conversion.
  std::optional<std::string> readListUtf8TextOrEnd();
  bool listEnded() const { return listEnded_; }
  // At least two unread bytes remain, the reader is sound, and the list has not ended.
  bool hasMoreRecords() const { return ok_ && !listEnded_ && position_ + 1 < length_; }
  // For a record whose fields contradict each other (a negative length, say): ends the walk as an
  // overrun does.
  void fail() { ok_ = false; }

 private:
  bool take(size_t n);  // advance by n when n bytes remain; otherwise fail for good

  const unsigned char* body_;
  size_t length_;
  size_t position_ = kHeaderSize;
  bool ok_ = true;
  bool listEnded_ = false;
};

}  // namespace zorvik
