#include "manage/alarms/win/BookmarkEditor.h"

#include <string>
#include <utility>

#include "ui/Controls.h"
#include "manage/alarms/win/AlarmsResource.h"

namespace zorvik {

BookmarkEditor::BookmarkEditor() : Dialog(IDD_BOOKMARK_EDITOR) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    SetWindowTextA(hwnd(), change_ ? kChangeCaption : kAddCaption);
    ComboBox storage(hwnd(), IDC_BOOKMARK_STORAGE);
    for (const char* s : kBookmarkStorageStates) storage.add(s);
    storage.select(1);  // every bookmark the page knows lives on the phone
    Edit(hwnd(), IDC_BOOKMARK_TITLE).setText(bookmark_.title);
    Edit(hwnd(), IDC_BOOKMARK_URL).setText(bookmark_.url);
    Edit(hwnd(), IDC_BOOKMARK_VISITS).setText(change_ ? std::to_string(bookmark_.visits) : "");
    Edit(hwnd(), IDC_BOOKMARK_VISITS).setLimit(10);
    m.result = TRUE;
  });
  map_.onCommand(IDOK, [this](WinMsg&) {
    if (accept()) end(IDOK);
  });
  map_.onCommand(IDCANCEL, [this](WinMsg&) { end(IDCANCEL); });
}

BookmarkEditor::BookmarkEditor(const BookmarkRow& row) : BookmarkEditor() {
  change_ = true;
  bookmark_ = {row.title, row.url, row.visits};
}

bool BookmarkEditor::accept() {
  BookmarkEdit b;
  b.title = Edit(hwnd(), IDC_BOOKMARK_TITLE).text();
  b.url = Edit(hwnd(), IDC_BOOKMARK_URL).text();
  if (b.title.empty() || b.url.empty()) {
    Label(hwnd(), IDC_BOOKMARK_HINT).setText(kMissingText);
    return false;
  }
  const std::optional<int32_t> visits = parseVisitCount(Edit(hwnd(), IDC_BOOKMARK_VISITS).text());
  if (!visits) {
    Label(hwnd(), IDC_BOOKMARK_HINT).setText(kBadCountText);
    return false;
  }
  b.visits = *visits;
  bookmark_ = std::move(b);
  return true;
}

BookmarkSyncDialog::BookmarkSyncDialog() : Dialog(IDD_BOOKMARK_SYNC) {
  for (int id : {IDC_SYNC_TO_PHONE, IDC_SYNC_TO_PC, IDC_SYNC_BOTH})
    map_.onCommand(id, [this](WinMsg&) { Label(hwnd(), IDC_SYNC_TEXT).setText(kNotYetText); });
  map_.onCommand(IDCANCEL, [this](WinMsg&) { end(IDCANCEL); });
}

}  // namespace zorvik
