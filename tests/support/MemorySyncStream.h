#pragma once
// A sync stream over bytes in memory: replies come from a buffer (in pieces of at most `piece`
// bytes, then Cut at its end) and everything sent is kept.
#include "devlink/AdbSync.h"

#include <algorithm>
#include <string>

namespace zorvik::test {

class MemorySyncStream : public SyncStream {
 public:
  explicit MemorySyncStream(std::string replies, size_t piece = 1 << 20) : replies_(std::move(replies)), piece_(piece) {}
  SyncResult receiveSome(char* buffer, size_t size, size_t& got) override {
    got = std::min({size, piece_, replies_.size() - at_});
    if (got == 0) return SyncResult::Cut;
    replies_.copy(buffer, got, at_);
    at_ += got;
    return SyncResult::Ok;
  }
  SyncResult sendAll(const char* data, size_t size) override {
    sent.append(data, size);
    return SyncResult::Ok;
  }
  std::string sent;

 private:
  std::string replies_;
  size_t piece_;
  size_t at_ = 0;
};

}  // namespace zorvik::test
