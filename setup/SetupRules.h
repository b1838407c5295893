#pragma once
// The setup program's portable rules: the install folder chosen from a browsed folder, the
// payload's members with where they go and the progress shown after each, the check that keeps
// every written file inside the install folder, and the driver wizard's USB id and maker texts.
#include <string>
#include <string_view>
#include <vector>

namespace zorvik {

constexpr const char* kDefaultInstallFolder = "C:\\Program Files\\Zorvik";
constexpr const char* kProductFolderName = "Zorvik";
constexpr const char* kPayloadTempName = "pkgnest042.apk.zip";
constexpr const char* kDataFolderName = "Data";
constexpr int kPayloadResourceId = 133;
constexpr const char* kPayloadResourceType = "APK";

// "\Zorvik" appended to `chosen` unless its last component already is "Zorvik" (any case).
std::string installFolderFor(std::string chosen);

struct PayloadMember {
  const char* name;
  bool inDataFolder;  // into <install folder>\Data
  int progressAfter;  // the progress bar's value once the member is done; 0: unchanged
};
// Every member in the order extracted.
const std::vector<PayloadMember>& payloadMembers();

// `folder`\[Data\]`name` when `name` is one plain file name (no separators, drive, "." or "..",
// no control characters); empty otherwise, so nothing can land outside the install folder.
std::string memberTargetPath(const std::string& folder, std::string_view name, bool inDataFolder);

// "vid_xxxx&pid_yyyy" from a USB device interface path ("\\?\usb#vid_...#..."), lower-cased;
// empty when the path has no "#" after the prefix.
std::string usbIdFromInterfacePath(std::string_view path);
// The maker's text for a vendor id (four hexadecimal digits, any case); "未知" for any other.
std::string vendorText(std::string_view vendorId);
// The four characters after "vid_" in a usbId; empty when there are none.
std::string vendorIdOf(std::string_view usbId);

// The web search for a maker's phone driver: `makerUtf8` + " Android手机USB驱动", as UTF-8,
// percent-encoded into the search service's query.
std::string driverSearchUrl(std::string_view makerUtf8);

}  // namespace zorvik
