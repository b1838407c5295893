#pragma once
// The pieces of the downloader's HTTP exchange that need no socket: splitting and resolving
// URLs, composing the request, and reading the reply header (status and header values). All of
// them work on bounded text: a header is at most kHeaderCapacity bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zorvik {

constexpr size_t kHeaderCapacity = 1024;
constexpr size_t kLocationLimit = 255;
constexpr size_t kContentLengthLimit = 29;

struct HttpUrl {
  std::string server;
  std::string object;  // path and query, "/" when the URL names none
  uint16_t port = 80;
};

// Only "http://server[:port][/object]" URLs are accepted (the scheme in any case); false for
// anything else (another scheme, no server, a port that is not 1-65535, blanks or controls).
bool splitHttpUrl(std::string_view url, HttpUrl& out);

// The URL a "Location" value leads to from `current`: absolute values as they are, "//host/…"
// with current's scheme, "/path" on current's server and port, other values relative to current's
// directory. Empty when current does not split.
std::string resolveLocation(std::string_view current, std::string_view location);

// The GET request, lines ended by CR LF; a Range line only when offset > 0.
std::string composeRequest(const HttpUrl& url, int64_t offset);

// The status: characters 9 to 11 of the header as a three-digit number; -1 when there are none.
int replyStatus(std::string_view header);

// The value of the first header line named `name` (compared without case, at the start of a line
// after the status line, followed by ':'), leading blanks skipped, up to its CR LF, cut to
// `limit` characters. False when no such line is in the header.
bool headerValue(std::string_view header, std::string_view name, size_t limit, std::string& value);

// A Content-Length value: decimal digits only, below 2^62. -1 otherwise.
int64_t parseContentLength(std::string_view value);

// Where a transfer to `target` is written until it is complete: the extension (after the last
// '.' of the file name) replaced by ".tmp", or ".tmp" appended when there is none.
std::string temporaryPath(const std::string& target);

}  // namespace zorvik
