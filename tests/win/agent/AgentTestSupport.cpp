#include "AgentTestSupport.h"

#include <algorithm>

namespace zorvik::test {

std::string agentDllPath() {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path = self;
  return path.substr(0, path.find_last_of('\\') + 1) + "ZorvikAgent.dll";
}

namespace {
template <typename F>
void resolve(HMODULE m, const char* name, F*& out) {
  out = reinterpret_cast<F*>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}
}  // namespace

AgentModule::AgentModule() : module_(LoadLibraryA(agentDllPath().c_str())) {
  if (!module_) return;
  resolve(module_, "DllCanUnloadNow", canUnloadNow);
  resolve(module_, "DllGetClassObject", getClassObject);
  resolve(module_, "DllRegisterServer", registerServer);
  resolve(module_, "DllUnregisterServer", unregisterServer);
}

AgentModule::~AgentModule() {
  if (module_) FreeLibrary(module_);
}

bool keyExists(HKEY root, const std::string& key) {
  HKEY h = nullptr;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}

std::string stringValue(HKEY root, const std::string& key, const char* name) {
  char data[1024] = {};
  DWORD size = sizeof data - 1, type = 0;
  HKEY h = nullptr;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return "<missing>";
  const LSTATUS rc = RegQueryValueExA(h, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(h);
  if (rc != ERROR_SUCCESS || type != REG_SZ) return "<missing>";
  return std::string(data, strnlen(data, size));
}

std::vector<std::string> subkeys(HKEY root, const std::string& key) {
  std::vector<std::string> names;
  HKEY h = nullptr;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return names;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD len = sizeof name;
    if (RegEnumKeyExA(h, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, len);
  }
  RegCloseKey(h);
  std::sort(names.begin(), names.end());
  return names;
}

int runProgram(const std::string& commandLine, std::string* output, int timeoutMs) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return -1;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd;
  si.hStdError = writeEnd;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  std::string cmd = commandLine;
  const BOOL started = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                      nullptr, &si, &pi);
  CloseHandle(writeEnd);
  if (!started) {
    CloseHandle(readEnd);
    return -1;
  }
  // Drain while waiting for the process itself: a helper it starts (Wine's desktop process) may
  // inherit the pipe and keep it open long after the program has ended.
  auto drain = [&] {
    DWORD avail = 0;
    char buf[512];
    while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &avail, nullptr) && avail > 0) {
      DWORD got = 0;
      if (!ReadFile(readEnd, buf, sizeof buf, &got, nullptr) || got == 0) break;
      if (output) output->append(buf, got);
    }
  };
  DWORD code = static_cast<DWORD>(-1);
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    drain();
    if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0) {
      drain();
      GetExitCodeProcess(pi.hProcess, &code);
      break;
    }
    if (GetTickCount64() > deadline) {
      TerminateProcess(pi.hProcess, 1);
      break;
    }
  }
  CloseHandle(readEnd);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

}  // namespace zorvik::test
