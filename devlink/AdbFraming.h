#pragma once
// The ADB server's smart-socket framing, once for every side that speaks it (the suite's bridge,
// the adb tool, the virtual phone's server). Pure functions over the bytes received so far; no I/O.
//
//   request           4 hex digits (the service's length), then the service
//   answer            "OKAY", or "FAIL" + 4 hex digits + message
//   host answer       "OKAY" + 4 hex digits + text (host:version, host:devices, ...)
//   stream message    4 hex digits + text, one after another (host:track-devices sends the
//                     device list this way after its "OKAY", again after every change)
//   sync message      4-byte id + little-endian 32-bit word (a length, a mode or a time)
//
// A decoder answers NeedMore (with how many bytes it needs in all before it can decide, so a
// blocking reader never reads past the frame), Complete (with the bytes consumed) or Malformed.
// Every length it accepts has a ceiling.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zorvik {

// What four hex digits can announce.
inline constexpr size_t kAdbTextMax = 0xFFFF;
// No service comes near this; a request announcing more is malformed.
inline constexpr size_t kAdbServiceMax = 4096;
// The sync protocol's ceilings: a path, and one DATA piece.
inline constexpr size_t kAdbSyncPathMax = 1024;
inline constexpr size_t kAdbSyncDataMax = 64 * 1024;

enum class AdbDecode { NeedMore, Complete, Malformed };

struct AdbFrame {
  AdbDecode status = AdbDecode::NeedMore;
  size_t consumed = 0;    // Complete: bytes of the whole frame
  size_t wanted = 4;      // NeedMore: bytes needed in all before the next decision
  bool okay = false;      // answers: "OKAY" (else "FAIL")
  std::string_view text;  // Complete: the service, text or FAIL message (a view into the input)
};

// A request: a service of 1 to kAdbServiceMax bytes.
AdbFrame decodeAdbRequest(std::string_view data);
// A length-prefixed text of at most maxText bytes (a stream message, a FAIL message).
AdbFrame decodeAdbText(std::string_view data, size_t maxText = kAdbTextMax);
// An answer: "OKAY" (withText: followed by a text) or "FAIL" and its message. Any other status
// word is malformed. A FAIL message longer than maxText is malformed too.
AdbFrame decodeAdbAnswer(std::string_view data, bool withText = false, size_t maxText = kAdbTextMax);

enum class AdbHexCase { Lower, Upper };

// The four hex digits announcing n (n at most kAdbTextMax).
std::string adbLengthPrefix(size_t n, AdbHexCase hexCase = AdbHexCase::Lower);
// The prefix and the text; a text longer than kAdbTextMax is cut to it, so the length announced
// always matches the bytes that follow.
std::string adbLengthPrefixed(std::string_view text, AdbHexCase hexCase = AdbHexCase::Lower);
// A request; empty when the service is empty or longer than kAdbServiceMax.
std::string encodeAdbRequest(std::string_view service, AdbHexCase hexCase = AdbHexCase::Lower);
std::string adbOkay();
std::string adbFail(std::string_view message);
std::string adbOkayWithText(std::string_view text);

// ---------------------------------------------------------------- sync protocol

struct AdbSyncHeader {
  AdbDecode status = AdbDecode::NeedMore;  // never Malformed: any id is a header
  char id[5] = {};                          // four letters and a terminator
  uint32_t value = 0;
  bool is(const char* four) const { return std::string_view(id, 4) == std::string_view(four, 4); }
};
inline constexpr size_t kAdbSyncHeaderSize = 8;

AdbSyncHeader decodeAdbSyncHeader(std::string_view data);
// Appends an id and its word; appendAdbSyncText the id, the text's length and the text.
void appendAdbSync(std::string& out, const char* id, uint32_t value);
void appendAdbSyncText(std::string& out, const char* id, std::string_view text);

// Little-endian words of the sync protocol and the framebuffer header.
void putLe32(std::string& out, uint32_t v);
uint32_t getLe32(const unsigned char* p);
inline uint32_t getLe32(const char* p) { return getLe32(reinterpret_cast<const unsigned char*>(p)); }

}  // namespace zorvik
