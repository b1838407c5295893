#include "ui/Controls.h"

#include <vector>

namespace zorvik {

std::string Control::text() const {
  int n = GetWindowTextLengthA(h_);
  std::string s(static_cast<size_t>(n) + 1, '\0');
  n = GetWindowTextA(h_, s.data(), n + 1);
  s.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return s;
}

std::string ComboBox::itemText(int i) const {
  LRESULT n = SendMessageA(h_, CB_GETLBTEXTLEN, i, 0);
  if (n == CB_ERR) return {};
  std::string s(static_cast<size_t>(n) + 1, '\0');
  n = SendMessageA(h_, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(s.data()));
  s.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return s;
}

void ListView::addColumn(int index, const ListColumn& c) const {
  LVCOLUMNA col{};
  col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  col.pszText = const_cast<char*>(c.title);
  col.cx = c.width;
  col.iSubItem = index;
  SendMessageA(h_, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&col));
}

int ListView::columnCount() const {
  HWND header = reinterpret_cast<HWND>(SendMessageA(h_, LVM_GETHEADER, 0, 0));
  return header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

std::string ListView::columnTitle(int i) const {
  char buf[128] = {};
  LVCOLUMNA col{};
  col.mask = LVCF_TEXT;
  col.pszText = buf;
  col.cchTextMax = sizeof buf;
  SendMessageA(h_, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&col));
  return buf;
}

int ListView::insertRow(int index, const std::string& text, LPARAM data) const {
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = index;
  item.pszText = const_cast<char*>(text.c_str());
  item.lParam = data;
  return static_cast<int>(SendMessageA(h_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void ListView::setCell(int row, int col, const std::string& text) const {
  LVITEMA item{};
  item.iSubItem = col;
  item.pszText = const_cast<char*>(text.c_str());
  SendMessageA(h_, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

std::string ListView::cell(int row, int col) const {
  std::vector<char> buf(1024);
  LVITEMA item{};
  item.iSubItem = col;
  item.pszText = buf.data();
  item.cchTextMax = static_cast<int>(buf.size());
  LRESULT n = SendMessageA(h_, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  return std::string(buf.data(), n > 0 ? static_cast<size_t>(n) : 0);
}

void ListView::select(int row) const {
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(h_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
  SendMessageA(h_, LVM_ENSUREVISIBLE, row, FALSE);
}

void ListView::setItemHeight(int height) const {
  // The list keeps the image list's height as its row height; the list owns it (LVS_SHAREIMAGELISTS off).
  HIMAGELIST il = ImageList_Create(1, height, ILC_COLOR24, 1, 0);
  HIMAGELIST old = reinterpret_cast<HIMAGELIST>(
      SendMessageA(h_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(il)));
  if (old) ImageList_Destroy(old);
}

LPARAM ListView::rowData(int row) const {
  LVITEMA item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  SendMessageA(h_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return item.lParam;
}

HTREEITEM TreeView::insert(HTREEITEM parent, const std::string& text, LPARAM data) const {
  TVINSERTSTRUCTA ins{};
  ins.hParent = parent;
  ins.hInsertAfter = TVI_LAST;
  ins.item.mask = TVIF_TEXT | TVIF_PARAM;
  ins.item.pszText = const_cast<char*>(text.c_str());
  ins.item.lParam = data;
  return reinterpret_cast<HTREEITEM>(SendMessageA(h_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
}

void TreeView::expandAll(bool expand) const {
  // Depth-first over every item that has children.
  std::vector<HTREEITEM> stack;
  for (HTREEITEM i = TreeView_GetRoot(h_); i; i = TreeView_GetNextSibling(h_, i)) stack.push_back(i);
  while (!stack.empty()) {
    HTREEITEM i = stack.back();
    stack.pop_back();
    TreeView_Expand(h_, i, expand ? TVE_EXPAND : TVE_COLLAPSE);
    for (HTREEITEM c = TreeView_GetChild(h_, i); c; c = TreeView_GetNextSibling(h_, c)) stack.push_back(c);
  }
}

}  // namespace zorvik
