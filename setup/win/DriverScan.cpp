#include "setup/win/DriverScan.h"

#include <setupapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "common/TextConv.h"
#include "common/win/Handles.h"
#include "setup/SetupRules.h"

namespace zorvik {

namespace {
const GUID kUsbDeviceInterface = {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

struct DevInfoList {
  HDEVINFO set;
  ~DevInfoList() {
    if (set != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set);
  }
};

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string readString(HKEY key, const char* name, bool& present) {
  char buffer[512] = {};
  DWORD size = sizeof buffer - 1;
  DWORD type = 0;
  present = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS;
  if (!present || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
  return std::string(buffer, strnlen(buffer, std::min<size_t>(size, sizeof buffer - 1)));
}
}  // namespace

std::vector<std::string> presentUsbIds() {
  std::vector<std::string> ids;
  DevInfoList list{SetupDiGetClassDevsA(&kUsbDeviceInterface, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE)};
  if (list.set == INVALID_HANDLE_VALUE) return ids;
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof data;
  for (DWORD i = 0; SetupDiEnumDeviceInterfaces(list.set, nullptr, &kUsbDeviceInterface, i, &data); ++i) {
    DWORD needed = 0;
    SetupDiGetDeviceInterfaceDetailA(list.set, &data, nullptr, 0, &needed, nullptr);
    if (needed < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) || needed > 4096) continue;
    std::vector<char> buffer(needed);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!SetupDiGetDeviceInterfaceDetailA(list.set, &data, detail, needed, nullptr, nullptr)) continue;
    const size_t offset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
    const std::string path(detail->DevicePath, strnlen(detail->DevicePath, needed - offset));
    const std::string id = usbIdFromInterfacePath(path);
    if (!id.empty()) ids.push_back(id);
  }
  return ids;
}

bool hasDriverlessAdbInterface(HKEY usbEnum, const std::string& usbId) {
  std::string name;
  for (DWORD i = 0; regSubkeyName(usbEnum, i, name); ++i) {
    if (lower(name).find(usbId) == std::string::npos) continue;
    UniqueHkey device = openRegKey(usbEnum, name.c_str());
    if (!device) continue;
    std::string instance;
    for (DWORD j = 0; regSubkeyName(device.get(), j, instance); ++j) {
      UniqueHkey key = openRegKey(device.get(), instance.c_str());
      if (!key) continue;
      bool hasDesc = false, hasDriver = false;
      const std::string desc = lower(readString(key.get(), "DeviceDesc", hasDesc));
      readString(key.get(), "Driver", hasDriver);
      if (desc.find("adb interface") != std::string::npos && !hasDriver) return true;
    }
  }
  return false;
}

std::vector<std::string> driverRows(const std::vector<std::string>& usbIds, HKEY usbEnum) {
  std::vector<std::string> rows;
  for (const std::string& id : usbIds) {
    if (hasDriverlessAdbInterface(usbEnum, id)) rows.push_back(vendorText(vendorIdOf(id)));
  }
  return rows;
}

void openDriverSearch(const std::string& manufacturer) {
  const std::string url = driverSearchUrl(toUtf8(manufacturer));
  ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
}

}  // namespace zorvik
