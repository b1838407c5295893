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

struct PageInfo {
  int id;                 // group * 10 + index within the group
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
inline int groupOfPage(int pageId) { return pageId / 10; }
inline int indexOfPage(int pageId) { return pageId % 10; }

}  // namespace zorvik
