#pragma once
// One file over plain HTTP/1.1 into a temporary file beside its final name (".tmp" in place of
// the extension), resumed with a Range request when the temporary file exists, renamed over the
// target once every byte has arrived. What happens is reported to a DownloadListener as events:
//
//   0 (-1,-1)        a download starts (raised by the owner, not here)
//   1 (speed, pct)   progress: bytes per second of this transfer, percent of the whole file
//   2 (0, 100)       complete; the file has its final name
//   3 (-1,-1)        stopped on request
//   4 (-1,-1)        the server answered 416 (unless the temporary file already holds the whole
//                    file the 416 names: then it is finished, event 2)
//   5 (-1,-1)        the server closed before the announced length (or the last chunk) arrived
//   6 (-1,-1)        receiving failed (an error, no data within the receive time-out, a malformed
//                    chunk), or the file could not be written or renamed
//   7 (-1,-1)        no usable answer: connection failed, status below 200 or from 400 up (416
//                    aside), more than kMaxRedirects redirections, a redirection without Location
//                    or away from http, a 2xx without Content-Length or chunked framing, a header
//                    longer than kHeaderCapacity, a 206 that is not the rest asked for even when
//                    asked again from byte 0
//
// Resuming: the partial file's validator (a strong ETag, else Last-Modified) is kept beside it
// (validatorPath) and sent as If-Range, so a file that changed on the server comes back whole.
// A 206 whose Content-Range does not start at the offset asked starts the file over from 0.
//
// Exactly one of events 2-7 ends each transfer, raised on the transfer's thread after its socket
// and file are closed, so the listener may start the next transfer from within it.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "download/HttpSocket.h"

namespace zorvik {

enum DownloadEvent : int {
  kEventStart = 0,
  kEventProgress = 1,
  kEventComplete = 2,
  kEventStopped = 3,
  kEventRangeRefused = 4,
  kEventClosedEarly = 5,
  kEventReceiveFailed = 6,
  kEventRefused = 7,
};

class DownloadListener {
 public:
  virtual ~DownloadListener() = default;
  virtual void notify(int event, int a, int b) = 0;
};

// Removes the temporary file of `target` and its validator: the next transfer starts from nothing.
void removeTemporaryFiles(const std::string& target);

class HttpDownloader {
 public:
  static constexpr int kMaxRedirects = 10;
  static constexpr unsigned kReceiveTimeoutMs = 10000;
  static constexpr unsigned kConnectTimeoutMs = 10000;
  // The most one receive asks for and one write holds. Under Wine every receive is a round trip
  // to the Wine server (200 MB in 4 KiB receives took 38 s there, in 64 KiB ones 3 s); asking for
  // the rest of a 1 MiB buffer takes whatever the socket holds in one call.
  static constexpr size_t kChunk = 1 << 20;

  explicit HttpDownloader(DownloadListener& listener) : listener_(listener) {}
  ~HttpDownloader();  // stops a running transfer and waits for it
  HttpDownloader(const HttpDownloader&) = delete;
  HttpDownloader& operator=(const HttpDownloader&) = delete;

  void setTask(const std::string& url, const std::string& targetPath);
  // Runs one transfer on a new thread. The owner starts one only when none runs.
  void start();
  // Asks the running transfer to end (event 3); returns at once.
  void stop() { stop_ = true; }
  // One transfer on the calling thread (what start's thread runs).
  void transfer();

  // For tests: a name resolver standing in for the system's (a slow one, say).
  void setResolver(HttpSocket::Resolver resolver) { resolver_ = std::move(resolver); }
  // For tests: shorter waits than the defaults.
  void setTimeouts(unsigned receiveMs, unsigned connectMs) {
    receiveTimeoutMs_ = receiveMs;
    connectTimeoutMs_ = connectMs;
  }

 private:
  int run();  // the final event
  // Request and redirections: 0 once a non-3xx header is in, else the final event.
  int exchange(HttpSocket& socket, std::string& url, int64_t offset, const std::string& validator);

  DownloadListener& listener_;
  std::atomic<bool> stop_{false};
  std::mutex taskLock_;
  std::string url_;
  std::string target_;
  unsigned receiveTimeoutMs_ = kReceiveTimeoutMs;
  unsigned connectTimeoutMs_ = kConnectTimeoutMs;
  HttpSocket::Resolver resolver_;
  std::thread worker_;
};

}  // namespace zorvik
