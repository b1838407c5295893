#pragma once
// "Vko Class": an object with no members of its own whose creation tells a page that the suite is
// installed. IVko/IDispatch on the first vtable, IObjectSafety on a second one. Aggregatable
// (an outer unknown may ask for IUnknown only).
#include <windows.h>
#include <objsafe.h>

#include "ZorvikAgent_h.h"

namespace zorvik::agent {

class Vko final : public IVko, public IObjectSafety {
public:
  // The class factory's CreateInstance, argument checks included.
  static HRESULT create(IUnknown* outer, REFIID riid, void** out);

  // IUnknown (delegating to the controlling unknown)
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IDispatch, delegated to IVko's type information (which lists no members)
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) override;
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* excep, UINT* argErr) override;

  // IObjectSafety: the two defined options (untrusted caller, untrusted data) are supported.
  STDMETHODIMP GetInterfaceSafetyOptions(REFIID riid, DWORD* supported, DWORD* enabled) override;
  STDMETHODIMP SetInterfaceSafetyOptions(REFIID riid, DWORD optionSetMask, DWORD enabledOptions) override;

private:
  // The non-delegating unknown: the object's identity, and what an aggregating outer holds.
  struct Inner final : IUnknown {
    Vko* self;
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
  };

  explicit Vko(IUnknown* outer);
  ~Vko();
  Vko(const Vko&) = delete;
  Vko& operator=(const Vko&) = delete;

  Inner inner_;
  IUnknown* controlling_;  // the outer unknown, or &inner_; never owned
  LONG refs_ = 1;
  DWORD safety_ = 0;
};

}  // namespace zorvik::agent
