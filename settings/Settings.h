#pragma once
// The program's settings and the rules around them that need no window: the values kept under
// HKEY_CURRENT_USER\Software\Zorvik, the start-with-Windows entry, and the default download
// folder (the drives are reached through a small interface so the rule can be tested anywhere).
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace zorvik {

constexpr const char* kSettingsKey = "Software\\Zorvik";
constexpr const char* kDownloadPathValue = "DownloadPath";
constexpr const char* kExitModeValue = "exit_mode";
constexpr const char* kScreenShotValue = "screen_shot";
// Addresses of the services outside the program. Each is a setting with a built-in default, so a
// test (or a developer) points the program at the loopback stand-in with one registry value.
constexpr const char* kServiceBaseValue = "ServiceBase";    // maker's web site: feedback/*.php, update.xml
constexpr const char* kStoreBaseValue = "StoreBase";        // the software store's pages
constexpr const char* kDownloadBaseValue = "DownloadBase";  // the package download server
constexpr const char* kWeatherHostValue = "WeatherHost";    // the weather data service (a host[:port])
constexpr const char* kSearchBaseValue = "SearchBase";      // the web search Quillet's site search opens
constexpr const char* kDefaultServiceBase = "http://www.zorvik.com/";
constexpr const char* kDefaultStoreBase = "http://app.zorvik.com/";
constexpr const char* kDefaultDownloadBase = "http://down.zorvik.com/";
constexpr const char* kDefaultWeatherHost = "weather.zorvik.com";
constexpr const char* kDefaultSearchBase = "http://search.zorvik.com/";
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunValue = "卓维克";
constexpr std::uint32_t kExitModeHide = 0;
constexpr std::uint32_t kExitModeExit = 3;
constexpr const char* kDownloadFolderName = "ZorvikDownload";
constexpr std::uint64_t kMegabyte = 1048576;
constexpr std::uint64_t kMinDownloadDriveFree = 500 * kMegabyte;

// "exit_mode" as the page reads it: 3 stays 3, absent or anything else is 0 (hide).
std::uint32_t exitModeFrom(std::optional<std::uint32_t> stored);

// A stored base address made usable: empty or not http(s) → the fallback; a missing trailing "/"
// added (every caller appends a path to it).
std::string serviceBaseFrom(const std::optional<std::string>& stored, const char* fallback);
// A stored weather host: letters, digits, '.', '-' and one ":port" only, else the fallback.
std::string weatherHostFrom(const std::optional<std::string>& stored);

// The Run value that starts the program hidden: the quoted path and " /hide".
std::string runCommandFor(const std::string& programPath);
// Case-insensitive comparison of two GBK texts: ASCII letters fold, the two bytes of a
// double-byte character are compared exactly (a trail byte may look like an ASCII letter).
bool equalsIgnoreCaseGbk(const std::string& a, const std::string& b);
// Whether a stored Run value starts this program (the check box's state).
bool runValueMatches(const std::optional<std::string>& stored, const std::string& programPath);

// The drives C: to Z:, as the default download folder rule sees them.
class DriveProbe {
public:
  virtual ~DriveProbe() = default;
  virtual bool isFixed(char letter) const = 0;
  // Bytes free for the current user; nullopt when the drive cannot be read.
  virtual std::optional<std::uint64_t> freeBytes(char letter) const = 0;
};

// The fixed drive with the most free space of at least 500 MB; on equal space the later letter.
std::optional<char> chooseDownloadDrive(const DriveProbe& drives);
// "X:\ZorvikDownload" on the chosen drive; with none, the folder of that name in `profileFolder`
// (the user's profile is writable where a drive root may not be).
std::string defaultDownloadFolder(const DriveProbe& drives, const std::string& profileFolder);
// Where the program keeps what it writes (the task store "Config.db", the fallback download
// folder): its own folder when that can be written, else `appDataFolder`\Zorvik (a program under
// "Program Files" may not write beside itself), else its own folder all the same, whose failures
// then show. `writable(folder)` tells whether files can be made there, creating it when missing.
// Folders end with "\".
struct DataFolder {
  std::string folder;
  bool perUser = false;  // the application-data fallback is in use
};
constexpr const char* kUserDataFolderName = "Zorvik";
DataFolder chooseDataFolder(const std::string& programFolder, const std::string& appDataFolder,
                            const std::function<bool(const std::string&)>& writable);

// Whether a typed folder starts at a drive or a share ("D:\x", "\\server\x"): anything else
// would be found from whatever the working folder is at the time, so it is not stored.
bool isFullFolderPath(const std::string& folder);

// The "%d MB" shown for a drive: free bytes / 1 048 576, 0 when unreadable, capped at INT_MAX.
int freeMegabytes(std::optional<std::uint64_t> freeBytes);

}  // namespace zorvik
