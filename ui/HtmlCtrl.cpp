#include "ui/HtmlCtrl.h"

#include <exdispid.h>
#include <mshtml.h>
#include <oleauto.h>

#include <vector>

#include "common/win/ModulePath.h"
#include "common/win/WideText.h"

namespace zorvik {

namespace {

constexpr UINT kPaneId = 0xE900;

// A VARIANT cleared at the end of its scope.
struct Variant : VARIANT {
  Variant() { VariantInit(this); }
  ~Variant() { VariantClear(this); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
};

std::string variantText(const VARIANT* v) {
  if (!v) return {};
  if (v->vt == (VT_BYREF | VT_VARIANT)) return variantText(v->pvarVal);
  if (v->vt == VT_BSTR) return fromWide(v->bstrVal ? std::wstring_view(v->bstrVal) : std::wstring_view());
  return {};
}

ComPtr<IGlobalInterfaceTable> globalTable() {
  ComPtr<IGlobalInterfaceTable> git;
  CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER, IID_IGlobalInterfaceTable,
                   git.putVoid());
  return git;
}

}  // namespace

// The control site: client site, in-place site and frame, document-host UI handler, and the
// sink of the browser's events. Every UI-handler call is forwarded to the control.
class HtmlSite final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame,
                       public IDocHostUIHandler, public IDispatch {
public:
  explicit HtmlSite(CHtmlCtrlBase* ctrl) : ctrl_(ctrl) {}
  void detach() { ctrl_ = nullptr; }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) *out = static_cast<IOleClientSite*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) *out = static_cast<IOleInPlaceSite*>(this);
    else if (iid == IID_IOleInPlaceFrame || iid == IID_IOleInPlaceUIWindow) *out = static_cast<IOleInPlaceFrame*>(this);
    else if (iid == IID_IDocHostUIHandler) *out = static_cast<IDocHostUIHandler*>(this);
    else if (iid == IID_IDispatch || iid == DIID_DWebBrowserEvents2) *out = static_cast<IDispatch*>(this);
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
  }

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP GetContainer(IOleContainer** c) override { *c = nullptr; return E_NOINTERFACE; }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow (shared by the in-place site and frame)
  STDMETHODIMP GetWindow(HWND* h) override {
    *h = ctrl_ ? ctrl_->hwnd() : nullptr;
    return *h ? S_OK : E_FAIL;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                LPOLEINPLACEFRAMEINFO info) override {
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *doc = nullptr;
    if (ctrl_) {
      *pos = clientRectOf(ctrl_->hwnd());
      *clip = *pos;
    }
    info->fMDIApp = FALSE;
    info->hwndFrame = ctrl_ ? GetAncestor(ctrl_->hwnd(), GA_ROOT) : nullptr;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
  STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnPosRectChange(LPCRECT r) override {
    if (ctrl_ && ctrl_->oleObject_) {
      auto inplace = ctrl_->oleObject_.query<IOleInPlaceObject>(IID_IOleInPlaceObject);
      if (inplace) inplace->SetObjectRects(r, r);
    }
    return S_OK;
  }

  // IOleInPlaceUIWindow / IOleInPlaceFrame
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL enable) override { return ctrl_ ? ctrl_->OnEnableModeless(enable) : S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // IDocHostUIHandler: each call goes to the control's overridable operation.
  STDMETHODIMP ShowContextMenu(DWORD id, POINT* pt, IUnknown* t, IDispatch* o) override {
    return ctrl_ ? ctrl_->OnShowContextMenu(id, pt, t, o) : S_FALSE;
  }
  STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override { return ctrl_ ? ctrl_->OnGetHostInfo(info) : E_NOTIMPL; }
  STDMETHODIMP ShowUI(DWORD id, IOleInPlaceActiveObject* a, IOleCommandTarget* t, IOleInPlaceFrame* f,
                      IOleInPlaceUIWindow* d) override {
    return ctrl_ ? ctrl_->OnShowUI(id, a, t, f, d) : S_FALSE;
  }
  STDMETHODIMP HideUI() override { return ctrl_ ? ctrl_->OnHideUI() : S_OK; }
  STDMETHODIMP UpdateUI() override { return ctrl_ ? ctrl_->OnUpdateUI() : S_OK; }
  STDMETHODIMP OnDocWindowActivate(BOOL a) override { return ctrl_ ? ctrl_->OnDocWindowActivate(a) : S_OK; }
  STDMETHODIMP OnFrameWindowActivate(BOOL a) override { return ctrl_ ? ctrl_->OnFrameWindowActivate(a) : S_OK; }
  STDMETHODIMP ResizeBorder(LPCRECT r, IOleInPlaceUIWindow* w, BOOL f) override {
    return ctrl_ ? ctrl_->OnResizeBorder(r, w, f) : S_OK;
  }
  STDMETHODIMP TranslateAccelerator(LPMSG m, const GUID* g, DWORD c) override {
    return ctrl_ ? ctrl_->OnTranslateAccelerator(m, g, c) : S_FALSE;
  }
  STDMETHODIMP GetOptionKeyPath(LPOLESTR* k, DWORD r) override { return ctrl_ ? ctrl_->OnGetOptionKeyPath(k, r) : E_NOTIMPL; }
  STDMETHODIMP GetDropTarget(IDropTarget* d, IDropTarget** o) override { return ctrl_ ? ctrl_->OnGetDropTarget(d, o) : E_NOTIMPL; }
  STDMETHODIMP GetExternal(IDispatch** o) override { return ctrl_ ? ctrl_->OnGetExternal(o) : E_NOTIMPL; }
  STDMETHODIMP TranslateUrl(DWORD r, LPWSTR u, LPWSTR* o) override { return ctrl_ ? ctrl_->OnTranslateUrl(r, u, o) : S_FALSE; }
  STDMETHODIMP FilterDataObject(IDataObject* d, IDataObject** o) override {
    return ctrl_ ? ctrl_->OnFilterDataObject(d, o) : S_FALSE;
  }

  // IDispatch: the browser's DWebBrowserEvents2.
  STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO*, UINT*) override {
    if (!ctrl_ || !p) return S_OK;
    if (id == DISPID_BEFORENAVIGATE2 && p->cArgs == 7) {
      // Arguments arrive last first: rgvarg[5] is the address, rgvarg[0] the cancel flag.
      bool cancel = false;
      ctrl_->OnBeforeNavigate2(variantText(&p->rgvarg[5]), cancel);
      if (p->rgvarg[0].vt == (VT_BYREF | VT_BOOL) && p->rgvarg[0].pboolVal)
        *p->rgvarg[0].pboolVal = cancel ? VARIANT_TRUE : VARIANT_FALSE;
    } else if (id == DISPID_DOCUMENTCOMPLETE && p->cArgs == 2) {
      ctrl_->OnDocumentComplete(variantText(&p->rgvarg[0]));
    }
    return S_OK;
  }

private:
  ~HtmlSite() = default;
  LONG refs_ = 1;
  CHtmlCtrlBase* ctrl_;
};

CHtmlCtrlBase::CHtmlCtrlBase() {
  map_.on(WM_SIZE, [this](WinMsg& m) {
    if (auto inplace = oleObject_.query<IOleInPlaceObject>(IID_IOleInPlaceObject)) {
      RECT r = clientRectOf(hwnd());
      inplace->SetObjectRects(&r, &r);
    }
    m.handled = false;
  });
  // In a dialog the control is a plain child: release the browser, let the window go, and
  // nothing else (it must never end the program).
  map_.on(WM_DESTROY, [this](WinMsg& m) {
    releaseBrowser();
    m.handled = false;
  });
  map_.on(WM_MOUSEACTIVATE, [this](WinMsg& m) {
    m.result = DefWindowProcA(m.hwnd, m.msg, m.wp, m.lp);
  });
}

CHtmlCtrlBase::~CHtmlCtrlBase() {
  releaseBrowser();
  destroy();
}

bool CHtmlCtrlBase::CreateFromStatic(UINT id, HWND parentDialog, void* owner) {
  HWND placeholder = GetDlgItem(parentDialog, static_cast<int>(id));
  if (!placeholder) return false;
  RECT r = childRect(placeholder);
  DestroyWindow(placeholder);
  if (!Create(r, parentDialog, id, owner)) return false;
  fromStatic_ = true;
  return true;
}

bool CHtmlCtrlBase::Create(const RECT& r, HWND parent, UINT id, void* owner) {
  owner_ = owner;
  WindowCreateArgs args;
  args.style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
  args.x = r.left;
  args.y = r.top;
  args.width = r.right - r.left;
  args.height = r.bottom - r.top;
  args.parent = parent;
  args.menuOrId = reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
  if (!Window::create(args)) return false;
  return createBrowser();
}

bool CHtmlCtrlBase::createBrowser() {
  if (!site_) site_ = new HtmlSite(this);
  if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, oleObject_.putVoid())))
    return false;
  oleObject_->SetClientSite(static_cast<IOleClientSite*>(site_));
  OleSetContainedObject(oleObject_.get(), TRUE);
  RECT r = clientRectOf(hwnd());
  if (FAILED(oleObject_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(site_), 0,
                                hwnd(), &r))) {
    releaseBrowser();
    return false;
  }
  browser_ = oleObject_.query<IWebBrowser2>(IID_IWebBrowser2);
  if (!browser_) {
    releaseBrowser();
    return false;
  }
  // The browser's own window takes the pane id.
  if (HWND pane = GetWindow(hwnd(), GW_CHILD)) SetWindowLongPtrA(pane, GWLP_ID, kPaneId);
  if (auto cpc = browser_.query<IConnectionPointContainer>(IID_IConnectionPointContainer)) {
    ComPtr<IConnectionPoint> cp;
    if (SUCCEEDED(cpc->FindConnectionPoint(DIID_DWebBrowserEvents2, cp.put())))
      cp->Advise(static_cast<IDispatch*>(site_), &adviseCookie_);
  }
  return true;
}

void CHtmlCtrlBase::releaseBrowser() {
  revokeDocument();
  if (browser_ && adviseCookie_) {
    if (auto cpc = browser_.query<IConnectionPointContainer>(IID_IConnectionPointContainer)) {
      ComPtr<IConnectionPoint> cp;
      if (SUCCEEDED(cpc->FindConnectionPoint(DIID_DWebBrowserEvents2, cp.put()))) cp->Unadvise(adviseCookie_);
    }
    adviseCookie_ = 0;
  }
  browser_.reset();
  if (oleObject_) {
    oleObject_->Close(OLECLOSE_NOSAVE);
    oleObject_->SetClientSite(nullptr);
    oleObject_.reset();
  }
  if (site_) {
    site_->detach();
    site_->Release();
    site_ = nullptr;
  }
}

bool CHtmlCtrlBase::LoadFromResource(UINT resourceId) {
  const std::string path = modulePathOf<char>(nullptr);
  if (path.empty()) return false;
  return Navigate2("res://" + path + "/" + std::to_string(resourceId));
}

bool CHtmlCtrlBase::Navigate2(const std::string& address, DWORD flags, const char* targetFrame,
                              const char* headers, const char* postData, size_t postLength) {
  if (!browser_) return false;
  Variant url, vflags, target, post, head;
  url.vt = VT_BSTR;
  url.bstrVal = SysAllocString(toWide(address).c_str());
  vflags.vt = VT_I4;
  vflags.lVal = static_cast<LONG>(flags);
  if (targetFrame) {
    target.vt = VT_BSTR;
    target.bstrVal = SysAllocString(toWide(targetFrame).c_str());
  }
  if (headers) {
    head.vt = VT_BSTR;
    head.bstrVal = SysAllocString(toWide(headers).c_str());
  }
  if (postData) {
    size_t len = postLength ? postLength : strlen(postData);
    SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(len));
    if (sa) {
      void* data = nullptr;
      if (SUCCEEDED(SafeArrayAccessData(sa, &data))) {
        memcpy(data, postData, len);
        SafeArrayUnaccessData(sa);
      }
      post.vt = VT_ARRAY | VT_UI1;
      post.parray = sa;
    }
  }
  return SUCCEEDED(browser_->Navigate2(&url, &vflags, &target, &post, &head));
}

void CHtmlCtrlBase::OnBeforeNavigate2(const std::string& address, bool& cancel) {
  std::string command;
  if (splitAppCommand(address, command)) {
    cancel = true;
    OnAppCmd(command);
  }
}

void CHtmlCtrlBase::OnDocumentComplete(const std::string&) { registerDocument(); }

void CHtmlCtrlBase::OnAppCmd(const std::string&) {}

bool CHtmlCtrlBase::registerDocument() {
  revokeDocument();
  if (!browser_) return false;
  ComPtr<IDispatch> doc;
  // Under Wine without Gecko this is S_FALSE with no document: a normal outcome.
  if (browser_->get_Document(doc.put()) != S_OK || !doc) return false;
  auto git = globalTable();
  if (!git) return false;
  return SUCCEEDED(git->RegisterInterfaceInGlobal(doc.get(), IID_IDispatch, &cookie_));
}

void CHtmlCtrlBase::revokeDocument() {
  if (!cookie_) return;
  if (auto git = globalTable()) git->RevokeInterfaceFromGlobal(cookie_);
  cookie_ = 0;
}

HRESULT CHtmlCtrlBase::OnShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) { return S_OK; }  // no menu
HRESULT CHtmlCtrlBase::OnGetHostInfo(DOCHOSTUIINFO* info) {
  if (!info) return E_POINTER;
  info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_DIALOG;
  info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
  return S_OK;
}
HRESULT CHtmlCtrlBase::OnShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                IOleInPlaceUIWindow*) { return S_OK; }
HRESULT CHtmlCtrlBase::OnHideUI() { return S_OK; }
HRESULT CHtmlCtrlBase::OnUpdateUI() { return S_OK; }
HRESULT CHtmlCtrlBase::OnEnableModeless(BOOL) { return S_OK; }
HRESULT CHtmlCtrlBase::OnDocWindowActivate(BOOL) { return S_OK; }
HRESULT CHtmlCtrlBase::OnFrameWindowActivate(BOOL) { return S_OK; }
HRESULT CHtmlCtrlBase::OnResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
HRESULT CHtmlCtrlBase::OnTranslateAccelerator(LPMSG, const GUID*, DWORD) { return S_FALSE; }
HRESULT CHtmlCtrlBase::OnGetOptionKeyPath(LPOLESTR* key, DWORD) {
  if (key) *key = nullptr;
  return E_NOTIMPL;
}
HRESULT CHtmlCtrlBase::OnGetDropTarget(IDropTarget*, IDropTarget** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}
HRESULT CHtmlCtrlBase::OnGetExternal(IDispatch** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}
HRESULT CHtmlCtrlBase::OnTranslateUrl(DWORD, LPWSTR, LPWSTR* out) {
  if (out) *out = nullptr;
  return S_FALSE;
}
HRESULT CHtmlCtrlBase::OnFilterDataObject(IDataObject*, IDataObject** out) {
  if (out) *out = nullptr;
  return S_FALSE;
}

bool setElementHtml(DWORD cookie, const std::string& id, const std::string& html) {
  if (!cookie) return false;
  ComScope com;  // the calling thread may be a worker
  auto git = globalTable();
  if (!git) return false;
  ComPtr<IDispatch> doc;
  if (FAILED(git->GetInterfaceFromGlobal(cookie, IID_IDispatch, doc.putVoid())) || !doc) return false;
  auto doc3 = doc.query<IHTMLDocument3>(IID_IHTMLDocument3);
  if (!doc3) return false;
  ComPtr<IHTMLElement> element;
  Bstr bid(toWide(id));
  if (FAILED(doc3->getElementById(bid.get(), element.put())) || !element) return false;
  Bstr content(toWide(html));
  return SUCCEEDED(element->put_innerHTML(content.get()));
}

bool scrollDocument(DWORD cookie, long x, long y) {
  if (!cookie) return false;
  ComScope com;
  auto git = globalTable();
  if (!git) return false;
  ComPtr<IDispatch> doc;
  if (FAILED(git->GetInterfaceFromGlobal(cookie, IID_IDispatch, doc.putVoid())) || !doc) return false;
  auto doc2 = doc.query<IHTMLDocument2>(IID_IHTMLDocument2);
  if (!doc2) return false;
  ComPtr<IHTMLWindow2> window;
  if (FAILED(doc2->get_parentWindow(window.put())) || !window) return false;
  return SUCCEEDED(window->scrollTo(x, y));
}

}  // namespace zorvik
