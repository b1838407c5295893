#pragma once
// Recognising the USB device interfaces that are Android debug interfaces, for the arrival and
// removal notices of WM_DEVICECHANGE.
#include <cstdint>
#include <string>
#include <string_view>

namespace zorvik {

// "\\?\USB#VID_18D1&PID_4E12#..." → "vid_18d1&pid_4e12"; empty when the path has no "#" after it.
std::string usbIdFromInterfacePath(std::string_view path);

// Looks the device up under HKLM\SYSTEM\CurrentControlSet\Enum\USB: yes when an instance of a
// matching device has a "DeviceDesc" containing "adb interface". Any failure is no; always no
// outside Windows.
bool isAdbUsbInterface(std::string_view interfacePath);

}  // namespace zorvik

#ifdef _WIN32
#include "common/win/Handles.h"

namespace zorvik {

class DeviceConnection;

// The main window's registration for USB device-interface notices (class
// {A5DCBF10-6530-11D2-901F-00C04FB951ED}); owned, unregistered when destroyed.
class UsbNotification : public UniqueDevNotify {
 public:
  using UniqueDevNotify::UniqueDevNotify;
  bool valid() const { return static_cast<bool>(*this); }
};

// RegisterDeviceNotificationA for a window (an HWND).
UsbNotification registerUsbNotifications(void* window);

// WM_DEVICECHANGE: an arrival (0x8000) or removal (0x8004) of a device interface whose path is an
// ADB interface goes to onAdbArrival / onAdbRemoval; everything else is ignored. True when acted on.
bool handleDeviceChange(DeviceConnection& connection, uintptr_t event, const void* data);

}  // namespace zorvik
#endif
