#include "devlink/AdbBridge.h"
#include "devlink/AdbProcess.h"

#include <atomic>

namespace zorvik {
namespace {

std::atomic<uint64_t> generation{0};

}  // namespace

unsigned adbDeadlineMs(AdbCommandKind kind, uint64_t packageBytes) {
  switch (kind) {
    case AdbCommandKind::Listing: return kAdbListingDeadlineMs;
    case AdbCommandKind::Shell: return kAdbShellDeadlineMs;
    case AdbCommandKind::Install: break;
  }
  constexpr uint64_t kBytesPerMinute = 8ull << 20;
  const uint64_t extra = packageBytes / kBytesPerMinute * 60000ull;
  const uint64_t total = kAdbInstallBaseDeadlineMs + extra;
  return total > kAdbInstallMaxDeadlineMs ? kAdbInstallMaxDeadlineMs : static_cast<unsigned>(total);
}

void endAdbRuns() { ++generation; }
uint64_t adbRunGeneration() { return generation; }

std::string adbTimeoutText(const char* what) { return std::string("【错误】") + what + "超时"; }

}  // namespace zorvik

namespace zorvik::detail {

std::vector<std::string> splitCommandLine(std::string_view commandLine) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false, quoted = false;
  size_t backslashes = 0;
  for (const char c : commandLine) {
    if (c == '\\') {
      ++backslashes;
      inWord = true;
      continue;
    }
    if (c == '"') {
      // 2n backslashes and a quote: n backslashes, and the quote opens or closes; 2n+1: n and a quote.
      word.append(backslashes / 2, '\\');
      if (backslashes % 2) word += c;
      else quoted = !quoted;
      backslashes = 0;
      inWord = true;
      continue;
    }
    word.append(backslashes, '\\');
    backslashes = 0;
    if ((c == ' ' || c == '\t') && !quoted) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  word.append(backslashes, '\\');
  if (inWord) words.push_back(word);
  return words;
}

}  // namespace zorvik::detail
