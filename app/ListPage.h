#pragma once
// The common list page: one two-line list of the records the phone sends for one request. A page
// on it writes its fetch (the request and its parser, through fetchRecords), its columns and each
// record's row (with a cell painter where the list's own drawing is not enough). ListPage does the
// rest: the list filling the page below an optional strip of the page's own controls, the load on
// a worker under the one failure policy of Page::finishLoad (the rows shown before stay when a
// load fails, the status line says why, the key is forgotten so a refresh loads again, and a cut
// or malformed reply is never shown in part), the busy cursor, and changes (add, change, delete)
// sent one at a time with the list loaded again after each. docs/app.md, "Adding a page".
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/Page.h"
#include "ui/PageWork.h"
#include "ui/TwoLineList.h"
#include "devlink/AgentSession.h"
#include "devlink/FetchList.h"

namespace zorvik {

// Where the list sits and what it shows.
struct ListSpec {
  int listId = 0;
  TwoLineListArgs list;
  int top = 0;                           // the height of the page's own strip above the list
  const char* readingText = nullptr;     // the status line while a load runs ("正在读取..."), or none
  DWORD extraStyle = 0;                  // added to the list's report style (e.g. WS_BORDER)
  bool inTemplate = false;               // the page's dialog template holds the list control
};

class ListPageBase : public Page {
public:
  TwoLineList& list() { return list_; }
  bool loading() const { return loading_; }
  bool sending() const { return sending_; }
  // The busy cursor shows over the list while this is true.
  virtual bool busy() const { return loading_ || sending_; }

protected:
  ListPageBase(const PageInfo& info, PageHost& host, ListSpec listSpec, int templateId = IDD_PAGE);

  // The page's own part of WM_INITDIALOG, after the list is made (controls of its strip).
  virtual void onInit() {}
  // Places the page's windows when its size changes; by default the list fills the page below
  // the strip (a page with controls of its own places them and calls this).
  virtual void layout(const RECT& client);
  // Draws one cell instead of the list (see TwoLineList::CellPainter).
  virtual bool paintCell(HDC, const RECT&, int /*row*/, int /*column*/, bool /*selected*/) { return false; }

  // Starts a load: false when one runs already (the request is dropped).
  bool beginLoad();
  // Ends it on the UI thread: the failure policy, `show` on a finished load, and the load a
  // change made meanwhile is owed.
  template <typename Show>
  void endLoad(AgentResult result, Show&& show) {
    loading_ = false;
    finishLoad(result, std::forward<Show>(show));
    if (reloadAfterLoad_) {
      reloadAfterLoad_ = false;
      reload();
    }
  }
  // One change on a worker; on success the list loads again. Dropped while another runs (the
  // editors are not opened then).
  void sendChange(Bytes request);
  // CheckFirstNotice without ticked rows; otherwise the confirmation with question(count), and
  // on "删除" the request made from the ticked rows' ids (idOfRow) in row order.
  void deleteTicked(const std::function<int32_t(int row)>& idOfRow, std::string (*question)(size_t),
                    Bytes (*request)(const std::vector<int32_t>&));
  void placeList();

  TwoLineList list_;
  ListSpec spec_;

private:
  bool loading_ = false;
  bool sending_ = false;
  bool reloadAfterLoad_ = false;
};

// `Record` is one row's record, kept parallel to the list's rows.
template <typename Record>
class ListPage : public ListPageBase {
public:
  using Records = std::vector<Record>;
  // Runs on the worker: must not touch the page.
  using Fetch = std::function<Fetched<Records>(const ExchangeCancel*)>;

  const Records& records() const { return records_; }

  // A load requested while one runs is dropped.
  void load() override {
    if (!beginLoad()) return;
    work_.run([fetch = fetch_](ExchangeCancel* cancel) { return fetch(cancel); },
              [this](Fetched<Records>& fetched) { endLoad(fetched.result, [&] { show(std::move(fetched.list)); }); });
  }

protected:
  ListPage(const PageInfo& info, PageHost& host, ListSpec listSpec, Fetch fetch, int templateId = IDD_PAGE)
      : ListPageBase(info, host, std::move(listSpec), templateId), fetch_(std::move(fetch)) {}

  // The list row of a record (UI thread); it may take the record's picture.
  virtual TwoLineRow rowOf(Record& record) = 0;
  // After a finished load has replaced the rows.
  virtual void onRowsShown() {}

  // Replaces the rows with these records' (a finished load's).
  void show(Records records) {
    std::vector<TwoLineRow> rows;
    rows.reserve(records.size());
    for (Record& r : records) rows.push_back(rowOf(r));
    records_ = std::move(records);
    list_.replaceRows(std::move(rows));
    onRowsShown();
  }

  Records records_;

private:
  Fetch fetch_;
};

}  // namespace zorvik
