// The sync client over hostile replies: STAT, LIST and RECV in turn on one stream, in pieces of a
// size the first byte picks. Nothing may be read past the input, no entry or piece past its
// ceiling, and a session that broke must stay broken. The same bytes as the shell's real-path
// answer and as a name the phone lists (made safe for Windows, which must then stay as it is).
#include "devlink/AdbFraming.h"
#include "devlink/AdbSync.h"
#include "devlink/SyncTransfer.h"
#include "support/MemorySyncStream.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zorvik;
  if (size == 0) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (const auto real = parseRealPathReply(text))
    if (real->empty() || (*real)[0] != '/' || real->size() >= size) __builtin_trap();
  const std::string safe = windowsSafeName(text.substr(0, 300));
  if (!safe.empty() && windowsSafeName(safe) != safe) __builtin_trap();
  test::MemorySyncStream stream(std::string(reinterpret_cast<const char*>(data) + 1, size - 1), 1 + data[0] % 64);
  AdbSyncClient client(stream);
  for (int round = 0; round < 4 && client.usable(); ++round) {
    SyncStat st;
    client.stat("/sdcard", st);
    std::vector<SyncEntry> entries;
    if (client.list("/sdcard", entries) == SyncResult::Ok)
      for (const SyncEntry& e : entries)
        if (e.name.empty() || e.name.size() > kAdbSyncPathMax || e.name == "." || e.name == "..") __builtin_trap();
    if (entries.size() > size) __builtin_trap();
    uint64_t bytes = 0, written = 0;
    client.receive("/sdcard/f", [&](const char*, size_t n) {
      if (n > kAdbSyncDataMax) __builtin_trap();
      written += n;
      return true;
    }, bytes);
    if (written > size || bytes != written) __builtin_trap();
  }
  return 0;
}
