#pragma once
// Quillet's three small dialogs: the device choice ("Quillet 设备管理"), the settings with the
// .apk association ("Quillet设置 -Zorvik") and the suite's components ("Quillet 手机必备软件").
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ui/Controls.h"
#include "ui/TwoLineList.h"
#include "ui/Window.h"
#include "installer/InstallFlow.h"

namespace zorvik {

// Lists the serials with "%s [ %s ]" and "API Level %d", read with getprop on a worker.
class DevicePickDialog : public Dialog {
 public:
  DevicePickDialog(std::string adb, std::vector<std::string> serials);
  ~DevicePickDialog() override;
  // The serial picked with OK; empty when none.
  const std::string& picked() const { return picked_; }
  ListView list() const { return ListView(item(IDC_LIST_ID)); }

 private:
  static constexpr int IDC_LIST_ID = 1041;
  void onInit();
  std::string adb_;
  std::vector<std::string> serials_;
  std::string picked_;
  std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
  std::thread reader_;
};
// "%s [ %s ]" of the display brand and model, from getprop output.
std::string deviceDisplayText(const std::string& getpropOutput, int& sdkLevel);

class QuilletSettingsDialog : public Dialog {
 public:
  explicit QuilletSettingsDialog(std::string programPath);
  // Repair: writes the association, tells the shell, and sets the box from the registry.
  void repair();
  // OK: the association written when the box is ticked; nothing removed otherwise.
  void apply();

 private:
  std::string program_;
};

class ComponentsDialog : public Dialog {
 public:
  ComponentsDialog(std::string adb, std::string folder);
  ~ComponentsDialog() override;
  TwoLineList& list() { return list_; }
  void choosePreset(Preset preset);
  void startInstall();
  void refreshStatus();
  bool busy() const { return busy_; }

 private:
  void onInit();
  void setStatus(const std::string& text);
  void join();
  std::string adb_, folder_;
  TwoLineList list_;
  std::atomic<bool> busy_{false};
  std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
  std::thread worker_;
};

// Runs the device choice on the UI thread from a worker and waits for it; empty when the UI is
// gone, `alive` turns false (the owner is closing) or nothing was picked.
std::string chooseDeviceOnUi(HWND owner, const std::string& adb, const std::vector<std::string>& serials,
                             const std::shared_ptr<std::atomic<bool>>& alive);

}  // namespace zorvik
