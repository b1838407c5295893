#include "ui/Window.h"

namespace zorvik {

namespace {
constexpr char kWindowClass[] = "ZorvikWindow";

bool registerFrameworkClass(WNDPROC proc) {
  static const bool registered = [proc] {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = appInstance();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kWindowClass;
    return RegisterClassExA(&wc) != 0;
  }();
  return registered;
}
}  // namespace

HINSTANCE appInstance() { return GetModuleHandleA(nullptr); }

UniqueFont createFont(const std::string& face, int height, int weight, bool underline, DWORD quality) {
  return UniqueFont(CreateFontA(-height, 0, 0, 0, weight, FALSE, underline, FALSE, GB2312_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, quality, DEFAULT_PITCH, face.c_str()));
}

std::string windowText(HWND hwnd) {
  int n = GetWindowTextLengthA(hwnd);
  std::string s(static_cast<size_t>(n) + 1, '\0');
  n = GetWindowTextA(hwnd, s.data(), n + 1);
  s.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return s;
}

RECT clientRectOf(HWND hwnd) {
  RECT r{};
  GetClientRect(hwnd, &r);
  return r;
}

RECT childRect(HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

bool MessageMap::dispatch(WinMsg& m) const {
  const MsgHandler* h = nullptr;
  if (m.msg == WM_COMMAND) {
    auto it = commands_.find(m.commandId());
    if (it != commands_.end()) h = &it->second;
  } else if (m.msg == WM_NOTIFY && m.lp) {
    const NMHDR* n = m.notify();
    auto it = notifies_.find((static_cast<uint64_t>(n->idFrom) << 32) | n->code);
    if (it != notifies_.end()) h = &it->second;
  }
  if (!h) {
    auto it = messages_.find(m.msg);
    if (it == messages_.end()) return false;
    h = &it->second;
  }
  m.handled = true;
  (*h)(m);
  return m.handled;
}

// ---- Window

Window::~Window() { destroy(); }

void Window::destroy() {
  if (hwnd_) DestroyWindow(hwnd_);
}

bool Window::create(const WindowCreateArgs& a) {
  const char* cls = a.className;
  if (!cls) {
    if (!registerFrameworkClass(windowProc)) return false;
    cls = kWindowClass;
  }
  HWND h = CreateWindowExA(a.exStyle, cls, a.title, a.style, a.x, a.y, a.width, a.height, a.parent,
                           a.menuOrId, appInstance(), this);
  if (!h) return false;
  if (!hwnd_) {  // a class of someone else's: bind now and subclass
    hwnd_ = h;
    SetWindowLongPtrA(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetPropA(h, "ZorvikOldProc",
             reinterpret_cast<HANDLE>(SetWindowLongPtrA(h, GWLP_WNDPROC,
                                                        reinterpret_cast<LONG_PTR>(windowProc))));
  }
  return true;
}

LRESULT Window::defaultProc(WinMsg& m) {
  auto old = reinterpret_cast<WNDPROC>(GetPropA(m.hwnd, "ZorvikOldProc"));
  if (old) return CallWindowProcA(old, m.hwnd, m.msg, m.wp, m.lp);
  return DefWindowProcA(m.hwnd, m.msg, m.wp, m.lp);
}

LRESULT CALLBACK Window::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self && msg == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
  WinMsg m{hwnd, msg, wp, lp};
  LRESULT r = self->map_.dispatch(m) ? m.result : self->defaultProc(m);
  if (msg == WM_NCDESTROY) {
    if (auto old = GetPropA(hwnd, "ZorvikOldProc")) {
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
      RemovePropA(hwnd, "ZorvikOldProc");
    }
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    self->onFinalMessage();
  }
  return r;
}

// ---- Dialog

Dialog::~Dialog() {
  if (hwnd_) DestroyWindow(hwnd_);
}

INT_PTR Dialog::runModal(HWND parent) {
  modal_ = true;
  return DialogBoxParamA(appInstance(), MAKEINTRESOURCEA(templateId_), parent, dialogProc,
                         reinterpret_cast<LPARAM>(this));
}

bool Dialog::createModeless(HWND parent) {
  modal_ = false;
  return CreateDialogParamA(appInstance(), MAKEINTRESOURCEA(templateId_), parent, dialogProc,
                            reinterpret_cast<LPARAM>(this)) != nullptr;
}

void Dialog::end(INT_PTR result) {
  if (!hwnd_) return;
  if (modal_)
    EndDialog(hwnd_, result);
  else
    DestroyWindow(hwnd_);
}

INT_PTR CALLBACK Dialog::dialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (!self && msg == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lp);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
  }
  if (!self) return FALSE;
  WinMsg m{hwnd, msg, wp, lp};
  bool handled = self->map_.dispatch(m);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, DWLP_USER, 0);
    self->hwnd_ = nullptr;
    self->onFinalMessage();
  }
  if (!handled) {
    // Without a handler a dialog's Cancel still closes it, as users expect.
    if (msg == WM_COMMAND && (LOWORD(wp) == IDCANCEL || LOWORD(wp) == IDOK) && self->hwnd_) {
      self->end(LOWORD(wp));
      return TRUE;
    }
    return msg == WM_INITDIALOG ? TRUE : FALSE;
  }
  switch (msg) {
    case WM_INITDIALOG:
      return m.result ? m.result : TRUE;
    case WM_CTLCOLORDLG: case WM_CTLCOLORSTATIC: case WM_CTLCOLORBTN: case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: case WM_CTLCOLORSCROLLBAR: case WM_COMPAREITEM: case WM_VKEYTOITEM:
    case WM_CHARTOITEM: case WM_QUERYDRAGICON:
      return m.result;
    default:
      SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, m.result);
      return TRUE;
  }
}

}  // namespace zorvik
