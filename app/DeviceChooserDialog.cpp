#include "app/DeviceChooserDialog.h"

#include <commctrl.h>

#include "ui/UiThread.h"
#include "devlink/AdbBridge.h"
#include "app/resource.h"

namespace zorvik {

DeviceChooserDialog::DeviceChooserDialog(std::string caption,
                                         std::function<void(const std::string&)> statusLine, std::string adb)
    : Dialog(IDD_DEVICE_CHOOSER), caption_(std::move(caption)), statusLine_(std::move(statusLine)) {
  chooser_ = std::make_unique<DeviceChooser>(static_cast<DeviceChooserView&>(*this), std::move(adb));
  map_.on(WM_INITDIALOG, [this](WinMsg&) { onInit(); });
  map_.on(WM_TIMER, [this](WinMsg& m) {
    if (m.wp != kNextDeviceTimer) { m.handled = false; return; }
    KillTimer(hwnd(), kNextDeviceTimer);
    chooser_->onNextDeviceTimer();
  });
  map_.onCommand(IDOK, [this](WinMsg&) {
    chooser_->connect(list_.view().selected());  // on a worker; the dialog closes when it has ended
  });
  map_.onCommand(IDCANCEL, [this](WinMsg&) { end(IDCANCEL); });
  map_.on(WM_DESTROY, [this](WinMsg& m) {
    *alive_ = false;
    m.handled = false;
  });
}

DeviceChooserDialog::~DeviceChooserDialog() {
  *alive_ = false;
  chooser_.reset();  // waits for the listing thread and stops the getprop run
  if (hwnd()) DestroyWindow(hwnd());
}

void DeviceChooserDialog::onInit() {
  SetWindowTextA(hwnd(), caption_.c_str());
  SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  std::string dll = programFolder() + "Data\\PageRes.dll";
  pictures_.reset(LoadLibraryExA(dll.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  usbIcon_.reset(static_cast<HICON>(LoadImageA(appInstance(), MAKEINTRESOURCEA(IDI_USB_CABLE), IMAGE_ICON, 32, 32, 0)));
  wifiIcon_.reset(static_cast<HICON>(LoadImageA(appInstance(), MAKEINTRESOURCEA(IDI_WIFI), IMAGE_ICON, 32, 32, 0)));
  TwoLineListArgs args;
  for (const DeviceChooserColumn& c : kDeviceChooserColumns) args.columns.push_back({c.title, c.width});
  args.checkColumn = false;
  list_.attach(item(IDC_DEVICE_LIST), args);
  list_.setCellPainter([this](HDC dc, const RECT& cell, int row, int col, bool selected) {
    return paintCell(dc, cell, row, col, selected);
  });
  ComboBox method(hwnd(), IDC_CONNECTION_METHOD);
  method.add(kConnectionMethodEntry);
  method.select(0);
  chooser_->open();
}

bool DeviceChooserDialog::paintCell(HDC dc, const RECT& cell, int row, int column, bool) {
  if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return false;
  const DeviceRow& r = rows_[static_cast<size_t>(row)];
  if (column == 2) {  // "API Level %d" over the version name in grey
    RECT top = cell, bottom = cell;
    InflateRect(&top, -4, 0);
    InflateRect(&bottom, -4, 0);
    top.bottom = bottom.top = (cell.top + cell.bottom) / 2;
    SetTextColor(dc, RGB(0, 0, 0));
    DrawTextA(dc, r.systemText.c_str(), -1, &top, DT_LEFT | DT_BOTTOM | DT_SINGLELINE | DT_NOPREFIX);
    SetTextColor(dc, RGB(128, 128, 128));
    DrawTextA(dc, r.info.versionName.c_str(), -1, &bottom, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    return true;
  }
  if (column == 3) {  // the connection method, drawn from connectionKind
    HICON icon = r.info.connectionKind == 0 ? usbIcon_.get() : wifiIcon_.get();
    int y = (cell.top + cell.bottom - 32) / 2;
    DrawIconEx(dc, cell.left + 4, y, icon, 32, 32, 0, nullptr, DI_NORMAL);
    RECT text = cell;
    text.left += 40;
    SetTextColor(dc, RGB(0, 0, 0));
    DrawTextA(dc, connectionKindText(r.info.connectionKind), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    return true;
  }
  return false;
}

void DeviceChooserDialog::onUi(std::function<void()> fn) {
  std::weak_ptr<bool> alive = alive_;
  postToUi([alive, fn = std::move(fn)] {
    auto a = alive.lock();
    if (a && *a) fn();
  });
}

void DeviceChooserDialog::setLabel(const std::string& text) {
  onUi([this, text] { SetDlgItemTextA(hwnd(), IDC_DEVICE_LABEL, text.c_str()); });
}

void DeviceChooserDialog::addRow(const DeviceRow& row) {
  onUi([this, row] {
    rows_.push_back(row);
    TwoLineRow line;
    line.cells = {"", row.hardwareText, row.systemText, connectionKindText(row.info.connectionKind)};
    line.checkable = false;
    if (pictures_) {
      brandBitmaps_.emplace_back(static_cast<HBITMAP>(
          LoadImageA(pictures_.get(), MAKEINTRESOURCEA(row.info.brandImage), IMAGE_BITMAP, 0, 0, 0)));
      line.picture = brandBitmaps_.back().get();
    }
    list_.addRow(std::move(line));
  });
}

void DeviceChooserDialog::selectFirstRow() {
  onUi([this] {
    list_.view().select(0);
    SetFocus(list_.hwnd());
  });
}

void DeviceChooserDialog::startNextDeviceTimer(unsigned milliseconds) {
  onUi([this, milliseconds] { SetTimer(hwnd(), kNextDeviceTimer, milliseconds, nullptr); });
}

void DeviceChooserDialog::showStatusLine(const std::string& text) {
  if (statusLine_) statusLine_(text);
}

void DeviceChooserDialog::closeDialog() {
  onUi([this] { end(IDOK); });
}

}  // namespace zorvik
