#include "manage/alarms/win/BookmarksPage.h"

#include <commctrl.h>
#include <shellapi.h>

#include <utility>

#include "ui/Controls.h"
#include "manage/alarms/win/BookmarkEditor.h"

namespace zorvik {

namespace {
enum Column { kThumbColumn, kNameColumn, kStorageColumn, kCountColumn, kLastColumn, kVisitColumn, kCheckColumn };
constexpr int kBarHeight = 30;
}  // namespace

BookmarksPage::BookmarksPage(const PageInfo& info, PageHost& host)
    : ListPage(info, host,
               {.listId = kListId,
                .list = {.columns = {{"缩略图", 60}, {"名称和网址", 246, LVCFMT_CENTER}, {"存储状态", 120, LVCFMT_CENTER},
                                     {"计数", 44, LVCFMT_CENTER}, {"上次访问时间、间隔", 160},
                                     {"立即访问", 66, LVCFMT_CENTER}, {"选择", 44, LVCFMT_CENTER}},
                         .imageCapacity = kMaxBookmarkThumbnail},
                .top = kBarHeight,
                .extraStyle = WS_BORDER},
               [](const ExchangeCancel* cancel) { return fetchRecords(listBookmarksRequest(), parseBookmarkList, cancel); }) {
  opener_ = [this](const std::string& url) {
    const auto r = reinterpret_cast<INT_PTR>(
        ShellExecuteA(this->host().mainHwnd(), "open", url.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED));
    return r > 32;
  };
  // The page handles clicks itself: the check box is ticked by the list, "立即访问" here.
  map_.onNotify(kListId, NM_CLICK, [this](WinMsg& m) { onListClick(*reinterpret_cast<const NMITEMACTIVATE*>(m.lp)); });
  map_.onCommand(kSyncId, [this](WinMsg& m) {
    if (m.commandCode() == BN_CLICKED) showSync();
  });
  map_.onCommand(kCacheId, [](WinMsg&) {});  // no action of its own
}

void BookmarksPage::onInit() {
  kindLabel_ = createChild(hwnd(), {.className = "STATIC", .text = "显示类型", .style = SS_LEFT | SS_CENTERIMAGE});
  kind_ = createChild(hwnd(), {.className = WC_COMBOBOXA, .style = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, .id = kKindId});
  for (const char* s : kBookmarkStorageStates) ComboBox(kind_).add(s);
  ComboBox(kind_).select(0);
  sync_ = createChild(hwnd(), {.className = "BUTTON", .text = "同步书签", .style = BS_PUSHBUTTON | WS_TABSTOP, .id = kSyncId});
  cache_ = createChild(hwnd(), {.className = "BUTTON", .text = "更新缓存", .style = BS_PUSHBUTTON | WS_TABSTOP, .id = kCacheId});
  linkFont_ = createFont("宋体", 12, FW_NORMAL, true);
}

void BookmarksPage::layout(const RECT& client) {
  ListPageBase::layout(client);
  MoveWindow(kindLabel_, 8, 4, 56, 22, TRUE);
  MoveWindow(kind_, 66, 4, 110, 200, TRUE);
  MoveWindow(sync_, 190, 3, 80, 24, TRUE);
  MoveWindow(cache_, 276, 3, 80, 24, TRUE);
}

void BookmarksPage::onToolbar(int index) {
  switch (index) {
    case toolbar::kRefreshBookmarks: reload(); break;
    case toolbar::kNewBookmark: addBookmark(); break;
    case toolbar::kEditBookmark: changeClicked(); break;
    case toolbar::kDeleteBookmarks: deleteChecked(); break;
    default: break;
  }
}

// New rows: the one clicked before is not among them.
void BookmarksPage::onRowsShown() { lastClicked_ = -1; }

TwoLineRow BookmarksPage::rowOf(BookmarkRow& b) {
  TwoLineRow row;
  row.image = std::move(b.thumbnail);  // the list keeps the picture; the record needs it no more
  row.cells = {"", b.title, kBookmarkOnPhoneText, visitCountText(b.visits), b.lastVisitText, "", ""};
  row.secondLine = b.url;
  return row;
}

bool BookmarksPage::paintCell(HDC dc, const RECT& cell, int row, int column, bool) {
  if (column != kVisitColumn || row < 0 || static_cast<size_t>(row) >= records_.size()) return false;
  RECT text = cell;
  SelectObjectScope f(dc, linkFont_.get());
  // An address the PC will not open is shown grey, without the link colour.
  SetTextColor(dc, isWebAddress(records_[static_cast<size_t>(row)].url) ? RGB(0, 80, 200) : RGB(160, 160, 160));
  DrawTextA(dc, kVisitText, -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  return true;
}

void BookmarksPage::onListClick(const NMITEMACTIVATE& click) {
  if (click.iItem < 0 || click.iItem >= list_.count()) return;
  lastClicked_ = click.iItem;
  if (list_.lastClickToggled()) return;
  RECT cell{};
  ListView_GetSubItemRect(list_.hwnd(), click.iItem, kVisitColumn, LVIR_BOUNDS, &cell);
  if (PtInRect(&cell, click.ptAction)) visit(click.iItem);
}

void BookmarksPage::visit(int row) {
  if (row < 0 || static_cast<size_t>(row) >= records_.size()) return;
  const std::string& url = records_[static_cast<size_t>(row)].url;
  if (!isWebAddress(url)) {
    host().setStatusText(kNotWebText);
    return;
  }
  if (!opener_(url)) host().setStatusText(kOpenFailedText);
}

void BookmarksPage::showSync() {
  BookmarkSyncDialog dialog;
  dialog.runModal(hwnd());
}

void BookmarksPage::addBookmark() {
  if (sending()) return;  // one change at a time
  BookmarkEditor editor;
  if (editor.runModal(hwnd()) == IDOK) sendChange(addBookmarkRequest(editor.bookmark()));
}

void BookmarksPage::changeClicked() {
  if (sending()) return;
  if (lastClicked_ < 0 || static_cast<size_t>(lastClicked_) >= records_.size()) {
    host().setStatusText(kChooseFirstText);
    return;
  }
  const BookmarkRow& row = records_[static_cast<size_t>(lastClicked_)];
  const auto id = static_cast<int32_t>(row.bookmarkId);
  BookmarkEditor editor(row);
  if (editor.runModal(hwnd()) == IDOK) sendChange(updateBookmarkRequest(id, editor.bookmark()));
}

void BookmarksPage::deleteChecked() {
  deleteTicked([this](int r) { return static_cast<int32_t>(records_.at(static_cast<size_t>(r)).bookmarkId); },
               deleteBookmarksQuestion, deleteBookmarksRequest);
}

}  // namespace zorvik
