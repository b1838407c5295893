#pragma once
// Opening a package file: everything the package page shows before an install, gathered in one
// call that the window runs and then displays. Nothing is written to disk.
#include <cstdint>
#include <string>
#include <vector>

#include "installer/ManifestAnalysis.h"

namespace zorvik {

// Why a package is not valid, for tests and logs; the user sees kInvalidPackageTitle.
enum class PackageFailure {
  kNone,
  kBadExtension,    // the name does not end in ".apk" (any case)
  kNotArchive,      // missing file, or not a zip archive
  kNoManifest,      // no "AndroidManifest.xml" member
  kBadManifest,     // unreadable member, or not sound compiled XML
  kManifestRefused, // the XML reader refused the decoded text
  kNoXmlReader,     // no XML reader on this system (the window shows kNoXmlReaderMessage)
  kNoResources,     // no "resources.arsc" member
  kBadResources,    // unreadable member, or not a sound resource table
  kSplitPart,       // one part of a split package (a configuration or feature split): not installable alone
};

extern const char kInvalidPackageTitle[];  // "【错误】不是有效的APK文件"
// The title (and the install refusal) for a part of a split package.
extern const char kSplitPartTitle[];  // "【错误】这是拆分安装包的一部分，不能单独安装，请使用完整的安装包"

struct PackageInfo {
  bool valid = true;
  PackageFailure failure = PackageFailure::kNone;
  std::string path;      // without surrounding quotes
  uint64_t sizeBytes = 0;
  std::string sizeText;  // empty when the file could not be measured
  // Label and version name are resolved through the resource table where they were references.
  ManifestInfo manifest;
  std::string iconPath;   // the icon member named by the resource table
  std::string iconBytes;  // that member's bytes, as stored (PNG and so on); empty when absent
  std::string manifestText;  // the decoded manifest

  bool installable() const { return valid; }
  // What the title area shows: the label, kSplitPartTitle or kInvalidPackageTitle.
  std::string title() const;
  std::vector<ResultNode> results() const { return resultTree(manifest); }
};

PackageInfo openPackage(const std::string& path);

// The texts of the page's fields, as the window shows them (also for a package that is not
// valid: its emptied fields, "未知版本" and "不支持").
struct PackageFields {
  std::string title;    // the label, or kInvalidPackageTitle
  std::string size;     // the byte-size text
  std::string version;
  std::string packageName;
  std::string minSdk;   // "Android 2.3.3", "未知版本"
  std::string label;
  std::string sdCard;   // "该应用支持" or "不支持"
};
PackageFields pageFields(const PackageInfo& info);

// Steps of openPackage, exposed for tests.
std::string stripQuotes(const std::string& path);
bool hasApkExtension(const std::string& path);
// The shell's byte-size text: "512 字节", "1.50 KB", "43.4 MB", "128 GB" (three significant
// digits, truncated).
std::string formatByteSize(uint64_t bytes);
// The size of a file, false when it cannot be opened.
bool fileSize(const std::string& path, uint64_t& out);

}  // namespace zorvik
