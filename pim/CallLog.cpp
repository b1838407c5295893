#include "pim/CallLog.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "common/TimeFormat.h"

namespace zorvik {

WireList<CallRecord> parseCallList(const unsigned char* body, size_t length) {
  return readAgentList<CallRecord>(body, length, [](FieldReader& reader, CallRecord& record) {
    record.callId = static_cast<int32_t>(reader.readInt64());
    auto number = reader.readListTextOrEnd();
    if (!number) return false;
    record.number = std::move(*number);
    const int64_t time = reader.readInt64();
    const int64_t seconds = reader.readInt64();
    record.type = reader.readInt32();
    record.name = reader.readText();
    if (!reader.ok()) return false;
    record.callTime = formatPhoneTime(time, "N/A");
    record.duration = callDurationText(seconds);
    return true;
  });
}

std::string callDurationText(int64_t seconds) {
  if (seconds < 0) seconds = 0;
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d\n", static_cast<int>(seconds / 3600 % 24),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  return text;
}

const char* callTypeLabel(int32_t type) {
  switch (type) {
    case 1: return "已接来电";
    case 2: return "拨出电话";
    case 3: return "未接来电";
    default: return "未知类型";
  }
}

int callTypeIconFrame(int32_t type) {
  switch (type) {
    case 2: return 1;
    case 3: return 2;
    default: return 0;
  }
}

std::string callIdCellText(int32_t callId) {
  char text[16];
  std::snprintf(text, sizeof text, "%d ", static_cast<int>(callId));
  return text;
}

bool parseCallIdCell(const std::string& text, int32_t& callId) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (end == text.c_str() || errno == ERANGE || value < INT32_MIN || value > INT32_MAX) return false;
  for (; *end; ++end)
    if (*end != ' ') return false;
  callId = static_cast<int32_t>(value);
  return true;
}

Bytes deleteCallsRequest(const std::vector<int32_t>& callIds) {
  return idListRequest(AgentCommand::DeleteCalls, callIds);
}

Bytes deleteAllCallsRequest() { return framedRequest(AgentCommand::DeleteAllCalls, AgentArgs().int32(1)); }

std::string deleteCallsQuestion(size_t count) {
  char text[96];
  std::snprintf(text, sizeof text, "您真的要删除选择的【 %d 】条通话记录吗？", static_cast<int>(count));
  return text;
}

}  // namespace zorvik
