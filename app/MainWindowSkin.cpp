// The main window's skin: fonts and pictures, the child controls, the painted frame and the
// owner-drawn buttons.
#include "ui/Controls.h"
#include "app/MainWindow.h"

#include <commctrl.h>

#include "app/MainWindowLayout.h"
#include "app/resource.h"

namespace zorvik {

using namespace mainwindow;

namespace {

bool isCaptionButton(int id) { return id == IDC_CAPTION_CLOSE || id == IDC_CAPTION_MIN || id == IDC_CAPTION_MAX; }

// The toolbar button's index, or -1 for another control.
int toolbarIndex(int id) {
  for (int i = 0; i < kToolbarButtons; ++i)
    if (id == kToolbarIds[i]) return i;
  return -1;
}

// A font face that exists here: the Windows faces first, then what Wine finds on Linux.
std::string uiFace() {
  static const std::string face = [] {
    const char* faces[] = {"Microsoft YaHei", "SimSun", "WenQuanYi Micro Hei", "Tahoma"};
    WindowDc screen(nullptr);
    std::string found = "Tahoma";
    for (const char* f : faces) {
      LOGFONTA lf{};
      lf.lfCharSet = DEFAULT_CHARSET;
      lstrcpynA(lf.lfFaceName, f, LF_FACESIZE);
      bool exists = false;
      EnumFontFamiliesExA(screen.get(), &lf, [](const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM p) -> int {
        *reinterpret_cast<bool*>(p) = true;
        return 0;
      }, reinterpret_cast<LPARAM>(&exists), 0);
      if (exists) { found = f; break; }
    }
    return found;
  }();
  return face;
}

}  // namespace

void MainWindow::loadSkin() {
  const auto picture = [](int id, UINT type, int size) {
    return LoadImageA(appInstance(), MAKEINTRESOURCEA(id), type, size, size, 0);
  };
  white_.reset(CreateSolidBrush(RGB(255, 255, 255)));
  navBrush_.reset(CreateSolidBrush(kNavColour));
  barBrush_.reset(CreateSolidBrush(kBarColour));
  titleFont_ = createFont(uiFace(), 16, FW_BOLD);
  uiFont_ = createFont(uiFace(), 13, FW_NORMAL);
  underlineFont_ = createFont(uiFace(), 13, FW_NORMAL, true);
  header_.reset(static_cast<HBITMAP>(picture(IDB_SKIN_HEADER, IMAGE_BITMAP, 0)));
  toolbarPicture_.reset(static_cast<HBITMAP>(picture(IDB_TOOLBAR, IMAGE_BITMAP, 0)));
  bigIcon_.reset(static_cast<HICON>(picture(IDI_MAIN, IMAGE_ICON, 32)));
  smallIcon_.reset(static_cast<HICON>(picture(IDI_MAIN, IMAGE_ICON, 16)));
}

void MainWindow::createControls() {
  HWND h = hwnd();
  auto child = [&](const char* cls, const char* text, DWORD style, int x, int y, int w, int hgt, int id) {
    return createChild(h, cls, text, style, x, y, w, hgt, id, 0, uiFont_.get());
  };
  // Caption buttons with their tooltips.
  tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, h,
                             nullptr, appInstance(), nullptr);
  struct { int id; const char* tip; int x; } caps[] = {
    {IDC_CAPTION_MIN, "最小化", kWidth - 96}, {IDC_CAPTION_MAX, "最大化", kWidth - 66},
    {IDC_CAPTION_CLOSE, "关闭", kWidth - 36},
  };
  for (auto& c : caps) {
    HWND b = child("BUTTON", "", BS_OWNERDRAW, c.x, 4, 28, 22, c.id);
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = h;
    ti.uId = reinterpret_cast<UINT_PTR>(b);
    ti.lpszText = const_cast<char*>(c.tip);
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
  }
  // Group tabs and "内存整理".
  for (int g = 0; g < kGroupCount - 1; ++g)
    child("BUTTON", groupInfo(g).caption, BS_OWNERDRAW, 170 + g * 100, 52, 96, 36, IDC_GROUP_FIRST + g);
  child("BUTTON", groupInfo(kGroupCount - 1).caption, BS_OWNERDRAW, kWidth - 112, 56, 96, 28,
        IDC_GROUP_FIRST + kGroupCount - 1);
  for (int i = 0; i < kMaxPageButtons; ++i)
    child("BUTTON", "", BS_OWNERDRAW, 8, kHeaderHeight + 10 + i * 40, kNavWidth - 16, 34, IDC_PAGE_BUTTON_FIRST + i);
  for (int i = 0; i < kToolbarButtons; ++i)
    child("BUTTON", "", BS_OWNERDRAW, kNavWidth + 8 + i * 130, kHeaderHeight + 4, 124, 28, kToolbarIds[i]);
  int y = kHeight - kBottomHeight + 7;
  child("STATIC", "", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 10, y, 430, 18, IDC_STATUS_LINE);
  child("STATIC", "", SS_LEFT | SS_NOPREFIX, 450, y, 230, 18, IDC_CONNECTION_LABEL);
  HWND link = child("STATIC", "设备管理器", SS_NOTIFY | SS_CENTER, kWidth - 206, y, 80, 18, IDC_DEVICE_MANAGER);
  SendMessageA(link, WM_SETFONT, reinterpret_cast<WPARAM>(underlineFont_.get()), FALSE);
  child("BUTTON", "当前任务", BS_OWNERDRAW, kWidth - 114, kHeight - kBottomHeight + 3, 104, 24, IDC_CURRENT_TASKS);
  createSearchBox(uiFont_.get());
  const RECT& s = kSearchButtonRect;
  child("BUTTON", kSearchButtonText, BS_OWNERDRAW, s.left, s.top, s.right - s.left, s.bottom - s.top, kSearchButtonId);
}

void MainWindow::onEraseBackground(WinMsg& m) {
  RECT r = clientRectOf(hwnd());
  MemoryDc mem(reinterpret_cast<HDC>(m.wp), r.right, r.bottom);
  paintFrame(mem.get());
  BitBlt(reinterpret_cast<HDC>(m.wp), 0, 0, r.right, r.bottom, mem.get(), 0, 0, SRCCOPY);
  m.result = TRUE;
}

void MainWindow::onDrawItem(WinMsg& m) {
  drawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(m.lp));
  m.result = TRUE;
}

void MainWindow::onCtlColorStatic(WinMsg& m) {
  HDC dc = reinterpret_cast<HDC>(m.wp);
  int id = GetDlgCtrlID(reinterpret_cast<HWND>(m.lp));
  SetBkMode(dc, TRANSPARENT);
  if (id == IDC_CONNECTION_LABEL) SetTextColor(dc, connectionStateColor(connState_));
  else if (id == IDC_DEVICE_MANAGER) SetTextColor(dc, kSkinBlue);
  else SetTextColor(dc, RGB(60, 60, 60));
  m.result = reinterpret_cast<LRESULT>(barBrush_.get());
}

void MainWindow::applyRegion() {
  RECT r{};
  GetWindowRect(hwnd(), &r);
  UniqueRegion rgn(CreateRoundRectRgn(0, 0, r.right - r.left + 1, r.bottom - r.top + 1, 4, 4));
  if (SetWindowRgn(hwnd(), rgn.get(), TRUE)) rgn.release();  // the window owns it on success
}

// ---- skin

void MainWindow::paintFrame(HDC dc) {
  RECT all = clientRectOf(hwnd());
  FillRect(dc, &all, white_.get());
  RECT header{0, 0, all.right, kHeaderHeight};
  if (header_) {
    BITMAP bm{};
    GetObjectA(header_.get(), sizeof bm, &bm);
    BitmapDc mem(dc, header_.get());
    StretchBlt(dc, 0, 0, header.right, header.bottom, mem.get(), 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
  } else {
    UniqueBrush blue(CreateSolidBrush(kSkinBlue));
    FillRect(dc, &header, blue.get());
  }
  DrawIconEx(dc, 12, 8, bigIcon_.get(), 32, 32, 0, nullptr, DI_NORMAL);
  SetBkMode(dc, TRANSPARENT);
  {
    SelectObjectScope font(dc, titleFont_.get());
    SetTextColor(dc, RGB(255, 255, 255));
    RECT title{52, 8, 400, 40};
    DrawTextA(dc, "卓维克 PC版 1.0", -1, &title, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  RECT nav{0, kHeaderHeight, kNavWidth, all.bottom - kBottomHeight};
  FillRect(dc, &nav, navBrush_.get());
  RECT bar{kNavWidth, kHeaderHeight, all.right, kHeaderHeight + kToolbarHeight};
  FillRect(dc, &bar, barBrush_.get());
  RECT bottom{0, all.bottom - kBottomHeight, all.right, all.bottom};
  FillRect(dc, &bottom, barBrush_.get());
  UniquePen edge(CreatePen(PS_SOLID, 1, RGB(200, 212, 228)));
  SelectObjectScope pen(dc, edge.get());
  MoveToEx(dc, 0, bottom.top, nullptr);
  LineTo(dc, all.right, bottom.top);
  MoveToEx(dc, kNavWidth - 1, kHeaderHeight, nullptr);
  LineTo(dc, kNavWidth - 1, bottom.top);
  MoveToEx(dc, kNavWidth, bar.bottom - 1, nullptr);
  LineTo(dc, all.right, bar.bottom - 1);
  // The frame's outline, inside the rounded region.
  UniquePen outline(CreatePen(PS_SOLID, 1, RGB(20, 80, 150)));
  SelectObjectScope pen2(dc, outline.get());
  SelectObjectScope hollow(dc, GetStockObject(HOLLOW_BRUSH));
  RoundRect(dc, 0, 0, all.right, all.bottom, 4, 4);
}

MainWindow::ButtonLook MainWindow::buttonLook(int id, bool pressed) const {
  ButtonLook look;
  if (id >= IDC_GROUP_FIRST && id < IDC_GROUP_FIRST + kGroupCount) {
    bool current = id - IDC_GROUP_FIRST == group_;
    look.fill = current ? RGB(255, 255, 255) : RGB(52, 130, 214);
    look.ink = current ? kSkinBlue : RGB(255, 255, 255);
    look.border = current ? RGB(255, 255, 255) : RGB(90, 155, 225);
  } else if (id >= IDC_PAGE_BUTTON_FIRST && id < IDC_PAGE_BUTTON_FIRST + kMaxPageButtons) {
    int pageId = pageIdOf(group_, id - IDC_PAGE_BUTTON_FIRST);
    bool current = pageId == pageId_;
    look.fill = current ? kSkinBlue : kNavColour;
    look.ink = current ? RGB(255, 255, 255) : RGB(30, 30, 30);
    look.border = current ? kSkinBlue : kNavColour;
    if (Page* p = page(pageId); p && p->navBadge() >= 0) look.badge = p->navBadge();
  } else if (isCaptionButton(id)) {
    look.fill = pressed ? RGB(20, 80, 150) : RGB(40, 118, 204);
    look.border = look.fill;
    look.ink = RGB(255, 255, 255);
  } else {
    if (int i = toolbarIndex(id); i >= 0 && toolbarChecked_[static_cast<size_t>(i)]) look.fill = RGB(214, 230, 248);
    if (id == IDC_CURRENT_TASKS) {
      if (Page* p = page(kPageTasks); p && p->navBadge() > 0) look.badge = p->navBadge();
    }
  }
  if (pressed) look.fill = RGB(196, 218, 244);
  return look;
}

void MainWindow::drawButton(const DRAWITEMSTRUCT& d) {
  HDC dc = d.hDC;
  RECT r = d.rcItem;
  int id = static_cast<int>(d.CtlID);
  const ButtonLook look = buttonLook(id, (d.itemState & ODS_SELECTED) != 0);
  std::string text = windowText(d.hwndItem);
  if (look.badge >= 0) text += "(" + std::to_string(look.badge) + ")";
  UniqueBrush brush(CreateSolidBrush(look.fill));
  UniquePen pen(CreatePen(PS_SOLID, 1, look.border));
  {
    SelectObjectScope b(dc, brush.get());
    SelectObjectScope p(dc, pen.get());
    RoundRect(dc, r.left, r.top, r.right, r.bottom, 6, 6);
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, look.ink);
  SelectObjectScope font(dc, uiFont_.get());
  if (isCaptionButton(id)) {
    drawCaptionGlyph(dc, id, r);
    return;
  }
  if (int index = toolbarIndex(id); index >= 0 && toolbarPicture_) {
    // The toolbar picture: one 20 x 20 cell per button index.
    BitmapDc mem(dc, toolbarPicture_.get());
    TransparentBlt(dc, r.left + 6, (r.top + r.bottom - 20) / 2, 20, 20, mem.get(), index * 20, 0, 20, 20, RGB(255, 0, 255));
    r.left += 28;
    DrawTextA(dc, text.c_str(), -1, &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    return;
  }
  DrawTextA(dc, text.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

// Drawn glyphs rather than letters, so any font will do.
void MainWindow::drawCaptionGlyph(HDC dc, int id, const RECT& r) {
  UniquePen white(CreatePen(PS_SOLID, 2, RGB(255, 255, 255)));
  SelectObjectScope p(dc, white.get());
  int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
  if (id == IDC_CAPTION_CLOSE) {
    MoveToEx(dc, cx - 5, cy - 5, nullptr); LineTo(dc, cx + 5, cy + 5);
    MoveToEx(dc, cx + 5, cy - 5, nullptr); LineTo(dc, cx - 5, cy + 5);
  } else if (id == IDC_CAPTION_MIN) {
    MoveToEx(dc, cx - 5, cy + 4, nullptr); LineTo(dc, cx + 6, cy + 4);
  } else {
    SelectObjectScope hollow(dc, GetStockObject(HOLLOW_BRUSH));
    Rectangle(dc, cx - 5, cy - 5, cx + 6, cy + 5);
  }
}

}  // namespace zorvik
