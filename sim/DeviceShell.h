#pragma once
// The device's shell as an older phone runs it: the commands an adb client and this suite send
// (getprop, pm, am, rm, ls, echo, id), one table entry each; anything else answers as sh does for
// a missing program.
#include "sim/VirtualPhone.h"

#include <map>
#include <string>
#include <vector>

namespace zorvik::sim {

// Runs one command line ("a; b", "a && b" run one after another) on the device and returns its
// output with CR LF line ends, as a pseudo-terminal gives it. The caller holds the server's lock.
std::string runShell(Device& device, const Switches& switches, const std::string& commandLine);

// The device's system properties, as getprop and /system/build.prop give them.
std::map<std::string, std::string> deviceProperties(const Device& device);

// Splits a shell command line into words as sh would for simple commands: single and double
// quotes, backslash escapes, whitespace separation.
std::vector<std::string> splitShellWords(const std::string& line);

}  // namespace zorvik::sim
