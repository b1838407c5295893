// ADB clients against the virtual phone: Debian's adb (written by others) and the suite's own
// tools/adb, with the same commands and the same expectations, so the output the device link parses is
// the same whichever tool runs.
#include "VphoneFixture.h"

#include "devlink/AgentSession.h"
#include "devlink/TcpSocket.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace zorvik::sim::test {
namespace {

constexpr const char* kSerial = "ZRVK0A1B2C3D4E5F";

struct ToolRun {
  int exitCode = -1;
  std::string output;  // standard output and standard error together
};

class ClientsTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (std::string(GetParam()) == "debian" && !std::ifstream("/usr/bin/adb"))
      GTEST_SKIP() << "Debian's adb is not installed (scripts/install-deps.sh installs it)";
    phone_.setBaseState(dataSet());
    phone_.addDevice(kSerial);
    std::string error;
    ASSERT_TRUE(phone_.start(0, -1, error)) << error;
  }

  std::string tool() const { return std::string(GetParam()) == "debian" ? "/usr/bin/adb" : ZORVIK_ADB_TOOL; }

  // Runs the tool against this test's server only: the port is passed both ways, so a client can
  // never reach for (or start) a server elsewhere.
  ToolRun adb(const std::string& args) {
    const std::string line = "ANDROID_ADB_SERVER_PORT=" + std::to_string(phone_.adbPort()) + " " + tool() + " -P " +
                             std::to_string(phone_.adbPort()) + " " + args + " 2>&1";
    ToolRun run;
    FILE* pipe = ::popen(line.c_str(), "r");
    if (!pipe) return run;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) run.output.append(buf, n);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
  }

  static uint16_t freePort() {
    TcpListener l;
    l.listen(0);
    const uint16_t port = l.port();
    l.close();
    return port;
  }

  VirtualPhone phone_;
};

TEST_P(ClientsTest, DevicesListsTheSerial) {
  const ToolRun r = adb("devices");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.output, std::string("List of devices attached\n") + kSerial + "\tdevice\n\n");
  phone_.control("device add OFFLINE1 offline");
  EXPECT_NE(adb("devices").output.find("OFFLINE1\toffline\n"), std::string::npos);
}

TEST_P(ClientsTest, ShellGetprop) {
  const ToolRun r = adb(std::string("-s ") + kSerial + " shell getprop ro.build.version.sdk");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.output, "15\r\n");
  const ToolRun all = adb(std::string("-s ") + kSerial + " shell getprop");
  EXPECT_NE(all.output.find("[ro.product.model]: [MI 2S]"), std::string::npos);
  const ToolRun missing = adb("-s NOSUCHPHONE shell getprop");
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.output.find("device 'NOSUCHPHONE' not found"), std::string::npos);
}

TEST_P(ClientsTest, ForwardThenAgentVersion) {
  const uint16_t port = freePort();
  const ToolRun r = adb(std::string("-s ") + kSerial + " forward tcp:" + std::to_string(port) + " tcp:50505");
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(queryAgentVersion(port), 21);
  phone_.control("forward refuse 1");
  const ToolRun refused = adb(std::string("-s ") + kSerial + " forward tcp:" + std::to_string(freePort()) + " tcp:50505");
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.output.find("cannot bind listener"), std::string::npos);
}

TEST_P(ClientsTest, InstallUninstallAndPush) {
  const std::string apk = ZORVIK_TEST_APK;
  if (!std::ifstream(apk)) GTEST_SKIP() << "no test package (aapt missing)";
  const std::string filesBefore = phone_.control("count files");
  ToolRun r = adb(std::string("-s ") + kSerial + " install -r " + apk);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.output.find("\tpkg: /data/local/tmp/com.example.hello.apk\r\nSuccess\r\n"), std::string::npos) << r.output;
  EXPECT_NE(adb(std::string("-s ") + kSerial + " shell pm list packages").output.find("package:com.example.hello\r\n"),
            std::string::npos);
  EXPECT_EQ(phone_.control("count files"), filesBefore) << "the pushed package was not removed again";

  // Under a temporary name (as Quillet copies it) the package is still known by its manifest.
  const std::string renamed = ::testing::TempDir() + "~tmp4711.apk";
  {
    std::ifstream in(apk, std::ios::binary);
    std::ofstream out(renamed, std::ios::binary);
    out << in.rdbuf();
  }
  r = adb(std::string("-s ") + kSerial + " install -r " + renamed);
  EXPECT_NE(r.output.find("Success"), std::string::npos) << r.output;
  const std::string listed = adb(std::string("-s ") + kSerial + " shell pm list packages").output;
  EXPECT_EQ(listed.find("tmp4711"), std::string::npos);
  EXPECT_NE(listed.find("package:com.example.hello\r\n"), std::string::npos);
  std::remove(renamed.c_str());

  phone_.control("install outcome INSTALL_FAILED_INSUFFICIENT_STORAGE");
  r = adb(std::string("-s ") + kSerial + " install -r " + apk);
  EXPECT_NE(r.output.find("Failure [INSTALL_FAILED_INSUFFICIENT_STORAGE]"), std::string::npos);
  EXPECT_EQ(r.output.find("Success"), std::string::npos);
  phone_.control("reset");

  r = adb(std::string("-s ") + kSerial + " uninstall com.example.hello");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.output, "Success\r\n");
  EXPECT_EQ(adb(std::string("-s ") + kSerial + " shell pm list packages").output.find("com.example.hello"),
            std::string::npos);

  r = adb(std::string("-s ") + kSerial + " push " + apk + " /sdcard/Download/");
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_NE(r.output.find("1 file pushed"), std::string::npos);
  EXPECT_NE(adb(std::string("-s ") + kSerial + " shell ls /sdcard/Download").output.find("com.example.hello.apk"),
            std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(BothTools, ClientsTest, ::testing::Values("debian", "ours"));

}  // namespace
}  // namespace zorvik::sim::test
