// The Windows build of the downloader against Debian's lighttpd and odd_server.py, which
// download_real.sh starts natively (through download_real_servers) before this program runs
// under Wine; the same cases as the native test, every file compared byte for byte.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "native/download/RealServerCases.h"

namespace zorvik {
namespace {

TEST(RealServerWinTest, EveryFileIsTheSourceByteForByte) {
  const char* lighttpd = std::getenv("ZORVIK_LIGHTTPD_BASE");
  const char* odd = std::getenv("ZORVIK_ODD_BASE");
  if (!lighttpd || !odd) GTEST_SKIP() << "no servers: run through tests/win/download/download_real.sh";
  char temp[MAX_PATH];
  ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
  const std::string folder = std::string(temp) + "zorvik-real-" + std::to_string(GetCurrentProcessId());
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  const std::string target = folder + "\\com.example.app.apk";
  test::checkRealServerCases(target, lighttpd, odd);
  DeleteFileA(target.c_str());
  removeTemporaryFiles(target);
  EXPECT_TRUE(RemoveDirectoryA(folder.c_str())) << "something was left in " << folder;
}

}  // namespace
}  // namespace zorvik
