#pragma once
// Recognising the USB device interfaces that are Android debug interfaces, for the arrival and
// removal notices of WM_DEVICECHANGE.
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
