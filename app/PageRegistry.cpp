// The page table of the program: a page's engineer adds one line here (see docs/app.md).
#include "app/PageRegistry.h"

#include "app/Page.h"
#include "app/SettingsPage.h"
#include "app/ScreenCapturePage.h"
#include "info/CalendarPage.h"
#include "info/PhoneParamsPage.h"
#include "manage/FilesPage.h"
#include "manage/ProcessesPage.h"
#include "manage/CleanerPage.h"
#include "manage/StartupPage.h"
#include "pim/CallLogPage.h"
#include "pim/ContactsPage.h"

namespace zorvik {

namespace {

struct PageEntry {
  PageId id;
  PageFactory (*factory)();
};

// { page id, makePage<YourPage> },
const PageEntry kPages[] = {
  {kPageSettings, makePage<SettingsPage>},
  {kPageContacts, makePage<ContactsPage>},
  {kPageCallLog, makePage<CallLogPage>},
  {kPageCalendar, makePage<CalendarPage>},
  {kPagePhoneParams, makePage<PhoneParamsPage>},
  {kPageScreenCapture, makePage<ScreenCapturePage>},
  {kPageProcesses, makePage<ProcessesPage>},
  {kPageFiles, makePage<FilesPage>},
  {kPageCleaner, makePage<CleanerPage>},
  {kPageStartup, makePage<StartupPage>},
};

}  // namespace

void registerPages() {
  for (const PageEntry& e : kPages) setPageFactory(e.id, e.factory());
}

}  // namespace zorvik
