#pragma once
// Installing a package on the phone with the adb tool: choosing the device, the checks before the
// copy, the temporary copy, the install command and the one table that turns the tool's output
// into words; then starting the installed application. The flow runs on a worker thread and
// reaches the system only through InstallHost, so the window, the components dialog and the tests
// share it.
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "devlink/AdbBridge.h"
#include "installer/ManifestAnalysis.h"

namespace zorvik {

// What the flow needs from the system. Called on the flow's (worker) thread.
class InstallHost {
 public:
  virtual ~InstallHost() = default;
  // The run ends (timed out) after `deadlineMs`: a hung tool never holds the flow.
  virtual AdbRunResult run(const std::string& commandLine, size_t maxOutput, unsigned deadlineMs) = 0;
  // Several devices: the user picks one; empty when none was picked.
  virtual std::string chooseDevice(const std::vector<std::string>& serials) = 0;
  virtual std::string temporaryFolder() = 0;  // long form, with a trailing separator
  // Free space of the drive that holds `folder`, in megabytes; 0 when it cannot be read.
  virtual uint64_t freeMegabytes(const std::string& folder) = 0;
  virtual bool fileExists(const std::string& path) = 0;
  virtual bool copyFile(const std::string& from, const std::string& to) = 0;  // overwriting
  virtual void deleteFile(const std::string& path) = 0;
  virtual std::tm localTime() = 0;
  // The progress texts, in order (the window posts them to its title area).
  virtual void status(const std::string& text) = 0;
};

// Deadlines of the tool's runs: listings and properties answer at once; an install copies the
// package over USB and lets the phone verify it (a 100 MB package takes about a minute), so its
// deadline grows with the package (adbDeadlineMs(AdbCommandKind::Install, size)).
constexpr unsigned kAdbQueryDeadlineMs = 20000;

// ---------------------------------------------------------------- device choice

enum class DeviceChoice : int {
  kChosen = 0,
  kNoPipe = 1,       // "【内部错误】，请重新安装“Quillet”"
  kCannotStart = 2,  // "【组件丢失，请重新安装“Quillet”"
  kNoDevice = 3,     // "【错误】没有找到Android设备，请检查USB连接"
  kNoneChosen = 4,   // "【错误】没有选择任何设备，单击【安装到手机】重新选择" (the button that offers the choice again)
  kNoServer = 5,     // no ADB server answers the tool: kNoAdbServerText
};
// Lists the devices; one is taken as it is, several are offered to the user.
DeviceChoice chooseInstallDevice(InstallHost& host, const std::string& adb, std::string& serial);
// The status of a failed choice; `component` gives the components dialog's wording of result 4.
std::string deviceChoiceText(DeviceChoice choice, bool component);

// ---------------------------------------------------------------- the pieces

// The status for the tool's install output: the first row of the table whose text occurs.
// `component` changes only the success text.
// A failure code of the package manager ("Failure [INSTALL_FAILED_…]") is read before the tool's
// own words; every code the package manager declares has its text.
std::string installResultText(std::string_view output, bool component = false);
// The failure codes the table knows, for tests that walk them.
size_t installFailureCodeCount();
std::string installFailureCodeName(size_t index);
// The folder + "%d%02d%02d%d%02d%02d" of the local time + ".apk" (the hour not padded); a
// `sequence` above 0 adds "_<sequence>" before ".apk", so installs in one second keep apart.
std::string temporaryCopyPath(const std::string& folder, const std::tm& local, unsigned sequence = 0);
constexpr uint64_t kLargePackageBytes = 10000000;
// "安装中, 该文件较大请耐心等待..." above kLargePackageBytes, else "安装中,请稍等...".
const char* copyingText(uint64_t sizeBytes);
// The SD option is passed when the box is ticked, the package allows the card and SDK >= 8.
bool installToSd(bool ticked, bool allowed, int sdkLevel);
// sdkCommand and sdkLevelFromOutput are the device link's (devlink/AdbBridge.h).
// "%s -s %s install -r %s %s": adb, serial, " -s" or nothing, the quoted path.
std::string packageInstallCommand(const std::string& adb, const std::string& serial, bool toSd,
                                  const std::string& path);
// "%s -s %s install %s".
std::string componentInstallCommand(const std::string& adb, const std::string& serial, const std::string& path);
// Empty unless the serial is plain, the package a package name and the activity (resolved) a class
// name: the caller then runs nothing. A name with '$' (a nested class) goes in single quotes.
std::string startActivityCommand(const std::string& adb, const std::string& serial, const std::string& package,
                                 const std::string& activity);

// ---------------------------------------------------------------- what may reach a command line

// The phone's shell reads what follows "shell": a name from a package is put on the line only when
// it matches its grammar, so it can hold nothing the shell would act on.
// A Java name: segments of letters, digits, '_' and '$', none starting with a digit, joined by dots.
bool isJavaClassName(std::string_view name);
// A package name as the package manager accepts it: at least two segments of [A-Za-z][A-Za-z0-9_]*.
bool isCommandPackageName(std::string_view name);
// A serial a command line can carry quoted: 1 to 256 bytes, no control character, no double quote.
bool isPlainSerial(std::string_view serial);
// The manifest's activity name as a full class name: a leading dot or a name without one is
// relative to the package. Empty when the result is no valid class name.
std::string resolvedActivityName(const std::string& package, const std::string& activity);
extern const char kUnsafeSerialText[];    // the serial holds characters no command line may carry
extern const char kUnsafeActivityText[];  // " 的启动项名称不合法，Quillet拒绝运行" after the label

// ---------------------------------------------------------------- installing

extern const char kStartingText[];        // "开始安装应用，请稍等..."
extern const char kNoPackageText[];       // "【错误】没有找到要安装的文件,您可以拖入一个APK文件进来"
extern const char kRefusedPackageText[];  // "【错误】不是有效的APK文件，Quillet拒绝安装"

struct InstallRequest {
  std::string adb;   // the tool's path (adbPath())
  std::string path;  // the package file
  uint64_t sizeBytes = 0;
  bool sdTicked = false;
  bool sdAllowed = true;
  bool component = false;  // a suite component: no -r, no SD option, 20 MB free, its own texts
};

struct InstallOutcome {
  std::string status;       // the final text
  std::string serial;       // the device used (empty when none)
  std::string command;      // the install command run (empty when it was not reached)
  std::string output;       // the tool's output
  bool installed = false;   // the tool reported "Success"
  bool choiceFailed = false;
};

// The whole install of one file on `serial` (already chosen): space, copy, SD decision, command,
// result; the temporary copy is deleted whatever happens after it was made.
InstallOutcome installOnDevice(InstallHost& host, const InstallRequest& request, const std::string& serial);
// The device choice, then installOnDevice.
InstallOutcome installPackage(InstallHost& host, const InstallRequest& request);

// ---------------------------------------------------------------- running it

struct LaunchPlan {
  std::string status;    // label + " 已经在手机上运行" or label + " 您尚未安装，无法运行"
  std::string activity;  // what to start, a full class name; empty: nothing
};
// From the package list ("package:NAME" lines): an installed plug-in starts the activity named
// after its package's last part, another package its launch activity. A package or activity name
// that is no valid name starts nothing and says so.
LaunchPlan launchPlan(std::string_view packageList, const ManifestInfo& manifest, const std::string& label);

// ---------------------------------------------------------------- web lookups

// Both empty unless the package name holds a dot. `searchBase` and `marketBase` end in "/";
// `site` is the maker's site the search is restricted to.
std::string siteSearchUrl(const std::string& searchBase, const std::string& site, const std::string& packageName);
std::string marketUrl(const std::string& marketBase, const std::string& packageName);
// The host of a base address ("http://www.zorvik.com/" -> "www.zorvik.com"): the site a search
// is restricted to, taken from the maker's site as configured. Empty when there is none.
std::string siteOfBase(const std::string& base);

// ---------------------------------------------------------------- the suite's components

struct Component {
  const char* name;
  const char* package;
  const char* size;
  const char* description;
};
constexpr size_t kComponentCount = 12;
const Component* components();  // kComponentCount rows, in the list's order
extern const char* const kComponentColumns[6];
enum class Preset : int { kAll = 0, kEssential = 1, kInstallerOnly = 2, kCustom = 3 };
extern const char* const kPresetNames[4];  // "全部功能", "必备组件", "仅安装器", "自定义"
// The rows a preset ticks; `current` is kept for kCustom.
std::vector<bool> presetTicks(Preset preset, const std::vector<bool>& current);
// Which components the package list holds.
std::vector<bool> installedComponents(std::string_view packageList);
const char* componentStatusText(bool installed);  // "已安装" / "未安装"

extern const char kNoComponentTicked[];   // "【错误】您尚未选择任何要安装的组件"
extern const char kComponentMissing[];    // "【错误】卓维克部分组件丢失，请重新安装Quillet来修复"
// Installs the ticked components from `folder` (the program folder, with a trailing separator),
// one device for all of them; stops at the first failure, whose text is the status.
InstallOutcome installComponents(InstallHost& host, const std::string& adb, const std::string& folder,
                                 const std::vector<bool>& ticked);

// Whether `name` is one line "package:NAME" of the package list.
bool packageListHolds(std::string_view packageList, std::string_view name);

}  // namespace zorvik
