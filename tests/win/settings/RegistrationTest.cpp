// The registrations for real: the carried library written out and registered (machine-wide and
// per user), the URL protocol as the shell uses it, and repair from start to end.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "AgentTestSupport.h"
#include "common/LocalFile.h"
#include "settings/RegistrationWin.h"
#include "settings/SettingsWin.h"
#include "app/StartupArgs.h"

using namespace zorvik;
using namespace zorvik::test;

namespace {

const std::string kClassKey = "CLSID\\{E09E723C-36CD-411E-8098-78BDACE87869}";

std::string tempFolder(const char* name) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + name;
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string besideTest(const char* name) {
  const std::string self = programPath();
  return self.substr(0, self.find_last_of('\\') + 1) + name;
}

TEST(Registration, CarriedLibraryIsWrittenWholeAndRegistered) {
  const std::string folder = tempFolder("zorvik_agent_out");
  ASSERT_TRUE(writeAgentLibrary(GetModuleHandleA(nullptr), folder));
  const std::string dll = folder + "\\ZorvikAgent.dll";
  EXPECT_EQ(fileBytes(dll), fileBytes(agentDllPath()));
  // Written again over itself (a repair run twice).
  ASSERT_TRUE(writeAgentLibrary(GetModuleHandleA(nullptr), folder));
  EXPECT_EQ(GetFileAttributesA((dll + kPartialSuffix).c_str()), INVALID_FILE_ATTRIBUTES);

  ASSERT_EQ(registerLibrary(dll, true), S_OK);
  EXPECT_EQ(lstrcmpiA(stringValue(HKEY_CLASSES_ROOT, kClassKey + "\\InprocServer32").c_str(), dll.c_str()), 0);
  EXPECT_EQ(stringValue(HKEY_CLASSES_ROOT, "ZorvikAgent.Vko\\CurVer"), "ZorvikAgent.Vko.1");
  ASSERT_EQ(registerLibrary(dll, false), S_OK);
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, kClassKey));
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, "ZorvikAgent.Vko"));
  EXPECT_TRUE(keyExists(HKEY_CLASSES_ROOT, "CLSID"));
  DeleteFileA(dll.c_str());
  RemoveDirectoryA(folder.c_str());
}

TEST(Registration, MissingLibraryOrExportIsAFailureNotSuccess) {
  EXPECT_TRUE(FAILED(registerLibrary(besideTest("NoSuchLibrary.dll"), true)));
  // A library without the export (the brand pictures' resource DLL).
  EXPECT_TRUE(FAILED(registerLibrary(besideTest("Data\\PageRes.dll"), true)));
}

TEST(Registration, PerUserRegistrationStaysInTheUsersClasses) {
  const std::string dll = agentDllPath();
  ASSERT_EQ(registerLibrary(dll, true, true), S_OK);
  EXPECT_EQ(stringValue(HKEY_CURRENT_USER, "Software\\Classes\\ZorvikAgent.Vko\\CLSID"),
            "{E09E723C-36CD-411E-8098-78BDACE87869}");
  EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, "Software\\Classes\\" + kClassKey + "\\InprocServer32"));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, "Software\\Classes\\ZorvikAgent.Vko"));
  ASSERT_EQ(registerLibrary(dll, false, true), S_OK);
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, "Software\\Classes\\ZorvikAgent.Vko"));
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, "Software\\Classes\\" + kClassKey));
}

TEST(Registration, UrlProtocolStartHandsTheWholeAddressAndHideStartsHidden) {
  const std::string probe = besideTest("settings_urlprobe.exe");
  ASSERT_TRUE(registerUrlProtocol(probe, false));
  EXPECT_EQ(stringValue(HKEY_CLASSES_ROOT, "Zorvik"), "ZorvikProtocol");
  EXPECT_EQ(stringValue(HKEY_CLASSES_ROOT, "Zorvik", "URL Protocol"), probe);
  EXPECT_EQ(stringValue(HKEY_CLASSES_ROOT, "Zorvik\\DefaultIcon"), probe + ",0");
  EXPECT_EQ(stringValue(HKEY_CLASSES_ROOT, "Zorvik\\shell\\open\\command"), "\"" + probe + "\" \"%1\"");

  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string out = std::string(temp) + "zorvik_url_probe.txt";
  DeleteFileA(out.c_str());
  SHELLEXECUTEINFOA run{sizeof run};
  run.fMask = SEE_MASK_NOCLOSEPROCESS;
  run.lpFile = "zorvik://connect/hide";
  run.nShow = SW_SHOWNORMAL;
  ASSERT_TRUE(ShellExecuteExA(&run));
  ASSERT_NE(run.hProcess, nullptr);
  WaitForSingleObject(run.hProcess, 20000);
  CloseHandle(run.hProcess);
  const std::string commandLine = fileBytes(out);
  EXPECT_NE(commandLine.find("zorvik://connect/hide"), std::string::npos) << commandLine;
  EXPECT_TRUE(isHiddenStart(commandLine)) << commandLine;
  DeleteFileA(out.c_str());
  RegDeleteTreeA(HKEY_CLASSES_ROOT, "Zorvik");

  ASSERT_TRUE(registerUrlProtocol(probe, true));
  EXPECT_EQ(stringValue(HKEY_CURRENT_USER, "Software\\Classes\\Zorvik\\shell\\open\\command"),
            "\"" + probe + "\" \"%1\"");
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Classes\\Zorvik");
}

TEST(Registration, RepairCreatesShortcutLibraryAndRegistrations) {
  std::vector<int> progress;
  const std::string text = runRepair([&](int p) { progress.push_back(p); });
  EXPECT_EQ(text, "修复完成,仍然存在问题请尝试重装 Zorvik");
  EXPECT_EQ(progress, (std::vector<int>{10, 20, 30, 40, 100}));

  char desktop[MAX_PATH] = {}, system[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop)));
  GetSystemDirectoryA(system, MAX_PATH);
  const std::string shortcut = std::string(desktop) + "\\卓维克.lnk";
  const std::string dll = std::string(system) + "\\ZorvikAgent.dll";
  EXPECT_NE(GetFileAttributesA(shortcut.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(fileBytes(dll), fileBytes(agentDllPath()));
  EXPECT_EQ(lstrcmpiA(stringValue(HKEY_CLASSES_ROOT, kClassKey + "\\InprocServer32").c_str(), dll.c_str()), 0);
  EXPECT_EQ(stringValue(HKEY_CLASSES_ROOT, "Zorvik\\shell\\open\\command"), "\"" + programPath() + "\" \"%1\"");

  EXPECT_EQ(registerLibrary(dll, false), S_OK);
  DeleteFileA(dll.c_str());
  DeleteFileA(shortcut.c_str());
  RegDeleteTreeA(HKEY_CLASSES_ROOT, "Zorvik");
}

}  // namespace
