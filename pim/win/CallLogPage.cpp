#include "pim/win/CallLogPage.h"

#include <commctrl.h>

#include <utility>

#include "devlink/TcpSocket.h"
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

CallLogPage::CallLogPage(const PageInfo& info, PageHost& host)
    : ListPage(info, host,
               {.listId = kListId,
                .list = {.columns = {{"头像", 60}, {"联系人", 160, LVCFMT_CENTER}, {"类型", 110, LVCFMT_CENTER},
                                     {"通话用时", 140, LVCFMT_CENTER}, {"上次联系时间、归属地", 200},
                                     {"选择", 44, LVCFMT_CENTER}, {"", 0, LVCFMT_CENTER}},
                         .imageCapacity = 262144,
                         .checkColumnIndex = kCheckColumn},  // before the hidden id
                .readingText = kReading,
                .extraStyle = WS_BORDER},
               [table = std::make_shared<LazyPhoneTable>()](const ExchangeCancel* cancel) {
                 return fetchLocated(bareRequest(AgentCommand::ListCalls), parseCallList, &CallRecord::number, *table,
                                     cancel);
               }) {}

void CallLogPage::onInit() {
  picture_ = makeDefaultPicture();
  typeIcons_ = makeTypeIcons();
  list_.view().setExtendedStyle(LVS_EX_FULLROWSELECT);
}

void CallLogPage::load() {
  // Sockets are started with the program; should that have failed, the user is told here (the
  // exchange then ends as a connection error).
  if (!startSockets()) MessageBoxA(hwnd(), "初始化错误", "卓维克", MB_OK | MB_ICONERROR);
  ListPage::load();
}

void CallLogPage::onToolbar(int index) {
  switch (index) {
    case toolbar::kRefreshCalls: reload(); break;
    case toolbar::kDeleteCalls: deleteChecked(); break;
    case toolbar::kDeleteAllCalls: deleteAll(); break;
    default: break;
  }
}

TwoLineRow CallLogPage::rowOf(CallRow& r) {
  TwoLineRow row;
  row.cells = {"", r.name, callTypeLabel(r.type), r.duration, r.callTime, "", callIdCellText(r.callId)};
  row.secondLine = r.number;
  row.picture = picture_.get();
  return row;
}

bool CallLogPage::paintCell(HDC dc, const RECT& cell, int row, int column, bool) {
  if (row < 0 || static_cast<size_t>(row) >= records_.size()) return false;
  const CallRow& r = records_[static_cast<size_t>(row)];
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
      const std::string& lower = column == kNameColumn ? r.number : r.location;
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
  sendChange(deleteCallsRequest(ids));
}

void CallLogPage::deleteAll() {
  // Asked and sent even with an empty list: the phone may hold calls the list has not shown.
  if (!DeleteConfirmDialog(hwnd(), kDeleteAllCallsQuestion)) return;
  sendChange(deleteAllCallsRequest());
}

}  // namespace zorvik
