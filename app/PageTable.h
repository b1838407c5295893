#pragma once
// The navigation of the main window: five groups of pages (and the "内存整理" group), each page's
// caption, page-data key and toolbar captions. Portable: the window reads it, tests check it.
#include <array>
#include <cstddef>

namespace zorvik {

constexpr int kGroupCount = 6;          // five group tabs and the "内存整理" button
constexpr int kToolbarButtons = 4;
constexpr int kNoPageKey = -1;

// Page-data keys: a page loads its data while its key is absent from the page-data table.
enum PageKey : int {
  kKeyHelp = 0, kKeyContacts = 1, kKeyMessages = 2, kKeyCallLog = 3, kKeyAlarms = 4,
  kKeyFiles = 6, kKeyBookmarks = 7, kKeyApplications = 8, kKeyStore = 9, kKeySystemInfo = 10,
  kKeyPhoneSettings = 11, kKeyCleaner = 12, kKeyStartup = 13, kKeyScreenCapture = 14,
  kKeyProcesses = 15,
};

// The groups: the five tabs and the "内存整理" button.
enum GroupId : int {
  kGroupWelcome = 0, kGroupPersonal = 1, kGroupDownloads = 2, kGroupManage = 3, kGroupTools = 4,
  kGroupMemory = 5,
};

// Page ids: group * 10 + index within the group. Code names pages by these, never by number.
enum PageId : int {
  kPageMyPhone = 0, kPagePhoneParams = 1, kPageForum = 2, kPageSettings = 3, kPageUpgrade = 4,
  kPageTasks = 5, kPageHelp = 6, kPageWeather = 7,
  kPageContacts = 10, kPageMessages = 11, kPageCallLog = 12, kPageAlarms = 13, kPageCalendar = 14,
  kPageFiles = 15, kPageBookmarks = 16,
  kPageStore = 20, kPageSoftware = 21, kPageMusic = 22, kPageVideos = 23, kPageBooks = 24,
  kPageWallpapers = 25, kPageRingtoneCutter = 26, kPageVideoConverter = 27,
  kPageApplications = 30, kPageRingtones = 31, kPageMusicLibrary = 32, kPageBookLibrary = 33,
  kPagePictures = 34, kPageVideoLibrary = 35, kPageDesktop = 36,
  kPageSystemInfo = 40, kPagePhoneSettings = 41, kPageCleaner = 42, kPageStartup = 43,
  kPageScreenCapture = 44, kPageProcesses = 45, kPageOptimiser = 46,
  kPageMemory = 50,
};
constexpr int kPagesPerGroup = 10;

// Toolbar button indices (0..3, message 0x466) of the pages that have a toolbar, in the order of
// their captions in PageTable.cpp.
namespace toolbar {
enum Tasks : int { kResume, kPauseAll, kDeleteChecked, kSettings };
enum Contacts : int { kRefetch, kAddContact, kGroups, kDeleteContacts };
enum Messages : int { kRefreshMessages, kWriteMessage, kMoreActions };
enum CallLog : int { kRefreshCalls, kDeleteCalls, kDeleteAllCalls };
enum Alarms : int { kRefreshAlarms, kNewAlarm, kEditAlarm, kDeleteAlarms };
enum Files : int { kGoToRoot };
enum Bookmarks : int { kRefreshBookmarks, kNewBookmark, kEditBookmark, kDeleteBookmarks };
enum Store : int { kBack, kStoreHome };
enum Applications : int { kRefetchApplications, kDeleteApplications };
enum SystemInfo : int { kRefreshSystemInfo };
enum PhoneSettings : int { kRefreshPhoneSettings };
enum Cleaner : int { kRescan, kDeleteFound };
enum Startup : int { kRefreshStartup, kExpandAll, kCollapseAll };
enum ScreenCapture : int { kRefreshScreen, kSaveToFile, kChooseFolder, kOpenFolder };
enum Processes : int { kRefreshProcesses, kEndProcesses };
}  // namespace toolbar

struct PageInfo {
  int id;                 // PageId: group * 10 + index within the group
  const char* caption;    // the page button's text
  int pageKey;            // kNoPageKey when the page has no loader
  std::array<const char*, kToolbarButtons> toolbar;  // nullptr = button unused
};

struct GroupInfo {
  const char* caption;
  const PageInfo* pages;
  int pageCount;
};

const GroupInfo& groupInfo(int group);          // group 0..kGroupCount-1
const PageInfo* findPage(int pageId);           // nullptr for an id no group holds
int toolbarButtonCount(const PageInfo& page);   // leading non-null captions
inline int groupOfPage(int pageId) { return pageId / kPagesPerGroup; }
inline int indexOfPage(int pageId) { return pageId % kPagesPerGroup; }
inline int pageIdOf(int group, int index) { return group * kPagesPerGroup + index; }

}  // namespace zorvik
