#include "devlink/AdbFraming.h"

#include <algorithm>

namespace zorvik {
namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

AdbFrame needMore(size_t wanted) {
  AdbFrame f;
  f.wanted = wanted;
  return f;
}

AdbFrame malformed() {
  AdbFrame f;
  f.status = AdbDecode::Malformed;
  f.wanted = 0;
  return f;
}

// A length-prefixed text starting at offset `at`, of minText to maxText bytes.
AdbFrame textAt(std::string_view data, size_t at, size_t minText, size_t maxText) {
  if (data.size() < at + 4) return needMore(at + 4);
  size_t length = 0;
  for (size_t i = at; i < at + 4; ++i) {
    const int v = hexValue(data[i]);
    if (v < 0) return malformed();
    length = length * 16 + static_cast<size_t>(v);
  }
  if (length < minText || length > maxText) return malformed();
  const size_t end = at + 4 + length;
  if (data.size() < end) return needMore(end);
  AdbFrame f;
  f.status = AdbDecode::Complete;
  f.consumed = end;
  f.wanted = end;
  f.text = data.substr(at + 4, length);
  return f;
}

}  // namespace

AdbFrame decodeAdbRequest(std::string_view data) { return textAt(data, 0, 1, kAdbServiceMax); }

AdbFrame decodeAdbText(std::string_view data, size_t maxText) {
  return textAt(data, 0, 0, std::min(maxText, kAdbTextMax));
}

AdbFrame decodeAdbAnswer(std::string_view data, bool withText, size_t maxText) {
  if (data.size() < 4) return needMore(4);
  const std::string_view status = data.substr(0, 4);
  const bool okay = status == "OKAY";
  if (!okay && status != "FAIL") return malformed();
  AdbFrame f;
  if (okay && !withText) {
    f.status = AdbDecode::Complete;
    f.consumed = f.wanted = 4;
  } else {
    f = textAt(data, 4, 0, std::min(maxText, kAdbTextMax));
  }
  f.okay = okay;
  return f;
}

std::string adbLengthPrefix(size_t n, AdbHexCase hexCase) {
  const char* digits = hexCase == AdbHexCase::Upper ? "0123456789ABCDEF" : "0123456789abcdef";
  n = std::min(n, kAdbTextMax);
  std::string out(4, '0');
  for (int i = 3; i >= 0; --i, n >>= 4) out[static_cast<size_t>(i)] = digits[n & 0xF];
  return out;
}

std::string adbLengthPrefixed(std::string_view text, AdbHexCase hexCase) {
  text = text.substr(0, kAdbTextMax);
  std::string out = adbLengthPrefix(text.size(), hexCase);
  out.append(text);
  return out;
}

std::string encodeAdbRequest(std::string_view service, AdbHexCase hexCase) {
  if (service.empty() || service.size() > kAdbServiceMax) return {};
  return adbLengthPrefixed(service, hexCase);
}

std::string adbOkay() { return "OKAY"; }
std::string adbFail(std::string_view message) { return "FAIL" + adbLengthPrefixed(message); }
std::string adbOkayWithText(std::string_view text) { return "OKAY" + adbLengthPrefixed(text); }

AdbSyncHeader decodeAdbSyncHeader(std::string_view data) {
  AdbSyncHeader h;
  if (data.size() < kAdbSyncHeaderSize) return h;
  h.status = AdbDecode::Complete;
  data.copy(h.id, 4);
  h.value = getLe32(data.data() + 4);
  return h;
}

void appendAdbSync(std::string& out, const char* id, uint32_t value) {
  out.append(id, 4);
  putLe32(out, value);
}

void appendAdbSyncText(std::string& out, const char* id, std::string_view text) {
  appendAdbSync(out, id, static_cast<uint32_t>(text.size()));
  out.append(text);
}

void putLe32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

uint32_t getLe32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace zorvik
