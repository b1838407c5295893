#pragma once
// Page 14, "日程管理": the calendar window on a page of the main window. It has no loader and no
// toolbar, and needs no phone.
#include "app/Page.h"
#include "info/win/CalendarView.h"

namespace zorvik {

class CalendarPage : public Page {
 public:
  CalendarPage(const PageInfo& info, PageHost& host);

  const CalendarView& view() const { return view_; }

 private:
  CalendarView view_;
};

}  // namespace zorvik
