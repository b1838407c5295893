// Under Wine with LC_ALL=zh_CN.GBK the ANSI code page must be 936, as on a Chinese Windows;
// every text the program shows depends on it.
#include "common/TextConv.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace zorvik {
namespace {

TEST(CodePage, AnsiCodePageIs936) { EXPECT_EQ(GetACP(), 936u); }

TEST(CodePage, Win32AndOurConversionAgree) {
  const std::string gbk = "联系人连接错误【X】";
  wchar_t wide[64] = {};
  const int n = MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), wide, 64);
  ASSERT_GT(n, 0);
  EXPECT_EQ(wide[0], L'\u8054');
  char utf8[128] = {};
  const int m = WideCharToMultiByte(CP_UTF8, 0, wide, n, utf8, sizeof utf8, nullptr, nullptr);
  EXPECT_EQ(toUtf8(gbk), std::string(utf8, static_cast<size_t>(m)));
}

}  // namespace
}  // namespace zorvik
