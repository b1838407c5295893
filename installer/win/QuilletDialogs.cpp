#include "installer/win/QuilletDialogs.h"

#include <commctrl.h>

#include <cstdio>
#include <future>

#include "ui/UiThread.h"
#include "common/TextConv.h"
#include "devlink/DeviceTables.h"
#include "installer/AssociationWin.h"
#include "installer/win/InstallHostWin.h"
#include "installer/win/QuilletResource.h"

namespace zorvik {

// ---------------------------------------------------------------- device choice

std::string deviceDisplayText(const std::string& getpropOutput, int& sdkLevel) {
  const DeviceProperties p = parseGetprop(getpropOutput);
  sdkLevel = p.sdkLevel;
  return displayManufacturer(toAnsi(p.manufacturer)) + " [ " + displayModel(toAnsi(p.model)) + " ]";
}

DevicePickDialog::DevicePickDialog(std::string adb, std::vector<std::string> serials)
    : Dialog(IDD_Q_DEVICES), adb_(std::move(adb)), serials_(std::move(serials)) {
  map_.on(WM_INITDIALOG, [this](WinMsg&) { onInit(); });
  map_.onCommand(IDOK, [this](WinMsg&) {
    const int row = list().selected();
    if (row >= 0 && static_cast<size_t>(row) < serials_.size()) picked_ = serials_[static_cast<size_t>(row)];
    end(IDOK);
  });
  map_.onCommand(IDCANCEL, [this](WinMsg&) { end(IDCANCEL); });
}

DevicePickDialog::~DevicePickDialog() {
  *alive_ = false;
  if (reader_.joinable()) reader_.join();
}

void DevicePickDialog::onInit() {
  ListView view = list();
  view.setExtendedStyle(LVS_EX_FULLROWSELECT);
  view.addColumn(0, {"设备", 150});
  view.addColumn(1, {"系统版本", 80});
  view.addColumn(2, {"序列号", 120});
  for (size_t i = 0; i < serials_.size(); ++i) {
    view.insertRow(static_cast<int>(i), serials_[i]);
    view.setCell(static_cast<int>(i), 2, serials_[i]);
  }
  if (!serials_.empty()) view.select(0);
  Label(hwnd(), IDC_D_LABEL).setText("获取设备信息中,请稍等...");
  HWND dialog = hwnd();
  auto alive = alive_;
  reader_ = std::thread([dialog, alive, adb = adb_, serials = serials_] {
    for (size_t i = 0; i < serials.size() && *alive; ++i) {
      const AdbRunResult r = isPlainSerial(serials[i])
                                 ? runAdbAndWait(getpropCommand(adb, serials[i]), 1 << 20, kAdbQueryDeadlineMs)
                                 : AdbRunResult{};
      int sdk = 0;
      const std::string device = deviceDisplayText(r.output, sdk);
      char api[32];
      std::snprintf(api, sizeof api, "API Level %d", sdk);
      const bool last = i + 1 == serials.size();
      postToUi([dialog, alive, i, device, text = std::string(api), last] {
        if (!*alive) return;
        ListView view(GetDlgItem(dialog, IDC_D_LIST));
        view.setCell(static_cast<int>(i), 0, device);
        view.setCell(static_cast<int>(i), 1, text);
        if (last) SetDlgItemTextA(dialog, IDC_D_LABEL, "");
      });
    }
  });
}

namespace {
// Fulfilled with "" when the posted work is dropped, so the waiting worker never hangs.
struct ChoiceSlot {
  std::promise<std::string> promise;
  bool set = false;
  void fulfil(const std::string& serial) {
    if (set) return;
    set = true;
    promise.set_value(serial);
  }
  ~ChoiceSlot() { fulfil({}); }
};
}  // namespace

std::string chooseDeviceOnUi(HWND owner, const std::string& adb, const std::vector<std::string>& serials,
                             const std::shared_ptr<std::atomic<bool>>& alive) {
  auto slot = std::make_shared<ChoiceSlot>();
  std::future<std::string> chosen = slot->promise.get_future();
  if (!postToUi([slot, owner, adb, serials] {
        DevicePickDialog dialog(adb, serials);
        dialog.runModal(IsWindow(owner) ? owner : nullptr);
        slot->fulfil(dialog.picked());
      }))
    return {};
  slot.reset();
  // The owner may be closing and waiting for this thread: its UI thread runs no queue then.
  while (chosen.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
    if (!*alive) return {};
  return chosen.get();
}

// ---------------------------------------------------------------- settings

QuilletSettingsDialog::QuilletSettingsDialog(std::string programPath)
    : Dialog(IDD_Q_SETTINGS), program_(std::move(programPath)) {
  map_.on(WM_INITDIALOG, [this](WinMsg&) {
    Button(hwnd(), IDC_S_ASSOCIATE).setChecked(isAssociated(program_));
  });
  map_.onCommand(IDC_S_REPAIR, [this](WinMsg&) { repair(); });
  map_.onCommand(IDOK, [this](WinMsg&) {
    apply();
    end(IDOK);
  });
  map_.onCommand(IDCANCEL, [this](WinMsg&) { end(IDCANCEL); });
}

void QuilletSettingsDialog::repair() {
  Label status(hwnd(), IDC_S_STATUS);
  status.setText("修复中...");
  UpdateWindow(status.hwnd());
  writeAssociation(program_);
  notifyAssociationChanged();
  status.setText("修复完成，找个APK文件运行下吧 ！");
  Button(hwnd(), IDC_S_ASSOCIATE).setChecked(isAssociated(program_));
}

void QuilletSettingsDialog::apply() {
  if (Button(hwnd(), IDC_S_ASSOCIATE).checked()) {
    writeAssociation(program_);
    notifyAssociationChanged();
  }
}

// ---------------------------------------------------------------- components

ComponentsDialog::ComponentsDialog(std::string adb, std::string folder)
    : Dialog(IDD_Q_COMPONENTS), adb_(std::move(adb)), folder_(std::move(folder)) {
  map_.on(WM_INITDIALOG, [this](WinMsg&) { onInit(); });
  map_.on(WM_MEASUREITEM, [](WinMsg& m) {
    reinterpret_cast<MEASUREITEMSTRUCT*>(m.lp)->itemHeight = kTwoLineRowHeight;
    m.result = TRUE;
  });
  // The list draws itself and ticks its boxes; a tick makes the choice the user's own.
  map_.onNotify(IDC_C_LIST, NM_CLICK, [this](WinMsg&) {
    if (list_.lastClickToggled()) ComboBox(hwnd(), IDC_C_PRESET).select(static_cast<int>(Preset::kCustom));
  });
  map_.onCommand(IDC_C_PRESET, [this](WinMsg& m) {
    if (m.commandCode() == CBN_SELCHANGE)
      choosePreset(static_cast<Preset>(ComboBox(hwnd(), IDC_C_PRESET).selected()));
  });
  map_.onCommand(IDC_C_INSTALL, [this](WinMsg&) { startInstall(); });
  map_.onCommand(IDCANCEL, [this](WinMsg&) { end(IDCANCEL); });
}

ComponentsDialog::~ComponentsDialog() {
  *alive_ = false;
  join();
}

void ComponentsDialog::join() {
  if (worker_.joinable()) worker_.join();
}

void ComponentsDialog::onInit() {
  TwoLineListArgs args;
  args.columns = {{kComponentColumns[0], 56}, {kComponentColumns[1], 330}, {kComponentColumns[2], 70},
                  {kComponentColumns[3], 60}, {kComponentColumns[4], 60}, {kComponentColumns[5], 50}};
  args.checkColumn = true;
  args.imageCapacity = 0;
  list_.attach(item(IDC_C_LIST), args);
  for (size_t i = 0; i < kComponentCount; ++i) {
    const Component& c = components()[i];
    TwoLineRow row;
    row.cells = {"", c.name, "系统工具", "", c.size, ""};
    row.secondLine = c.description;
    list_.addRow(std::move(row));
  }
  ComboBox presets(hwnd(), IDC_C_PRESET);
  for (const char* name : kPresetNames) presets.add(name);
  presets.select(static_cast<int>(Preset::kEssential));
  choosePreset(Preset::kEssential);
  refreshStatus();
}

void ComponentsDialog::choosePreset(Preset preset) {
  std::vector<bool> current(kComponentCount, false);
  for (int row : list_.checkedRows()) current[static_cast<size_t>(row)] = true;
  const std::vector<bool> ticks = presetTicks(preset, current);
  int count = 0;
  for (size_t i = 0; i < kComponentCount; ++i) {
    list_.setChecked(static_cast<int>(i), ticks[i]);
    count += ticks[i] ? 1 : 0;
  }
  char text[96];
  std::snprintf(text, sizeof text, "已选择【 %d 】个组件", count);
  setStatus(preset == Preset::kCustom ? std::string("自定义: ") + text : text);
}

void ComponentsDialog::setStatus(const std::string& text) { Label(hwnd(), IDC_C_STATUS).setText(text); }

void ComponentsDialog::refreshStatus() {
  if (busy_.exchange(true)) return;
  join();
  HWND dialog = hwnd();
  auto alive = alive_;
  worker_ = std::thread([this, dialog, alive] {
    // The package list of the one device, without asking: a choice among several belongs to an install.
    const AdbRunResult devices = runAdbAndWait(devicesCommand(adb_), kDevicesOutputMax, kAdbQueryDeadlineMs);
    const std::vector<std::string> serials = parseDevicesListing(trimmed(devices.output));
    std::string list;
    if (serials.size() == 1 && isPlainSerial(serials[0]))
      list = runAdbAndWait(listPackagesCommand(adb_, serials[0]), 1 << 20, kAdbQueryDeadlineMs).output;
    const std::vector<bool> installed = installedComponents(list);
    postToUi([this, alive, installed] {
      if (!*alive) return;
      for (size_t i = 0; i < kComponentCount; ++i) {
        list_.view().setCell(static_cast<int>(i), 3, componentStatusText(installed[i]));
        const_cast<TwoLineRow&>(list_.row(static_cast<int>(i))).cells[3] = componentStatusText(installed[i]);
      }
      list_.view().redraw();
      busy_ = false;
    });
    (void)dialog;
  });
}

void ComponentsDialog::startInstall() {
  if (busy_.exchange(true)) return;
  join();
  std::vector<bool> ticked(kComponentCount, false);
  for (int row : list_.checkedRows()) ticked[static_cast<size_t>(row)] = true;
  HWND dialog = hwnd();
  auto alive = alive_;
  worker_ = std::thread([this, dialog, alive, ticked] {
    WinInstallHost host([dialog, this, alive](const std::vector<std::string>& serials) {
                          return chooseDeviceOnUi(dialog, adb_, serials, alive);
                        },
                        [alive, dialog](const std::string& text) {
                          postToUi([alive, dialog, text] {
                            if (*alive) SetDlgItemTextA(dialog, IDC_C_STATUS, text.c_str());
                          });
                        });
    const InstallOutcome outcome = installComponents(host, adb_, folder_, ticked);
    postToUi([this, alive, status = outcome.status] {
      if (!*alive) return;
      setStatus(status);
      busy_ = false;
      refreshStatus();
    });
  });
}

}  // namespace zorvik
