#include "manage/processes/ProcessWire.h"

#include <cstdio>
#include <optional>
#include <utility>

#include "common/TextConv.h"

namespace zorvik {

WireList<ProcessRecord> parseProcessList(const unsigned char* body, size_t length) {
  return readAgentList<ProcessRecord>(body, length, [](FieldReader& r, ProcessRecord& p) {
    p.memoryBytes = r.readInt64();
    p.importance = r.readInt32();
    p.cpuPercent = r.readInt32();
    p.pid = r.readInt32();
    p.systemFlag = r.readInt32();
    // The end mark sits where the label's length would be: the five fields before it are no row.
    std::optional<std::string> label = r.readListTextOrEnd();
    if (!label) return false;
    p.label = std::move(*label);
    p.processNameUtf8 = r.readUtf8Text();
    const int64_t iconLength = r.readInt64();
    if (!r.ok() || iconLength < 0 || static_cast<uint64_t>(iconLength) > r.remaining()) return false;
    const size_t n = static_cast<size_t>(iconLength);
    if (n > kMaxProcessIcon) {
      p.iconDropped = true;
      r.skip(n);
    } else {
      p.icon.resize(n);
      if (n) r.read(n, p.icon.data());
    }
    p.processName = toAnsi(p.processNameUtf8);
    return true;
  });
}

const char* importanceText(int32_t importance) {
  switch (importance) {
    case 100: return "前台";
    case 130:
    case 200: return "可见";
    case 300: return "服务";
    case 400: return "后台";
    case 500: return "置空";
    default: return "未知";
  }
}

Bytes endProcessesRequest(const std::vector<std::string>& utf8Names) {
  AgentArgs args;
  args.int32(static_cast<int32_t>(utf8Names.size()));
  for (const std::string& name : utf8Names) args.utf8Text(name);
  return framedRequest(AgentCommand::EndProcesses, args);
}

std::string cpuShareText(int32_t percent) {
  char text[32];
  std::snprintf(text, sizeof text, "%d %%", static_cast<int>(percent));
  return text;
}

std::string pidText(int32_t pid) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", static_cast<int>(pid));
  return text;
}

}  // namespace zorvik
