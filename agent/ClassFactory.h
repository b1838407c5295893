#pragma once
// The class factory of "Vko Class": one static instance, not counted as a module lock (a client
// that keeps it across DllCanUnloadNow must call LockServer, as COM requires).
#include <windows.h>
#include <unknwn.h>

namespace zorvik::agent {

class VkoClassFactory final : public IClassFactory {
public:
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** out) override;
  STDMETHODIMP LockServer(BOOL lock) override;
};

VkoClassFactory& vkoClassFactory();

}  // namespace zorvik::agent
