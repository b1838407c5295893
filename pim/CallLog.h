#pragma once
// The call log on the wire: the list (870301), deleting listed calls (870303) and every call
// (870304); the texts a row shows.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "devlink/AgentList.h"
#include "devlink/AgentRequest.h"

namespace zorvik {

// One row of the call log, in reply order.
struct CallRecord {
  int32_t callId = 0;     // low 32 bits of the phone's id: the key for 870303
  std::string name;       // ANSI; may be empty
  std::string number;     // ANSI
  std::string callTime;   // "%4d-%02d-%02d %02d:%02d:%02d" local time
  std::string duration;   // callDurationText
  int32_t type = 0;
  int32_t photoLength = 0;  // the phone sends no photo: the row shows the default picture
};

// Walks a 870301 body. The end mark in the number's place ends the list; a record cut off by the
// end of the body is not returned.
WireList<CallRecord> parseCallList(const unsigned char* body, size_t length);

// "%02d:%02d:%02d\n" with the hours taken mod 24 (a day-long call shows as its remainder, as users
// know it). A negative duration from a confused phone shows as 00:00:00.
std::string callDurationText(int64_t seconds);

// "已接来电", "拨出电话", "未接来电", else "未知类型".
const char* callTypeLabel(int32_t type);
// The frame of the 24 x 24 type icon strip.
int callTypeIconFrame(int32_t type);

// The column-6 text of a row, "%d " with the call id, and its reading back (false when the text
// is no id).
std::string callIdCellText(int32_t callId);
bool parseCallIdCell(const std::string& text, int32_t& callId);

Bytes deleteCallsRequest(const std::vector<int32_t>& callIds);
Bytes deleteAllCallsRequest();  // exactly 12 bytes

// The confirmations.
std::string deleteCallsQuestion(size_t count);
inline constexpr const char* kDeleteAllCallsQuestion = "您真的要删除【 所有 】通话记录吗？";

}  // namespace zorvik
