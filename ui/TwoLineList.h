#pragma once
// The owner-drawn two-line list: a report list view whose rows show a 48 x 48 picture, the
// row's texts with a grey second line, and optionally a check box in the last column that a
// click toggles. The list owns the row records; only the UI thread touches them.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/Controls.h"
#include "common/win/Handles.h"

namespace zorvik {

constexpr int kRowPictureSize = 48;
constexpr int kTwoLineRowHeight = 56;

struct TwoLineRow {
  std::vector<uint8_t> image;           // encoded picture, at most the list's image capacity
  std::vector<std::string> cells;       // column texts; cell 1 is the first line of column 1
  std::string secondLine;               // drawn grey under cell 1
  bool checkable = true;
  bool checked = false;
  HBITMAP picture = nullptr;            // a picture someone else owns, used when image is empty
  UniqueBitmap decoded;                 // decoded from `image` on first draw
};

struct TwoLineListArgs {
  std::vector<ListColumn> columns;
  size_t imageCapacity = 262144;        // each page's record gives its own size
  bool checkColumn = true;              // the last column holds the check box
};

class TwoLineList {
public:
  // Draws one cell instead of the list; return false to let the list draw it.
  using CellPainter = std::function<bool(HDC, const RECT&, int row, int column, bool selected)>;

  // Takes over a report list view: owner-drawn rows of kTwoLineRowHeight, the given columns.
  bool attach(HWND list, const TwoLineListArgs& args);
  HWND hwnd() const { return list_.hwnd(); }
  ListView& view() { return list_; }

  // Adds a row; false when its picture is larger than the capacity (the row is still added,
  // without a picture, so no record is lost).
  bool addRow(TwoLineRow row);
  void clear();
  int count() const { return static_cast<int>(rows_.size()); }
  const TwoLineRow& row(int i) const { return rows_.at(static_cast<size_t>(i)); }
  std::vector<int> checkedRows() const;
  void setChecked(int row, bool on);
  void setCellPainter(CellPainter p) { painter_ = std::move(p); }

  // The parent forwards these: WM_DRAWITEM for the list, and NM_CLICK from it. onClick returns
  // true when the click toggled a check box.
  void drawItem(const DRAWITEMSTRUCT& d);
  bool onClick(const NMITEMACTIVATE& click);

private:
  ListView list_;
  TwoLineListArgs args_;
  std::vector<TwoLineRow> rows_;
  CellPainter painter_;
  RECT checkBoxRect(int row) const;
};

}  // namespace zorvik
