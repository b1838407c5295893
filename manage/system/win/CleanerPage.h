#pragma once
// The cleaner page (系统清理): three fixed history rows, then one row per application holding
// cached data (871601); the checked rows are cleared in one request (871602).
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "app/Page.h"
#include "ui/PageWork.h"
#include "ui/TwoLineList.h"
#include "devlink/AgentSession.h"
#include "manage/system/CleanerWire.h"

namespace zorvik {

// A cache size as Windows writes byte sizes ("37.2 MB"), from all 64 bits: a cache of 4 GB or more
// must not show as its remainder. A negative size (a confused phone) shows as 0.
std::string cacheSizeText(int64_t size);

class CleanerPage : public Page {
public:
  static constexpr int kListId = 4311;
  static constexpr int kProgressId = 4312;

  CleanerPage(const PageInfo& info, PageHost& host);
  ~CleanerPage() override;

  // A scan requested while one runs is dropped.
  void load() override;
  void onToolbar(int index) override;
  // Sends the checked rows; no confirmation and no new scan ("重新扫描" shows the result).
  void clearChecked();

  TwoLineList& list() { return list_; }
  HWND progressLabel() const { return progress_; }
  bool scanning() const { return scanning_; }
  bool clearing() const { return clearing_; }
  bool busy() const { return scanning_ || clearing_; }

private:
  struct Scanned {
    AgentResult result = AgentResult::Ok;
    CacheList list;
  };
  void addFixedRows();
  void fill(Scanned& scanned);
  void layout();

  TwoLineList list_;
  HWND progress_ = nullptr;  // children of the page, destroyed with it
  bool scanning_ = false;
  bool clearing_ = false;
  PageWork work_;
};

}  // namespace zorvik
