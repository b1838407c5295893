// The page table of the program: a page's engineer adds one line here (see docs/app.md).
#include "app/PageRegistry.h"

#include "app/Page.h"
#include "settings/win/SettingsPage.h"
#include "devlink/win/ScreenCapturePage.h"
#include "download/win/DownloadPage.h"
#include "info/win/CalendarPage.h"
#include "info/win/HelpPage.h"
#include "info/win/PhoneParamsPage.h"
#include "manage/apps/win/AppsPage.h"
#include "info/win/UpgradePage.h"
#include "info/win/WeatherPage.h"
#include "manage/alarms/win/AlarmsPage.h"
#include "manage/alarms/win/BookmarksPage.h"
#include "manage/files/win/FilesPage.h"
#include "manage/processes/win/ProcessesPage.h"
#include "manage/apps/win/StorePage.h"
#include "download/DownloadRequests.h"
#include "manage/system/win/CleanerPage.h"
#include "manage/system/win/HomePage.h"
#include "manage/system/win/PhoneSettingsPage.h"
#include "manage/system/win/SystemInfoPage.h"
#include "manage/system/win/StartupPage.h"
#include "pim/win/CallLogPage.h"
#include "pim/win/ContactsPage.h"
#include "pim/win/MessagesPage.h"

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
