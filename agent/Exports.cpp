// The four exports of ZorvikAgent.dll and its entry point.
#include <windows.h>
#include <oleauto.h>
#include <olectl.h>

#include "ZorvikAgent_h.h"
#include "agent/AgentRegistry.h"
#include "agent/ClassFactory.h"
#include "agent/Module.h"
#include "common/win/Handles.h"

using namespace zorvik::agent;

namespace {
using zorvik::ComPtr;
using zorvik::UniqueModule;

// Registers the type library held in this module as TYPELIB 1. Without the rights to write the
// machine's registration it falls back to the current user's.
HRESULT registerTypeLibrary(const std::wstring& path) {
  ComPtr<ITypeLib> lib;
  HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib.put());
  if (FAILED(hr)) return hr;
  std::wstring file = path;
  std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
  hr = RegisterTypeLib(lib.get(), file.data(), folder.data());
  if (hr == TYPE_E_REGISTRYACCESS || hr == E_ACCESSDENIED) {
    // Not in this toolchain's headers; present in oleaut32 since Vista.
    using ForUserFn = HRESULT(WINAPI*)(ITypeLib*, OLECHAR*, OLECHAR*);
    auto forUser = reinterpret_cast<ForUserFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"oleaut32.dll"), "RegisterTypeLibForUser")));
    if (forUser) hr = forUser(lib.get(), file.data(), folder.data());
  }
  return hr;
}

// UnRegisterTypeLib is looked up by name so the module loads on systems whose oleaut32 lacks it.
void unregisterTypeLibrary(const std::wstring& path) {
  using UnRegisterFn = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);
  UniqueModule oleaut(LoadLibraryW(L"oleaut32.dll"));
  if (!oleaut) return;
  auto unregister = reinterpret_cast<UnRegisterFn>(
      reinterpret_cast<void*>(GetProcAddress(oleaut.get(), "UnRegisterTypeLib")));
  ComPtr<ITypeLib> lib;
  if (!unregister || FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib.put()))) return;
  TLIBATTR* attr = nullptr;
  if (FAILED(lib->GetLibAttr(&attr))) return;
  unregister(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
  lib->ReleaseTLibAttr(attr);
}
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH)
    moduleAttach(instance);
  else if (reason == DLL_PROCESS_DETACH)
    moduleDetach(reserved != nullptr);
  return TRUE;
}

STDAPI DllCanUnloadNow() { return moduleLockCount() == 0 ? S_OK : S_FALSE; }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!IsEqualCLSID(clsid, CLSID_Vko)) return CLASS_E_CLASSNOTAVAILABLE;
  return vkoClassFactory().QueryInterface(riid, out);
}

STDAPI DllRegisterServer() {
  const std::wstring path = modulePath();
  if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
  const HRESULT hr = writeClassEntries(path);
  if (FAILED(hr)) return hr;
  return registerTypeLibrary(path);
}

STDAPI DllUnregisterServer() {
  const HRESULT hr = removeClassEntries();
  const std::wstring path = modulePath();
  if (!path.empty()) unregisterTypeLibrary(path);
  return hr;
}
