#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>

#include "common/win/CrashHandling.h"
#include "common/win/Handles.h"
#include "common/win/WideText.h"

namespace zorvik {
namespace {

LONG WINAPI reportingFilter(EXCEPTION_POINTERS* pointers) {
  std::fprintf(stderr, "crash filter reached, record %s\n", pointers ? "given" : "none");
  std::fflush(stderr);
  return EXCEPTION_EXECUTE_HANDLER;
}

// A C++ exception no worker caught ends the process through the program's crash filter (its
// message), not through a silent abort.
TEST(CrashHandlingDeathTest, AnUncaughtExceptionOnAWorkerReachesTheFilter) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        installCrashHandling(reportingFilter);
        std::thread([] { throw std::runtime_error("worker fault"); }).join();
      },
      ::testing::ExitedWithCode(static_cast<int>(kTerminatedExitCode)), "crash filter reached, record none");
}

bool handleIsOpen(HANDLE h) {
  DWORD flags = 0;
  return GetHandleInformation(h, &flags) != 0;
}

TEST(WinOwners, AKernelHandleClosesOnceWhenResetMovedOrReplaced) {
  UniqueKernelHandle first(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  const HANDLE raw = first.get();
  ASSERT_TRUE(first);
  UniqueKernelHandle second(std::move(first));
  EXPECT_FALSE(first);
  EXPECT_TRUE(handleIsOpen(raw));
  UniqueKernelHandle read, write;
  ASSERT_TRUE(CreatePipe(read.put(), second.put(), nullptr, 0));  // put() closes the event first
  // Its slot is free again, or already holds one of the pipe's ends.
  EXPECT_TRUE(!handleIsOpen(raw) || raw == read.get() || raw == second.get());
  const HANDLE pipe = second.get();
  second.reset();
  EXPECT_FALSE(handleIsOpen(pipe));
}

TEST(WinOwners, AFileThatCannotBeOpenedIsEmpty) {
  const UniqueFileHandle file(CreateFileA("Z:\\no\\such\\folder\\file.bin", GENERIC_READ, 0, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(file);
}

TEST(WinOwners, RegistryKeysOpenReadAndMissOnes) {
  const UniqueHkey software = openRegKey(HKEY_LOCAL_MACHINE, "SOFTWARE");
  ASSERT_TRUE(software);
  std::string name;
  EXPECT_TRUE(regSubkeyName(software.get(), 0, name));
  EXPECT_FALSE(name.empty());
  EXPECT_FALSE(openRegKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\ZorvikNoSuchKey\\Anywhere"));
}

TEST(WinOwners, ABitmapDcGivesItsBitmapBackSoItCanBeDeleted) {
  WindowDc screen(nullptr);
  ASSERT_NE(screen.get(), nullptr);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen.get(), 8, 8);
  {
    BitmapDc dc(screen.get(), bitmap);
    ASSERT_NE(dc.get(), nullptr);
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), bitmap);
  }
  EXPECT_TRUE(DeleteObject(bitmap));  // fails while a DC still holds it
}

TEST(WinOwners, ABstrKeepsItsLengthAndMoves) {
  Bstr text(std::wstring(L"a\0b", 3));
  EXPECT_EQ(text.view().size(), 3u);
  Bstr moved(std::move(text));
  EXPECT_EQ(text.get(), nullptr);
  EXPECT_EQ(moved.view(), std::wstring_view(L"a\0b", 3));
}

TEST(WideText, GbkTextGoesThroughUtf16Unchanged) {
  const std::string gbk = "卓维克 PC版";  // GBK bytes: sources compile with -fexec-charset=GBK
  const std::wstring wide = toWide(gbk);
  EXPECT_EQ(wide, std::wstring(L"\u5353\u7EF4\u514B PC\u7248"));
  EXPECT_EQ(fromWide(wide), gbk);
  EXPECT_EQ(fromWide(toWide("\xE5\x8D\x93", CP_UTF8), CP_UTF8), "\xE5\x8D\x93");
  EXPECT_EQ(toWide(""), L"");
  EXPECT_EQ(fromWide(L""), "");
}

}  // namespace
}  // namespace zorvik
