#pragma once
// The settings in the registry of the current user, the start-with-Windows entry and the
// download folder (Win32 side of settings/Settings.h). UI thread or any thread: each call opens and
// closes its own key.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "settings/Settings.h"

namespace zorvik {

// Values under HKEY_CURRENT_USER\Software\Zorvik (the key is created when a value is written).
std::optional<std::string> readSetting(const char* name);
std::optional<std::uint32_t> readSettingNumber(const char* name);
bool writeSetting(const char* name, const std::string& value);
bool writeSettingNumber(const char* name, std::uint32_t value);

// The service addresses (settings with built-in defaults; see Settings.h).
std::string serviceBase();
std::string storeBase();
std::string downloadBase();
std::string weatherHost();
std::string searchBase();

std::uint32_t readExitMode();
bool writeExitMode(std::uint32_t mode);

// The full path of this program.
std::string programPath();
// The Run value "卓维克" as stored (nullopt when absent).
std::optional<std::string> readRunValue();
// On: writes the quoted path and " /hide"; off: deletes the value. True when the registry agrees.
bool setStartWithWindows(bool on, const std::string& path);

// GetDriveType / GetDiskFreeSpaceEx on the drive roots.
class WinDriveProbe : public DriveProbe {
public:
  bool isFixed(char letter) const override;
  std::optional<std::uint64_t> freeBytes(char letter) const override;
};
// Bytes free for the user on the drive holding `folder` (nullopt when it cannot be read).
std::optional<std::uint64_t> folderFreeBytes(const std::string& folder);

bool folderExists(const std::string& folder);
// Creates the folder with all missing parents; true when it exists afterwards.
bool createFolder(const std::string& folder);
// Whether a file can be made in `folder`: creates the folder when missing, then a probe file
// that is gone again at once.
bool folderWritable(const std::string& folder);
// The folder for Config.db and the program's other written data (see chooseDataFolder), with
// %APPDATA% as the fallback; decided once per run.
const DataFolder& dataFolder();

// "DownloadPath" when it names an existing folder; otherwise the default folder, created and
// stored. Empty when no folder could be made.
std::string readDownloadFolder(const DriveProbe& drives = WinDriveProbe());
// "explorer.exe" on a folder (verb "open", shown normally).
void openInExplorer(const std::string& folder);
using FolderOpener = std::function<void(const std::string& folder)>;
// Opens "DownloadPath" when it names an existing folder; false (nothing opened) otherwise.
bool openDownloadFolder(const FolderOpener& open = openInExplorer);

}  // namespace zorvik
