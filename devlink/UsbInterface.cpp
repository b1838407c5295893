#include "devlink/UsbInterface.h"

namespace zorvik {

std::string usbIdFromInterfacePath(std::string_view path) {
  std::string lower(path);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  const std::string prefix = "\\\\?\\usb#";
  for (size_t at = lower.find(prefix); at != std::string::npos; at = lower.find(prefix, at)) lower.erase(at, prefix.size());
  const size_t hash = lower.find('#');
  if (hash == std::string::npos) return {};
  return lower.substr(0, hash);
}

#ifndef _WIN32
bool isAdbUsbInterface(std::string_view) { return false; }
#endif

}  // namespace zorvik
