// zorvik.exe itself, started as a user starts it: one instance, and the "/hide" start (ended by
// the tray or by a second start).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "app/resource.h"

using namespace zorvik::test;

namespace {

std::string programPath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s = path;
  return s.substr(0, s.find_last_of('\\') + 1) + "zorvik.exe";
}

struct Started {
  PROCESS_INFORMATION pi{};
  bool ok = false;
  ~Started() {
    if (pi.hProcess) {
      if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 1);
      CloseHandle(pi.hProcess);
      CloseHandle(pi.hThread);
    }
  }
};

void start(Started& s, const std::string& args) {
  std::string line = "\"" + programPath() + "\"" + (args.empty() ? "" : " " + args);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  s.ok = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &s.pi) != FALSE;
}

// The top-level windows marked "Zorvik" = 1103.
std::vector<HWND> markedWindows() {
  std::vector<HWND> found;
  EnumWindows([](HWND w, LPARAM p) -> BOOL {
    if (reinterpret_cast<INT_PTR>(GetPropA(w, "Zorvik")) == 1103) reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
    return TRUE;
  }, reinterpret_cast<LPARAM>(&found));
  return found;
}

bool waitFor(const std::function<bool()>& done, int ms) {
  for (int i = 0; i < ms / 20; ++i) {
    if (done()) return true;
    Sleep(20);
  }
  return done();
}

void closeAndWait(Started& s, HWND w) {
  PostMessageA(w, WM_COMMAND, IDC_CAPTION_CLOSE, 0);
  EXPECT_EQ(WaitForSingleObject(s.pi.hProcess, 15000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(s.pi.hProcess, &code);
  EXPECT_EQ(code, 0u);
}

}  // namespace

TEST(Startup, ASecondStartLeavesOneProcessWithTheFirstWindowInFront) {
  ASSERT_TRUE(markedWindows().empty());
  Started first;
  start(first, "");
  ASSERT_TRUE(first.ok);
  ASSERT_TRUE(waitFor([] { return markedWindows().size() == 1; }, 20000));
  HWND w = markedWindows()[0];
  ASSERT_TRUE(waitFor([&] { return IsWindowVisible(w) != FALSE; }, 5000));
  ShowWindow(w, SW_MINIMIZE);  // the second start must bring it back
  ASSERT_TRUE(waitFor([&] { return IsIconic(w) != FALSE; }, 3000));
  Started second;
  start(second, "");
  ASSERT_TRUE(second.ok);
  ASSERT_EQ(WaitForSingleObject(second.pi.hProcess, 20000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(second.pi.hProcess, &code);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(markedWindows().size(), 1u);
  EXPECT_EQ(WaitForSingleObject(first.pi.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_TRUE(waitFor([&] { return !IsIconic(w) && IsWindowVisible(w); }, 3000));
  saveWindowPng(w, artifactPath("zorvik-started.png"));
  closeAndWait(first, w);
}

TEST(Startup, HideShowsOnlyTheTrayIconUntilATrayClick) {
  Started s;
  start(s, "/hide");
  ASSERT_TRUE(s.ok);
  ASSERT_TRUE(waitFor([] { return markedWindows().size() == 1; }, 20000));
  HWND w = markedWindows()[0];
  Sleep(1500);  // the modal loop has started and tried to show it
  EXPECT_FALSE(IsWindowVisible(w));
  PostMessageA(w, 0x40A, 0, WM_LBUTTONDOWN);  // the tray icon's callback
  EXPECT_TRUE(waitFor([&] { return IsWindowVisible(w) != FALSE; }, 5000));
  closeAndWait(s, w);
}

// Started with Windows ("/hide"), then by the user: the second start shows the hidden window,
// whatever its own arguments say.
TEST(Startup, ASecondStartShowsAWindowStartedHidden) {
  for (const char* secondArgs : {"", "/hide"}) {
    SCOPED_TRACE(secondArgs);
    Started first;
    start(first, "/hide");
    ASSERT_TRUE(first.ok);
    ASSERT_TRUE(waitFor([] { return markedWindows().size() == 1; }, 20000));
    HWND w = markedWindows()[0];
    Sleep(1500);  // the modal loop has started and kept it hidden
    ASSERT_FALSE(IsWindowVisible(w));
    Started second;
    start(second, secondArgs);
    ASSERT_TRUE(second.ok);
    ASSERT_EQ(WaitForSingleObject(second.pi.hProcess, 20000), WAIT_OBJECT_0);
    EXPECT_EQ(markedWindows().size(), 1u);
    EXPECT_TRUE(waitFor([&] { return IsWindowVisible(w) != FALSE && !IsIconic(w); }, 5000));
    Sleep(500);  // a later paint must not hide it again
    EXPECT_TRUE(IsWindowVisible(w));
    closeAndWait(first, w);
  }
}
