#pragma once
// The program's registrations with the system and the repair that re-creates them, as rules that
// need no window: the URL protocol's keys, the order of the repair steps, where each falls back
// without administrator rights, and the text that reports the outcome. The steps themselves are
// behind `RepairActions` (RegistrationWin.cpp does them for real).
#include <string>
#include <vector>

namespace zorvik {

constexpr const char* kAgentFileName = "ZorvikAgent.dll";
constexpr int kAgentResourceId = 603;
constexpr const char* kAgentResourceType = "DLL";
constexpr const char* kShortcutName = "卓维克.lnk";
constexpr const char* kUrlProtocol = "Zorvik";
constexpr const char* kRepairDoneText = "修复完成,仍然存在问题请尝试重装 Zorvik";

// One string value to write; an empty value name is the key's default value.
struct RegistryEntry {
  std::string subkey;
  std::string valueName;
  std::string data;
};

// The keys of the URL protocol "Zorvik", relative to the classes root.
std::vector<RegistryEntry> urlProtocolEntries(const std::string& programPath);

enum class StepOutcome {
  kDone,
  kDoneForUser,  // done, but into the user's own place (no rights for the machine's)
  kFailed,
};

struct RepairReport {
  StepOutcome shortcut = StepOutcome::kFailed;
  StepOutcome library = StepOutcome::kFailed;       // written into the system folder / own folder
  StepOutcome registration = StepOutcome::kFailed;  // the library's classes
  StepOutcome protocol = StepOutcome::kFailed;
  std::string libraryPath;  // where the library was written (empty when it was not)
};

// What repair does, step by step.
class RepairActions {
public:
  virtual ~RepairActions() = default;
  virtual bool createDesktopShortcut() = 0;
  virtual std::string systemFolder() = 0;
  virtual std::string programFolder() = 0;
  // Writes the carried library as `folder`\ZorvikAgent.dll; false when it could not.
  virtual bool writeAgentLibrary(const std::string& folder) = 0;
  // Whether keys can be created under HKEY_CLASSES_ROOT (false without administrator rights).
  virtual bool machineClassesWritable() = 0;
  // Calls the library's DllRegisterServer, per user when asked; true when it succeeded.
  virtual bool registerAgentLibrary(const std::string& path, bool perUser) = 0;
  virtual bool registerUrlProtocol(bool perUser) = 0;
  virtual void setProgress(int percent) = 0;
};

// The steps in order, each attempted whatever the others did; progress 10, 20, 30, 40, 100.
RepairReport repair(RepairActions& actions);
// kRepairDoneText when every step was done as asked; otherwise what fell back and what failed.
std::string repairResultText(const RepairReport& report);

}  // namespace zorvik
