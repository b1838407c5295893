#pragma once
// A scripted agent stand-in for tests: accepts connections on 127.0.0.1, reads each request (how
// many bytes to read is the test's choice), records the recv calls that delivered them, and writes
// the scripted reply in pieces of chosen sizes with a short pause between them.
#include "devlink/TcpSocket.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace zorvik::test {

struct ScriptedReply {
  size_t requestSize = 4;                 // bytes to read before answering
  std::vector<unsigned char> reply;       // what to send back
  std::vector<size_t> pieces;             // piece sizes; empty = all at once; the last repeats
  unsigned silentMs = 0;                  // a pause after the request, before anything is sent
  unsigned pauseMs = 0;                   // the pause between pieces (default 200 µs)
  bool closeWithoutReply = false;
};

struct ReceivedRequest {
  std::vector<unsigned char> bytes;
  size_t recvCalls = 0;                   // how many recv calls it took
};

class LoopbackServer {
 public:
  explicit LoopbackServer(std::vector<ScriptedReply> script) : script_(std::move(script)) {
    listener_.listen(0);
    thread_ = std::thread([this] { run(); });
  }
  ~LoopbackServer() {
    listener_.close();
    if (thread_.joinable()) thread_.join();
  }
  uint16_t port() const { return listener_.port(); }
  std::vector<ReceivedRequest> requests() {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  // Waits until the server has handled its whole script.
  void wait() {
    if (thread_.joinable()) thread_.join();
  }

 private:
  void run() {
    for (const ScriptedReply& step : script_) {
      TcpSocket client = listener_.accept();
      if (!client.valid()) return;
      ReceivedRequest request;
      request.bytes.resize(step.requestSize);
      size_t have = 0;
      while (have < step.requestSize) {
        const int got = client.receive(request.bytes.data() + have, step.requestSize - have);
        if (got <= 0) break;
        have += static_cast<size_t>(got);
        ++request.recvCalls;
      }
      request.bytes.resize(have);
      {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
      }
      if (step.silentMs) std::this_thread::sleep_for(std::chrono::milliseconds(step.silentMs));
      if (step.closeWithoutReply) continue;
      size_t sent = 0, index = 0;
      while (sent < step.reply.size()) {
        size_t piece = step.reply.size() - sent;
        if (!step.pieces.empty()) piece = std::min(piece, step.pieces[std::min(index, step.pieces.size() - 1)]);
        if (!client.sendAll(step.reply.data() + sent, piece)) break;
        sent += piece;
        ++index;
        if (step.pauseMs) std::this_thread::sleep_for(std::chrono::milliseconds(step.pauseMs));
        else if (!step.pieces.empty()) std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
    }
  }

  std::vector<ScriptedReply> script_;
  TcpListener listener_;
  std::thread thread_;
  std::mutex mutex_;
  std::vector<ReceivedRequest> requests_;
};

}  // namespace zorvik::test
