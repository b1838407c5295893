#include "installer/Package.h"

#include <cstdio>

#include "installer/ApkArchive.h"
#include "installer/BinaryXml.h"
#include "installer/IconChoice.h"
#include "installer/ResourceTable.h"

namespace zorvik {

const char kInvalidPackageTitle[] = "【错误】不是有效的APK文件";
const char kSplitPartTitle[] = "【错误】这是拆分安装包的一部分，不能单独安装，请使用完整的安装包";

namespace {

const char kManifestMember[] = "AndroidManifest.xml";
const char kResourcesMember[] = "resources.arsc";

PackageInfo notValid(PackageInfo info, PackageFailure failure) {
  info.valid = false;
  info.failure = failure;
  // The page keeps only the fields set before the check (path and size).
  info.manifest = ManifestInfo();
  info.iconPath.clear();
  info.iconBytes.clear();
  return info;
}

}  // namespace

std::string stripQuotes(const std::string& path) {
  size_t begin = 0, end = path.size();
  while (begin < end && path[begin] == '"') ++begin;
  while (end > begin && path[end - 1] == '"') --end;
  return path.substr(begin, end - begin);
}

bool hasApkExtension(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.size() - dot != 4) return false;
  const char* want = ".apk";
  for (size_t i = 0; i < 4; ++i) {
    char c = path[dot + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != want[i]) return false;
  }
  return true;
}

std::string formatByteSize(uint64_t bytes) {
  char text[48];
  if (bytes < 1024) {
    std::snprintf(text, sizeof text, "%u 字节", static_cast<unsigned>(bytes));
    return text;
  }
  static const char* const kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
  // Hundredths of the unit, in integers so that truncation is exact.
  size_t unit = 0;
  uint64_t whole = bytes / 1024, rest = bytes % 1024;
  while (whole >= 1024 && unit + 1 < sizeof kUnits / sizeof kUnits[0]) {
    rest = whole % 1024;
    whole /= 1024;
    ++unit;
  }
  const unsigned hundredths = static_cast<unsigned>(rest * 100 / 1024);
  const unsigned long long w = whole;
  if (whole < 10) std::snprintf(text, sizeof text, "%llu.%02u %s", w, hundredths, kUnits[unit]);
  else if (whole < 100) std::snprintf(text, sizeof text, "%llu.%u %s", w, hundredths / 10, kUnits[unit]);
  else std::snprintf(text, sizeof text, "%llu %s", w, kUnits[unit]);
  return text;
}

bool fileSize(const std::string& path, uint64_t& out) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
#ifdef _WIN32
  const bool sought = _fseeki64(f, 0, SEEK_END) == 0;
  const long long size = sought ? _ftelli64(f) : -1;
#else
  const bool sought = fseeko(f, 0, SEEK_END) == 0;
  const long long size = sought ? static_cast<long long>(ftello(f)) : -1;
#endif
  std::fclose(f);
  if (size < 0) return false;
  out = static_cast<uint64_t>(size);
  return true;
}

std::string PackageInfo::title() const {
  if (valid) return manifest.label;
  return failure == PackageFailure::kSplitPart ? kSplitPartTitle : kInvalidPackageTitle;
}

PackageFields pageFields(const PackageInfo& info) {
  const ManifestInfo& m = info.manifest;
  return PackageFields{info.title(), info.sizeText, m.versionName, m.packageName, minSdkText(m.minSdk), m.label,
                       sdCardText(m, info.valid)};
}

PackageInfo openPackage(const std::string& rawPath) {
  PackageInfo info;
  info.path = stripQuotes(rawPath);
  if (!hasApkExtension(info.path)) return notValid(std::move(info), PackageFailure::kBadExtension);
  ApkArchive archive;
  const bool opened = archive.openFile(info.path);
  // The mapping's size is the file's; a file that is no archive is measured by itself.
  if (opened) info.sizeBytes = archive.size();
  if (opened || fileSize(info.path, info.sizeBytes)) info.sizeText = formatByteSize(info.sizeBytes);
  if (!opened) return notValid(std::move(info), PackageFailure::kNotArchive);
  if (!archive.hasMember(kManifestMember)) return notValid(std::move(info), PackageFailure::kNoManifest);
  auto manifestBytes = archive.readMember(kManifestMember);
  if (!manifestBytes) return notValid(std::move(info), PackageFailure::kBadManifest);
  ManifestFlags flags;
  auto text = decodeManifest(*manifestBytes, &flags);
  if (!text) return notValid(std::move(info), PackageFailure::kBadManifest);
  info.manifestText = std::move(*text);
  switch (analyseManifest(info.manifestText, info.manifest)) {
    case AnalysisStatus::kOk: break;
    case AnalysisStatus::kRefused: return notValid(std::move(info), PackageFailure::kManifestRefused);
    case AnalysisStatus::kNoXmlReader: return notValid(std::move(info), PackageFailure::kNoXmlReader);
  }
  // A part of a split package names its split; the package manager installs it only together
  // with its base. The page says so and keeps the names it read (package, split, version).
  if (!info.manifest.splitName.empty() || flags.featureSplit) {
    info.valid = false;
    info.failure = PackageFailure::kSplitPart;
    return info;
  }

  if (!archive.hasMember(kResourcesMember)) return notValid(std::move(info), PackageFailure::kNoResources);
  // The table is normally stored uncompressed so that it can be read in place, however large.
  std::optional<std::string> tableCopy;
  std::optional<std::string_view> tableBytes = archive.storedMemberView(kResourcesMember);
  if (!tableBytes) {
    tableCopy = archive.readMember(kResourcesMember);
    if (tableCopy) tableBytes = *tableCopy;
  }
  if (!tableBytes) return notValid(std::move(info), PackageFailure::kBadResources);
  // Each reference is resolved in the package it names (an application's own 0x7F, the
  // framework's 0x01); a package the table does not hold leaves its texts empty.
  ManifestInfo& m = info.manifest;
  const ResourceRef none;
  const ResourceRef& label = m.labelIsReference ? m.labelRef : none;
  const ResourceRef& version = m.versionIsReference ? m.versionRef : none;
  const ResourceRef& icon = m.iconType != 0 ? m.iconRef : none;
  std::string texts[2];
  for (const ResourceRef* ref : {&label, &version}) {
    if (ref->type == 0 || (ref == &version && version.package == label.package && label.type))
      continue;  // already resolved with the label, in the same package
    const uint8_t package = ref->package;
    auto pick = [&](const ResourceRef& r) { return ResourceEntry{r.package == package ? r.type : uint8_t(0), r.entry}; };
    auto resolved = resolveResourceStrings(*tableBytes, package, {pick(label), pick(version)});
    if (!resolved) return notValid(std::move(info), PackageFailure::kBadResources);
    for (size_t i = 0; i < 2; ++i)
      if (!(*resolved)[i].empty()) texts[i] = std::move((*resolved)[i]);
  }
  if (label.type) m.label = texts[0];
  if (version.type) m.versionName = texts[1];
  if (icon.type) {
    // The densest picture of the icon's configurations, not the XML of an adaptive icon: its own
    // walk of the table, across configurations.
    info.iconPath = chooseIconPath(*tableBytes, icon, [&](const std::string& name) { return archive.readMember(name); });
    if (!info.iconPath.empty()) info.iconBytes = archive.readMember(info.iconPath).value_or(std::string());
  }
  tableCopy.reset();

  probeClasses([&](std::string_view name) { return archive.hasMember(name); }, m);
  return info;
}

}  // namespace zorvik
