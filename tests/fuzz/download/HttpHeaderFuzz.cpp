// Reply headers come from any server the URL (or a redirection) names: whatever the bytes, the
// status is -1 or three digits, header values stay within their limits, and URLs built from a
// Location value split into a server and an object that begins with '/'. The same bytes as a
// chunked body (whole and in two pieces) decode to no more bytes than came in, the same either way,
// and as a Content-Range give an ordered range.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "download/HttpMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zorvik;
  const std::string header(reinterpret_cast<const char*>(data), size < kHeaderCapacity ? size : kHeaderCapacity);
  const int status = replyStatus(header);
  if (status < -1 || status > 999) std::abort();
  std::string location, length;
  if (headerValue(header, "Location", kLocationLimit, location)) {
    if (location.size() > kLocationLimit) std::abort();
    const std::string next = resolveLocation("http://h:8080/a/b/c.apk?x", location);
    HttpUrl url;
    if (splitHttpUrl(next, url) && (url.server.empty() || url.object.empty() || url.object[0] != '/')) std::abort();
  }
  if (headerValue(header, "Content-Length", kContentLengthLimit, length)) {
    if (length.size() > kContentLengthLimit) std::abort();
    if (parseContentLength(length) < -1) std::abort();
  }
  ContentRange range;
  if (parseContentRange(header, range) &&
      (range.total < -1 || (range.first >= 0 && (range.last < range.first || (range.total >= 0 && range.last >= range.total)))))
    std::abort();
  std::string whole(reinterpret_cast<const char*>(data), size), split = whole;
  ChunkedDecoder one, two;
  whole.resize(one.decode(whole.data(), whole.size()));
  const size_t cut = size / 2;
  const size_t first = two.decode(split.data(), cut);
  const size_t second = two.decode(split.data() + cut, size - cut);
  if (whole.size() > size || first + second != whole.size() || one.failed() != two.failed() ||
      split.substr(0, first) + split.substr(cut, second) != whole)
    std::abort();
  HttpUrl url;
  if (splitHttpUrl(header, url) && (url.server.empty() || url.object.empty() || url.object[0] != '/' || url.port == 0))
    std::abort();
  return 0;
}
