#pragma once
// Quillet's window: the opened package's fields, icon and result tree, the title area with the
// progress and result texts, the install and run commands on workers, the web lookups, and the
// doors to the components and settings dialogs.
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "ui/Window.h"
#include "installer/Package.h"

namespace zorvik {

constexpr const char* kInstanceProperty = "Quillet";
constexpr INT_PTR kInstanceMark = 1103;
constexpr UINT kOpenSharedPathMessage = WM_USER + 100;  // 1124

struct QuilletOptions {
  std::string adb;          // the tool (adbPath())
  std::string programPath;  // this program file, for the association
  std::string initialPath;  // opened at start when the file exists
  // The path another copy left in the shared buffer (message 1124).
  std::function<std::string()> sharedPath;
  // Web lookups: the search engine and market bases (ending in "/") and the maker's site.
  std::string searchBase = "http://search.zorvik.com/";
  std::string marketBase = "http://market.zorvik.com/";
  std::string site = "www.zorvik.com";
  // Told when no MSXML document can be made; nullptr: the message box and the parser's download
  // page (notifyNoXmlParser).
  void (*noXmlReader)(HWND owner) = nullptr;
};
// The web lookups' addresses as the settings name them: the search engine ("SearchBase"), the
// store as the market ("StoreBase") and the maker's site, the host of "ServiceBase".
void applyWebSettings(QuilletOptions& options);

class QuilletWindow : public Dialog {
 public:
  explicit QuilletWindow(QuilletOptions options);
  ~QuilletWindow() override;

  // Opens a package on a worker; the fields fill when it is read. Later calls win.
  void openPath(const std::string& path);
  void startInstall();
  void startRun();
  bool installing() const { return installing_; }
  const PackageInfo& package() const { return package_; }
  std::string titleText() const;
  // What the web lookups would open (empty when the package name holds no dot).
  std::string siteSearchAddress() const;
  std::string marketAddress() const;
  void openComponents();
  void openSettings();

 private:
  void onInit();
  void show(PackageInfo info);
  void setTitle(const std::string& text);
  void paintIcon(const DRAWITEMSTRUCT& d);
  void webMenu();
  void chooseFile();
  // Runs fn on the UI thread while this window exists.
  void onUi(std::function<void()> fn);
  void joinWorkers();

  QuilletOptions options_;
  PackageInfo package_;
  bool opened_ = false;
  std::string serial_;  // the device of the last install, kept for "立即运行"
  unsigned openGeneration_ = 0;
  std::atomic<bool> installing_{false};
  std::atomic<bool> running_{false};
  std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
  std::thread openWorker_, installWorker_, runWorker_;
};

}  // namespace zorvik
