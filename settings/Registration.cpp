#include "settings/Registration.h"

namespace zorvik {

std::vector<RegistryEntry> urlProtocolEntries(const std::string& programPath) {
  const std::string key = kUrlProtocol;
  return {
      {key, "", "ZorvikProtocol"},
      {key, "URL Protocol", programPath},
      {key + "\\DefaultIcon", "", programPath + ",0"},
      {key + "\\shell\\open\\command", "", "\"" + programPath + "\" \"%1\""},
  };
}

RepairReport repair(RepairActions& actions) {
  RepairReport report;
  report.shortcut = actions.createDesktopShortcut() ? StepOutcome::kDone : StepOutcome::kFailed;
  actions.setProgress(10);

  // The system folder needs administrator rights; the program's own folder is the fallback.
  std::string folder = actions.systemFolder();
  if (!folder.empty() && actions.writeAgentLibrary(folder)) {
    report.library = StepOutcome::kDone;
  } else {
    folder = actions.programFolder();
    if (!folder.empty() && actions.writeAgentLibrary(folder)) report.library = StepOutcome::kDoneForUser;
  }
  if (report.library != StepOutcome::kFailed) {
    if (folder.back() != '\\') folder += '\\';
    report.libraryPath = folder + kAgentFileName;
  }
  actions.setProgress(20);

  const bool perUser = !actions.machineClassesWritable();
  const StepOutcome done = perUser ? StepOutcome::kDoneForUser : StepOutcome::kDone;
  if (!report.libraryPath.empty() && actions.registerAgentLibrary(report.libraryPath, perUser))
    report.registration = done;
  actions.setProgress(30);

  if (actions.registerUrlProtocol(perUser)) report.protocol = done;
  actions.setProgress(40);
  actions.setProgress(100);
  return report;
}

std::string repairResultText(const RepairReport& report) {
  std::string failed, notes;
  auto add = [](std::string& list, const char* item) {
    if (!list.empty()) list += "、";
    list += item;
  };
  if (report.shortcut == StepOutcome::kFailed) add(failed, "桌面快捷方式");
  if (report.library == StepOutcome::kFailed) add(failed, "写入组件");
  if (report.registration == StepOutcome::kFailed) add(failed, "注册组件");
  if (report.protocol == StepOutcome::kFailed) add(failed, "注册协议");
  if (report.library == StepOutcome::kDoneForUser) add(notes, "组件已写入程序目录");
  if (report.registration == StepOutcome::kDoneForUser || report.protocol == StepOutcome::kDoneForUser)
    add(notes, "注册项仅对当前用户有效");
  if (failed.empty() && notes.empty()) return kRepairDoneText;

  std::string text = failed.empty() ? "修复完成" : "修复未完成(失败: " + failed + ")";
  if (!notes.empty()) text += "(无管理员权限: " + notes + ")";
  return text + ",仍然存在问题请尝试重装 Zorvik";
}

}  // namespace zorvik
