#include "manage/apps/AppsWire.h"

#include <optional>
#include <utility>

#include "common/TextConv.h"
#include "devlink/AdbBridge.h"
#include "devlink/AgentCommand.h"

namespace zorvik {

WireList<AppRecord> parseAppList(const unsigned char* body, size_t length) {
  return readAgentList<AppRecord>(body, length, [](FieldReader& r, AppRecord& a) {
    r.skip(4);
    // The end mark stands where the label's length would be.
    std::optional<std::string> label = r.readListTextOrEnd();
    if (!label) return false;
    a.label = std::move(*label);
    a.packageName = r.readText();
    a.versionName = r.readText();
    a.extraValue = r.readInt32();
    a.sizeBytes = r.readInt64();
    const int64_t iconLength = r.readInt64();
    if (!r.ok() || iconLength < 0 || static_cast<uint64_t>(iconLength) > r.remaining()) return false;
    const size_t n = static_cast<size_t>(iconLength);
    if (n > kMaxAppIcon) {
      a.iconDropped = true;
      r.skip(n);
    } else {
      a.icon.resize(n);
      if (n) r.read(n, a.icon.data());
    }
    r.skipText();
    r.skip(4);
    a.installTimeMs = r.readInt64();
    return r.ok();
  });
}

Bytes startApplicationRequest(std::string_view packageName) {
  return codeOneTotalRequest(AgentCommand::StartApplication, packageName);
}

bool isValidPackageName(std::string_view name) {
  if (name.empty() || name.size() > 255) return false;
  int segments = 0;
  size_t start = 0;
  for (;;) {
    const size_t dot = name.find('.', start);
    const std::string_view segment = name.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
    if (segment.empty()) return false;
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (!letter(segment[0])) return false;
    for (char c : segment)
      if (!letter(c) && !(c >= '0' && c <= '9') && c != '_') return false;
    ++segments;
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  return segments >= 2;
}

std::string appUninstallCommand(const std::string& adb, const std::string& serial, const std::string& packageName) {
  if (!isValidPackageName(packageName)) return {};
  if (serial.empty()) return uninstallCommand(adb, packageName);
  // The serial as one quoted word ("my device 1"): the phone the page shows, never another one.
  return quotedPath(adb) + " -s " + quotedArgument(serial) + " uninstall " + packageName;
}

std::string runPackageText(AgentResult result, int32_t status, const std::string& label) {
  if (result == AgentResult::Cancelled) return {};
  if (result != AgentResult::Ok) {
    const char* failure = agentFailureText(result);
    return failure ? failure : "【错误】启动失败：" + label;
  }
  if (status == 0) return "【错误】手机没有启动「" + label + "」：找不到该程序、它没有可打开的界面，或手机不允许「卓维克手机端」打开应用";
  return "【提示】已在手机上启动「" + label + "」";
}

}  // namespace zorvik
