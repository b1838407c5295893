#pragma once
// The logic of the device choice dialog: list the attached devices, read each one's properties
// with getprop (one after another), turn them into rows, and connect the chosen one. The dialog
// window itself implements DeviceChooserView and forwards its events here.
#include "devlink/AdbBridge.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zorvik {

// One row of the dialog.
struct DeviceInfo {
  std::string serial;
  std::string versionName;     // versionNameForSdk
  int32_t connectionKind = 0;  // 0 USB cable, anything else WiFi
  int32_t brandImage = 0;      // bitmap id in "Data/PageRes.dll"
};

struct DeviceRow {
  DeviceInfo info;
  std::string hardwareText;  // "%s [ %s ] %s": display manufacturer, display model, serial
  std::string systemText;    // "API Level %d"
  int sdkLevel = 0;
};

struct DeviceChooserColumn {
  const char* title;
  int width;
};
// "品牌信息" 104, "硬件信息" 200, "系统版本" 140, "连接方式" 140.
extern const DeviceChooserColumn kDeviceChooserColumns[4];
constexpr const char* kConnectionMethodEntry = "USB (数据线)";
// "USB 数据线" for 0, "WiFi 无线网络" otherwise: the "连接方式" cell.
const char* connectionKindText(int32_t kind);
constexpr unsigned kNextDeviceTimerMs = 50;
// The dialog's label while "连接" waits for the server, and after OK with no row selected.
constexpr const char* kConnectingLabel = "正在连接设备，请稍等...";
constexpr const char* kChooseRowFirstLabel = "【提示】请先在列表中选择一个设备";

// What the dialog draws. Called on the chooser's worker threads (the listing thread and the
// runner's reader thread) except where noted; a window posts to its UI thread.
class DeviceChooserView {
 public:
  virtual ~DeviceChooserView() = default;
  virtual void setLabel(const std::string& text) = 0;        // the dialog's label
  virtual void addRow(const DeviceRow& row) = 0;             // appended in listing order
  virtual void selectFirstRow() = 0;                         // select and focus row 0
  // Start a one-shot timer; on its tick call DeviceChooser::onNextDeviceTimer.
  virtual void startNextDeviceTimer(unsigned milliseconds) = 0;
  virtual void showStatusLine(const std::string& text) = 0;  // the main window's status line
  virtual void closeDialog() = 0;                            // called on the UI thread (connect)
};

class DeviceChooser : private AdbOutputSink {
 public:
  // The view is not owned and must outlive the chooser.
  explicit DeviceChooser(DeviceChooserView& view, std::string adb = {});
  // Stops the listing thread and the getprop run; no view call happens afterwards.
  ~DeviceChooser() override;
  DeviceChooser(const DeviceChooser&) = delete;
  DeviceChooser& operator=(const DeviceChooser&) = delete;

  // The dialog opened: start listing (unless a listing is in progress).
  void open();
  // The 50 ms tick after a row was added: read the next device.
  void onNextDeviceTimer();
  // The OK command with the selected row (-1: none). No row: the label asks for one and nothing
  // else happens. Otherwise sets the current serial, shows kConnectingLabel in the label and
  // requests the port forward on a worker (the server may take up to 15 s to answer; the dialog
  // stays live meanwhile): the outcome goes to the status line, and the dialog closes unless a
  // failure came while the list is still being read. An OK while a connect runs is ignored.
  // Returns true when a connect was started.
  bool connect(int selectedRow);

  bool listing() const { return listing_; }
  bool connecting() const { return connecting_; }
  // The outcome of the last connect that ended (NoDevice before any).
  AdbSocketResult lastConnectResult() const { return lastConnect_; }
  std::vector<DeviceRow> rows() const;
  std::vector<std::string> serials() const;

 private:
  void listDevices();
  void readDevice(size_t index);
  void receive(const std::string& text, int kind) override;
  void connectEnded(AdbSocketResult result);

  // The connect worker reaches the chooser through this: the chooser's end clears it, so a
  // forward still waiting for the server when the dialog closes neither holds the close up nor
  // reports into a dialog that is gone.
  struct ConnectLink {
    std::mutex mutex;
    DeviceChooser* chooser = nullptr;
  };

  DeviceChooserView& view_;
  std::string adb_;
  AdbProcessRunner runner_;
  mutable std::mutex mutex_;
  std::vector<std::string> serials_;
  std::vector<DeviceRow> rows_;
  size_t deviceIndex_ = 0;
  std::string output_;
  std::atomic<bool> listing_{false};
  std::atomic<bool> closing_{false};
  std::atomic<bool> connecting_{false};
  std::atomic<AdbSocketResult> lastConnect_{AdbSocketResult::NoDevice};
  std::shared_ptr<ConnectLink> connectLink_ = std::make_shared<ConnectLink>();
  std::thread listThread_;
};

}  // namespace zorvik
