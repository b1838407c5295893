// The page table of the program: which class fills which page. A page's engineer adds one line
// here (see docs/app.md); pages without a line show an empty placeholder.
#include "app/Page.h"
#include "app/ScreenCapturePage.h"
#include "info/CalendarPage.h"
#include "pim/ContactsPage.h"

namespace zorvik {

namespace {
template <typename P>
PageFactory make() {
  return [](const PageInfo& info, PageHost& host) -> std::unique_ptr<Page> {
    return std::make_unique<P>(info, host);
  };
}

struct PageEntry {
  int pageId;
  PageFactory (*factory)();
};

// { page id, make<YourPage> },
const PageEntry kPages[] = {
  {10, make<ContactsPage>},
  {14, make<CalendarPage>},
  {44, make<ScreenCapturePage>},
};
}  // namespace

PageFactory builtInPageFactory(int pageId) {
  for (const PageEntry& e : kPages)
    if (e.pageId == pageId && e.factory) return e.factory();
  return nullptr;
}

}  // namespace zorvik
