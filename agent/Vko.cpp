#include "agent/Vko.h"

#include <new>

#include "agent/Module.h"

namespace zorvik::agent {

namespace {
constexpr DWORD kKnownSafetyOptions = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
}

Vko::Vko(IUnknown* outer) : controlling_(outer ? outer : &inner_) {
  inner_.self = this;
  lockModule();
}

Vko::~Vko() { unlockModule(); }

HRESULT Vko::create(IUnknown* outer, REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (outer && !IsEqualIID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
  Vko* object = new (std::nothrow) Vko(outer);
  if (!object) return E_OUTOFMEMORY;
  const HRESULT hr = object->inner_.QueryInterface(riid, out);
  object->inner_.Release();  // the creation reference; the object lives on if the query took one
  return hr;
}

STDMETHODIMP Vko::Inner::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown)) {
    *out = static_cast<IUnknown*>(this);
  } else if (IsEqualIID(riid, IID_IVko) || IsEqualIID(riid, IID_IDispatch)) {
    *out = static_cast<IVko*>(self);
  } else if (IsEqualIID(riid, IID_IObjectSafety)) {
    *out = static_cast<IObjectSafety*>(self);
  } else {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  static_cast<IUnknown*>(*out)->AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) Vko::Inner::AddRef() { return InterlockedIncrement(&self->refs_); }

STDMETHODIMP_(ULONG) Vko::Inner::Release() {
  const LONG left = InterlockedDecrement(&self->refs_);
  if (left == 0) delete self;
  return left;
}

STDMETHODIMP Vko::QueryInterface(REFIID riid, void** out) { return controlling_->QueryInterface(riid, out); }
STDMETHODIMP_(ULONG) Vko::AddRef() { return controlling_->AddRef(); }
STDMETHODIMP_(ULONG) Vko::Release() { return controlling_->Release(); }

STDMETHODIMP Vko::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

STDMETHODIMP Vko::GetTypeInfo(UINT index, LCID, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  return vkoTypeInfo(out);
}

STDMETHODIMP Vko::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  ITypeInfo* info = nullptr;
  HRESULT hr = vkoTypeInfo(&info);
  if (FAILED(hr)) return hr;
  hr = info->GetIDsOfNames(names, count, ids);
  info->Release();
  return hr;
}

STDMETHODIMP Vko::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                         EXCEPINFO* excep, UINT* argErr) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  ITypeInfo* info = nullptr;
  HRESULT hr = vkoTypeInfo(&info);
  if (FAILED(hr)) return hr;
  hr = info->Invoke(static_cast<IVko*>(this), id, flags, params, result, excep, argErr);
  info->Release();
  return hr;
}

STDMETHODIMP Vko::GetInterfaceSafetyOptions(REFIID riid, DWORD* supported, DWORD* enabled) {
  if (!supported || !enabled) return E_POINTER;
  IUnknown* probe = nullptr;
  const HRESULT hr = QueryInterface(riid, reinterpret_cast<void**>(&probe));
  if (FAILED(hr)) {
    *supported = 0;
    *enabled = 0;
    return hr;
  }
  probe->Release();
  *supported = kKnownSafetyOptions;
  *enabled = safety_;
  return S_OK;
}

STDMETHODIMP Vko::SetInterfaceSafetyOptions(REFIID riid, DWORD optionSetMask, DWORD enabledOptions) {
  IUnknown* probe = nullptr;
  if (FAILED(QueryInterface(riid, reinterpret_cast<void**>(&probe)))) return E_NOINTERFACE;
  probe->Release();
  if (optionSetMask & ~kKnownSafetyOptions) return E_FAIL;
  safety_ = (safety_ & ~optionSetMask) | (enabledOptions & optionSetMask);
  return S_OK;
}

}  // namespace zorvik::agent
