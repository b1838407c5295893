#pragma once
// The process page (the phone's task manager): the running processes (871801) in a two-line list,
// the free working memory (871806) in the statistics box above it, and ending the ticked processes
// (871804) followed by a reload.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/Page.h"
#include "ui/PageWork.h"
#include "ui/TwoLineList.h"
#include "devlink/AgentSession.h"
#include "manage/processes/ProcessWire.h"

namespace zorvik {

// The page's own controls, created in the empty page template.
enum ProcessesControl {
  IDC_PROCESS_LIST = 1501,
  IDC_PROCESS_STATS = 1502,
  IDC_PROCESS_FREE_LABEL = 1503,
  IDC_PROCESS_FREE_VALUE = 1504,
};

class ProcessesPage : public Page {
public:
  ProcessesPage(const PageInfo& info, PageHost& host);
  ~ProcessesPage() override;

  // Free memory and the list on a worker; a second load while one runs is dropped.
  void load() override;
  void onToolbar(int index) override;
  // Ends the processes of the ticked rows (none ticked: a request naming none), then reloads.
  void endChecked();

  // What the page shows, for the window's own use and for tests.
  TwoLineList& list() { return list_; }
  const std::vector<ProcessRecord>& records() const { return records_; }
  std::string freeMemoryText() const;
  bool loading() const { return loading_; }
  bool ending() const { return ending_; }
  bool busy() const { return loading_ || ending_; }

private:
  struct Loaded;
  void showFreeMemory(AgentResult result, int32_t word);
  void fillList(Loaded& loaded);
  void layout();
  bool paintCell(HDC dc, const RECT& cell, int row, int column, bool selected);

  TwoLineList list_;
  std::vector<ProcessRecord> records_;
  bool loading_ = false;
  bool ending_ = false;
  HFONT font_ = nullptr;  // the dialog's font, borrowed for the controls made here
  PageWork work_;
};

}  // namespace zorvik
