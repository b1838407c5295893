#include "pim/win/CallLogPage.h"

#include <commctrl.h>

#include <utility>

#include "ui/Controls.h"
#include "ui/Notices.h"
#include "pim/LocateNumber.h"

namespace zorvik {

namespace {
constexpr const char* kReading = "正在读取...";
constexpr COLORREF kNumberGrey = RGB(130, 130, 130);
constexpr int kIconSide = 24, kIconFrames = 3;
constexpr COLORREF kIconKey = RGB(255, 255, 255);  // the strip's see-through colour

// The type strip: frame 0 an incoming arrow (green), 1 an outgoing one (blue), 2 a missed call
// (red arrow, crossed).
UniqueBitmap makeTypeIcons() {
  return drawBitmap(kIconFrames * kIconSide, kIconSide, kIconKey, [](HDC dc) {
    const COLORREF colours[kIconFrames] = {RGB(40, 150, 60), RGB(40, 100, 200), RGB(210, 50, 40)};
    for (int frame = 0; frame < kIconFrames; ++frame) {
      const int x = frame * kIconSide;
      UniquePen pen(CreatePen(PS_SOLID, 3, colours[frame]));
      SelectObjectScope p(dc, pen.get());
      // Incoming and missed point down-left, outgoing up-right.
      const bool out = frame == 1;
      POINT from = out ? POINT{x + 5, 19} : POINT{x + 19, 5};
      POINT to = out ? POINT{x + 18, 6} : POINT{x + 6, 18};
      MoveToEx(dc, from.x, from.y, nullptr);
      LineTo(dc, to.x, to.y);
      POINT head[3] = {{to.x + (out ? -8 : 0), to.y + (out ? 0 : -8)}, to, {to.x + (out ? 0 : 8), to.y + (out ? 8 : 0)}};
      Polyline(dc, head, 3);
      if (frame == 2) {
        UniquePen thin(CreatePen(PS_SOLID, 2, colours[frame]));
        SelectObjectScope t(dc, thin.get());
        MoveToEx(dc, x + 14, 14, nullptr);
        LineTo(dc, x + 22, 22);
        MoveToEx(dc, x + 22, 14, nullptr);
        LineTo(dc, x + 14, 22);
      }
    }
  });
}

// The default picture of a call: a handset on a pale ground.
UniqueBitmap makeDefaultPicture() {
  return drawBitmap(kRowPictureSize, kRowPictureSize, RGB(226, 236, 244), [](HDC dc) {
    UniqueBrush fg(CreateSolidBrush(RGB(120, 150, 180)));
    SelectObjectScope b(dc, fg.get());
    SelectObjectScope p(dc, GetStockObject(NULL_PEN));
    RoundRect(dc, 10, 14, 38, 22, 6, 6);
    RoundRect(dc, 10, 14, 17, 34, 6, 6);
    RoundRect(dc, 31, 14, 38, 34, 6, 6);
  });
}
}  // namespace

// What a load worker hands to the UI thread.
struct CallLogPage::Loaded {
  AgentResult result = AgentResult::Ok;
  std::vector<CallRecord> records;
  std::vector<std::string> locations;
  std::shared_ptr<const PhoneTable> table;
};

CallLogPage::CallLogPage(const PageInfo& info, PageHost& host) : Page(info, host) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    picture_ = makeDefaultPicture();
    typeIcons_ = makeTypeIcons();
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "",
                                WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS |
                                    LVS_SINGLESEL | LVS_OWNERDRAWFIXED,
                                0, 0, 100, 100, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)),
                                GetModuleHandleA(nullptr), nullptr);
    list_.attach(list, {.columns = {{"头像", 60}, {"联系人", 160}, {"类型", 110}, {"通话用时", 140},
                                    {"上次联系时间、归属地", 200}, {"选择", 44}, {"", 0}},
                        .imageCapacity = 262144,
                        .checkColumn = false});  // the box is in column 5, before the hidden id
    list_.view().setExtendedStyle(LVS_EX_FULLROWSELECT);
    for (int c = 0; c < kColumnCount; ++c) {
      LVCOLUMNA col{};
      col.mask = LVCF_FMT;
      col.fmt = c == kTimeColumn ? LVCFMT_LEFT : LVCFMT_CENTER;
      if (c != kPictureColumn) SendMessageA(list_.hwnd(), LVM_SETCOLUMNA, c, reinterpret_cast<LPARAM>(&col));
    }
    list_.setCellPainter([this](HDC dc, const RECT& cell, int row, int column, bool selected) {
      return paintCell(dc, cell, row, column, selected);
    });
    layout();
    m.result = TRUE;
  });
  map_.on(WM_SIZE, [this](WinMsg&) { layout(); });
  // The box is in column 5, before the hidden id: clicks are the page's own.
  wireList(list_, kListId, [this] { return busy(); }, false);
  map_.onNotify(kListId, NM_CLICK, [this](WinMsg& m) {
    auto* click = reinterpret_cast<const NMITEMACTIVATE*>(m.lp);
    if (click->iItem < 0 || click->iItem >= list_.count()) return;
    RECT cell{};
    ListView_GetSubItemRect(list_.hwnd(), click->iItem, kCheckColumn, LVIR_BOUNDS, &cell);
    if (PtInRect(&cell, click->ptAction)) list_.setChecked(click->iItem, !list_.row(click->iItem).checked);
  });
}

CallLogPage::~CallLogPage() {
  work_.stop();
  if (hwnd()) DestroyWindow(hwnd());
}

void CallLogPage::layout() {
  RECT client = clientRectOf(hwnd());
  MoveWindow(list_.hwnd(), 0, 0, client.right, client.bottom, TRUE);
}

void CallLogPage::onToolbar(int index) {
  switch (index) {
    case toolbar::kRefreshCalls: reload(); break;
    case toolbar::kDeleteCalls: deleteChecked(); break;
    case toolbar::kDeleteAllCalls: deleteAll(); break;
    default: break;
  }
}

void CallLogPage::load() {
  if (loading_) return;
  loading_ = true;
  host().setStatusText(kReading);
  std::shared_ptr<const PhoneTable> table = phoneTable_;
  work_.run(
      [table](ExchangeCancel* cancel) {
        Loaded loaded;
        loaded.table = table ? table : std::make_shared<const PhoneTable>();
        AgentBody body;
        loaded.result = exchangeForBody(bareRequest(AgentCommand::ListCalls), body, cancel);
        // Only a complete reply is shown: a cut one would be a log that is not the phone's.
        if (loaded.result == AgentResult::Ok) {
          CallList list = parseCallList(body.bytes.data(), body.bytes.size());
          if (list.malformed) loaded.result = AgentResult::Malformed;
          loaded.records = std::move(list.records);
          loaded.locations.reserve(loaded.records.size());
          for (const CallRecord& r : loaded.records) loaded.locations.emplace_back(LocateNumber(*loaded.table, r.number));
        }
        return loaded;
      },
      [this](Loaded& loaded) { fillList(loaded); });
}

void CallLogPage::fillList(Loaded& loaded) {
  loading_ = false;
  phoneTable_ = std::move(loaded.table);
  if (loaded.result != AgentResult::Ok && loaded.result != AgentResult::NoReply) {
    const char* failure = agentFailureText(loaded.result);
    host().setStatusText(failure ? failure : "");
    markFailed();
    return;
  }
  host().setStatusText("");
  SendMessageA(list_.hwnd(), WM_SETREDRAW, FALSE, 0);
  list_.clear();
  records_ = std::move(loaded.records);
  locations_ = std::move(loaded.locations);
  for (const CallRecord& r : records_) {
    TwoLineRow row;
    row.cells = {"", r.name, callTypeLabel(r.type), r.duration, r.callTime, "", callIdCellText(r.callId)};
    row.secondLine = r.number;
    row.picture = picture_.get();
    list_.addRow(std::move(row));
  }
  SendMessageA(list_.hwnd(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_.hwnd(), nullptr, TRUE);
  markLoaded();
}

bool CallLogPage::paintCell(HDC dc, const RECT& cell, int row, int column, bool) {
  if (row < 0 || static_cast<size_t>(row) >= records_.size()) return false;
  const CallRecord& r = records_[static_cast<size_t>(row)];
  RECT text = cell;
  InflateRect(&text, -4, 0);
  const UINT flags = DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX;
  switch (column) {
    case kNameColumn:
    case kTimeColumn: {
      RECT top = text, bottom = text;
      top.bottom = bottom.top = (cell.top + cell.bottom) / 2;
      const UINT align = column == kNameColumn ? DT_CENTER : DT_LEFT;
      const std::string& upper = column == kNameColumn ? r.name : r.callTime;
      const std::string& lower = column == kNameColumn ? r.number : locations_[static_cast<size_t>(row)];
      SetTextColor(dc, RGB(0, 0, 0));
      DrawTextA(dc, upper.c_str(), -1, &top, flags | align | DT_BOTTOM);
      SetTextColor(dc, column == kNameColumn ? kNumberGrey : RGB(90, 90, 90));
      DrawTextA(dc, lower.c_str(), -1, &bottom, flags | align | DT_TOP);
      return true;
    }
    case kTypeColumn: {
      BitmapDc mem(dc, typeIcons_.get());
      const int y = (cell.top + cell.bottom - kIconSide) / 2;
      TransparentBlt(dc, cell.left + 8, y, kIconSide, kIconSide, mem.get(), callTypeIconFrame(r.type) * kIconSide, 0,
                     kIconSide, kIconSide, kIconKey);
      RECT label = text;
      label.left = cell.left + 8 + kIconSide + 4;
      SetTextColor(dc, RGB(0, 0, 0));
      DrawTextA(dc, callTypeLabel(r.type), -1, &label, flags | DT_LEFT | DT_VCENTER);
      return true;
    }
    case kDurationColumn: {
      // The text ends with a newline, which a single-line draw would show as a box.
      const std::string shown = r.duration.substr(0, r.duration.find('\n'));
      SetTextColor(dc, RGB(0, 0, 0));
      DrawTextA(dc, shown.c_str(), -1, &text, flags | DT_CENTER | DT_VCENTER);
      return true;
    }
    case kCheckColumn: {
      const int cx = (cell.left + cell.right) / 2, cy = (cell.top + cell.bottom) / 2;
      RECT box{cx - 7, cy - 7, cx + 7, cy + 7};
      DrawFrameControl(dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | (list_.row(row).checked ? DFCS_CHECKED : 0));
      return true;
    }
    case kIdColumn:
      return true;  // hidden
    default:
      return false;
  }
}

void CallLogPage::deleteChecked() {
  // The ids come back from the hidden column, as the rows show them.
  std::vector<int32_t> ids;
  for (int row : list_.checkedRows()) {
    int32_t id = 0;
    if (parseCallIdCell(list_.view().cell(row, kIdColumn), id)) ids.push_back(id);
  }
  if (ids.empty()) {
    CheckFirstNotice(hwnd());
    return;
  }
  if (!DeleteConfirmDialog(hwnd(), deleteCallsQuestion(ids.size()))) return;
  runDelete(deleteCallsRequest(ids));
}

void CallLogPage::deleteAll() {
  // Asked and sent even with an empty list: the phone may hold calls the list has not shown.
  if (!DeleteConfirmDialog(hwnd(), kDeleteAllCallsQuestion)) return;
  runDelete(deleteAllCallsRequest());
}

void CallLogPage::runDelete(Bytes request) {
  if (deleting_) return;
  deleting_ = true;
  work_.run([request = std::move(request)](ExchangeCancel* cancel) { return exchangeForStatus(request, nullptr, cancel); },
            [this](AgentResult result) {
              deleting_ = false;
              if (const char* failure = agentFailureText(result)) host().setStatusText(failure);
              reload();  // the list shows what the phone holds now, whatever the delete did
            });
}

}  // namespace zorvik
