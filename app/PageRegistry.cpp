// The page table of the program: a page's engineer adds one line here (see docs/app.md).
#include "app/PageRegistry.h"

#include "app/Page.h"
#include "app/SettingsPage.h"
#include "app/ScreenCapturePage.h"
#include "download/DownloadPage.h"
#include "info/CalendarPage.h"
#include "info/HelpPage.h"
#include "info/PhoneParamsPage.h"
#include "manage/AppsPage.h"
#include "info/UpgradePage.h"
#include "info/WeatherPage.h"
#include "manage/AlarmsPage.h"
#include "manage/BookmarksPage.h"
#include "manage/FilesPage.h"
#include "manage/ProcessesPage.h"
#include "manage/StorePage.h"
#include "download/DownloadRequests.h"
#include "manage/CleanerPage.h"
#include "manage/HomePage.h"
#include "manage/PhoneSettingsPage.h"
#include "manage/SystemInfoPage.h"
#include "manage/StartupPage.h"
#include "pim/CallLogPage.h"
#include "pim/ContactsPage.h"
#include "pim/MessagesPage.h"

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
  {kPageMessages, makePage<MessagesPage>},
  {kPageCallLog, makePage<CallLogPage>},
  {kPageCalendar, makePage<CalendarPage>},
  {kPagePhoneParams, makePage<PhoneParamsPage>},
  {kPageUpgrade, makePage<UpgradePage>},
  {kPageHelp, makePage<HelpPage>},
  {kPageWeather, makePage<WeatherPage>},
  {kPageScreenCapture, makePage<ScreenCapturePage>},
  {kPageProcesses, makePage<ProcessesPage>},
  {kPageFiles, makePage<FilesPage>},
  {kPageCleaner, makePage<CleanerPage>},
  {kPageStartup, makePage<StartupPage>},
  {kPageMyPhone, makePage<HomePage>},
  {kPageSystemInfo, makePage<SystemInfoPage>},
  {kPagePhoneSettings, makePage<PhoneSettingsPage>},
  {kPageApplications, makePage<AppsPage>},
  {kPageStore, makePage<StorePage>},
  {kPageSoftware, makePage<StorePage>},
  {kPageMusic, makePage<StorePage>},
  {kPageVideos, makePage<StorePage>},
  {kPageBooks, makePage<StorePage>},
  {kPageWallpapers, makePage<StorePage>},
  {kPageRingtoneCutter, makePage<StorePage>},
  {kPageVideoConverter, makePage<StorePage>},
  {kPageTasks, makePage<DownloadPage>},
  {kPageAlarms, makePage<AlarmsPage>},
  {kPageBookmarks, makePage<BookmarksPage>},
};

}  // namespace

void registerPages() {
  for (const PageEntry& e : kPages) setPageFactory(e.id, e.factory());
  // A package link on a store page becomes a pending request of the downloads page.
  setDownloadRequestHandler([](const DownloadRequest& request) { addDownloadRequest(request.request); });
}

}  // namespace zorvik
