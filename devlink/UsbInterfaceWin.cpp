// The USB device registry walk behind isAdbUsbInterface.
#include "devlink/UsbInterface.h"

#include <windows.h>

#include <utility>

namespace zorvik {
namespace {

// A registry key, closed once.
class RegKey {
 public:
  RegKey() = default;
  RegKey(RegKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
  RegKey& operator=(RegKey&&) = delete;
  RegKey(const RegKey&) = delete;
  ~RegKey() {
    if (key_) ::RegCloseKey(key_);
  }
  bool open(HKEY parent, const char* path) {
    return ::RegOpenKeyExA(parent, path, 0, KEY_READ, &key_) == ERROR_SUCCESS;
  }
  HKEY get() const { return key_; }
  // The name of subkey `index`; false once there are no more (or on any failure).
  bool subkey(DWORD index, std::string& name) const {
    char buffer[256];
    DWORD size = sizeof buffer;
    if (::RegEnumKeyExA(key_, index, buffer, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) return false;
    name.assign(buffer, size);
    return true;
  }

 private:
  HKEY key_ = nullptr;
};

std::string lowerCased(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool instanceIsAdb(const RegKey& device, const std::string& instanceName) {
  RegKey instance;
  if (!instance.open(device.get(), instanceName.c_str())) return false;
  char value[1024];
  DWORD type = 0, size = sizeof value - 1;
  if (::RegQueryValueExA(instance.get(), "DeviceDesc", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS) {
    return false;
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  value[size < sizeof value ? size : sizeof value - 1] = '\0';
  return lowerCased(value).find("adb interface") != std::string::npos;
}

}  // namespace

bool isAdbUsbInterface(std::string_view interfacePath) {
  const std::string id = usbIdFromInterfacePath(interfacePath);
  if (id.empty()) return false;
  RegKey usb;
  if (!usb.open(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\USB")) return false;
  std::string deviceName;
  for (DWORD i = 0; usb.subkey(i, deviceName); ++i) {
    if (lowerCased(deviceName).find(id) == std::string::npos) continue;
    RegKey device;
    if (!device.open(usb.get(), deviceName.c_str())) continue;
    std::string instanceName;
    for (DWORD j = 0; device.subkey(j, instanceName); ++j) {
      if (instanceIsAdb(device, instanceName)) return true;
    }
  }
  return false;
}

}  // namespace zorvik
