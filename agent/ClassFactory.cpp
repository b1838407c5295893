#include "agent/ClassFactory.h"

#include "agent/Module.h"
#include "agent/Vko.h"

namespace zorvik::agent {

STDMETHODIMP VkoClassFactory::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
    *out = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP VkoClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** out) {
  return Vko::create(outer, riid, out);
}

STDMETHODIMP VkoClassFactory::LockServer(BOOL lock) {
  if (lock)
    lockModule();
  else
    unlockModule();
  return S_OK;
}

VkoClassFactory& vkoClassFactory() {
  static VkoClassFactory factory;
  return factory;
}

}  // namespace zorvik::agent
