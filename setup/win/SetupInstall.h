#pragma once
// The install itself (steps 1 to 7 of the install button): the checks, the payload written to
// the temporary folder, the members extracted, the association, the shortcut and the notice.
// Runs on the calling thread (the wizard's worker); `progress` is told each value the bar shows.
// Only a run that wrote every member is done; any other run leaves no file or folder it created.
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "devlink/AgentSession.h"

namespace zorvik {

constexpr const char* kSetupCaption = "卓维克";
constexpr const char* kDoneText = "【安装完成】卓维克 已经成功完成安装。";
constexpr const char* kBadLocationText = "【错误】您选择的安装位置不正确，请单击“更改位置”按钮重新选择";
constexpr const char* kTempSpaceText = "【错误】系统盘剩余空间不足，无法完成安装操作";
constexpr const char* kTargetSpaceText = "【错误】该盘没有足够的剩余空间来安装";
constexpr const char* kPathNotFoundText = "【错误】目标位置没有找到，请重新选择安装位置";
constexpr const char* kBadNameText = "【错误】错误的目标位置，请重新选择安装位置";
constexpr const char* kTempFileText = "【错误】系统临时文件夹读写错误";
// A folder that exists or can be named but may not be written (no rights, write-protected).
constexpr const char* kNoAccessText = "【错误】没有写入该位置的权限，请重新选择安装位置";
// Followed by the members not written, separated by "、", then kNotWrittenHint.
constexpr const char* kNotWrittenText = "【错误】安装没有完成，以下文件未能写入：";
constexpr const char* kNotWrittenHint = "请关闭正在运行的卓维克程序，或选择可以写入的安装位置，然后重新安装。";
constexpr const char* kCancelledText = "【提示】安装已取消";

struct InstallOutcome {
  bool ok = false;
  std::string message;                  // the failed check's message, or the done text
  std::vector<std::string> notWritten;  // members that could not be had or written
};

// The payload resource of `module` (type "APK", id 133); empty when it is missing.
std::string_view payloadResource(HMODULE module);

// Installs `payload` (a zip archive) into `location`. A `cancel` that fires stops the run before
// its next member, as a failed run.
InstallOutcome runInstall(std::string location, std::string_view payload,
                          const std::function<void(int)>& progress, const ExchangeCancel* cancel = nullptr);

}  // namespace zorvik
