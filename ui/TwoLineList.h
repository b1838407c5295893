#pragma once
// The owner-drawn two-line list: a report list view whose rows show a 48 x 48 picture, the
// row's texts with a grey second line, and optionally a check box that a click toggles. The list
// owns the row records; only the UI thread touches them.
//
// Once attached, the list answers for its own window: its parent (any Window or Dialog of the
// framework) hands it WM_DRAWITEM, NM_CLICK and WM_SETCURSOR for it (app/Window.h,
// ReflectedControl), so a page registers no handler to make it draw, tick or show the busy cursor.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/Controls.h"
#include "ui/Window.h"
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
  std::vector<ListColumn> columns;      // titles, widths and heading alignment
  size_t imageCapacity = 262144;        // each page's record gives its own size
  bool checkColumn = true;              // a column holds the check box
  int checkColumnIndex = -1;            // which one; -1 the last
};

// Two lines in a cell, the first black on the upper half, the second (grey unless said) on the
// lower half, both cut with an ellipsis; `align` is DT_LEFT, DT_CENTER or DT_RIGHT.
void drawTwoLines(HDC dc, const RECT& cell, const std::string& upper, const std::string& lower, UINT align,
                  COLORREF lowerColour = RGB(130, 130, 130), COLORREF upperColour = RGB(0, 0, 0));
// One line centred vertically, cut with an ellipsis.
void drawOneLine(HDC dc, const RECT& cell, const std::string& text, UINT align, COLORREF colour = RGB(0, 0, 0));
// The flat check box of the lists, centred in the cell.
void drawCheckBox(HDC dc, const RECT& cell, bool checked, int side = 14);

class TwoLineList : private ReflectedControl {
public:
  // Draws one cell instead of the list; return false to let the list draw it.
  using CellPainter = std::function<bool(HDC, const RECT&, int row, int column, bool selected)>;

  TwoLineList() = default;
  ~TwoLineList() override;
  TwoLineList(const TwoLineList&) = delete;
  TwoLineList& operator=(const TwoLineList&) = delete;

  // Takes over a report list view: owner-drawn rows of kTwoLineRowHeight, the given columns; the
  // list answers its parent's drawing, clicks and cursor messages for itself from now on.
  bool attach(HWND list, const TwoLineListArgs& args);
  HWND hwnd() const { return list_.hwnd(); }
  ListView& view() { return list_; }
  const ListView& view() const { return list_; }

  // Adds a row; false when its picture is larger than the capacity (the row is still added,
  // without a picture, so no record is lost).
  bool addRow(TwoLineRow row);
  // Every row replaced in one step: drawing is suspended meanwhile and the list redrawn after.
  void replaceRows(std::vector<TwoLineRow> rows);
  void clear();
  int count() const { return static_cast<int>(rows_.size()); }
  const TwoLineRow& row(int i) const { return rows_.at(static_cast<size_t>(i)); }
  std::vector<int> checkedRows() const;
  void setChecked(int row, bool on);
  void setCellPainter(CellPainter p) { painter_ = std::move(p); }
  // While `busy()` is true the cursor over the list is the busy one.
  void setBusy(std::function<bool()> busy) { busy_ = std::move(busy); }
  // Whether the last click toggled a check box (the click goes on to the parent's handlers).
  bool lastClickToggled() const { return lastClickToggled_; }

  // What the parent's messages do (reflection calls these; tests may too).
  void drawItem(const DRAWITEMSTRUCT& d);
  bool onClick(const NMITEMACTIVATE& click);

private:
  bool reflect(WinMsg& m) override;
  int checkColumn() const;
  RECT checkBoxRect(int row) const;

  ListView list_;
  TwoLineListArgs args_;
  std::vector<TwoLineRow> rows_;
  CellPainter painter_;
  std::function<bool()> busy_;
  bool lastClickToggled_ = false;
};

}  // namespace zorvik
