#pragma once
// The alarm clocks on the wire: the list (870401), add (870402), change (870403) and delete
// (870405); the row texts and the editor's 12-hour clock. Portable.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "devlink/AgentList.h"
#include "devlink/AgentRequest.h"

namespace zorvik {

// The ringtone field of a new alarm: the phone's default alarm sound.
constexpr const char* kDefaultAlarmRingtone = "content://settings/system/alarm_alert";
constexpr int32_t kEveryDayMask = 0x7F;

struct AlarmRow {
  int64_t alarmId = 0;      // its low 32 bits name the alarm in change and delete requests
  int32_t hour = 0;         // as the phone sent it
  int32_t minute = 0;
  std::string timeText;     // "%02d:%02d"
  int32_t daysMask = 0;     // bit 0 Monday ... bit 6 Sunday; 0 no repeat
  std::string daysText;
  int32_t enabled = 0;
  int32_t vibrate = 0;
  std::string title;        // ANSI
  std::string ringtoneName; // ANSI
  int64_t ringtoneValue = 0;
  std::string ringtoneUri;  // ANSI
};

Bytes listAlarmsRequest();
// Walks a 870401 body (header word first): records until the end mark or until fewer than two
// bytes remain. A record cut short is dropped and ends the walk.
WireList<AlarmRow> parseAlarmList(const unsigned char* body, size_t length);

std::string alarmTimeText(int32_t hour, int32_t minute);
// "无重复", "每天", or the names of the set days each followed by a space ("一 日 ").
std::string alarmDaysText(int32_t daysMask);
// "仅一次" or "有重复".
const char* alarmPeriodText(int32_t daysMask);

// What the editor hands back.
struct AlarmEdit {
  std::string title;     // ANSI
  int32_t hour = 8;      // 0-23
  int32_t minute = 0;
  int32_t daysMask = 0;
  bool enabled = false;
  bool vibrate = false;
  std::string ringtone = kDefaultAlarmRingtone;  // ANSI
};

Bytes addAlarmRequest(const AlarmEdit& alarm);
Bytes updateAlarmRequest(int32_t alarmId, const AlarmEdit& alarm);
Bytes deleteAlarmsRequest(const std::vector<int32_t>& alarmIds);
std::string deleteAlarmsQuestion(size_t count);

// The editor's time choices on a 12-hour clock: "上午"/"下午", hour position 0-11 for "1"-"12",
// minute position 0-59. 上午 12 is midnight (hour 0), 下午 12 noon (hour 12), so every hour of the
// day has one position and the choice gives back the hour it came from.
struct AlarmClock {
  bool afternoon = false;
  int hourIndex = 7;    // "8"
  int minuteIndex = 0;  // "00"
};
// A phone hour outside 0-23 is read modulo 24 (24 is midnight); a minute outside 0-59 is clamped.
AlarmClock alarmClockFor(int32_t hour, int32_t minute);
int32_t alarmHourFor(bool afternoon, int hourIndex);

}  // namespace zorvik
