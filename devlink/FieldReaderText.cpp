// The reader's fields that arrive as UTF-8 and are kept as the program's ANSI text.
#include "devlink/FieldReader.h"

#include "common/TextConv.h"
#include "devlink/AgentCommand.h"

namespace zorvik {

std::string FieldReader::readText() { return toAnsi(readUtf8Text()); }

std::optional<std::string> FieldReader::readListTextOrEnd() {
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
  return toAnsi(text);
}

}  // namespace zorvik
