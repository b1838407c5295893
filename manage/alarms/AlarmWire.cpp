#include "manage/alarms/AlarmWire.h"

#include <algorithm>
#include <cstdio>
#include <utility>


namespace zorvik {

Bytes listAlarmsRequest() { return bareRequest(AgentCommand::ListAlarms); }

WireList<AlarmRow> parseAlarmList(const unsigned char* body, size_t length) {
  return readAgentList<AlarmRow>(body, length, [](FieldReader& r, AlarmRow& a) {
    a.alarmId = r.readInt64();
    a.hour = r.readInt32();
    a.minute = r.readInt32();
    a.daysMask = r.readInt32();
    a.enabled = r.readInt32();
    a.vibrate = r.readInt32();
    std::optional<std::string> title = r.readListTextOrEnd();
    if (!title) return false;
    a.title = std::move(*title);
    a.ringtoneName = r.readText();
    a.ringtoneValue = r.readInt64();
    a.ringtoneUri = r.readText();
    if (!r.ok()) return false;
    a.timeText = alarmTimeText(a.hour, a.minute);
    a.daysText = alarmDaysText(a.daysMask);
    return true;
  });
}

std::string alarmTimeText(int32_t hour, int32_t minute) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(hour), static_cast<int>(minute));
  return text;
}

std::string alarmDaysText(int32_t daysMask) {
  if (daysMask == 0) return "无重复";
  if (daysMask == kEveryDayMask) return "每天";
  static const char* const kNames[7] = {"一 ", "二 ", "三 ", "四 ", "五 ", "六 ", "日 "};
  std::string text;
  for (int bit = 0; bit < 7; ++bit)
    if (daysMask & (1 << bit)) text += kNames[bit];
  return text;
}

const char* alarmPeriodText(int32_t daysMask) { return daysMask == 0 ? "仅一次" : "有重复"; }

namespace {
// Fields shared by add and change after the leading 1 (and the id of a change).
void putAlarmFields(AgentArgs& args, const AlarmEdit& a) {
  args.int32(a.hour).int32(a.minute).int32(a.daysMask).int64(0);
  args.int32(a.enabled ? 1 : 0).int32(a.vibrate ? 1 : 0).text(a.title).text(a.ringtone);
}
}  // namespace

Bytes addAlarmRequest(const AlarmEdit& alarm) {
  AgentArgs args;
  args.int32(1);
  putAlarmFields(args, alarm);
  return framedRequest(AgentCommand::AddAlarm, args);
}

Bytes updateAlarmRequest(int32_t alarmId, const AlarmEdit& alarm) {
  AgentArgs args;
  args.int32(1).int32(alarmId);
  putAlarmFields(args, alarm);
  return framedRequest(AgentCommand::UpdateAlarm, args);
}

Bytes deleteAlarmsRequest(const std::vector<int32_t>& alarmIds) {
  return idListRequest(AgentCommand::DeleteAlarms, alarmIds);
}

std::string deleteAlarmsQuestion(size_t count) {
  char text[128];
  std::snprintf(text, sizeof text, "您真的要删除选择的【 %d 】条闹铃提醒吗？", static_cast<int>(count));
  return text;
}

AlarmClock alarmClockFor(int32_t hour, int32_t minute) {
  const int h = static_cast<int>(((static_cast<int64_t>(hour) % 24) + 24) % 24);
  AlarmClock c;
  c.afternoon = h >= 12;
  const int twelve = h % 12 == 0 ? 12 : h % 12;
  c.hourIndex = twelve - 1;
  c.minuteIndex = static_cast<int>(std::clamp<int32_t>(minute, 0, 59));
  return c;
}

int32_t alarmHourFor(bool afternoon, int hourIndex) {
  const int twelve = std::clamp(hourIndex, 0, 11) + 1;  // 1-12
  return (twelve % 12) + (afternoon ? 12 : 0);
}

}  // namespace zorvik
