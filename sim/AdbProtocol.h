#pragma once
// The ADB server's smart-socket framing, as pure functions over the bytes received so far:
// a request is 4 hex digits (its length) and that many bytes; an answer is "OKAY", or "FAIL" with
// 4 hex digits and a message. Also the sync protocol's little-endian words.
#include <cstddef>
#include <cstdint>
#include <string>

namespace zorvik::sim {

// No request of the host protocol comes near this; a longer announced length is malformed.
inline constexpr size_t kMaxAdbRequest = 4096;

struct AdbRequest {
  enum Status { NeedMore, Complete, Malformed } status = NeedMore;
  std::string payload;
  size_t consumed = 0;
};

// Reads one request from the front of data.
AdbRequest parseAdbRequest(const char* data, size_t size);

// "OKAY"; "FAIL" + length + message; a host answer: "OKAY" + length + text.
std::string adbOkay();
std::string adbFail(const std::string& message);
std::string adbOkayWithText(const std::string& text);
std::string hex4(size_t n);

// Little-endian words of the sync protocol and the framebuffer header.
void putLe32(std::string& out, uint32_t v);
uint32_t getLe32(const unsigned char* p);

// Splits "host-serial:<serial>:<command>" at the serial's end: the serial may itself contain ':'
// (as "127.0.0.1:5555" does), so the command is recognised by its name. False when no known
// command follows.
bool splitSerialRequest(const std::string& rest, std::string& serial, std::string& command);

// Parses "tcp:<port>" (port 0-65535); false for anything else.
bool parseTcpAddress(const std::string& address, int& port);

}  // namespace zorvik::sim
