#include "download/HttpDownloader.h"

#include <chrono>
#include <cstdio>
#include <limits>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace zorvik {
namespace {

// The temporary file, closed when it goes out of scope.
class File {
 public:
  ~File() { close(); }
  bool openKeeping(const std::string& path) {
    close();
    file_ = std::fopen(path.c_str(), "r+b");
    if (!file_) file_ = std::fopen(path.c_str(), "w+b");
    return file_ != nullptr;
  }
  bool openEmpty(const std::string& path) {
    close();
    file_ = std::fopen(path.c_str(), "w+b");
    return file_ != nullptr;
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

bool moveReplacing(const std::string& from, const std::string& to) {
#ifdef _WIN32
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
#else
  return std::rename(from.c_str(), to.c_str()) == 0;
#endif
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

int HttpDownloader::run() {
  std::string url, target;
  {
    std::lock_guard<std::mutex> hold(taskLock_);
    url = url_;
    target = target_;
  }
  const std::string temporary = temporaryPath(target);
  int64_t offset = fileLength(temporary);
  if (offset < 0) offset = 0;

  HttpSocket socket;
  socket.setReceiveTimeout(receiveTimeoutMs_);
  const auto stopRequested = [this] { return stop_.load(); };
  int status = -1;
  for (int redirects = 0;; ++redirects) {
    HttpUrl parts;
    if (!splitHttpUrl(url, parts)) return kEventRefused;
    if (!socket.connect(parts.server, parts.port, connectTimeoutMs_, stopRequested) ||
        !socket.send(composeRequest(parts, offset))) {
      socket.close();
      return stop_ ? kEventStopped : kEventRefused;
    }
    if (stop_) return kEventStopped;
    status = socket.status();
    if (status < 300 || status > 399) break;
    std::string location;
    socket.close();
    if (redirects >= kMaxRedirects || !socket.headerValue("Location", kLocationLimit, location)) return kEventRefused;
    url = resolveLocation(url, location);
  }
  if (status == 416) {
    socket.close();
    return kEventRangeRefused;
  }
  std::string lengthText;
  const int64_t contentLength =
      socket.headerValue("Content-Length", kContentLengthLimit, lengthText) ? parseContentLength(lengthText) : -1;
  if (status < 200 || status >= 400 || contentLength < 0) {
    socket.close();
    return kEventRefused;
  }

  File file;
  bool opened;
  if (offset > 0 && status == 200) {
    offset = 0;  // the whole file again, not the rest of it: start over
    opened = file.openEmpty(temporary);
  } else {
    opened = file.openKeeping(temporary) && file.seek(offset);
  }
  if (!opened) {
    socket.close();
    return kEventReceiveFailed;
  }

  const int64_t total = contentLength + offset;
  const int64_t start = nowMs();
  int64_t lastReport = -1000;
  int64_t received = 0;
  int outcome = kEventComplete;
  std::vector<char> chunk(kChunk);
  char* buffer = chunk.data();
  while (received < contentLength) {
    if (stop_) {
      outcome = kEventStopped;
      break;
    }
    const int64_t want = std::min<int64_t>(kChunk, contentLength - received);
    const int got = socket.receive(buffer, static_cast<size_t>(want));
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
    if (!file.write(buffer, static_cast<size_t>(got))) {
      outcome = kEventReceiveFailed;
      break;
    }
    received += got;
    const int64_t elapsed = nowMs() - start;
    if (elapsed > 1000 && received > 10240 && elapsed - lastReport > 200) {
      const int64_t percent = (offset + received) * 100 / total;
      const int64_t speed = received / (elapsed / 1000);
      listener_.notify(kEventProgress, clampInt(speed), static_cast<int>(percent));
      lastReport = elapsed;
    }
  }
  socket.close();
  if (!file.close() && outcome == kEventComplete) return kEventReceiveFailed;
  if (outcome != kEventComplete) return outcome;
  return moveReplacing(temporary, target) ? kEventComplete : kEventReceiveFailed;
}

}  // namespace zorvik
