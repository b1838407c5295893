#pragma once
// The driver wizard's search: present USB device interfaces whose ADB interface has no driver.
#include <windows.h>

#include <string>
#include <vector>

namespace zorvik {

// "vid_xxxx&pid_yyyy" of every present USB device interface (SetupAPI).
std::vector<std::string> presentUsbIds();
// Whether some subkey of `usbEnum` (HKLM\SYSTEM\CurrentControlSet\Enum\USB) whose name holds
// `usbId` has an instance described as an ADB interface with no "Driver" value.
bool hasDriverlessAdbInterface(HKEY usbEnum, const std::string& usbId);
// The manufacturer text of each candidate among `usbIds`, in order.
std::vector<std::string> driverRows(const std::vector<std::string>& usbIds, HKEY usbEnum);
// The web search for a manufacturer's driver (`manufacturer` in ANSI), opened maximised.
void openDriverSearch(const std::string& manufacturer);

}  // namespace zorvik
