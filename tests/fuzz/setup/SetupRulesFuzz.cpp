// Device interface paths, member names and browsed folders: text from outside the program.
#include <cstddef>
#include <cstdint>
#include <string>

#include "setup/SetupRules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string id = zorvik::usbIdFromInterfacePath(text);
  if (id.find('#') != std::string::npos) __builtin_trap();
  zorvik::vendorText(zorvik::vendorIdOf(id));
  const std::string path = zorvik::memberTargetPath("C:\\Z", text, size % 2 == 0);
  // Whatever is accepted stays one plain name under the folder.
  if (!path.empty() && (path.find("..\\") != std::string::npos || path.find('/') != std::string::npos)) __builtin_trap();
  zorvik::installFolderFor(text);
  return 0;
}
