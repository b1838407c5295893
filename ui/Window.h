#pragma once
// Window and dialog base classes with message maps. One window procedure binds the object at
// WM_NCCREATE (windows) or WM_INITDIALOG (dialogs) and dispatches to the handlers registered with
// on()/onCommand()/onNotify(); anything not handled goes to the default procedure.
#include <windows.h>

#include <functional>
#include <string>
#include <unordered_map>

#include "common/win/Handles.h"

namespace zorvik {

// One message as a handler sees it. A handler leaves `handled` true to consume the message
// with `result`; it may clear it to let the default procedure run as well.
struct WinMsg {
  HWND hwnd;
  UINT msg;
  WPARAM wp;
  LPARAM lp;
  LRESULT result = 0;
  bool handled = true;
  UINT commandId() const { return LOWORD(wp); }
  UINT commandCode() const { return HIWORD(wp); }
  const NMHDR* notify() const { return reinterpret_cast<const NMHDR*>(lp); }
};

using MsgHandler = std::function<void(WinMsg&)>;

class MessageMap {
public:
  void on(UINT msg, MsgHandler h) { messages_[msg] = std::move(h); }
  // WM_COMMAND by control or menu id (any notification code unless one is given).
  void onCommand(UINT id, MsgHandler h) { commands_[id] = std::move(h); }
  // WM_NOTIFY by control id and notification code.
  void onNotify(UINT id, UINT code, MsgHandler h) {
    notifies_[(static_cast<uint64_t>(id) << 32) | code] = std::move(h);
  }
  // Returns true when a handler ran and consumed the message.
  bool dispatch(WinMsg& m) const;

private:
  std::unordered_map<UINT, MsgHandler> messages_;
  std::unordered_map<UINT, MsgHandler> commands_;
  std::unordered_map<uint64_t, MsgHandler> notifies_;
};

struct WindowCreateArgs {
  const char* className = nullptr;   // null: the framework's own class
  const char* title = "";
  DWORD style = WS_OVERLAPPEDWINDOW;
  DWORD exStyle = 0;
  int x = CW_USEDEFAULT, y = CW_USEDEFAULT, width = CW_USEDEFAULT, height = CW_USEDEFAULT;
  HWND parent = nullptr;
  HMENU menuOrId = nullptr;
};

// A window the object owns: destroyed with the object unless destroyed earlier. A derived class
// whose handlers use its own members destroys the window in its own destructor, since by the time
// ~Window runs those members are gone.
class Window {
public:
  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  bool create(const WindowCreateArgs& args);
  HWND hwnd() const { return hwnd_; }
  void destroy();

protected:
  MessageMap map_;
  virtual LRESULT defaultProc(WinMsg& m);
  // Called after WM_NCDESTROY, when the handle is gone.
  virtual void onFinalMessage() {}

private:
  static LRESULT CALLBACK windowProc(HWND, UINT, WPARAM, LPARAM);
  HWND hwnd_ = nullptr;
};

// A dialog from a template in the program's resources, modal or modeless.
class Dialog {
public:
  explicit Dialog(int templateId) : templateId_(templateId) {}
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  INT_PTR runModal(HWND parent);
  bool createModeless(HWND parent);
  HWND hwnd() const { return hwnd_; }
  HWND item(int id) const { return GetDlgItem(hwnd_, id); }
  // Ends a modal dialog, or destroys a modeless one.
  void end(INT_PTR result);
  bool isModal() const { return modal_; }

protected:
  MessageMap map_;
  virtual void onFinalMessage() {}

private:
  static INT_PTR CALLBACK dialogProc(HWND, UINT, WPARAM, LPARAM);
  int templateId_;
  HWND hwnd_ = nullptr;
  bool modal_ = false;
};

HINSTANCE appInstance();
// A GB2312 font of the face, `height` pixels high (the shared fonts of the windows and pages).
UniqueFont createFont(const std::string& face, int height, int weight, bool underline = false,
                      DWORD quality = CLEARTYPE_QUALITY);
std::string windowText(HWND hwnd);
RECT clientRectOf(HWND hwnd);
// The child's rectangle in its parent's client coordinates.
RECT childRect(HWND child);

}  // namespace zorvik
