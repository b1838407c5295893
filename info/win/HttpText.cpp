#include "info/win/HttpText.h"

#include <windows.h>
#include <msxml2.h>

#include "common/win/Handles.h"
#include "common/win/WideText.h"

namespace zorvik {

namespace {
// IXMLHTTPRequest's interface id (no import library of the toolchain carries it).
const IID kXmlHttpRequestIid = {0xED8C108D, 0x4349, 0x11D2, {0x91, 0xA4, 0x00, 0xC0, 0x4F, 0x79, 0x69, 0xE8}};

VARIANT boolVariant(bool value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}
VARIANT emptyVariant() {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_ERROR;
  v.scode = DISP_E_PARAMNOTFOUND;
  return v;
}
}  // namespace

HttpText httpGetText(const std::string& url, unsigned deadlineMs) {
  HttpText out;
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(L"Msxml2.XMLHTTP", &clsid))) {
    out.error = "Msxml2.XMLHTTP is not registered";
    return out;
  }
  ComPtr<IXMLHTTPRequest> request;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, kXmlHttpRequestIid, request.putVoid()))) {
    out.error = "Msxml2.XMLHTTP cannot be created";
    return out;
  }
  Bstr method(L"GET");
  Bstr address(toWide(url));
  if (FAILED(request->open(method.get(), address.get(), boolVariant(true), emptyVariant(), emptyVariant()))) {
    out.error = "open failed";
    return out;
  }
  VARIANT noBody;
  VariantInit(&noBody);
  if (FAILED(request->send(noBody))) {
    out.error = "send failed";
    return out;
  }
  const ULONGLONG deadline = GetTickCount64() + deadlineMs;
  long state = 0;
  while (SUCCEEDED(request->get_readyState(&state)) && state != 4) {
    if (GetTickCount64() >= deadline) {
      request->abort();
      out.error = "no reply before the deadline";
      return out;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  if (state != 4) {
    out.error = "request failed";
    return out;
  }
  if (FAILED(request->get_status(&out.status))) {
    out.error = "no status";  // the connection failed
    return out;
  }
  Bstr text;
  if (FAILED(request->get_responseText(text.put()))) {
    out.error = "no reply text";
    return out;
  }
  if (text.get()) out.utf8 = fromWide(text.view(), CP_UTF8);
  out.ok = true;
  return out;
}

}  // namespace zorvik
