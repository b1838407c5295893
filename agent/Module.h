#pragma once
// Module state of ZorvikAgent.dll: the lock count that DllCanUnloadNow answers from, the module's
// own file, and the cached type information of IVko.
#include <windows.h>
#include <oaidl.h>

#include <string>

namespace zorvik::agent {

// DllMain's halves. `processEnding`: the process is exiting, so other DLLs may already be gone
// and no COM object may be released.
void moduleAttach(HINSTANCE instance);
void moduleDetach(bool processEnding);

// One count per live object and per LockServer(TRUE); interlocked.
void lockModule();
void unlockModule();
LONG moduleLockCount();

HINSTANCE moduleInstance();
// The full path of this DLL (empty if it cannot be read).
std::wstring modulePath();

// The type information of IVko from the registered type library, falling back to the module's
// own TYPELIB 1 when the library is not (or not yet) registered. Loaded once and kept; the caller
// receives its own reference. E_POINTER for a null out-pointer.
HRESULT vkoTypeInfo(ITypeInfo** out);

}  // namespace zorvik::agent
