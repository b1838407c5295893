#pragma once
// The applications page's exchanges with the phone-side agent: the installed packages (870802),
// the phone's basic facts (870002) and starting a package (870805).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "devlink/AgentList.h"
#include "devlink/AgentRequest.h"
#include "devlink/AgentSession.h"
#include "devlink/BasicFacts.h"

namespace zorvik {

// A row keeps an icon of at most this many bytes; a longer one is dropped (the row stays).
constexpr size_t kMaxAppIcon = 262144;

struct AppRecord {
  std::string label;        // ANSI
  std::string packageName;  // ANSI, as the page holds it
  std::string versionName;  // ANSI
  int32_t extraValue = 0;
  int64_t sizeBytes = 0;
  int64_t installTimeMs = 0;  // 0: never
  std::vector<unsigned char> icon;
  bool iconDropped = false;   // the phone sent an icon longer than kMaxAppIcon
};

// The body of 870802 (length word already taken off; the cursor starts at offset 4). Never reads
// past `length`; a record running past the body or with a negative length makes it malformed.
WireList<AppRecord> parseAppList(const unsigned char* body, size_t length);

// 870805: code, 1, 16 + N, N, the package name.
Bytes startApplicationRequest(std::string_view packageName);

// The status line after "立即运行": the exchange's failure (agentFailureText), "not started"
// when the phone answered 0, a notice naming the package when it answered anything else; empty
// for a cancelled exchange. `label` is ANSI.
std::string runPackageText(AgentResult result, int32_t status, const std::string& label);

// True for a name Android accepts as a package: two or more dot-separated segments, each a
// letter followed by letters, digits or '_', at most 255 bytes in all. Only such a name reaches
// a command line.
bool isValidPackageName(std::string_view name);

// The uninstall command line: "<adb> uninstall <package>", with "-s <serial>" when a phone is
// chosen (with two phones attached the tool would otherwise refuse). Empty for a package name
// Android would not accept: such a name never reaches a command line.
std::string appUninstallCommand(const std::string& adb, const std::string& serial, const std::string& packageName);

}  // namespace zorvik
