#include "installer/Association.h"

namespace zorvik {

std::string associationCommand(const std::string& programPath) { return "\"" + programPath + "\" \"%1\""; }

std::vector<AssociationEntry> associationEntries(const std::string& programPath) {
  const std::string progId = kApkProgId;
  return {
      {true, kApkExtension, "", progId},
      {true, progId, "", kApkTypeName},
      {true, progId + "\\DefaultIcon", "", programPath + ",0"},
      {true, progId + "\\shell\\open\\command", "", associationCommand(programPath)},
      {false, kExplorerApkKey, "Progid", progId},
  };
}

bool associationMatches(const std::string& apkDefault, const std::string& openCommand, const std::string& programPath) {
  return apkDefault == kApkProgId && openCommand == associationCommand(programPath);
}

}  // namespace zorvik
