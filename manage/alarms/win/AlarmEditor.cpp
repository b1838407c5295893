#include "manage/alarms/win/AlarmEditor.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "ui/Controls.h"
#include "manage/alarms/win/AlarmsResource.h"

namespace zorvik {

AlarmEditor::AlarmEditor() : Dialog(IDD_ALARM_EDITOR) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    fill();
    m.result = TRUE;
  });
  map_.onCommand(IDC_ALARM_VIBRATE, [this](WinMsg&) { showVibrateText(); });
  map_.onCommand(IDOK, [this](WinMsg&) {
    if (accept()) end(IDOK);
  });
  map_.onCommand(IDCANCEL, [this](WinMsg&) { end(IDCANCEL); });
}

AlarmEditor::AlarmEditor(const AlarmRow& row) : AlarmEditor() {
  change_ = true;
  row_ = row;
}

void AlarmEditor::fill() {
  SetWindowTextA(hwnd(), change_ ? kChangeCaption : kAddCaption);
  ComboBox half(hwnd(), IDC_ALARM_HALF), hour(hwnd(), IDC_ALARM_HOUR), minute(hwnd(), IDC_ALARM_MINUTE);
  half.add("上午");
  half.add("下午");
  char text[8];
  for (int h = 1; h <= 12; ++h) {
    std::snprintf(text, sizeof text, "%d", h);
    hour.add(text);
  }
  for (int m = 0; m < 60; ++m) {
    std::snprintf(text, sizeof text, "%02d", m);
    minute.add(text);
  }
  // A new alarm: 上午 8:00, no repeat, vibration and state off, the default ringtone.
  AlarmClock clock;
  int32_t days = 0;
  bool vibrate = false, enabled = false;
  std::string title, ringtone = kDefaultAlarmRingtone;
  if (change_) {
    clock = alarmClockFor(row_.hour, row_.minute);
    days = row_.daysMask;
    vibrate = row_.vibrate == 1;
    enabled = row_.enabled == 1;
    title = row_.title;
    ringtone = row_.ringtoneUri;
  }
  half.select(clock.afternoon ? 1 : 0);
  hour.select(clock.hourIndex);
  minute.select(clock.minuteIndex);
  for (int bit = 0; bit < 7; ++bit) Button(hwnd(), IDC_ALARM_DAY0 + bit).setChecked((days & (1 << bit)) != 0);
  Button(hwnd(), IDC_ALARM_VIBRATE).setChecked(vibrate);
  Button(hwnd(), IDC_ALARM_STATE).setChecked(enabled);
  Edit(hwnd(), IDC_ALARM_TITLE).setText(title);
  Edit(hwnd(), IDC_ALARM_RINGTONE).setText(ringtone);
  showVibrateText();
}

void AlarmEditor::showVibrateText() {
  const bool on = Button(hwnd(), IDC_ALARM_VIBRATE).checked();
  Label(hwnd(), IDC_ALARM_VIBRATE_TEXT).setText(on ? kVibrateOnText : kVibrateOffText);
}

bool AlarmEditor::accept() {
  AlarmEdit a;
  a.title = Edit(hwnd(), IDC_ALARM_TITLE).text();
  a.ringtone = Edit(hwnd(), IDC_ALARM_RINGTONE).text();
  if (a.title.empty() || a.ringtone.empty()) {
    Label(hwnd(), IDC_ALARM_HINT).setText(kMissingText);
    return false;
  }
  a.hour = alarmHourFor(ComboBox(hwnd(), IDC_ALARM_HALF).selected() == 1, ComboBox(hwnd(), IDC_ALARM_HOUR).selected());
  a.minute = std::max(0, ComboBox(hwnd(), IDC_ALARM_MINUTE).selected());
  a.daysMask = 0;
  for (int bit = 0; bit < 7; ++bit)
    if (Button(hwnd(), IDC_ALARM_DAY0 + bit).checked()) a.daysMask |= 1 << bit;
  a.vibrate = Button(hwnd(), IDC_ALARM_VIBRATE).checked();
  a.enabled = Button(hwnd(), IDC_ALARM_STATE).checked();
  alarm_ = std::move(a);
  return true;
}

}  // namespace zorvik
