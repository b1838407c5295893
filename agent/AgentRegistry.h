#pragma once
// The registry entries of "Vko Class" under HKEY_CLASSES_ROOT, written and removed by direct
// registry calls. Everything goes through HKEY_CLASSES_ROOT, so a caller that redirects it with
// RegOverridePredefKey (per-user registration) redirects all of it.
#include <windows.h>

#include <string>

namespace zorvik::agent {

// Deletes the class's key afresh (forced re-creation), then writes both ProgIDs and the class key
// with InprocServer32 = `modulePath`. The first failure's HRESULT; S_OK when all was written.
HRESULT writeClassEntries(const std::wstring& modulePath);
// Deletes the two ProgID keys and the class's own key under CLSID, whole; never CLSID itself.
// Keys already absent are not failures.
HRESULT removeClassEntries();

}  // namespace zorvik::agent
