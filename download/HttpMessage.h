#pragma once
// The pieces of the downloader's HTTP exchange that need no socket: splitting and resolving
// URLs, composing the request, and reading the reply header (status and header values). All of
// them work on bounded text: a header is at most kHeaderCapacity bytes, a chunk-size line at
// most kChunkLineLimit.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zorvik {

// Real replies carry long cookies and signed addresses; more than this is no answer to a file request.
constexpr size_t kHeaderCapacity = 64 * 1024;
constexpr size_t kLocationLimit = 8 * 1024;
constexpr size_t kContentLengthLimit = 29;
constexpr size_t kValueLimit = 1024;  // ETag, Last-Modified, Content-Range, Transfer-Encoding
constexpr size_t kChunkLineLimit = 4096;

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

// The GET request, lines ended by CR LF; Host carries the port when it is not 80; a Range line
// only when offset > 0, followed by "If-Range" when a validator (ETag or date) of the partial
// file is known, so a changed file comes back whole instead of being appended to.
std::string composeRequest(const HttpUrl& url, int64_t offset, std::string_view validator = {});

// The status: characters 9 to 11 of the header as a three-digit number; -1 when there are none.
int replyStatus(std::string_view header);

// The value of the first header line named `name` (compared without case, at the start of a line
// after the status line, followed by ':'), leading blanks skipped, up to its CR LF, cut to
// `limit` characters. False when no such line is in the header.
bool headerValue(std::string_view header, std::string_view name, size_t limit, std::string& value);

// A Content-Length value: decimal digits only, below 2^62. -1 otherwise.
int64_t parseContentLength(std::string_view value);

// A Content-Range value: "bytes first-last/total" (total may be "*": -1), or for a 416
// "bytes */total" (first and last -1). False for anything else or last < first.
struct ContentRange {
  int64_t first = -1, last = -1, total = -1;
};
bool parseContentRange(std::string_view value, ContentRange& out);

// Whether a Transfer-Encoding value ends in "chunked" (the only coding that frames a body).
bool endsInChunked(std::string_view value);

// The body of a "Transfer-Encoding: chunked" reply, decoded as it arrives: each piece is decoded
// in place and the data bytes are moved to its front. Size lines (extensions included) and the
// trailer section are bounded; anything malformed ends in failed() and yields no more bytes.
class ChunkedDecoder {
 public:
  // Decodes `size` bytes at `data`; returns how many data bytes now begin at `data`.
  size_t decode(char* data, size_t size);
  bool done() const { return state_ == State::Done; }
  bool failed() const { return state_ == State::Failed; }

 private:
  enum class State { Size, Extension, SizeLf, Data, DataCr, DataLf, Trailer, TrailerLf, Done, Failed };
  State state_ = State::Size;
  uint64_t remaining_ = 0;
  size_t lineLength_ = 0;
  size_t trailerLength_ = 0;
  bool sawDigit_ = false;
};

// Where a transfer to `target` is written until it is complete: the extension (after the last
// '.' of the file name) replaced by ".tmp", or ".tmp" appended when there is none.
std::string temporaryPath(const std::string& target);
// Beside the temporary file: the validator (ETag or Last-Modified) of the reply it holds.
std::string validatorPath(const std::string& target);

}  // namespace zorvik
