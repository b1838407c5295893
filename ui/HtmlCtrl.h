#pragma once
// The HTML page host: a child window holding the system's web browser control through our own
// OLE container site. The site also implements the document-host UI handler and forwards every
// call to an overridable operation here. "vko:" links become OnAppCmd calls instead of
// navigations. Documents are reached from worker threads only through the global interface table.
#include <windows.h>
#include <exdisp.h>
#include <mshtmhst.h>

#include <string>

#include "common/win/Handles.h"
#include "common/HtmlEscape.h"
#include "ui/Window.h"

namespace zorvik {

class HtmlSite;

class CHtmlCtrlBase : public Window {
public:
  CHtmlCtrlBase();
  ~CHtmlCtrlBase() override;

  // Replaces the placeholder control `id` of `parentDialog` with this control (same id and
  // rectangle, child and visible). False when the placeholder does not exist.
  bool CreateFromStatic(UINT id, HWND parentDialog, void* owner = nullptr);
  // Creates the window and the browser as its child filling the client area (pane id 0xE900).
  bool Create(const RECT& rect, HWND parent, UINT id, void* owner = nullptr);
  // Navigates to "res://<program path>/<id>", an RT_HTML resource of the program.
  bool LoadFromResource(UINT resourceId);
  // Post data is sent as a one-dimensional byte array; postLength 0 means the text length.
  bool Navigate2(const std::string& address, DWORD flags = 0, const char* targetFrame = nullptr,
                 const char* headers = nullptr, const char* postData = nullptr, size_t postLength = 0);

  // Browser events. The default of OnBeforeNavigate2 turns "vko:" (any case) into OnAppCmd.
  virtual void OnBeforeNavigate2(const std::string& address, bool& cancel);
  virtual void OnDocumentComplete(const std::string& address);
  // In-page command (the text after "vko:"); for the owner to override.
  virtual void OnAppCmd(const std::string& command);

  // Document-host UI handler operations, forwarded one to one by the site.
  virtual HRESULT OnShowContextMenu(DWORD id, POINT* pt, IUnknown* target, IDispatch* object);
  virtual HRESULT OnGetHostInfo(DOCHOSTUIINFO* info);
  virtual HRESULT OnShowUI(DWORD id, IOleInPlaceActiveObject* active, IOleCommandTarget* target,
                           IOleInPlaceFrame* frame, IOleInPlaceUIWindow* doc);
  virtual HRESULT OnHideUI();
  virtual HRESULT OnUpdateUI();
  virtual HRESULT OnEnableModeless(BOOL enable);
  virtual HRESULT OnDocWindowActivate(BOOL activate);
  virtual HRESULT OnFrameWindowActivate(BOOL activate);
  virtual HRESULT OnResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frameWindow);
  virtual HRESULT OnTranslateAccelerator(LPMSG msg, const GUID* group, DWORD cmd);
  virtual HRESULT OnGetOptionKeyPath(LPOLESTR* key, DWORD reserved);
  virtual HRESULT OnGetDropTarget(IDropTarget* dropTarget, IDropTarget** out);
  virtual HRESULT OnGetExternal(IDispatch** out);
  virtual HRESULT OnTranslateUrl(DWORD reserved, LPWSTR url, LPWSTR* out);
  virtual HRESULT OnFilterDataObject(IDataObject* object, IDataObject** out);

  IWebBrowser2* browser() const { return browser_.get(); }
  void* owner() const { return owner_; }
  bool createdFromStatic() const { return fromStatic_; }
  // The document's cookie in the global interface table; 0 while no document is registered
  // (always so under Wine without Gecko, where the browser has no document).
  DWORD documentCookie() const { return cookie_; }
  // Registers the current document (done on document completion); false when there is none.
  bool registerDocument();

private:
  friend class HtmlSite;
  bool createBrowser();
  void releaseBrowser();
  void revokeDocument();

  HtmlSite* site_ = nullptr;  // one reference held by the control
  ComPtr<IOleObject> oleObject_;
  ComPtr<IWebBrowser2> browser_;
  DWORD adviseCookie_ = 0;
  DWORD cookie_ = 0;
  void* owner_ = nullptr;
  bool fromStatic_ = false;
};

// A second creatable class some pages use; no change in behaviour.
class CHtmlCtrlFix : public CHtmlCtrlBase {};

// Replaces the inner HTML of the element `id` of the document registered under `cookie`.
// Callable from any thread (COM is initialised for the call). `html` is GBK text that the caller
// has built with htmlEscape around every piece of data. False when there is no such document or
// element.
bool setElementHtml(DWORD cookie, const std::string& id, const std::string& html);
// Scrolls the window of the document registered under `cookie` (callable from any thread).
bool scrollDocument(DWORD cookie, long x, long y);

}  // namespace zorvik
