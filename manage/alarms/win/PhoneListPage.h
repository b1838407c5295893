#pragma once
// What the alarm and bookmark pages share: a two-line list of records from the phone, loaded on a
// worker, and changes (add, change, delete) sent one at a time on a worker, after which the list is
// loaded again.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/Page.h"
#include "ui/PageWork.h"
#include "ui/TwoLineList.h"
#include "devlink/AgentSession.h"

namespace zorvik {

class PhoneListPage : public Page {
public:
  TwoLineList& list() { return list_; }
  bool loading() const { return loading_; }
  bool sending() const { return sending_; }
  bool busy() const { return loading_ || sending_; }

protected:
  using Page::Page;

  // Starts a load: false when one runs already (the request is dropped); otherwise drawing stops
  // and the list is emptied.
  bool beginLoad();
  // Ends it on the UI thread once the rows are in: the status line, drawing, the page-data key,
  // and the load a change made meanwhile is owed.
  void endLoad(AgentResult result);
  // Only a whole, well-formed reply is shown: a cut one would be a list that is not the phone's,
  // and a record missing from it could look deleted. Clears `rows` and gives the failure otherwise.
  template <typename Rows>
  static AgentResult keepWholeList(AgentResult result, bool malformed, Rows& rows) {
    if (result == AgentResult::Ok && !malformed) return result;
    rows.clear();
    return result == AgentResult::Ok ? AgentResult::Malformed : result;
  }
  // One change on a worker; on success the list loads again. Dropped while another runs (the
  // editors are not opened then).
  void sendChange(Bytes request);
  // CheckFirstNotice without ticked rows; otherwise the confirmation with question(count), and
  // on "删除" the request made from the ticked rows' ids (idOfRow) in row order.
  void deleteTicked(const std::function<int32_t(int row)>& idOfRow, std::string (*question)(size_t),
                    Bytes (*request)(const std::vector<int32_t>&));

  TwoLineList list_;
  PageWork work_;

private:
  bool loading_ = false;
  bool sending_ = false;
  bool reloadAfterLoad_ = false;
};

}  // namespace zorvik
