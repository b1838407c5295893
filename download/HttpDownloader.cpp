#include "download/HttpDownloader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace zorvik {
namespace {

// The temporary file, closed when it goes out of scope. Unbuffered: every piece is one write
// (stdio would split a 64 KiB piece into a 4096-byte and a 61440-byte write).
class File {
 public:
  ~File() { close(); }
  bool openKeeping(const std::string& path) {
    close();
    file_ = std::fopen(path.c_str(), "r+b");
    if (!file_) file_ = std::fopen(path.c_str(), "w+b");
    return unbuffered();
  }
  bool openEmpty(const std::string& path) {
    close();
    file_ = std::fopen(path.c_str(), "w+b");
    return unbuffered();
  }
  bool seek(int64_t offset) {
#ifdef _WIN32
    return _fseeki64(file_, offset, SEEK_SET) == 0;
#else
    return fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
  }
  bool write(const char* data, size_t size) { return std::fwrite(data, 1, size, file_) == size; }
  bool close() {
    if (!file_) return true;
    const bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
  }

 private:
  bool unbuffered() { return file_ && std::setvbuf(file_, nullptr, _IONBF, 0) == 0; }
  std::FILE* file_ = nullptr;
};

// The length of an existing file; -1 when there is none.
int64_t fileLength(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return -1;
#ifdef _WIN32
  const bool ok = _fseeki64(f, 0, SEEK_END) == 0;
  const int64_t length = ok ? _ftelli64(f) : -1;
#else
  const bool ok = fseeko(f, 0, SEEK_END) == 0;
  const int64_t length = ok ? static_cast<int64_t>(ftello(f)) : -1;
#endif
  std::fclose(f);
  return length;
}

// The complete temporary file takes the target's name. On Windows MoveFileEx replaces in one
// step. On ext4 a rename over an existing file makes the kernel flush the new one first (0.13 s
// for 200 MB), so the old file is removed before: should the machine stop in between, the
// complete temporary file is still there and the next transfer finishes it without a byte.
bool moveReplacing(const std::string& from, const std::string& to) {
#ifdef _WIN32
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
#else
  std::remove(to.c_str());
  return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

std::string readValidator(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return std::string();
  char text[kValueLimit + 1];
  const size_t n = std::fread(text, 1, sizeof text, f);
  std::fclose(f);
  std::string value(text, n);
  // Only what a header line can carry; anything else is not ours.
  if (n > kValueLimit) return std::string();
  for (const char c : value)
    if (static_cast<unsigned char>(c) < ' ' || c == 0x7F) return std::string();
  return value;
}

// The validator that may ask for the rest of this reply's entity: a strong ETag, else the date.
std::string validatorOf(const HttpSocket& socket) {
  std::string value;
  if (socket.headerValue("ETag", kValueLimit, value) && value.size() >= 2 && value.front() == '"' &&
      value.back() == '"')
    return value;
  if (socket.headerValue("Last-Modified", kValueLimit, value)) {
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
    return value;
  }
  return std::string();
}

bool writeValidator(const std::string& path, const std::string& value) {
  if (value.empty()) {
    std::remove(path.c_str());
    return true;
  }
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(value.data(), 1, value.size(), f) == value.size();
  return std::fclose(f) == 0 && ok;
}

int64_t nowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int clampInt(int64_t v) {
  return v > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max() : static_cast<int>(v);
}

}  // namespace

HttpDownloader::~HttpDownloader() {
  stop();
  if (worker_.joinable()) {
    if (worker_.get_id() == std::this_thread::get_id()) worker_.detach();
    else worker_.join();
  }
}

void HttpDownloader::setTask(const std::string& url, const std::string& targetPath) {
  std::lock_guard<std::mutex> hold(taskLock_);
  url_ = url;
  target_ = targetPath;
}

void HttpDownloader::start() {
  // Cleared here rather than on the new thread, so a stop right after start is not lost.
  stop_ = false;
  if (worker_.joinable()) {
    // Called from the last event of the previous transfer, whose thread is ending.
    if (worker_.get_id() == std::this_thread::get_id()) worker_.detach();
    else worker_.join();
  }
  worker_ = std::thread([this] { transfer(); });
}

void HttpDownloader::transfer() {
  const int event = run();
  listener_.notify(event, event == kEventComplete ? 0 : -1, event == kEventComplete ? 100 : -1);
}

void removeTemporaryFiles(const std::string& target) {
  std::remove(temporaryPath(target).c_str());
  std::remove(validatorPath(target).c_str());
}

int HttpDownloader::exchange(HttpSocket& socket, std::string& url, int64_t offset, const std::string& validator) {
  const auto stopRequested = [this] { return stop_.load(); };
  for (int redirects = 0;; ++redirects) {
    HttpUrl parts;
    if (!splitHttpUrl(url, parts)) return kEventRefused;
    if (!socket.connect(parts.server, parts.port, connectTimeoutMs_, stopRequested) ||
        !socket.send(composeRequest(parts, offset, validator))) {
      socket.close();
      return stop_ ? kEventStopped : kEventRefused;
    }
    if (stop_) return kEventStopped;
    const int status = socket.status();
    if (status < 300 || status > 399) return 0;
    std::string location;
    socket.close();
    if (redirects >= kMaxRedirects || !socket.headerValue("Location", kLocationLimit, location)) return kEventRefused;
    url = resolveLocation(url, location);
  }
}

int HttpDownloader::run() {
  std::string url, target;
  {
    std::lock_guard<std::mutex> hold(taskLock_);
    url = url_;
    target = target_;
  }
  const std::string temporary = temporaryPath(target);
  const std::string validatorFile = validatorPath(target);
  int64_t offset = fileLength(temporary);
  if (offset < 0) offset = 0;
  std::string validator = offset > 0 ? readValidator(validatorFile) : std::string();

  HttpSocket socket;
  socket.setReceiveTimeout(receiveTimeoutMs_);
  if (resolver_) socket.setResolver(resolver_);
  const std::string firstUrl = url;
  int status = -1;
  bool chunked = false;
  int64_t contentLength = -1;
  int64_t total = -1;
  bool probing = false;  // asking for the last byte only: is the temporary file the whole file?
  for (int attempt = 0;; ++attempt) {
    url = firstUrl;
    if (const int refused = exchange(socket, url, probing ? offset - 1 : offset, validator)) return refused;
    status = socket.status();
    std::string value;
    ContentRange range;
    const bool hasRange = socket.headerValue("Content-Range", kValueLimit, value) && parseContentRange(value, range);
    // The temporary file already holds the whole file: finish it instead of asking again.
    const bool whole = offset > 0 && hasRange &&
                       ((status == 416 && range.first < 0 && range.total == offset) ||
                        (probing && status == 206 && range.first == offset - 1 && range.total == offset));
    if (whole) {
      socket.close();
      if (!moveReplacing(temporary, target)) return kEventReceiveFailed;
      std::remove(validatorFile.c_str());
      return kEventComplete;
    }
    if (status == 416 || probing) {
      socket.close();
      // A 416 need not say the file's length: the last byte's Content-Range tells it.
      if (status == 416 && !hasRange && !probing && offset > 0 && attempt == 0) {
        probing = true;
        continue;
      }
      return kEventRangeRefused;
    }
    if (status < 200 || status >= 300) {
      socket.close();
      return kEventRefused;
    }
    // A Transfer-Encoding overrides any Content-Length; only chunked frames a body we can end.
    if (socket.headerValue("Transfer-Encoding", kValueLimit, value)) {
      if (!endsInChunked(value)) {
        socket.close();
        return kEventRefused;
      }
      chunked = true;
      contentLength = -1;
    } else {
      chunked = false;
      std::string lengthText;
      contentLength = socket.headerValue("Content-Length", kContentLengthLimit, lengthText)
                          ? parseContentLength(lengthText) : -1;
      if (contentLength < 0) {
        socket.close();
        return kEventRefused;
      }
    }
    if (status != 206) {
      offset = 0;  // the whole file again, not the rest of it: start over
      total = contentLength;
      break;
    }
    // A part: exactly the rest that was asked for, or the file is not resumed into.
    const bool fits = offset > 0 && hasRange && range.first == offset &&
                      (range.total < 0 || range.last + 1 == range.total) &&
                      (chunked || contentLength == range.last - range.first + 1);
    if (fits) {
      total = range.total >= 0 ? range.total : offset + contentLength;
      break;
    }
    socket.close();
    if (attempt > 0 || offset == 0) return kEventRefused;
    offset = 0;
    validator.clear();
  }

  File file;
  bool opened;
  if (offset == 0) {
    opened = file.openEmpty(temporary) && writeValidator(validatorFile, validatorOf(socket));
  } else {
    opened = file.openKeeping(temporary) && file.seek(offset);
  }
  if (!opened) {
    socket.close();
    return kEventReceiveFailed;
  }

  const int64_t start = nowMs();
  int64_t lastReport = -1000;
  int64_t received = 0;
  int outcome = kEventComplete;
  ChunkedDecoder decoder;
  // What arrived is gathered and written in pieces of up to kChunk, and whenever a receive has to
  // wait: a fast transfer makes few large writes, a slow one keeps its file current.
  std::vector<char> chunk(kChunk);
  char* buffer = chunk.data();
  size_t filled = 0;
  const auto flush = [&] {
    const bool ok = filled == 0 || file.write(buffer, filled);
    filled = 0;
    return ok;
  };
  while (chunked ? !decoder.done() : received < contentLength) {
    if (stop_) {
      outcome = kEventStopped;
      break;
    }
    if (filled == kChunk && !flush()) {
      outcome = kEventReceiveFailed;
      break;
    }
    // The receive lands behind what is gathered; a flush during its wait moves it to the front.
    const size_t at = filled;
    size_t room = kChunk - at;
    if (!chunked) room = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(room), contentLength - received));
    bool writeFailed = false;
    const int got = socket.receive(buffer + at, room, [&] {
      writeFailed = !flush();
      return !writeFailed;
    });
    if (writeFailed) {
      outcome = kEventReceiveFailed;
      break;
    }
    if (got == HttpSocket::kStopped) {
      outcome = kEventStopped;
      break;
    }
    if (got == 0) {
      outcome = kEventClosedEarly;
      break;
    }
    if (got < 0) {
      outcome = kEventReceiveFailed;
      break;
    }
    const size_t data = chunked ? decoder.decode(buffer + at, static_cast<size_t>(got)) : static_cast<size_t>(got);
    if (filled != at) std::memmove(buffer + filled, buffer + at, data);
    filled += data;
    received += static_cast<int64_t>(data);
    if (decoder.failed()) {
      outcome = kEventReceiveFailed;
      break;
    }
    const int64_t elapsed = nowMs() - start;
    if (elapsed > 1000 && received > 10240 && elapsed - lastReport > 200) {
      const int64_t percent = total > 0 ? std::min<int64_t>(100, (offset + received) * 100 / total) : 0;
      const int64_t speed = received / (elapsed / 1000);
      listener_.notify(kEventProgress, clampInt(speed), static_cast<int>(percent));
      lastReport = elapsed;
    }
  }
  // Every byte that arrived is kept, whatever ended the transfer: the next one resumes after it.
  if (!flush() && outcome == kEventComplete) outcome = kEventReceiveFailed;
  socket.close();
  if (!file.close() && outcome == kEventComplete) return kEventReceiveFailed;
  if (outcome != kEventComplete) return outcome;
  if (!moveReplacing(temporary, target)) return kEventReceiveFailed;
  std::remove(validatorFile.c_str());
  return kEventComplete;
}

}  // namespace zorvik
