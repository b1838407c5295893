// The sync client's bytes on the wire and its reading of hostile replies: every length over its
// ceiling refused, every cut a clean Cut, and RECV taking whatever STAT claimed.
#include "devlink/AdbFraming.h"
#include "devlink/AdbSync.h"
#include "support/MemorySyncStream.h"

#include <gtest/gtest.h>

namespace zorvik {
namespace {

using test::MemorySyncStream;

std::string word(const char* id, uint32_t v) {
  std::string s;
  appendAdbSync(s, id, v);
  return s;
}

std::string dent(uint32_t mode, uint32_t size, uint32_t mtime, const std::string& name) {
  std::string s = word("DENT", mode);
  putLe32(s, size);
  putLe32(s, mtime);
  putLe32(s, static_cast<uint32_t>(name.size()));
  return s + name;
}

std::string listDone() { return word("DONE", 0) + std::string(12, '\0'); }

TEST(AdbSyncWire, SendIsPathCommaModeThenPiecesOfAtMost64KiBThenDoneWithTheTime) {
  MemorySyncStream s(word("OKAY", 0));
  AdbSyncClient c(s);
  const std::string content(65536 + 10, 'z');
  size_t at = 0;
  const SyncResult r = c.send(u8"/sdcard/新.txt", 0644, 1300000000,
                              [&](char* b, size_t n) {
                                const size_t k = std::min(n, content.size() - at);
                                content.copy(b, k, at);
                                at += k;
                                return static_cast<long long>(k);
                              },
                              nullptr);
  ASSERT_EQ(r, SyncResult::Ok);
  std::string want;
  appendAdbSyncText(want, "SEND", "/sdcard/\xE6\x96\xB0.txt,420");
  want += word("DATA", 65536) + std::string(65536, 'z') + word("DATA", 10) + std::string(10, 'z');
  want += word("DONE", 1300000000);
  EXPECT_EQ(s.sent, want);
}

TEST(AdbSyncWire, StatAndListRequestsAndReplies) {
  std::string replies = word("STAT", 0100644);
  putLe32(replies, 1234);
  putLe32(replies, 99);
  replies += dent(040755, 4096, 1, ".") + dent(040755, 4096, 1, "..") + dent(0100644, 5, 7, u8"照片.jpg") + listDone();
  MemorySyncStream s(replies, 3);  // in pieces of three bytes
  AdbSyncClient c(s);
  SyncStat st;
  ASSERT_EQ(c.stat("/sdcard/a", st), SyncResult::Ok);
  EXPECT_TRUE(st.isRegular());
  EXPECT_EQ(st.size, 1234u);
  EXPECT_EQ(st.mtime, 99u);
  std::vector<SyncEntry> entries;
  ASSERT_EQ(c.list("/sdcard", entries), SyncResult::Ok);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, u8"照片.jpg");
  EXPECT_EQ(entries[0].stat.size, 5u);
  std::string want;
  appendAdbSyncText(want, "STAT", "/sdcard/a");
  appendAdbSyncText(want, "LIST", "/sdcard");
  EXPECT_EQ(s.sent, want);
  EXPECT_TRUE(c.usable());
}

TEST(AdbSyncWire, ReceiveTakesEveryPieceUntilDoneWhateverStatSaid) {
  // STAT's size is 32 bits: a file of 4 GiB and more says less. RECV must not stop at it.
  std::string replies = word("STAT", 0100644);
  putLe32(replies, 10);  // what a 4 GiB + 10 file's low bits would say
  putLe32(replies, 0);
  for (int i = 0; i < 20; ++i) replies += word("DATA", 65536) + std::string(65536, static_cast<char>('a' + i));
  replies += word("DONE", 0);
  MemorySyncStream s(replies, 1000);
  AdbSyncClient c(s);
  SyncStat st;
  ASSERT_EQ(c.stat("/big", st), SyncResult::Ok);
  std::string got;
  uint64_t bytes = 0;
  ASSERT_EQ(c.receive("/big", [&](const char* d, size_t n) { got.append(d, n); return true; }, bytes),
            SyncResult::Ok);
  EXPECT_EQ(bytes, 20u * 65536u);
  EXPECT_EQ(got.size(), 20u * 65536u);
  EXPECT_EQ(got.back(), 't');
}

TEST(AdbSyncHostile, LengthsOverTheirCeilingsAreMalformedAndEndTheSession) {
  const std::string cases[] = {
      word("DATA", 65537) + std::string(65537, 'x'),          // a piece over 64 KiB
      word("DATA", 0xFFFFFFFF),                               // a huge piece
      word("FAIL", 0x7FFFFFFF) + "no",                        // a huge message
      word("WHAT", 0),                                        // an unknown id
  };
  for (const std::string& reply : cases) {
    MemorySyncStream s(reply);
    AdbSyncClient c(s);
    uint64_t bytes = 0;
    size_t written = 0;
    EXPECT_EQ(c.receive("/f", [&](const char*, size_t n) { written += n; return true; }, bytes), SyncResult::Malformed);
    EXPECT_EQ(written, 0u);
    EXPECT_FALSE(c.usable());
    EXPECT_EQ(c.receive("/f", [&](const char*, size_t) { return true; }, bytes), SyncResult::Cut);
  }
  for (uint32_t n : {0u, 1025u, 0xFFFFFFFFu}) {
    std::string reply = word("DENT", 0100644);
    putLe32(reply, 1);
    putLe32(reply, 1);
    putLe32(reply, n);
    MemorySyncStream s(reply + std::string(2000, 'n') + listDone());
    AdbSyncClient c(s);
    std::vector<SyncEntry> entries;
    EXPECT_EQ(c.list("/", entries), SyncResult::Malformed) << n;
  }
}

TEST(AdbSyncHostile, RepliesCutAtEveryByteAreCutNeverMore) {
  const std::string list = dent(0100644, 5, 7, u8"文件.txt") + dent(040755, 0, 0, u8"子目录") + listDone();
  for (size_t cut = 0; cut < list.size(); ++cut) {
    MemorySyncStream s(list.substr(0, cut));
    AdbSyncClient c(s);
    std::vector<SyncEntry> entries;
    EXPECT_EQ(c.list("/", entries), SyncResult::Cut) << cut;
  }
  const std::string recv = word("DATA", 3) + "abc" + word("DATA", 2) + "de" + word("DONE", 0);
  for (size_t cut = 0; cut < recv.size(); ++cut) {
    MemorySyncStream s(recv.substr(0, cut));
    AdbSyncClient c(s);
    uint64_t bytes = 0;
    EXPECT_EQ(c.receive("/f", [](const char*, size_t) { return true; }, bytes), SyncResult::Cut) << cut;
    EXPECT_LE(bytes, 5u);
  }
}

TEST(AdbSyncHostile, FailIsTheFilesRefusalAndTheSessionGoesOn) {
  std::string replies;
  appendAdbSyncText(replies, "FAIL", "No such file or directory");
  replies += word("DATA", 2) + "ok" + word("DONE", 0);
  MemorySyncStream s(replies);
  AdbSyncClient c(s);
  uint64_t bytes = 0;
  EXPECT_EQ(c.receive("/gone", [](const char*, size_t) { return true; }, bytes), SyncResult::Failed);
  EXPECT_EQ(c.failMessage(), "No such file or directory");
  EXPECT_TRUE(c.usable());
  EXPECT_EQ(syncFailureText(SyncResult::Failed, c.failMessage()), "手机拒绝：No such file or directory");
  EXPECT_EQ(c.receive("/there", [](const char*, size_t) { return true; }, bytes), SyncResult::Ok);
  EXPECT_EQ(bytes, 2u);
}

TEST(AdbSyncHostile, PushRefusedWithFailReportsThePhonesMessage) {
  std::string replies;
  appendAdbSyncText(replies, "FAIL", "Read-only file system");
  MemorySyncStream s(replies);
  AdbSyncClient c(s);
  const SyncResult r = c.send("/system/x", 0644, 0, [](char*, size_t) { return 0LL; }, nullptr);
  EXPECT_EQ(r, SyncResult::Failed);
  EXPECT_EQ(c.failMessage(), "Read-only file system");
}

TEST(AdbSyncHostile, PathsOverTheLimitAreNotSent) {
  MemorySyncStream s("");
  AdbSyncClient c(s);
  SyncStat st;
  EXPECT_EQ(c.stat(std::string(kAdbSyncPathMax + 1, 'a'), st), SyncResult::LocalFailed);
  EXPECT_TRUE(s.sent.empty());
}

}  // namespace
}  // namespace zorvik
