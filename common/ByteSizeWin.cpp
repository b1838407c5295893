#include "common/ByteSize.h"

#include <windows.h>
#include <shlwapi.h>

namespace zorvik {

std::string byteSizeText(uint64_t bytes) {
  char text[64] = {};
  if (!StrFormatByteSize64A(static_cast<LONGLONG>(bytes), text, sizeof text)) return {};
  text[sizeof text - 1] = '\0';
  return text;
}

}  // namespace zorvik
