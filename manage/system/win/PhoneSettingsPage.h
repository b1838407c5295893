#pragma once
// The phone settings page (手机设置): six switches, three choices of sound and display, the clock
// and date format, read together (871501) and each written as soon as the user changes it
// (871502), without a reload. Reads and writes leave one at a time through the page's queue
// (PhoneSettingsQueue.h): in click order, the latest value of a setting winning. The controls
// take input only once the phone's values are in, and a read never puts back a control the user
// changed after the read was asked for.
#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "app/Page.h"
#include "devlink/AgentSession.h"
#include "manage/system/PhoneSettingsQueue.h"
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

  // A load requested while one waits or runs is dropped.
  void load() override;
  void onToolbar(int index) override;
  void close() override;

  HWND control(PhoneSetting number) const { return GetDlgItem(hwnd(), kFirstControlId + number); }
  bool loading() const { return queue_.readPending(); }
  bool busy() const { return queue_.running(); }
  int writesPending() const { return static_cast<int>(queue_.writesPending()); }
  // Writes that went to the phone (collapsed ones never leave).
  int writesSent() const { return writesSent_; }
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
  // Starts the queue's next job on a worker when none runs.
  void runNext();
  void showFolder(const char* what, const char* folder);

  PhoneSettingsQueue queue_;
  // When each setting was last changed by the user and when the waiting read was asked for, on
  // one counter: a read fills only the controls not changed since it was asked for.
  uint64_t clock_ = 0;
  std::array<uint64_t, kPhoneSettingCount> changedAt_{};
  uint64_t readAskedAt_ = 0;
  int writesSent_ = 0;
  int fills_ = 0;
  // A refused change's text, shown again once the reload it started has shown the phone's values.
  std::string refusalText_;
};

}  // namespace zorvik
