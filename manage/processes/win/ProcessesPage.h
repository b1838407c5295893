#pragma once
// The process page (the phone's task manager): the running processes (871801) in a two-line list,
// the free working memory (871806) in the statistics box above it, and ending the ticked processes
// (871804) followed by a reload.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/ListPage.h"
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

class ProcessesPage : public ListPage<ProcessRecord> {
public:
  ProcessesPage(const PageInfo& info, PageHost& host);

  // Free memory and the list on a worker; a second load while one runs is dropped. Until both
  // have come the rows and the value shown before stay.
  void load() override;
  void onToolbar(int index) override;
  // Ends the processes of the ticked rows (none ticked: a request naming none), then reloads.
  void endChecked();

  // What the page shows, for the window's own use and for tests.
  std::string freeMemoryText() const;
  bool ending() const { return sending(); }

private:
  void onInit() override;
  void layout(const RECT& client) override;
  TwoLineRow rowOf(ProcessRecord& p) override;
  bool paintCell(HDC dc, const RECT& cell, int row, int column, bool selected) override;
};

}  // namespace zorvik
