#pragma once
// Pieces the Win32 and POSIX process runners share.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace zorvik::detail {

// Splits a command line as Windows programs split theirs: blanks separate, double quotes group, and
// backslashes escape a quote (2n backslashes before a quote are n, 2n+1 are n and a literal quote).
std::vector<std::string> splitCommandLine(std::string_view commandLine);

// Keeps at most `limit` bytes of a tool's output.
inline void appendLimited(std::string& output, const char* data, size_t size, size_t limit) {
  if (output.size() < limit) output.append(data, std::min(size, limit - output.size()));
}

enum class Drain { Continue, Ended, Failed };

// How often a waiting run looks at its deadline and at endAdbRuns().
constexpr unsigned kRunPollMs = 20;

// The moment a run started with deadlineMs must end, in the platform's milliseconds.
inline bool pastDeadline(unsigned long long startedMs, unsigned long long nowMs, unsigned deadlineMs) {
  return deadlineMs > 0 && nowMs - startedMs >= deadlineMs;
}

}  // namespace zorvik::detail
