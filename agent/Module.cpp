#include "agent/Module.h"

#include "ZorvikAgent_h.h"
#include "common/win/ModulePath.h"
#include "common/win/Handles.h"

namespace zorvik::agent {

namespace {
HINSTANCE g_instance = nullptr;
LONG g_locks = 0;
// Guards the type information cache (objects of different apartments may ask at once).
CRITICAL_SECTION g_lock;
ITypeInfo* g_vkoTypeInfo = nullptr;  // owned; released at detach

class CsScope {
public:
  CsScope() { EnterCriticalSection(&g_lock); }
  ~CsScope() { LeaveCriticalSection(&g_lock); }
  CsScope(const CsScope&) = delete;
  CsScope& operator=(const CsScope&) = delete;
};

HRESULT loadVkoTypeInfo(ITypeInfo** out) {
  ComPtr<ITypeLib> lib;
  HRESULT hr = LoadRegTypeLib(LIBID_ZorvikAgentLib, 1, 0, LOCALE_NEUTRAL, lib.put());
  if (FAILED(hr)) {
    const std::wstring path = modulePath();
    if (path.empty()) return hr;
    hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib.put());
    if (FAILED(hr)) return hr;
  }
  return lib->GetTypeInfoOfGuid(IID_IVko, out);
}
}  // namespace

void moduleAttach(HINSTANCE instance) {
  g_instance = instance;
  g_locks = 0;
  InitializeCriticalSection(&g_lock);
  DisableThreadLibraryCalls(instance);
}

void moduleDetach(bool processEnding) {
  if (g_vkoTypeInfo && !processEnding) g_vkoTypeInfo->Release();
  g_vkoTypeInfo = nullptr;
  DeleteCriticalSection(&g_lock);
}

void lockModule() { InterlockedIncrement(&g_locks); }
void unlockModule() { InterlockedDecrement(&g_locks); }
LONG moduleLockCount() { return InterlockedCompareExchange(&g_locks, 0, 0); }

HINSTANCE moduleInstance() { return g_instance; }

std::wstring modulePath() { return modulePathOf<wchar_t>(g_instance); }

HRESULT vkoTypeInfo(ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  CsScope guard;
  if (!g_vkoTypeInfo) {
    HRESULT hr = loadVkoTypeInfo(&g_vkoTypeInfo);
    if (FAILED(hr)) return hr;
  }
  g_vkoTypeInfo->AddRef();
  *out = g_vkoTypeInfo;
  return S_OK;
}

}  // namespace zorvik::agent
