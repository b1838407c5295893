#include "settings/Registration.h"

#include <gtest/gtest.h>

using namespace zorvik;

namespace {

// Records the calls and answers as told.
struct FakeActions : RepairActions {
  bool shortcutOk = true, systemWritable = true, ownFolderWritable = true, classesWritable = true,
       registerOk = true, protocolOk = true;
  std::vector<std::string> calls;
  std::vector<int> progress;

  bool createDesktopShortcut() override {
    calls.push_back("shortcut");
    return shortcutOk;
  }
  std::string systemFolder() override { return "C:\\windows\\system32"; }
  std::string programFolder() override { return "C:\\Zorvik\\"; }
  bool writeAgentLibrary(const std::string& folder) override {
    calls.push_back("write " + folder);
    return folder == systemFolder() ? systemWritable : ownFolderWritable;
  }
  bool machineClassesWritable() override { return classesWritable; }
  bool registerAgentLibrary(const std::string& path, bool perUser) override {
    calls.push_back("register " + path + (perUser ? " user" : " machine"));
    return registerOk;
  }
  bool registerUrlProtocol(bool perUser) override {
    calls.push_back(std::string("protocol") + (perUser ? " user" : " machine"));
    return protocolOk;
  }
  void setProgress(int percent) override { progress.push_back(percent); }
};

TEST(RegistrationTest, UrlProtocolKeys) {
  const auto e = urlProtocolEntries("C:\\Zorvik\\zorvik.exe");
  ASSERT_EQ(e.size(), 4u);
  EXPECT_EQ(e[0].subkey, "Zorvik");
  EXPECT_EQ(e[0].valueName, "");
  EXPECT_EQ(e[0].data, "ZorvikProtocol");
  EXPECT_EQ(e[1].valueName, "URL Protocol");
  EXPECT_EQ(e[1].data, "C:\\Zorvik\\zorvik.exe");
  EXPECT_EQ(e[2].subkey, "Zorvik\\DefaultIcon");
  EXPECT_EQ(e[2].data, "C:\\Zorvik\\zorvik.exe,0");
  EXPECT_EQ(e[3].subkey, "Zorvik\\shell\\open\\command");
  EXPECT_EQ(e[3].data, "\"C:\\Zorvik\\zorvik.exe\" \"%1\"");
}

TEST(RegistrationTest, RepairRunsEveryStepInOrderAndSaysDone) {
  FakeActions a;
  const RepairReport r = repair(a);
  EXPECT_EQ(a.calls, (std::vector<std::string>{"shortcut", "write C:\\windows\\system32",
                                               "register C:\\windows\\system32\\ZorvikAgent.dll machine",
                                               "protocol machine"}));
  EXPECT_EQ(a.progress, (std::vector<int>{10, 20, 30, 40, 100}));
  EXPECT_EQ(repairResultText(r), kRepairDoneText);
}

TEST(RegistrationTest, WithoutAdministratorRightsRepairFallsBackAndSaysSo) {
  FakeActions a;
  a.systemWritable = false;
  a.classesWritable = false;
  const RepairReport r = repair(a);
  EXPECT_EQ(a.calls, (std::vector<std::string>{"shortcut", "write C:\\windows\\system32", "write C:\\Zorvik\\",
                                               "register C:\\Zorvik\\ZorvikAgent.dll user", "protocol user"}));
  EXPECT_EQ(r.library, StepOutcome::kDoneForUser);
  EXPECT_EQ(r.registration, StepOutcome::kDoneForUser);
  EXPECT_EQ(repairResultText(r),
            "修复完成(无管理员权限: 组件已写入程序目录、注册项仅对当前用户有效),仍然存在问题请尝试重装 Zorvik");
}

TEST(RegistrationTest, FailedStepsAreNamedNotReportedAsDone) {
  FakeActions a;
  a.shortcutOk = false;
  a.systemWritable = a.ownFolderWritable = false;
  const RepairReport r = repair(a);
  // No library written: nothing to register, but the protocol step still runs.
  EXPECT_EQ(a.calls.back(), "protocol machine");
  EXPECT_EQ(r.libraryPath, "");
  EXPECT_EQ(a.progress, (std::vector<int>{10, 20, 30, 40, 100}));
  EXPECT_EQ(repairResultText(r), "修复未完成(失败: 桌面快捷方式、写入组件、注册组件),仍然存在问题请尝试重装 Zorvik");
}

}  // namespace
