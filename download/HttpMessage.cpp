#include "download/HttpMessage.h"

#include <algorithm>
#include <cstring>

namespace zorvik {
namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equalNoCase(text.substr(0, prefix.size()), prefix);
}

bool hasScheme(std::string_view location) {
  const size_t colon = location.find(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  for (size_t i = 0; i < colon; ++i) {
    const char c = lower(location[i]);
    if (!((c >= 'a' && c <= 'z') || (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'))))
      return false;
  }
  return true;
}

// The path with its "." and ".." segments removed, as a browser resolves a relative reference.
std::string removeDotSegments(const std::string& path) {
  const size_t q = path.find('?');
  const std::string query = q == std::string::npos ? "" : path.substr(q);
  std::string in = path.substr(0, q), out;
  while (!in.empty()) {
    if (in.compare(0, 3, "../") == 0) in.erase(0, 3);
    else if (in.compare(0, 2, "./") == 0 || in.compare(0, 3, "/./") == 0) in.erase(0, 2);
    else if (in == "/.") in = "/";
    else if (in.compare(0, 4, "/../") == 0 || in == "/..") {
      in = in == "/.." ? "/" : in.substr(3);
      const size_t cut = out.rfind('/');
      out.erase(cut == std::string::npos ? 0 : cut);
    } else if (in == "." || in == "..") in.clear();
    else {
      const size_t next = in.find('/', 1);
      out += in.substr(0, next);
      in.erase(0, next == std::string::npos ? in.size() : next);
    }
  }
  return out + query;
}

}  // namespace

bool splitHttpUrl(std::string_view url, HttpUrl& out) {
  static constexpr std::string_view kScheme = "http://";
  if (!startsWithNoCase(url, kScheme)) return false;
  for (const char c : url)
    if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F) return false;
  std::string_view rest = url.substr(kScheme.size());
  const size_t fragment = rest.find('#');
  if (fragment != std::string_view::npos) rest = rest.substr(0, fragment);
  const size_t slash = rest.find_first_of("/?");
  std::string_view authority = rest.substr(0, slash);
  std::string_view object = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
  if (authority.find('@') != std::string_view::npos) return false;
  uint16_t port = 80;
  const size_t colon = authority.find(':');
  if (colon != std::string_view::npos) {
    const std::string_view digits = authority.substr(colon + 1);
    if (digits.empty() || digits.size() > 5) return false;
    uint32_t value = 0;
    for (const char c : digits) {
      if (c < '0' || c > '9') return false;
      value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    if (value == 0 || value > 65535) return false;
    port = static_cast<uint16_t>(value);
    authority = authority.substr(0, colon);
  }
  if (authority.empty()) return false;
  out.server = std::string(authority);
  out.object = object.empty() ? "/" : (object[0] == '?' ? "/" + std::string(object) : std::string(object));
  out.port = port;
  return true;
}

std::string resolveLocation(std::string_view current, std::string_view location) {
  HttpUrl base;
  if (!splitHttpUrl(current, base)) return std::string();
  if (hasScheme(location)) return std::string(location);
  const std::string origin = "http://" + base.server + (base.port == 80 ? "" : ":" + std::to_string(base.port));
  if (location.substr(0, 2) == "//") return "http:" + std::string(location);
  if (!location.empty() && location[0] == '/') return origin + removeDotSegments(std::string(location));
  std::string directory = base.object.substr(0, base.object.find('?'));
  directory = directory.substr(0, directory.rfind('/') + 1);
  if (location.empty()) return origin + base.object;
  if (location[0] == '?') return origin + base.object.substr(0, base.object.find('?')) + std::string(location);
  return origin + removeDotSegments(directory + std::string(location));
}

std::string composeRequest(const HttpUrl& url, int64_t offset, std::string_view validator) {
  std::string request = "GET " + url.object + " HTTP/1.1\r\n";
  request += "Host:" + url.server + (url.port == 80 ? "" : ":" + std::to_string(url.port)) + "\r\n";
  request += "Accept:*/*\r\n";
  request += "User-Agent:Mozilla/4.0 (compatible; VKO 1987; Zorvik Downloader)\r\n";
  request += "Connection:Keep-Alive\r\n";
  if (offset > 0) request += "Range: bytes=" + std::to_string(offset) + "-\r\n";
  if (offset > 0 && !validator.empty()) request += "If-Range: " + std::string(validator) + "\r\n";
  request += "\r\n";
  return request;
}

int replyStatus(std::string_view header) {
  if (header.size() < 12) return -1;
  int status = 0;
  for (size_t i = 9; i < 12; ++i) {
    if (header[i] < '0' || header[i] > '9') return -1;
    status = status * 10 + (header[i] - '0');
  }
  return status;
}

bool headerValue(std::string_view header, std::string_view name, size_t limit, std::string& value) {
  size_t line = header.find("\r\n");
  while (line != std::string_view::npos) {
    line += 2;
    const size_t end = header.find("\r\n", line);
    const std::string_view text = header.substr(line, end == std::string_view::npos ? std::string_view::npos : end - line);
    if (text.size() > name.size() && text[name.size()] == ':' && equalNoCase(text.substr(0, name.size()), name)) {
      std::string_view v = text.substr(name.size() + 1);
      while (!v.empty() && (v[0] == ' ' || v[0] == '\t')) v.remove_prefix(1);
      value = std::string(v.substr(0, limit));
      return true;
    }
    line = end;
  }
  return false;
}

int64_t parseContentLength(std::string_view value) {
  while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
  if (value.empty() || value.size() > 18) return -1;
  int64_t n = 0;
  for (const char c : value) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

namespace {

// Leading decimal digits of `text` (at most 18), consumed; -1 when there are none.
int64_t takeNumber(std::string_view& text) {
  size_t n = 0;
  int64_t value = 0;
  while (n < text.size() && n < 18 && text[n] >= '0' && text[n] <= '9') value = value * 10 + (text[n++] - '0');
  if (n == 0 || (n < text.size() && text[n] >= '0' && text[n] <= '9')) return -1;
  text.remove_prefix(n);
  return value;
}

std::string_view trimmed(std::string_view v) {
  while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
  while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
  return v;
}

}  // namespace

bool parseContentRange(std::string_view value, ContentRange& out) {
  value = trimmed(value);
  if (!startsWithNoCase(value, "bytes ")) return false;
  value.remove_prefix(6);
  value = trimmed(value);
  ContentRange r;
  if (!value.empty() && value[0] == '*') {
    value.remove_prefix(1);
  } else {
    if ((r.first = takeNumber(value)) < 0 || value.empty() || value[0] != '-') return false;
    value.remove_prefix(1);
    if ((r.last = takeNumber(value)) < r.first) return false;
  }
  if (value.empty() || value[0] != '/') return false;
  value.remove_prefix(1);
  if (value == "*") {
    if (r.first < 0) return false;  // "*/*" says nothing
  } else if ((r.total = takeNumber(value)) < 0 || !value.empty() || (r.last >= 0 && r.last >= r.total)) {
    return false;
  }
  out = r;
  return true;
}

bool endsInChunked(std::string_view value) {
  const size_t comma = value.rfind(',');
  if (comma != std::string_view::npos) value.remove_prefix(comma + 1);
  return equalNoCase(trimmed(value), "chunked");
}

size_t ChunkedDecoder::decode(char* data, size_t size) {
  size_t out = 0;
  for (size_t i = 0; i < size && state_ != State::Done && state_ != State::Failed;) {
    const char c = data[i];
    switch (state_) {
      case State::Size: {
        const char l = lower(c);
        const int digit = (c >= '0' && c <= '9') ? c - '0' : (l >= 'a' && l <= 'f') ? l - 'a' + 10 : -1;
        if (digit >= 0) {
          if (remaining_ >> 56) { state_ = State::Failed; break; }  // no chunk is 2^60 bytes
          remaining_ = remaining_ * 16 + static_cast<uint64_t>(digit);
          sawDigit_ = true;
        } else if (sawDigit_ && (c == ';' || c == ' ' || c == '\t')) {
          state_ = State::Extension;
        } else if (sawDigit_ && c == '\r') {
          state_ = State::SizeLf;
        } else {
          state_ = State::Failed;
        }
        ++i;
        break;
      }
      case State::Extension:
        if (c == '\r') state_ = State::SizeLf;
        else if (c == '\n' || c == '\0') state_ = State::Failed;
        ++i;
        break;
      case State::SizeLf:
        if (c != '\n') { state_ = State::Failed; break; }
        ++i;
        lineLength_ = 0;
        sawDigit_ = false;
        state_ = remaining_ == 0 ? State::Trailer : State::Data;
        continue;
      case State::Data: {
        const size_t take = static_cast<size_t>(std::min<uint64_t>(remaining_, size - i));
        std::memmove(data + out, data + i, take);
        out += take;
        i += take;
        remaining_ -= take;
        if (remaining_ == 0) state_ = State::DataCr;
        continue;
      }
      case State::DataCr:
        state_ = c == '\r' ? State::DataLf : State::Failed;
        ++i;
        continue;
      case State::DataLf:
        state_ = c == '\n' ? State::Size : State::Failed;
        ++i;
        continue;
      case State::Trailer:
        // Trailer fields are skipped; an empty line ends the body.
        if (c == '\r') state_ = State::TrailerLf;
        else ++lineLength_;
        if (++trailerLength_ > kHeaderCapacity) state_ = State::Failed;
        ++i;
        continue;
      case State::TrailerLf:
        if (c != '\n') state_ = State::Failed;
        else state_ = lineLength_ == 0 ? State::Done : State::Trailer;
        lineLength_ = 0;
        ++i;
        continue;
      default:
        break;
    }
    if (state_ == State::Size || state_ == State::Extension) {
      if (++lineLength_ > kChunkLineLimit) state_ = State::Failed;
    }
  }
  return out;
}

std::string temporaryPath(const std::string& target) {
  const size_t name = target.find_last_of("\\/:");
  const size_t dot = target.rfind('.');
  if (dot == std::string::npos || (name != std::string::npos && dot < name)) return target + ".tmp";
  return target.substr(0, dot) + ".tmp";
}

std::string validatorPath(const std::string& target) { return temporaryPath(target) + ".id"; }

}  // namespace zorvik
