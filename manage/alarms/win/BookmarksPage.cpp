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

HWND child(HWND parent, const char* cls, const char* text, DWORD style, int id) {
  HWND w = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
  SendMessageA(w, WM_SETFONT, SendMessageA(parent, WM_GETFONT, 0, 0), FALSE);
  return w;
}
}  // namespace

struct BookmarksPage::Loaded {
  AgentResult result = AgentResult::Ok;
  BookmarkList list;
};

BookmarksPage::BookmarksPage(const PageInfo& info, PageHost& host) : PhoneListPage(info, host) {
  opener_ = [this](const std::string& url) {
    const auto r = reinterpret_cast<INT_PTR>(
        ShellExecuteA(this->host().mainHwnd(), "open", url.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED));
    return r > 32;
  };
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    kindLabel_ = child(hwnd(), "STATIC", "显示类型", SS_LEFT | SS_CENTERIMAGE, -1);
    kind_ = child(hwnd(), WC_COMBOBOXA, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, kKindId);
    for (const char* s : kBookmarkStorageStates) ComboBox(kind_).add(s);
    ComboBox(kind_).select(0);
    sync_ = child(hwnd(), "BUTTON", "同步书签", BS_PUSHBUTTON | WS_TABSTOP, kSyncId);
    cache_ = child(hwnd(), "BUTTON", "更新缓存", BS_PUSHBUTTON | WS_TABSTOP, kCacheId);
    HWND list = child(hwnd(), WC_LISTVIEWA, "",
                      WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL | LVS_OWNERDRAWFIXED,
                      kListId);
    list_.attach(list, {.columns = {{"缩略图", 60}, {"名称和网址", 246}, {"存储状态", 120}, {"计数", 44},
                                    {"上次访问时间、间隔", 160}, {"立即访问", 66}, {"选择", 44}},
                        .imageCapacity = kMaxBookmarkThumbnail,
                        .checkColumn = true});
    for (int c = kNameColumn; c <= kCheckColumn; ++c) {
      LVCOLUMNA col{};
      col.mask = LVCF_FMT;
      col.fmt = c == kLastColumn ? LVCFMT_LEFT : LVCFMT_CENTER;
      SendMessageA(list, LVM_SETCOLUMNA, c, reinterpret_cast<LPARAM>(&col));
    }
    linkFont_ = createFont("宋体", 12, FW_NORMAL, true);
    list_.setCellPainter([this](HDC dc, const RECT& cell, int row, int column, bool selected) {
      return paintCell(dc, cell, row, column, selected);
    });
    layout();
    m.result = TRUE;
  });
  map_.on(WM_SIZE, [this](WinMsg&) { layout(); });
  // The page handles clicks itself: the check box, and "立即访问".
  wireList(list_, kListId, [this] { return busy(); }, false);
  map_.onNotify(kListId, NM_CLICK, [this](WinMsg& m) { onListClick(*reinterpret_cast<const NMITEMACTIVATE*>(m.lp)); });
  map_.onCommand(kSyncId, [this](WinMsg& m) {
    if (m.commandCode() == BN_CLICKED) showSync();
  });
  map_.onCommand(kCacheId, [](WinMsg&) {});  // no action of its own
}

BookmarksPage::~BookmarksPage() {
  work_.stop();
  if (hwnd()) DestroyWindow(hwnd());
}

void BookmarksPage::layout() {
  if (!list_.hwnd()) return;
  RECT client = clientRectOf(hwnd());
  MoveWindow(kindLabel_, 8, 4, 56, 22, TRUE);
  MoveWindow(kind_, 66, 4, 110, 200, TRUE);
  MoveWindow(sync_, 190, 3, 80, 24, TRUE);
  MoveWindow(cache_, 276, 3, 80, 24, TRUE);
  MoveWindow(list_.hwnd(), 0, kBarHeight, client.right, client.bottom - kBarHeight, TRUE);
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

void BookmarksPage::load() {
  if (!beginLoad()) return;
  rows_.clear();
  lastClicked_ = -1;
  work_.run(
      [](ExchangeCancel* cancel) {
        Loaded loaded;
        AgentBody body;
        loaded.result = exchangeForBody(listBookmarksRequest(), body, cancel);
        if (loaded.result == AgentResult::Ok) loaded.list = parseBookmarkList(body.bytes.data(), body.bytes.size());
        loaded.result = keepWholeList(loaded.result, loaded.list.malformed, loaded.list.rows);
        return loaded;
      },
      [this](Loaded& loaded) { fill(loaded); });
}

void BookmarksPage::fill(Loaded& loaded) {
  rows_ = std::move(loaded.list.rows);
  for (BookmarkRow& b : rows_) {
    TwoLineRow row;
    row.image = std::move(b.thumbnail);  // the list keeps the picture; the record needs it no more
    row.cells = {"", b.title, kBookmarkOnPhoneText, visitCountText(b.visits), b.lastVisitText, "", ""};
    row.secondLine = b.url;
    list_.addRow(std::move(row));
  }
  endLoad(loaded.result);
}

bool BookmarksPage::paintCell(HDC dc, const RECT& cell, int row, int column, bool) {
  if (column != kVisitColumn || row < 0 || static_cast<size_t>(row) >= rows_.size()) return false;
  RECT text = cell;
  SelectObjectScope f(dc, linkFont_.get());
  // An address the PC will not open is shown grey, without the link colour.
  SetTextColor(dc, isWebAddress(rows_[static_cast<size_t>(row)].url) ? RGB(0, 80, 200) : RGB(160, 160, 160));
  DrawTextA(dc, kVisitText, -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  return true;
}

void BookmarksPage::onListClick(const NMITEMACTIVATE& click) {
  if (click.iItem < 0 || click.iItem >= list_.count()) return;
  lastClicked_ = click.iItem;
  if (list_.onClick(click)) return;
  RECT cell{};
  ListView_GetSubItemRect(list_.hwnd(), click.iItem, kVisitColumn, LVIR_BOUNDS, &cell);
  if (PtInRect(&cell, click.ptAction)) visit(click.iItem);
}

void BookmarksPage::visit(int row) {
  if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return;
  const std::string& url = rows_[static_cast<size_t>(row)].url;
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
  if (lastClicked_ < 0 || static_cast<size_t>(lastClicked_) >= rows_.size()) {
    host().setStatusText(kChooseFirstText);
    return;
  }
  const BookmarkRow& row = rows_[static_cast<size_t>(lastClicked_)];
  const auto id = static_cast<int32_t>(row.bookmarkId);
  BookmarkEditor editor(row);
  if (editor.runModal(hwnd()) == IDOK) sendChange(updateBookmarkRequest(id, editor.bookmark()));
}

void BookmarksPage::deleteChecked() {
  deleteTicked([this](int r) { return static_cast<int32_t>(rows_.at(static_cast<size_t>(r)).bookmarkId); },
               deleteBookmarksQuestion, deleteBookmarksRequest);
}

}  // namespace zorvik
