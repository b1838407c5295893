#pragma once
// What the package page shows about a package before it is installed, read from the manifest
// text that decodeManifest() writes: names, version, label and icon references, minimum Android
// version, install location, launch activity, plug-in mark, permissions, and the advertising and
// statistics components it carries.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "installer/XmlTree.h"

namespace zorvik {

// A resource reference "@0x7f040001" split into its parts.
struct ResourceRef {
  uint8_t package = 0;
  uint8_t type = 0;
  uint16_t entry = 0;
};

struct ManifestInfo {
  std::string packageName;
  std::string splitName;  // the manifest's split attribute: set only in a part of a split package
  std::string versionName;  // the text, or the resolved string once the table is read
  bool versionIsReference = false;
  uint16_t versionEntry = 0;
  ResourceRef versionRef;
  std::string label;
  bool labelIsReference = false;
  uint8_t labelType = 0;
  uint16_t labelEntry = 0;
  ResourceRef labelRef;
  uint8_t iconType = 0;
  uint16_t iconEntry = 0;
  ResourceRef iconRef;
  bool sdCardAllowed = true;
  int32_t minSdk = -1;
  std::string launchActivity;
  bool isPlugin = false;
  bool usesInternet = false;
  std::vector<std::string> permissions;
  std::vector<std::string> advertising;
  std::vector<std::string> statistics;
};

enum class AnalysisStatus {
  kOk,
  kRefused,      // the text is not well-formed XML: the package is not valid
  kNoXmlReader,  // no XML reader on this system: show kNoXmlReaderMessage; nothing analysed
};

// Fills info (reset first) from the manifest text.
AnalysisStatus analyseManifest(const std::string& xmlText, ManifestInfo& info);
// The same over a tree already parsed.
void analyseManifestTree(const XmlTree& tree, ManifestInfo& info);

// Appends the display names of the advertising class files among the archive's member names.
void probeClasses(const std::vector<std::string>& memberNames, ManifestInfo& info);
// The same, asking the archive (holds: whether it has a member of that name, ignoring case).
void probeClasses(const std::function<bool(std::string_view)>& holds, ManifestInfo& info);

// "Android 2.3.3" for 10 and so on; "未知版本" for any value outside the table.
const char* minSdkText(int32_t minSdk);
// The permission's description, or nullptr when the table does not hold it.
const char* permissionDescription(const std::string& permission);
// The 57 rows of the permission table in their order.
struct PermissionRow {
  const char* permission;
  const char* description;
};
const std::vector<PermissionRow>& permissionTable();
// A description that marks a risky or a dangerous permission.
bool isRiskyDescription(const std::string& description);
bool isDangerousDescription(const std::string& description);

// Parses "@0x7f040001", "@7f040001" or "0x7f..." (hexadecimal); false when it is not one.
bool parseResourceRef(const std::string& text, size_t skip, ResourceRef& out);

// The result tree the page shows: three expanded roots with their children.
struct ResultNode {
  std::string text;
  std::vector<std::string> children;
};
std::vector<ResultNode> resultTree(const ManifestInfo& info);
// The SD-card field: "该应用支持" or "不支持".
const char* sdCardText(const ManifestInfo& info, bool valid);

}  // namespace zorvik
