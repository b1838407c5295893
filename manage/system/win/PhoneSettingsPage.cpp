#include "manage/system/win/PhoneSettingsPage.h"

#include <optional>

#include "ui/Controls.h"

namespace zorvik {

namespace {
enum class Kind { Switch, Check, Choice };
struct ControlSpec {
  PhoneSetting number;
  Kind kind;
  const char* caption;
  int x, y;  // the control (a choice: its label; the list follows to the right)
};
// Four groups: 常规设置 (the switches), 声音和显示, 日期和时间, 壁纸和铃声.
const ControlSpec kControls[] = {
    {kSettingWifi, Kind::Switch, "WiFi", 28, 34},
    {kSettingBluetooth, Kind::Switch, "蓝牙", 178, 34},
    {kSettingAirplane, Kind::Switch, "飞行模式", 328, 34},
    {kSettingGps, Kind::Switch, "GPS", 28, 64},
    {kSettingRotation, Kind::Switch, "重力", 178, 64},
    {kSettingVibrate, Kind::Switch, "来电振动", 328, 64},
    {kSettingTimeout, Kind::Choice, "背光时间", 28, 136},
    {kSettingRinger, Kind::Choice, "来电铃声音量", 28, 168},
    {kSettingMusic, Kind::Choice, "音乐播放音量", 28, 200},
    {kSettingTime24, Kind::Check, "使用24小时时间格式", 28, 272},
    {kSettingDateFormat, Kind::Choice, "日期格式", 28, 304},
};
struct GroupSpec { const char* caption; int y, height; };
const GroupSpec kGroups[] = {
    {"常规设置", 8, 90}, {"声音和显示", 108, 130}, {"日期和时间", 248, 90}, {"壁纸和铃声", 348, 64},
};
constexpr int kGroupWidth = 520;
constexpr int kLabelWidth = 110, kChoiceWidth = 170, kRowHeight = 24;

}  // namespace

PhoneSettingsPage::PhoneSettingsPage(const PageInfo& info, PageHost& host) : Page(info, host) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    createControls();
    m.result = TRUE;
  });
  for (const ControlSpec& c : kControls) {
    const PhoneSetting n = c.number;
    if (c.kind == Kind::Choice) {
      map_.onCommand(kFirstControlId + n, [this, n](WinMsg& m) {
        if (m.commandCode() == CBN_SELCHANGE) onChoice(n);
      });
    } else {
      map_.onCommand(kFirstControlId + n, [this, n](WinMsg& m) {
        if (m.commandCode() == BN_CLICKED) onSwitch(n);
      });
    }
  }
  map_.onCommand(kWallpaperButtonId, [this](WinMsg&) { showFolder("壁纸", kWallpaperFolder); });
  map_.onCommand(kRingtoneButtonId, [this](WinMsg&) { showFolder("铃声", kRingtoneFolder); });
}

void PhoneSettingsPage::createControls() {
  auto make = [this](const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id) {
    return createChild(hwnd(), {.className = cls, .text = text, .style = style, .x = x, .y = y, .width = w, .height = h,
                                .id = id});
  };
  for (const GroupSpec& g : kGroups) make("BUTTON", g.caption, BS_GROUPBOX, 12, g.y, kGroupWidth, g.height, -1);
  for (const ControlSpec& c : kControls) {
    const int id = kFirstControlId + c.number;
    HWND h = nullptr;
    if (c.kind == Kind::Choice) {
      make("STATIC", c.caption, SS_LEFT | SS_CENTERIMAGE, c.x, c.y, kLabelWidth, kRowHeight, -1);
      h = make("COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, c.x + kLabelWidth, c.y, kChoiceWidth, 300,
               id);
      ComboBox combo(h);
      switch (c.number) {
        case kSettingTimeout:
          for (const char* t : kTimeoutTexts) combo.add(t);
          break;
        case kSettingRinger:
          for (int i = 0; i < kRingerChoiceCount; ++i) combo.add(ringerChoiceText(i));
          break;
        case kSettingMusic:
          for (int i = 0; i < kMusicChoiceCount; ++i) combo.add(musicChoiceText(i));
          break;
        default:
          for (const char* t : kDateFormatTexts) combo.add(t);
          break;
      }
    } else {
      h = make("BUTTON", c.caption, BS_AUTOCHECKBOX | WS_TABSTOP, c.x, c.y, c.kind == Kind::Check ? 220 : 130,
               kRowHeight, id);
    }
    // No input before the phone's values are in: a change would be written over a value nobody saw.
    EnableWindow(h, FALSE);
  }
  make("BUTTON", "壁纸管理", BS_PUSHBUTTON | WS_TABSTOP, 28, 374, 100, 26, kWallpaperButtonId);
  make("BUTTON", "铃声管理", BS_PUSHBUTTON | WS_TABSTOP, 148, 374, 100, 26, kRingtoneButtonId);
}

void PhoneSettingsPage::onToolbar(int index) {
  if (index == toolbar::kRefreshPhoneSettings) reload();
}

void PhoneSettingsPage::close() {
  queue_.clear();
  Page::close();
}

void PhoneSettingsPage::load() {
  if (!queue_.read()) return;
  readAskedAt_ = ++clock_;
  runNext();
}

void PhoneSettingsPage::runNext() {
  const std::optional<PhoneSettingsJob> job = queue_.start();
  if (!job) return;
  if (job->kind == PhoneSettingsJob::Kind::Read) {
    work_.run(
        [](ExchangeCancel* cancel) {
          Loaded loaded;
          AgentBody body;
          loaded.result = exchangeForBody(readSettingsRequest(), body, cancel);
          if (loaded.result == AgentResult::Ok) {
            loaded.read = parsePhoneSettings(body.bytes.data(), body.bytes.size(), loaded.values);
            if (!loaded.read) loaded.result = AgentResult::Malformed;
          }
          return loaded;
        },
        [this](Loaded& loaded) {
          queue_.finish();
          fill(loaded);
          runNext();
        });
    return;
  }
  ++writesSent_;
  // The control keeps the user's change unless the phone refused it: then the page reads the
  // phone again (after what is already queued) and shows what it really has.
  work_.run([request = changeSettingRequest(job->number, job->value)](
                ExchangeCancel* cancel) { return exchangeForStatus(request, nullptr, cancel); },
            [this](AgentResult result) {
              queue_.finish();
              const char* failure = agentFailureText(result);
              if (failure) host().setStatusText(failure);
              if (isAgentRefusal(result)) {
                refusalText_ = failure ? failure : "";
                reload();
              }
              runNext();
            });
}

void PhoneSettingsPage::fill(const Loaded& loaded) {
  // The controls keep their state unless the values came whole.
  finishLoad(loaded.result, [&] {
    if (loaded.read) show(loaded.values);
  });
  if (!refusalText_.empty() && loaded.result == AgentResult::Ok) host().setStatusText(refusalText_);
  refusalText_.clear();
}

void PhoneSettingsPage::show(const PhoneSettingValues& values) {
  // Setting the controls here sends nothing: only the user's clicks and selections write. A
  // control the user changed since the read was asked for keeps the change (its write follows
  // the read).
  for (const ControlSpec& c : kControls) {
    HWND h = control(c.number);
    EnableWindow(h, TRUE);
    if (changedAt_[static_cast<size_t>(c.number)] > readAskedAt_) continue;
    const int32_t v = values.value[static_cast<size_t>(c.number)];
    if (c.kind != Kind::Choice) {
      Button(h).setChecked(v == 1);
      continue;
    }
    int position = -1;
    switch (c.number) {
      case kSettingTimeout: position = timeoutPosition(v); break;
      case kSettingRinger: position = volumePosition(v, kRingerChoiceCount); break;
      case kSettingMusic: position = volumePosition(v, kMusicChoiceCount); break;
      default: position = dateFormatPosition(v); break;
    }
    ComboBox(h).select(position);
  }
  ++fills_;
}

void PhoneSettingsPage::onSwitch(PhoneSetting number) {
  write(number, Button(control(number)).checked() ? 1 : 0);
}

void PhoneSettingsPage::onChoice(PhoneSetting number) {
  const int32_t value = choiceValue(number, ComboBox(control(number)).selected());
  if (value >= 0) write(number, value);
}

void PhoneSettingsPage::write(PhoneSetting number, int32_t value) {
  changedAt_[static_cast<size_t>(number)] = ++clock_;
  queue_.write(number, value);
  runNext();
}

void PhoneSettingsPage::showFolder(const char* what, const char* folder) {
  host().setStatusText(std::string("【提示】手机的") + what + "在 " + folder + " 文件夹中，可在“文件管理”里管理");
}

}  // namespace zorvik
