#include "settings/RegistrationWin.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "common/LocalFile.h"
#include "common/win/Handles.h"
#include "common/win/WideText.h"
#include "settings/SettingsWin.h"

namespace zorvik {

namespace {
constexpr const char* kUserClasses = "Software\\Classes";

std::string joinPath(std::string folder, const char* name) {
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder + name;
}

std::wstring widen(const std::string& ansi) {
  const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring wide(n, L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), n);
  return wide;
}

UniqueHkey createKey(HKEY root, const std::string& key) {
  HKEY h = nullptr;
  if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | KEY_CREATE_SUB_KEY,
                      nullptr, &h, nullptr) != ERROR_SUCCESS)
    return UniqueHkey();
  return UniqueHkey(h);
}

class WinRepairActions : public RepairActions {
public:
  explicit WinRepairActions(std::function<void(int)> progress) : progress_(std::move(progress)) {}
  bool createDesktopShortcut() override { return zorvik::createDesktopShortcut(program_); }
  std::string systemFolder() override {
    char folder[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryA(folder, MAX_PATH);
    return n > 0 && n < MAX_PATH ? folder : "";
  }
  std::string programFolder() override { return program_.substr(0, program_.find_last_of('\\') + 1); }
  bool writeAgentLibrary(const std::string& folder) override {
    return zorvik::writeAgentLibrary(GetModuleHandleA(nullptr), folder);
  }
  bool machineClassesWritable() override { return zorvik::machineClassesWritable(); }
  bool registerAgentLibrary(const std::string& path, bool perUser) override {
    return SUCCEEDED(registerLibrary(path, true, perUser));
  }
  bool registerUrlProtocol(bool perUser) override { return zorvik::registerUrlProtocol(program_, perUser); }
  void setProgress(int percent) override {
    if (progress_) progress_(percent);
  }

private:
  std::string program_ = programPath();
  std::function<void(int)> progress_;
};
}  // namespace

HRESULT registerLibrary(const std::string& path, bool doRegister, bool perUser) {
  UniqueModule library(LoadLibraryA(path.c_str()));
  if (!library) return HRESULT_FROM_WIN32(GetLastError() ? GetLastError() : ERROR_MOD_NOT_FOUND);
  using ServerFn = HRESULT(WINAPI*)();
  auto server = reinterpret_cast<ServerFn>(reinterpret_cast<void*>(
      GetProcAddress(library.get(), doRegister ? "DllRegisterServer" : "DllUnregisterServer")));
  if (!server) return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  if (!perUser) return server();
  UniqueHkey classes = createKey(HKEY_CURRENT_USER, kUserClasses);
  if (!classes) return E_ACCESSDENIED;
  ClassesRootOverride redirect(classes.get());
  if (!redirect.ok()) return E_FAIL;
  return server();
}

bool createDesktopShortcut(const std::string& target) {
  char desktop[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, desktop))) return false;
  ComScope com;
  ComPtr<IShellLinkA> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.putVoid())))
    return false;
  link->SetPath(target.c_str());
  link->SetWorkingDirectory(target.substr(0, target.find_last_of('\\')).c_str());
  ComPtr<IPersistFile> file = link.query<IPersistFile>(IID_IPersistFile);
  return file && SUCCEEDED(file->Save(widen(joinPath(desktop, kShortcutName)).c_str(), TRUE));
}

bool writeAgentLibrary(HMODULE module, const std::string& folder) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(kAgentResourceId), kAgentResourceType);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  const DWORD size = found ? SizeofResource(module, found) : 0;
  if (!bytes || size == 0) return false;

  const std::string target = joinPath(folder, kAgentFileName);
  return writeFileAtomically(fromWide(toWide(target), CP_UTF8),
                             std::string_view(static_cast<const char*>(bytes), size));
}

bool registerUrlProtocol(const std::string& programPath, bool perUser) {
  UniqueHkey userClasses;
  HKEY root = HKEY_CLASSES_ROOT;
  if (perUser) {
    userClasses = createKey(HKEY_CURRENT_USER, kUserClasses);
    if (!userClasses) return false;
    root = userClasses.get();
  }
  for (const RegistryEntry& e : urlProtocolEntries(programPath)) {
    UniqueHkey key = createKey(root, e.subkey);
    if (!key || RegSetValueExA(key.get(), e.valueName.empty() ? nullptr : e.valueName.c_str(), 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(e.data.c_str()),
                               static_cast<DWORD>(e.data.size() + 1)) != ERROR_SUCCESS)
      return false;
  }
  return true;
}

bool machineClassesWritable() { return static_cast<bool>(createKey(HKEY_CLASSES_ROOT, kUrlProtocol)); }

std::string runRepair(const std::function<void(int)>& progress) {
  WinRepairActions actions(progress);
  return repairResultText(repair(actions));
}

}  // namespace zorvik
