#pragma once
// The applications page's exchanges with the phone-side agent: the installed packages (870802),
// the phone's basic facts (870002) and starting a package (870805).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "devlink/AgentRequest.h"
#include "devlink/BasicFacts.h"

namespace zorvik {

// A row keeps an icon of at most this many bytes; a longer one is dropped (the row stays).
constexpr size_t kMaxAppIcon = kAgentMaxIconBytes;

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

struct AppList {
  std::vector<AppRecord> records;
  // A record ran past the body or carried a negative length: the records before it are kept,
  // but the reply is not the phone's whole list.
  bool malformed = false;
};

// The body of 870802 (length word already taken off; the cursor starts at offset 4). Never reads
// past `length`.
AppList parseAppList(const unsigned char* body, size_t length);

// 870805: code, 1, 16 + N, N, the package name.
Bytes startApplicationRequest(std::string_view packageName);

// The status line when the phone answers 870805 with 0: the package is gone, has nothing to open,
// or the phone does not let the agent start apps (label in ANSI).
std::string appNotStartedText(const std::string& label);

// True for a name Android accepts as a package: two or more dot-separated segments, each a
// letter followed by letters, digits or '_', at most 255 bytes in all. Only such a name reaches
// a command line.
bool isValidPackageName(std::string_view name);

// The uninstall command line: "<adb> uninstall <package>", with "-s <serial>" when a phone is
// chosen (with two phones attached the tool would otherwise refuse). Empty for a package name
// Android would not accept: such a name never reaches a command line.
std::string appUninstallCommand(const std::string& adb, const std::string& serial, const std::string& packageName);

}  // namespace zorvik
