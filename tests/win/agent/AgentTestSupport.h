#pragma once
// Helpers of the ZorvikAgent tests: the DLL beside the test program, its exports, and the
// registry read back.
#include <windows.h>

#include <string>
#include <vector>

namespace zorvik::test {

// ZorvikAgent.dll in the test program's folder.
std::string agentDllPath();

// The DLL loaded for one test, with its four exports.
class AgentModule {
public:
  AgentModule();
  ~AgentModule();
  AgentModule(const AgentModule&) = delete;
  AgentModule& operator=(const AgentModule&) = delete;
  bool ok() const { return module_ && canUnloadNow && getClassObject && registerServer && unregisterServer; }

  HRESULT(WINAPI* canUnloadNow)() = nullptr;
  HRESULT(WINAPI* getClassObject)(REFCLSID, REFIID, void**) = nullptr;
  HRESULT(WINAPI* registerServer)() = nullptr;
  HRESULT(WINAPI* unregisterServer)() = nullptr;

private:
  HMODULE module_ = nullptr;
};

bool keyExists(HKEY root, const std::string& key);
// The string value (nullptr = default) of root\key; "<missing>" when absent or not a string.
std::string stringValue(HKEY root, const std::string& key, const char* name = nullptr);
// Names of the direct subkeys, sorted.
std::vector<std::string> subkeys(HKEY root, const std::string& key);
// Runs a command line, waits up to `timeoutMs`, returns its exit code (or -1) and its stdout.
int runProgram(const std::string& commandLine, std::string* output, int timeoutMs = 60000);

}  // namespace zorvik::test
