#include "common/FormPost.h"

#include <windows.h>
#include <wininet.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace zorvik {

namespace {
// One WinInet handle (session, connection or request), closed once.
class InternetHandle {
public:
  explicit InternetHandle(HINTERNET h) : h_(h) {}
  InternetHandle(InternetHandle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  ~InternetHandle() {
    if (h_) InternetCloseHandle(h_);
  }
  HINTERNET get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

private:
  HINTERNET h_;
};

constexpr DWORD kTimeoutMs = 15000;
}  // namespace

std::string FormPost(const std::string& url, const FormFields& fields) {
  char host[256] = {}, path[2048] = {};
  URL_COMPONENTSA parts{};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = sizeof host;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = sizeof path;
  if (!InternetCrackUrlA(url.c_str(), 0, 0, &parts)) return {};
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) return {};

  InternetHandle session(InternetOpenA("Zorvik", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session) return {};
  // A service that does not answer must not hold the caller (a worker) for ever.
  DWORD timeout = kTimeoutMs;
  for (const DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
    InternetSetOptionA(session.get(), option, &timeout, sizeof timeout);
  InternetHandle connection(
      InternetConnectA(session.get(), host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return {};
  DWORD flags = INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_RELOAD |
                INTERNET_FLAG_NO_CACHE_WRITE;
  if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
  InternetHandle request(
      HttpOpenRequestA(connection.get(), "POST", path[0] ? path : "/", "HTTP/1.1", nullptr, nullptr, flags, 0));
  if (!request) return {};
  const char* headers[] = {"Content-Type:   application/x-www-form-urlencoded\r\n", "Accept:   */*\r\n"};
  for (const char* header : headers)
    HttpAddRequestHeadersA(request.get(), header, static_cast<DWORD>(-1), HTTP_ADDREQ_FLAG_ADD);

  std::string body = formBody(fields);
  // The service expects the C string as sent by its first clients: the terminating zero counted.
  if (!HttpSendRequestA(request.get(), nullptr, 0, body.data(), static_cast<DWORD>(body.size() + 1))) return {};

  std::string reply;
  char chunk[4096];
  DWORD got = 0;
  while (InternetReadFile(request.get(), chunk, sizeof chunk, &got) && got > 0) reply.append(chunk, got);
  return formReplyText(reply);
}

std::optional<std::string> FormPostWithin(const std::string& url, const FormFields& fields, unsigned deadlineMs,
                                          const std::function<bool()>& stop) {
  // Shared with the post's thread, which holds nothing of the caller's.
  struct Answer {
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    std::string text;
  };
  auto answer = std::make_shared<Answer>();
  try {
    std::thread([answer, url, fields] {
      std::string text = FormPost(url, fields);
      std::lock_guard<std::mutex> hold(answer->lock);
      answer->text = std::move(text);
      answer->finished = true;
      answer->done.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return std::nullopt;
  }
  constexpr auto kPoll = std::chrono::milliseconds(50);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
  std::unique_lock<std::mutex> hold(answer->lock);
  while (!answer->finished) {
    if ((stop && stop()) || std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    answer->done.wait_for(hold, kPoll);
  }
  return std::move(answer->text);
}

}  // namespace zorvik
