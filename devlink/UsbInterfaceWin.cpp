// The USB device registry walk behind isAdbUsbInterface, and the main window's device notices.
#include "devlink/UsbInterface.h"

#include "devlink/DeviceConnection.h"
#include "devlink/DeviceTables.h"

#include "common/win/Handles.h"

#include <windows.h>
#include <dbt.h>

#include <cstddef>
#include <cstring>
#include <utility>

namespace zorvik {
namespace {

bool instanceIsAdb(HKEY device, const std::string& instanceName) {
  const UniqueHkey instance = openRegKey(device, instanceName.c_str());
  if (!instance) return false;
  char value[1024];
  DWORD type = 0, size = sizeof value - 1;
  if (::RegQueryValueExA(instance.get(), "DeviceDesc", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS) {
    return false;
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  value[size < sizeof value ? size : sizeof value - 1] = '\0';
  return asciiLower(value).find("adb interface") != std::string::npos;
}

}  // namespace

bool isAdbUsbInterface(std::string_view interfacePath) {
  const std::string id = usbIdFromInterfacePath(interfacePath);
  if (id.empty()) return false;
  const UniqueHkey usb = openRegKey(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\USB");
  if (!usb) return false;
  std::string deviceName;
  for (DWORD i = 0; regSubkeyName(usb.get(), i, deviceName); ++i) {
    if (asciiLower(deviceName).find(id) == std::string::npos) continue;
    const UniqueHkey device = openRegKey(usb.get(), deviceName.c_str());
    if (!device) continue;
    std::string instanceName;
    for (DWORD j = 0; regSubkeyName(device.get(), j, instanceName); ++j) {
      if (instanceIsAdb(device.get(), instanceName)) return true;
    }
  }
  return false;
}

}  // namespace zorvik

// ---------------------------------------------------------------- device notices

namespace zorvik {

UsbNotification registerUsbNotifications(void* window) {
  DEV_BROADCAST_DEVICEINTERFACE_A filter{};
  filter.dbcc_size = sizeof filter;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
  return UsbNotification(::RegisterDeviceNotificationA(static_cast<HWND>(window), &filter, DEVICE_NOTIFY_WINDOW_HANDLE));
}

bool handleDeviceChange(DeviceConnection& connection, uintptr_t event, const void* data) {
  if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return false;
  const auto* header = static_cast<const DEV_BROADCAST_HDR*>(data);
  if (!header || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return false;
  const auto* notice = static_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(data);
  // The name runs to the end of the notice; never read past its stated size.
  const size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
  if (header->dbch_size <= nameOffset) return false;
  const size_t room = header->dbch_size - nameOffset;
  const std::string_view name(notice->dbcc_name, strnlen(notice->dbcc_name, room));
  if (!isAdbUsbInterface(name)) return false;
  if (event == DBT_DEVICEARRIVAL) {
    connection.onAdbArrival();
  } else {
    connection.onAdbRemoval();
  }
  return true;
}

}  // namespace zorvik
