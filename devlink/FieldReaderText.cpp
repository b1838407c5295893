// The reader's fields that arrive as UTF-8 and are kept as the program's ANSI text.
#include "devlink/FieldReader.h"

#include "common/TextConv.h"
#include "devlink/AgentCommand.h"

namespace zorvik {

std::string FieldReader::readText() { return toAnsi(readUtf8Text()); }

std::optional<std::string> FieldReader::readListTextOrEnd() {
  std::optional<std::string> text = readListUtf8TextOrEnd();
  if (text) *text = toAnsi(*text);
  return text;
}

}  // namespace zorvik
