#include "ui/TwoLineList.h"

#include "ui/ImageDecode.h"

namespace zorvik {

namespace {
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kSelected = RGB(220, 235, 252);
constexpr int kCheckSize = 14;
}  // namespace

bool TwoLineList::attach(HWND list, const TwoLineListArgs& args) {
  list_ = ListView(list);
  args_ = args;
  if (!list) return false;
  LONG_PTR style = GetWindowLongPtrA(list, GWL_STYLE);
  style = (style & ~LVS_TYPEMASK) | LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_SHOWSELALWAYS | LVS_SINGLESEL;
  SetWindowLongPtrA(list, GWL_STYLE, style);
  list_.setExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  for (size_t i = 0; i < args.columns.size(); ++i) list_.addColumn(static_cast<int>(i), args.columns[i]);
  list_.setItemHeight(kTwoLineRowHeight);
  return true;
}

bool TwoLineList::addRow(TwoLineRow row) {
  bool fits = row.image.size() <= args_.imageCapacity;
  if (!fits) row.image.clear();
  int index = count();
  rows_.push_back(std::move(row));
  const TwoLineRow& r = rows_.back();
  list_.insertRow(index, r.cells.empty() ? std::string() : r.cells[0]);
  for (size_t c = 1; c < r.cells.size(); ++c) list_.setCell(index, static_cast<int>(c), r.cells[c]);
  return fits;
}

void TwoLineList::clear() {
  list_.clear();
  rows_.clear();
}

std::vector<int> TwoLineList::checkedRows() const {
  std::vector<int> out;
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].checkable && rows_[i].checked) out.push_back(static_cast<int>(i));
  return out;
}

void TwoLineList::setChecked(int row, bool on) {
  if (row < 0 || row >= count() || !rows_[static_cast<size_t>(row)].checkable) return;
  rows_[static_cast<size_t>(row)].checked = on;
  ListView_RedrawItems(list_.hwnd(), row, row);
}

RECT TwoLineList::checkBoxRect(int row) const {
  RECT cell{};
  int last = static_cast<int>(args_.columns.size()) - 1;
  ListView_GetSubItemRect(list_.hwnd(), row, last, LVIR_BOUNDS, &cell);
  int cx = (cell.left + cell.right) / 2, cy = (cell.top + cell.bottom) / 2;
  return RECT{cx - kCheckSize / 2, cy - kCheckSize / 2, cx + kCheckSize / 2, cy + kCheckSize / 2};
}

void TwoLineList::drawItem(const DRAWITEMSTRUCT& d) {
  int row = static_cast<int>(d.itemID);
  if (row < 0 || row >= count()) return;
  TwoLineRow& r = rows_[static_cast<size_t>(row)];
  bool selected = (d.itemState & ODS_SELECTED) != 0;
  HDC dc = d.hDC;
  UniqueBrush bg(CreateSolidBrush(selected ? kSelected : RGB(255, 255, 255)));
  FillRect(dc, &d.rcItem, bg.get());
  UniquePen line(CreatePen(PS_SOLID, 1, RGB(235, 235, 235)));
  {
    SelectObjectScope pen(dc, line.get());
    MoveToEx(dc, d.rcItem.left, d.rcItem.bottom - 1, nullptr);
    LineTo(dc, d.rcItem.right, d.rcItem.bottom - 1);
  }
  SetBkMode(dc, TRANSPARENT);
  int columns = static_cast<int>(args_.columns.size());
  for (int c = 0; c < columns; ++c) {
    RECT cell{};
    ListView_GetSubItemRect(list_.hwnd(), row, c, LVIR_BOUNDS, &cell);
    if (c == 0) cell.right = cell.left + ListView_GetColumnWidth(list_.hwnd(), 0);
    if (painter_ && painter_(dc, cell, row, c, selected)) continue;
    if (c == 0) {
      if (!r.image.empty() && !r.decoded)
        r.decoded = decodeImageToBitmap(r.image.data(), r.image.size(), kRowPictureSize, kRowPictureSize);
      HBITMAP pic = r.decoded ? r.decoded.get() : r.picture;
      if (pic) {
        BITMAP info{};
        GetObjectA(pic, sizeof info, &info);
        BitmapDc mem(dc, pic);
        int x = cell.left + 4, y = (cell.top + cell.bottom - kRowPictureSize) / 2;
        SetStretchBltMode(dc, HALFTONE);
        StretchBlt(dc, x, y, kRowPictureSize, kRowPictureSize, mem.get(), 0, 0, info.bmWidth,
                   info.bmHeight, SRCCOPY);
      }
      continue;
    }
    if (args_.checkColumn && c == columns - 1) {
      if (!r.checkable) continue;
      RECT box = checkBoxRect(row);
      DrawFrameControl(dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | (r.checked ? DFCS_CHECKED : 0));
      continue;
    }
    RECT text = cell;
    InflateRect(&text, -4, 0);
    const std::string& s = static_cast<size_t>(c) < r.cells.size() ? r.cells[static_cast<size_t>(c)] : std::string();
    SetTextColor(dc, RGB(0, 0, 0));
    if (c == 1 && !r.secondLine.empty()) {
      RECT top = text, bottom = text;
      top.bottom = (text.top + text.bottom) / 2;
      bottom.top = top.bottom;
      DrawTextA(dc, s.c_str(), -1, &top, DT_LEFT | DT_BOTTOM | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
      SetTextColor(dc, kGrey);
      DrawTextA(dc, r.secondLine.c_str(), -1, &bottom, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    } else {
      DrawTextA(dc, s.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    }
  }
}

bool TwoLineList::onClick(const NMITEMACTIVATE& click) {
  if (!args_.checkColumn || click.iItem < 0 || click.iItem >= count()) return false;
  RECT cell{};
  int last = static_cast<int>(args_.columns.size()) - 1;
  ListView_GetSubItemRect(list_.hwnd(), click.iItem, last, LVIR_BOUNDS, &cell);
  if (!PtInRect(&cell, click.ptAction)) return false;
  TwoLineRow& r = rows_[static_cast<size_t>(click.iItem)];
  if (!r.checkable) return false;
  setChecked(click.iItem, !r.checked);
  return true;
}

}  // namespace zorvik
