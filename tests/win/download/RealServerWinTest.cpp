// The Windows build of the downloader against Debian's lighttpd and odd_server.py, which
// download_real.sh starts natively (through download_real_servers) before this program runs
// under Wine; the same cases as the native test, every file compared byte for byte. Then its
// overlapped receives' stop and deadline against a server on a thread of this program.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "devlink/TcpSocket.h"

#include "native/download/RealServerCases.h"

namespace zorvik {
namespace {

std::string freshFolder() {
  char temp[MAX_PATH];
  EXPECT_GT(GetTempPathA(MAX_PATH, temp), 0u);
  static int count = 0;
  const std::string folder = std::string(temp) + "zorvik-real-" + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(++count);
  EXPECT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  return folder;
}

TEST(RealServerWinTest, EveryFileIsTheSourceByteForByte) {
  const char* lighttpd = std::getenv("ZORVIK_LIGHTTPD_BASE");
  const char* odd = std::getenv("ZORVIK_ODD_BASE");
  if (!lighttpd || !odd) GTEST_SKIP() << "no servers: run through tests/win/download/download_real.sh";
  const std::string folder = freshFolder();
  const std::string target = folder + "\\com.example.app.apk";
  test::checkRealServerCases(target, lighttpd, odd);
  DeleteFileA(target.c_str());
  removeTemporaryFiles(target);
  EXPECT_TRUE(RemoveDirectoryA(folder.c_str())) << "something was left in " << folder;
}

// One connection: the request read, then `reply`, then either the same piece again and again
// (`stream`) or the connection held for `holdMs`.
class OneReplyServer {
 public:
  OneReplyServer(std::string reply, std::string piece, unsigned holdMs) {
    listener_.listen(0);
    thread_ = std::thread([this, reply, piece, holdMs] {
      TcpSocket client = listener_.accept();
      std::string request;
      char c;
      while (request.find("\r\n\r\n") == std::string::npos && client.receive(&c, 1) == 1) request += c;
      if (!client.sendAll(reply.data(), reply.size())) return;
      while (!piece.empty() && client.sendAll(piece.data(), piece.size())) {
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
    });
  }
  ~OneReplyServer() {
    listener_.close();
    thread_.join();
  }
  std::string url() const { return "http://127.0.0.1:" + std::to_string(listener_.port()) + "/x.apk"; }

 private:
  TcpListener listener_;
  std::thread thread_;
};

struct Final : DownloadListener {
  std::atomic<int> event{-1};
  void notify(int e, int, int) override {
    if (e >= kEventComplete) event = e;
  }
  // The final event, or -1 after `ms`.
  int wait(unsigned ms) {
    for (unsigned waited = 0; event < 0 && waited < ms; waited += 5) Sleep(5);
    return event;
  }
};

std::string header(uint64_t length) { return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(length) + "\r\n\r\n"; }

// A receive waiting for bytes that do not come ends within its bound on stop and at its deadline,
// keeping what arrived; a stream that never pauses stops at once with its file in order.
TEST(RealServerWinTest, StopAndTheReceiveDeadlineEndAWaitingReceive) {
  using Clock = std::chrono::steady_clock;
  const std::string folder = freshFolder();
  const std::string target = folder + "\\com.example.app.apk";
  const std::string body = test::pattern(200000);
  const std::string piece = test::pattern(256 * 1024 + 7);
  struct Case {
    const char* name;
    std::string reply, piece;
    unsigned receiveTimeoutMs, stopAfterMs;
    int event;
  } cases[] = {
      {"stop while waiting", header(body.size()) + body.substr(0, 8000), "", 10000, 300, kEventStopped},
      {"no bytes within the receive time-out", header(body.size()) + body.substr(0, 100), "", 300, 0, kEventReceiveFailed},
      {"stop during an unbroken stream", header(uint64_t{1} << 40), piece, 10000, 300, kEventStopped},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    removeTemporaryFiles(target);
    const OneReplyServer server(c.reply, c.piece, 1500);
    Final last;
    {
      HttpDownloader downloader(last);
      downloader.setTimeouts(c.receiveTimeoutMs, 1000);
      downloader.setTask(server.url(), target);
      const auto began = Clock::now();
      downloader.start();
      if (c.stopAfterMs > 0) {
        Sleep(c.stopAfterMs);
        downloader.stop();
      }
      EXPECT_EQ(last.wait(3000), c.event);
      const auto bound = std::chrono::milliseconds(c.stopAfterMs > 0 ? c.stopAfterMs + 250 : c.receiveTimeoutMs + 400);
      EXPECT_LT(Clock::now() - began, bound);
    }
    const std::string kept = test::readFile(temporaryPath(target));
    if (c.piece.empty()) {
      EXPECT_TRUE(kept == c.reply.substr(c.reply.find("\r\n\r\n") + 4)) << kept.size();
    } else {
      EXPECT_GT(kept.size(), HttpDownloader::kChunk);
      bool inOrder = true;
      for (size_t at = 0; at < kept.size() && inOrder; at += piece.size())
        inOrder = kept.compare(at, piece.size(), piece, 0, std::min(piece.size(), kept.size() - at)) == 0;
      EXPECT_TRUE(inOrder) << kept.size();
    }
    EXPECT_FALSE(test::fileExists(target));
  }
  removeTemporaryFiles(target);
  EXPECT_TRUE(RemoveDirectoryA(folder.c_str())) << "something was left in " << folder;
}

}  // namespace
}  // namespace zorvik
