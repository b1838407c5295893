#pragma once
// The phone settings page (手机设置): six switches, three choices of sound and display, the clock
// and date format, read together (871501) and each written as soon as the user changes it
// (871502), without a reload.
#include <windows.h>

#include <memory>
#include <string>

#include "app/Page.h"
#include "devlink/AgentSession.h"
#include "manage/system/PhoneSettingsWire.h"

namespace zorvik {

class PhoneSettingsPage : public Page {
public:
  // Control ids: kFirstControlId + setting number; the two folder buttons after them.
  static constexpr int kFirstControlId = 4501;
  static constexpr int kWallpaperButtonId = 4520;
  static constexpr int kRingtoneButtonId = 4521;
  static constexpr const char* kWallpaperFolder = "/sdcard/Pictures";
  static constexpr const char* kRingtoneFolder = "/sdcard/Ringtones";

  PhoneSettingsPage(const PageInfo& info, PageHost& host);

  // A load requested while one runs is dropped.
  void load() override;
  void onToolbar(int index) override;

  HWND control(PhoneSetting number) const { return GetDlgItem(hwnd(), kFirstControlId + number); }
  bool loading() const { return loading_; }
  bool busy() const { return loading_ || writes_ > 0; }
  int writesPending() const { return writes_; }
  int fills() const { return fills_; }

private:
  struct Loaded {
    AgentResult result = AgentResult::Ok;
    bool read = false;
    PhoneSettingValues values;
  };
  void createControls();
  void fill(const Loaded& loaded);
  void show(const PhoneSettingValues& values);
  void onSwitch(PhoneSetting number);
  void onChoice(PhoneSetting number);
  void write(PhoneSetting number, int32_t value);
  void showFolder(const char* what, const char* folder);

  bool loading_ = false;
  int writes_ = 0;
  int fills_ = 0;
  // A refused change's text, shown again once the reload it started has shown the phone's values.
  std::string refusalText_;
};

}  // namespace zorvik
