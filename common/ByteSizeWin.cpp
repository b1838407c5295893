#include "common/ByteSize.h"

#include <windows.h>
#include <shlwapi.h>

namespace zorvik {

std::string byteSizeText(uint32_t bytes) {
  char text[64] = {};
  if (!StrFormatByteSizeA(bytes, text, sizeof text)) return {};
  text[sizeof text - 1] = '\0';
  return text;
}

}  // namespace zorvik
