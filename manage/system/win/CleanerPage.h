#pragma once
// The cleaner page (系统清理): three fixed history rows, then one row per application holding
// cached data (871601); the checked rows are cleared in one request (871602).
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "app/ListPage.h"
#include "devlink/AgentSession.h"
#include "manage/system/CleanerWire.h"

namespace zorvik {

// A cache size as Windows writes byte sizes ("37.2 MB"), from all 64 bits: a cache of 4 GB or more
// must not show as its remainder. A negative size (a confused phone) shows as 0.
std::string cacheSizeText(int64_t size);

class CleanerPage : public ListPageBase {
public:
  static constexpr int kListId = 4311;
  static constexpr int kProgressId = 4312;

  CleanerPage(const PageInfo& info, PageHost& host);

  // A scan requested while one runs is dropped. The rows shown stay until a whole reply has
  // come: a cut one never becomes ticked rows a clear would send.
  void load() override;
  void onToolbar(int index) override;
  // Sends the checked rows; no confirmation and no new scan ("重新扫描" shows the result).
  void clearChecked();

  HWND progressLabel() const { return progress_; }
  bool scanning() const { return loading(); }
  bool clearing() const { return clearing_; }
  bool busy() const override { return loading() || clearing_; }

private:
  void onInit() override;
  void layout(const RECT& client) override;
  static std::vector<TwoLineRow> fixedRows();

  HWND progress_ = nullptr;  // children of the page, destroyed with it
  bool clearing_ = false;
};

}  // namespace zorvik
