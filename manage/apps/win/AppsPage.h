#pragma once
// The applications page: the phone's installed packages (870802) in a two-line list with icons,
// descriptions, categories and ratings from the maker's web service, starting a package (870805),
// uninstalling packages with the adb tool, and opening a package's entry in the store.
#include <windows.h>

#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/ListPage.h"
#include "common/win/Handles.h"
#include "devlink/AdbBridge.h"
#include "devlink/AgentSession.h"
#include "manage/apps/AppStore.h"
#include "manage/apps/AppsWire.h"

namespace zorvik {

enum AppsControl { IDC_APPS_LIST = 1601 };
// The list's context menu.
enum AppsMenu : UINT { IDM_APP_RUN = 32790, IDM_APP_UNINSTALL = 32791, IDM_APP_STORE = 32792 };

// One row of the list, parallel to the list's items (UI thread only).
struct AppRow {
  std::string label;
  std::string descriptionLine = "N/A";
  std::string category = "未知";
  std::string linkText = "详细";
  std::string versionName;
  std::string sizeText;
  std::string packageName;
  int32_t extraValue = 0;
  int32_t hintState = 1;
  int32_t rating = 3;
  int32_t storeId = -1;
  std::string installDate;
  std::vector<uint8_t> icon;  // until the row is in the list, which keeps it
};

// The list's context menu: 32790 "立即运行", 32791 "删除卸载", 32792 "商城搜索".
UniqueMenu makeAppContextMenu();

class AppsPage : public ListPage<AppRow>, private AdbOutputSink {
public:
  AppsPage(const PageInfo& info, PageHost& host);
  // The uninstall runner stops before the work does.
  void close() override;

  // The list on a worker, then the phone's facts and the web lookup; a second load while one
  // runs is dropped. A lookup answers every row of its package, also after a reload meanwhile,
  // and the rows a reload brought in while it ran get a lookup of their own.
  void load() override;
  void onToolbar(int index) override;

  void uninstallChecked();
  // Queues "adb uninstall" for one package; the list reloads once the last queued one has ended.
  void uninstallOne(const std::string& packageName);
  void runPackage(int row);
  void openInStore(int row);

  // What the page shows and holds, for the window's own use and for tests.
  const std::vector<AppRow>& rows() const { return records(); }
  const BasicFacts& facts() const { return facts_; }
  bool lookupRunning() const { return lookupRunning_; }
  int pendingUninstalls() const { return pendingUninstalls_; }
  // How long one uninstall may run before its tool is ended and the next one starts (an install's
  // base deadline; tests shorten it).
  void setUninstallDeadlineMs(unsigned ms) { uninstallDeadlineMs_ = ms; }
  int loadsStarted() const { return loadsStarted_; }
  int lookupsDone() const { return lookupsDone_; }
  // Milliseconds from the start of the last load to its filled list, and of the last lookup.
  double lastFillMs() const { return lastFillMs_; }
  double lastLookupMs() const { return lastLookupMs_; }

private:
  struct Looked;
  void onInit() override;
  TwoLineRow rowOf(AppRow& row) override;
  void onRowsShown() override;
  void startLookup();
  void applyLookup(Looked& looked);
  void startNextUninstall();
  void uninstallEnded();
  void receive(const std::string& text, int kind) override;  // runner's reader thread
  void showContextMenu();
  bool overLink(POINT client, int* row = nullptr) const;
  bool paintCell(HDC dc, const RECT& cell, int row, int column, bool selected) override;

  BasicFacts facts_;
  bool lookupRunning_ = false;
  bool lookupOwed_ = false;  // rows came in while a lookup ran
  int pendingUninstalls_ = 0;
  struct Uninstall {
    std::string commandLine, packageName;
  };
  std::deque<Uninstall> uninstallQueue_;  // not yet started
  bool uninstallRunning_ = false;
  std::string uninstalling_;  // the package of the run in progress
  unsigned uninstallDeadlineMs_ = adbDeadlineMs(AdbCommandKind::Install);
  int loadsStarted_ = 0;
  int lookupsDone_ = 0;
  double lastFillMs_ = 0, lastLookupMs_ = 0;
  std::chrono::steady_clock::time_point loadStart_;
  UniqueBitmap ratingStrip_;
  PageWork::Post post_ = work_.poster();       // the uninstall runner's reports
  std::unique_ptr<AdbProcessRunner> runner_;  // stopped first when the page goes
};

}  // namespace zorvik
