#include "installer/win/QuilletWindow.h"

#include "common/win/XmlDocument.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include "common/win/XmlDocument.h"
#include "ui/Controls.h"
#include "ui/ImageDecode.h"
#include "ui/UiThread.h"
#include "devlink/AdbBridge.h"
#include "devlink/DeviceTables.h"
#include "installer/InstallFlow.h"
#include "installer/win/InstallHostWin.h"
#include "installer/win/QuilletDialogs.h"
#include "installer/win/QuilletResource.h"
#include "settings/SettingsWin.h"

namespace zorvik {

QuilletWindow::QuilletWindow(QuilletOptions options) : Dialog(IDD_QUILLET), options_(std::move(options)) {
  map_.on(WM_INITDIALOG, [this](WinMsg&) { onInit(); });
  map_.on(WM_DRAWITEM, [this](WinMsg& m) {
    auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(m.lp);
    if (d->CtlID == IDC_Q_ICON) paintIcon(*d);
    m.result = TRUE;
  });
  map_.on(WM_DROPFILES, [this](WinMsg& m) {
    HDROP drop = reinterpret_cast<HDROP>(m.wp);
    char path[MAX_PATH] = {};
    if (DragQueryFileA(drop, 0, path, MAX_PATH) > 0) openPath(path);
    DragFinish(drop);
  });
  map_.on(kOpenSharedPathMessage, [this](WinMsg&) {
    const std::string path = options_.sharedPath ? options_.sharedPath() : std::string();
    if (!path.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) openPath(path);
  });
  // White backgrounds for the window and its labels.
  for (UINT message : {WM_CTLCOLORDLG, WM_CTLCOLORSTATIC, WM_CTLCOLORBTN}) {
    map_.on(message, [](WinMsg& m) {
      if (m.msg != WM_CTLCOLORDLG) SetBkColor(reinterpret_cast<HDC>(m.wp), RGB(255, 255, 255));
      m.result = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    });
  }
  map_.onCommand(IDC_Q_INSTALL, [this](WinMsg&) { startInstall(); });
  map_.onCommand(IDC_Q_RUN, [this](WinMsg&) { startRun(); });
  map_.onCommand(IDC_Q_OPEN, [this](WinMsg&) { chooseFile(); });
  map_.onCommand(IDC_Q_WEB, [this](WinMsg&) { webMenu(); });
  map_.onCommand(IDC_Q_COMPONENTS, [this](WinMsg&) { openComponents(); });
  map_.onCommand(IDC_Q_SETTINGS, [this](WinMsg&) { openSettings(); });
  map_.onCommand(IDCANCEL, [this](WinMsg&) { end(IDCANCEL); });
  map_.on(WM_DESTROY, [this](WinMsg& m) {
    *alive_ = false;
    RemovePropA(hwnd(), kInstanceProperty);
    m.handled = false;
  });
}

QuilletWindow::~QuilletWindow() {
  *alive_ = false;
  // A held-up tool (listing, install, package list) ends now with its process tree, so closing
  // never waits for its deadline.
  endAdbRuns();
  joinWorkers();
}

void QuilletWindow::joinWorkers() {
  for (std::thread* t : {&openWorker_, &installWorker_, &runWorker_})
    if (t->joinable()) t->join();
}

void QuilletWindow::onUi(std::function<void()> fn) {
  postToUi([alive = alive_, fn = std::move(fn)] {
    if (*alive) fn();
  });
}

void QuilletWindow::onInit() {
  SetPropA(hwnd(), kInstanceProperty, reinterpret_cast<HANDLE>(kInstanceMark));
  HICON icon = LoadIconA(appInstance(), MAKEINTRESOURCEA(IDI_QUILLET));
  SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  DragAcceptFiles(hwnd(), TRUE);
  show(PackageInfo{});  // the emptied fields
  opened_ = false;
  setTitle(kNoPackageText);
  if (!options_.initialPath.empty() && GetFileAttributesA(options_.initialPath.c_str()) != INVALID_FILE_ATTRIBUTES)
    openPath(options_.initialPath);
}

void QuilletWindow::setTitle(const std::string& text) { Label(hwnd(), IDC_Q_TITLE).setText(text); }
std::string QuilletWindow::titleText() const { return Label(hwnd(), IDC_Q_TITLE).text(); }

void QuilletWindow::openPath(const std::string& path) {
  const unsigned generation = ++openGeneration_;
  if (openWorker_.joinable()) openWorker_.join();
  setTitle("正在读取APK文件...");
  openWorker_ = std::thread([this, path, generation] {
    PackageInfo info = openPackage(path);
    onUi([this, generation, info = std::move(info)]() mutable {
      if (generation == openGeneration_) show(std::move(info));
    });
  });
}

void QuilletWindow::show(PackageInfo info) {
  package_ = std::move(info);
  opened_ = true;
  const PackageFields f = pageFields(package_);
  setTitle(f.title);
  Label(hwnd(), IDC_Q_SIZE).setText(f.size);
  Label(hwnd(), IDC_Q_VERSION).setText(f.version);
  Label(hwnd(), IDC_Q_PACKAGE).setText(f.packageName);
  Label(hwnd(), IDC_Q_MINSDK).setText(f.minSdk);
  Label(hwnd(), IDC_Q_LABEL).setText(f.label);
  Label(hwnd(), IDC_Q_SDCARD).setText(f.sdCard);
  TreeView tree(hwnd(), IDC_Q_RESULTS);
  SendMessageA(tree.hwnd(), WM_SETREDRAW, FALSE, 0);
  tree.clear();
  for (const ResultNode& node : package_.results()) {
    HTREEITEM root = tree.insert(TVI_ROOT, node.text);
    for (const std::string& child : node.children) tree.insert(root, child);
  }
  tree.expandAll(true);
  SendMessageA(tree.hwnd(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(tree.hwnd(), nullptr, TRUE);
  InvalidateRect(GetDlgItem(hwnd(), IDC_Q_ICON), nullptr, TRUE);
  SetWindowTextA(hwnd(), package_.valid && !f.label.empty() ? (f.label + " - Quillet").c_str()
                                                            : "Quillet - Android程序安装器");
  // No MSXML class could be made: the user is told and sent to the parser's download page.
  if (package_.failure == PackageFailure::kNoXmlReader)
    (options_.noXmlReader ? options_.noXmlReader : notifyNoXmlParser)(hwnd());
}

void QuilletWindow::paintIcon(const DRAWITEMSTRUCT& d) {
  FillRect(d.hDC, &d.rcItem, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  const std::string& bytes = package_.iconBytes;
  if (bytes.empty() ||
      !drawEncodedImage(d.hDC, d.rcItem, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())) {
    DrawIconEx(d.hDC, d.rcItem.left, d.rcItem.top, LoadIconA(appInstance(), MAKEINTRESOURCEA(IDI_QUILLET)),
               d.rcItem.right - d.rcItem.left, d.rcItem.bottom - d.rcItem.top, 0, nullptr, DI_NORMAL);
  }
}

void QuilletWindow::startInstall() {
  if (installing_.exchange(true)) return;  // one at a time
  if (!opened_ || package_.path.size() < 4 || GetFileAttributesA(package_.path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    setTitle(opened_ && !package_.installable() ? kRefusedPackageText : kNoPackageText);
    installing_ = false;
    return;
  }
  if (!package_.installable()) {
    setTitle(package_.failure == PackageFailure::kSplitPart ? kSplitPartTitle : kRefusedPackageText);
    installing_ = false;
    return;
  }
  InstallRequest request;
  request.adb = options_.adb;
  request.path = package_.path;
  request.sizeBytes = package_.sizeBytes;
  request.sdTicked = Button(hwnd(), IDC_Q_TO_SD).checked();
  request.sdAllowed = package_.manifest.sdCardAllowed;
  if (installWorker_.joinable()) installWorker_.join();
  HWND window = hwnd();
  auto alive = alive_;
  installWorker_ = std::thread([this, request, window, alive] {
    WinInstallHost host([window, alive, adb = request.adb](const std::vector<std::string>& serials) {
                          return chooseDeviceOnUi(window, adb, serials, alive);
                        },
                        [this](const std::string& text) { onUi([this, text] { setTitle(text); }); });
    const InstallOutcome outcome = installPackage(host, request);
    onUi([this, outcome] {
      if (!outcome.serial.empty()) serial_ = outcome.serial;
      setTitle(outcome.status);
      installing_ = false;
    });
  });
}

void QuilletWindow::startRun() {
  if (running_.exchange(true)) return;
  if (runWorker_.joinable()) runWorker_.join();
  const ManifestInfo manifest = package_.manifest;
  const std::string label = pageFields(package_).label;
  const std::string adb = options_.adb;
  std::string serial = serial_;
  HWND window = hwnd();
  auto alive = alive_;
  runWorker_ = std::thread([this, manifest, label, adb, serial, window, alive]() mutable {
    std::string status;
    if (serial.empty()) {
      WinInstallHost host([window, alive, adb](const std::vector<std::string>& serials) {
                            return chooseDeviceOnUi(window, adb, serials, alive);
                          }, {});
      const DeviceChoice choice = chooseInstallDevice(host, adb, serial);
      if (choice != DeviceChoice::kChosen) status = deviceChoiceText(choice, false);
    }
    if (status.empty() && !isPlainSerial(serial)) status = kUnsafeSerialText;
    if (status.empty()) {
      const AdbRunResult list = runAdbAndWait(listPackagesCommand(adb, serial), 4 << 20, kAdbQueryDeadlineMs);
      const LaunchPlan plan = launchPlan(list.output, manifest, label);
      status = plan.status;
      const std::string start = plan.activity.empty() ? std::string()
                                : startActivityCommand(adb, serial, manifest.packageName, plan.activity);
      if (!start.empty()) launchAdb(start);
    }
    onUi([this, status, serial] {
      if (!serial.empty()) serial_ = serial;
      setTitle(status);
      running_ = false;
    });
  });
}

void applyWebSettings(QuilletOptions& options) {
  options.searchBase = searchBase();
  options.marketBase = storeBase();
  const std::string site = siteOfBase(serviceBase());
  if (!site.empty()) options.site = site;
}

std::string QuilletWindow::siteSearchAddress() const {
  return siteSearchUrl(options_.searchBase, options_.site, package_.manifest.packageName);
}
std::string QuilletWindow::marketAddress() const { return marketUrl(options_.marketBase, package_.manifest.packageName); }

void QuilletWindow::webMenu() {
  const std::string search = siteSearchAddress(), market = marketAddress();
  if (search.empty()) return;
  UniqueMenu menu(CreatePopupMenu());
  AppendMenuA(menu.get(), MF_STRING, IDM_Q_SITE_SEARCH, "Zorvik 站内搜索");
  AppendMenuA(menu.get(), MF_STRING, IDM_Q_MARKET, "Market 电子商城");
  RECT r = childRect(GetDlgItem(hwnd(), IDC_Q_WEB));
  POINT p{r.left, r.bottom};
  ClientToScreen(hwnd(), &p);
  const int chosen = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_NONOTIFY, p.x, p.y, 0, hwnd(), nullptr);
  const std::string& address = chosen == IDM_Q_SITE_SEARCH ? search : market;
  if (chosen == IDM_Q_SITE_SEARCH || chosen == IDM_Q_MARKET)
    ShellExecuteA(hwnd(), "open", address.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
}

void QuilletWindow::chooseFile() {
  char path[MAX_PATH] = {};
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = hwnd();
  ofn.lpstrFilter = "Android程序安装包 (*.apk)\0*.apk\0\0";
  ofn.lpstrFile = path;
  ofn.nMaxFile = MAX_PATH;
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (GetOpenFileNameA(&ofn)) openPath(path);
}

void QuilletWindow::openComponents() {
  std::string folder = options_.programPath.substr(0, options_.programPath.find_last_of('\\') + 1);
  ComponentsDialog dialog(options_.adb, folder);
  dialog.runModal(hwnd());
}

void QuilletWindow::openSettings() {
  QuilletSettingsDialog dialog(options_.programPath);
  dialog.runModal(hwnd());
}

}  // namespace zorvik
