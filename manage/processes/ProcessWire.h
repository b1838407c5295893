#pragma once
// The process manager's exchanges with the phone-side agent: the running processes (871801), the
// free working memory (871806) and ending processes by name (871804).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "devlink/AgentList.h"
#include "devlink/AgentRequest.h"

namespace zorvik {

// A row keeps an icon of at most this many bytes; a longer one is dropped (the row stays).
constexpr size_t kMaxProcessIcon = 262144;

struct ProcessRecord {
  int64_t memoryBytes = 0;
  int32_t importance = 0;
  int32_t cpuPercent = 0;
  int32_t pid = 0;
  int32_t systemFlag = 0;
  std::string label;             // ANSI
  std::string processName;       // ANSI, as shown
  std::string processNameUtf8;   // as the phone sent it: the key that ends the process
  std::vector<unsigned char> icon;
  bool iconDropped = false;      // the phone sent an icon longer than kMaxProcessIcon
};

// The body of 871801 (length word already taken off; the cursor starts at offset 4). Never reads
// past `length`; a record running past the body or with a negative length makes it malformed.
WireList<ProcessRecord> parseProcessList(const unsigned char* body, size_t length);

// "前台", "可见", "服务", "后台", "置空", or "未知" for any other Android importance number.
const char* importanceText(int32_t importance);

// 871804: code, total length (12 + the names' 4 + length each), n, then the names.
Bytes endProcessesRequest(const std::vector<std::string>& utf8Names);

// The column texts of a row: CPU share "%d %%", the process id "%d".
std::string cpuShareText(int32_t percent);
std::string pidText(int32_t pid);

}  // namespace zorvik
