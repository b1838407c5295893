#pragma once
// The serial of the phone in use, process-wide; empty when none is chosen. Written by the device
// scan and the device choice dialog, read by everything that addresses the phone ("-s").
#include <string>

namespace zorvik {

std::string currentSerial();
void setCurrentSerial(const std::string& serial);

}  // namespace zorvik
