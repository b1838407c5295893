#pragma once
// The registrations done for real: the desktop shortcut, the carried ZorvikAgent.dll written out
// and registered, the URL protocol, and repair over them (Win32 side of settings/Registration.h).
#include <windows.h>

#include <functional>
#include <string>

#include "settings/Registration.h"

namespace zorvik {

// Loads the library, calls DllRegisterServer (or DllUnregisterServer) and unloads it. The
// export's result; a failure code (not 0) when the library or the export is missing.
// `perUser`: HKEY_CLASSES_ROOT is redirected to HKCU\Software\Classes for the call.
HRESULT registerLibrary(const std::string& path, bool doRegister, bool perUser = false);

// "卓维克.lnk" on the desktop pointing at `target`.
bool createDesktopShortcut(const std::string& target);
// Resource 603 of type "DLL" of `module`, written as `folder`\ZorvikAgent.dll (through a
// temporary file, so a failed write never leaves a cut library behind).
bool writeAgentLibrary(HMODULE module, const std::string& folder);
// The keys of urlProtocolEntries under HKEY_CLASSES_ROOT, or HKCU\Software\Classes when `perUser`.
bool registerUrlProtocol(const std::string& programPath, bool perUser);
// Whether this process may create keys under HKEY_CLASSES_ROOT (probes with the protocol's key).
bool machineClassesWritable();

// Repair of this program, reporting progress through `progress`; returns the result text.
std::string runRepair(const std::function<void(int)>& progress);

}  // namespace zorvik
