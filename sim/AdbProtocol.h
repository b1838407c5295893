#pragma once
// The server's reading of host requests. The framing itself (requests, answers, sync headers) is
// devlink/AdbFraming.h, shared with the clients.
#include "devlink/AdbFraming.h"

#include <string>

namespace zorvik::sim {

// Splits "host-serial:<serial>:<command>" at the serial's end: the serial may itself contain ':'
// (as "127.0.0.1:5555" does), so the command is recognised by its name. False when no known
// command follows.
bool splitSerialRequest(const std::string& rest, std::string& serial, std::string& command);

// Parses "tcp:<port>" (port 0-65535); false for anything else.
bool parseTcpAddress(const std::string& address, int& port);

}  // namespace zorvik::sim
