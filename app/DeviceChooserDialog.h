#pragma once
// The device choice dialog: the devices with their brand pictures, hardware, system version and
// connection method. The listing and the connect step are devlink's DeviceChooser; this window
// draws what it reports (on the UI thread) and passes the user's choice back.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "common/win/Handles.h"
#include "ui/TwoLineList.h"
#include "ui/Window.h"
#include "devlink/DeviceChooser.h"

namespace zorvik {

class DeviceChooserDialog : public Dialog, private DeviceChooserView {
public:
  // statusLine receives the connect outcome for the main window's status line (any thread).
  DeviceChooserDialog(std::string caption, std::function<void(const std::string&)> statusLine,
                      std::string adb = {});
  ~DeviceChooserDialog() override;

  const TwoLineList& list() const { return list_; }
  // "连接" set the port forward of the chosen phone.
  bool connected() const { return chooser_->lastConnectResult() == AdbSocketResult::Ok; }

private:
  // DeviceChooserView: called on the chooser's threads; each is posted to the UI thread.
  void setLabel(const std::string& text) override;
  void addRow(const DeviceRow& row) override;
  void selectFirstRow() override;
  void startNextDeviceTimer(unsigned milliseconds) override;
  void showStatusLine(const std::string& text) override;
  void closeDialog() override;

  void onInit();
  bool paintCell(HDC dc, const RECT& cell, int row, int column, bool selected);
  // Runs fn on the UI thread while this dialog still exists.
  void onUi(std::function<void()> fn);

  std::string caption_;
  std::function<void(const std::string&)> statusLine_;
  TwoLineList list_;
  std::vector<DeviceRow> rows_;          // parallel to the list, UI thread only
  UniqueModule pictures_;                // Data/PageRes.dll, mapped as data
  std::vector<UniqueBitmap> brandBitmaps_;
  UniqueIcon usbIcon_, wifiIcon_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  std::unique_ptr<DeviceChooser> chooser_;  // last: stopped before the members it reports into
};

constexpr UINT_PTR kNextDeviceTimer = 1;

}  // namespace zorvik
