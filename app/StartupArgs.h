#pragma once
// Start-up rules that need no window: the "hide" argument and the crash message.
#include <string>

namespace zorvik {

constexpr const char* kCrashMessage = "很抱歉出现了小状况，Zorvik 需要重启下";
constexpr const char* kInstanceProperty = "Zorvik";
constexpr int kInstanceMark = 1103;
// Registered message a second start sends to the earlier instance before showing it: a window
// started with "/hide" keeps itself hidden until told, so showing it from outside alone does nothing.
constexpr const char* kRevealMessageName = "ZorvikRevealInstance";
// How long the second start waits for the earlier instance to take the message.
constexpr unsigned kRevealWaitMs = 3000;

// True when the command line holds a "/" and the text after the last "/" is "hide" in any case;
// this also covers URL-protocol addresses such as "zorvik://start/hide".
bool isHiddenStart(const std::string& commandLine);

}  // namespace zorvik
