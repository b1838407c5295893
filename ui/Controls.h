#pragma once
// Non-owning wrappers over common controls: one-line methods that name the messages.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace zorvik {

class Control {
public:
  Control() = default;
  explicit Control(HWND h) : h_(h) {}
  Control(HWND dialog, int id) : h_(GetDlgItem(dialog, id)) {}
  HWND hwnd() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  void show(bool visible) const { ShowWindow(h_, visible ? SW_SHOWNA : SW_HIDE); }
  bool visible() const { return IsWindowVisible(h_) != FALSE; }
  void enable(bool on) const { EnableWindow(h_, on); }
  void setText(const std::string& text) const { SetWindowTextA(h_, text.c_str()); }
  std::string text() const;
  void move(const RECT& r) const {
    MoveWindow(h_, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  }
  void setFont(HFONT font) const { SendMessageA(h_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE); }
  void redraw() const { InvalidateRect(h_, nullptr, TRUE); }

protected:
  HWND h_ = nullptr;
};

class Button : public Control {
public:
  using Control::Control;
  bool checked() const { return SendMessageA(h_, BM_GETCHECK, 0, 0) == BST_CHECKED; }
  void setChecked(bool on) const { SendMessageA(h_, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }
  void click() const { SendMessageA(h_, BM_CLICK, 0, 0); }
};

class Label : public Control {
public:
  using Control::Control;
};

class Edit : public Control {
public:
  using Control::Control;
  void setLimit(int chars) const { SendMessageA(h_, EM_SETLIMITTEXT, chars, 0); }
  void selectAll() const { SendMessageA(h_, EM_SETSEL, 0, -1); }
};

class ComboBox : public Control {
public:
  using Control::Control;
  int add(const std::string& s) const { return static_cast<int>(SendMessageA(h_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()))); }
  void select(int i) const { SendMessageA(h_, CB_SETCURSEL, i, 0); }
  int selected() const { return static_cast<int>(SendMessageA(h_, CB_GETCURSEL, 0, 0)); }
  int count() const { return static_cast<int>(SendMessageA(h_, CB_GETCOUNT, 0, 0)); }
  std::string itemText(int i) const;
  void clear() const { SendMessageA(h_, CB_RESETCONTENT, 0, 0); }
};

class ProgressBar : public Control {
public:
  using Control::Control;
  void setRange(int lo, int hi) const { SendMessageA(h_, PBM_SETRANGE32, lo, hi); }
  void setPos(int pos) const { SendMessageA(h_, PBM_SETPOS, pos, 0); }
  int pos() const { return static_cast<int>(SendMessageA(h_, PBM_GETPOS, 0, 0)); }
};

// A report-list column: its heading, width and the heading's alignment (LVCFMT_LEFT, _CENTER,
// _RIGHT; the first column of a list view is always left).
struct ListColumn {
  const char* title;
  int width;
  int align = LVCFMT_LEFT;
};

// Drawing of a window suspended for the scope, then resumed and the window redrawn.
class RedrawSuspended {
public:
  explicit RedrawSuspended(HWND w) : w_(w) { if (w_) SendMessageA(w_, WM_SETREDRAW, FALSE, 0); }
  ~RedrawSuspended() {
    if (!w_) return;
    SendMessageA(w_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(w_, nullptr, TRUE);
  }
  RedrawSuspended(const RedrawSuspended&) = delete;
  RedrawSuspended& operator=(const RedrawSuspended&) = delete;

private:
  HWND w_;
};

// A child window of `parent` made in code: visible, with the control id and the font given (by
// default the parent's own font).
struct ChildSpec {
  const char* className;
  const char* text = "";
  DWORD style = 0;          // added to WS_CHILD | WS_VISIBLE
  int x = 0, y = 0, width = 0, height = 0;
  int id = -1;
  DWORD exStyle = 0;
  HFONT font = nullptr;     // null: the parent's WM_GETFONT
};
HWND createChild(HWND parent, const ChildSpec& child);
// The same, positionally: class, text, style, place, id, and optionally the extended style and font.
inline HWND createChild(HWND parent, const char* className, const char* text, DWORD style, int x, int y, int width,
                        int height, int id, DWORD exStyle = 0, HFONT font = nullptr) {
  return createChild(parent, {className, text, style, x, y, width, height, id, exStyle, font});
}

class ListView : public Control {
public:
  using Control::Control;
  void setExtendedStyle(DWORD style) const { SendMessageA(h_, LVM_SETEXTENDEDLISTVIEWSTYLE, style, style); }
  void addColumn(int index, const ListColumn& c) const;
  int columnCount() const;
  int columnWidth(int i) const { return static_cast<int>(SendMessageA(h_, LVM_GETCOLUMNWIDTH, i, 0)); }
  std::string columnTitle(int i) const;
  int insertRow(int index, const std::string& text, LPARAM data = 0) const;
  void setCell(int row, int col, const std::string& text) const;
  std::string cell(int row, int col) const;
  int count() const { return static_cast<int>(SendMessageA(h_, LVM_GETITEMCOUNT, 0, 0)); }
  void clear() const { SendMessageA(h_, LVM_DELETEALLITEMS, 0, 0); }
  int selected() const { return nextSelected(-1); }
  // The next selected row after `after` (-1: the first), or -1.
  int nextSelected(int after) const {
    return static_cast<int>(SendMessageA(h_, LVM_GETNEXTITEM, static_cast<WPARAM>(after), LVNI_SELECTED));
  }
  std::vector<int> selectedRows() const;
  void select(int row) const;
  int selectionMark() const { return static_cast<int>(SendMessageA(h_, LVM_GETSELECTIONMARK, 0, 0)); }
  void setSelectionMark(int row) const { SendMessageA(h_, LVM_SETSELECTIONMARK, 0, row); }
  UINT state(int row, UINT mask) const {
    return static_cast<UINT>(SendMessageA(h_, LVM_GETITEMSTATE, row, mask));
  }
  void setState(int row, UINT state, UINT mask) const;
  // A row whose first cell is UTF-16 text (names the ANSI code page cannot hold), with an image.
  int insertRowWide(int index, const std::wstring& text, int image) const;
  void redrawRows(int first, int last) const { SendMessageA(h_, LVM_REDRAWITEMS, first, last); }
  void setItemHeight(int height) const;   // through a tiny image list: the only portable way
  LPARAM rowData(int row) const;
};

class TreeView : public Control {
public:
  using Control::Control;
  HTREEITEM insert(HTREEITEM parent, const std::string& text, LPARAM data = 0) const;
  void expandAll(bool expand) const;
  void clear() const { SendMessageA(h_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)); }
  int count() const { return static_cast<int>(SendMessageA(h_, TVM_GETCOUNT, 0, 0)); }
};

}  // namespace zorvik
