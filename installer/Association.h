#pragma once
// The .apk file association: the entries that make Quillet the program that opens packages, as
// Quillet's settings dialog and the setup program write them, and the check that it still is.
#include <string>
#include <vector>

namespace zorvik {

constexpr const char* kApkExtension = ".apk";
constexpr const char* kApkProgId = "pkgnest042.apk";
constexpr const char* kApkTypeName = "Android程序安装包 (.apk)";
constexpr const char* kExplorerApkKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.apk";

struct AssociationEntry {
  bool classes;  // under the classes root; otherwise under the current user's key
  std::string subkey;
  std::string valueName;  // empty: the key's default value
  std::string data;
};

// "\"<program>\" \"%1\"": the open command written, and compared character for character.
std::string associationCommand(const std::string& programPath);
// The five entries for `programPath`, in the order written.
std::vector<AssociationEntry> associationEntries(const std::string& programPath);
// Both comparisons exact (case counts): the ".apk" class and the open command.
bool associationMatches(const std::string& apkDefault, const std::string& openCommand, const std::string& programPath);

}  // namespace zorvik
