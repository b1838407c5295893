#pragma once
// The alarm editor ("添加闹铃提醒" / "修改闹铃提醒"): title, a 12-hour time, the seven repeat
// boxes, vibration, the on/off state and the ringtone address. It only collects the alarm; the
// page sends it.
#include <windows.h>

#include "ui/Window.h"
#include "manage/alarms/AlarmWire.h"

namespace zorvik {

class AlarmEditor : public Dialog {
public:
  static constexpr const char* kAddCaption = "添加闹铃提醒";
  static constexpr const char* kChangeCaption = "修改闹铃提醒";
  static constexpr const char* kVibrateOnText = "振动提醒";
  static constexpr const char* kVibrateOffText = "振动关闭";
  static constexpr const char* kMissingText = "【提示】请填写标题和音乐";

  // A new alarm, or a change of `row` (copied).
  AlarmEditor();
  explicit AlarmEditor(const AlarmRow& row);

  bool isChange() const { return change_; }
  // What "确定" accepted.
  const AlarmEdit& alarm() const { return alarm_; }

private:
  void fill();
  void showVibrateText();
  // Reads the controls; false, with a hint and nothing accepted, when the title or the ringtone
  // is empty (the user's typing stays in the dialog).
  bool accept();

  bool change_ = false;
  AlarmRow row_;
  AlarmEdit alarm_;
};

}  // namespace zorvik
