// The tray icon when the shell restarts: the registered "TaskbarCreated" message, broadcast as
// the shell does, must bring the icon back into a notification area that has forgotten it.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <memory>

#include "UiTestSupport.h"
#include "app/MainWindow.h"
#include "app/resource.h"

using namespace zorvik;
using namespace zorvik::test;

namespace {

// Asks the notification area itself whether it holds the window's icon: only an icon it knows
// can be modified.
bool shellHoldsIcon(HWND owner) {
  NOTIFYICONDATAA d{};
  d.cbSize = sizeof d;
  d.hWnd = owner;
  d.uID = IDI_MAIN;
  return Shell_NotifyIconA(NIM_MODIFY, &d) != FALSE;
}

void broadcastTaskbarCreated() {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0, SMTO_ABORTIFHUNG, 2000,
                      &result);
  pump(100);
}

TEST(TrayAfterShellRestart, IconIsAddedAgainWithTheShortTooltip) {
  MainWindow window{MainWindowOptions{}};
  ASSERT_TRUE(window.createModeless(nullptr));
  pump(100);
  const HWND h = window.hwnd();
  ASSERT_TRUE(window.tray().added());
  ASSERT_TRUE(shellHoldsIcon(h));

  // A new shell starts with an empty notification area.
  NOTIFYICONDATAA gone{};
  gone.cbSize = sizeof gone;
  gone.hWnd = h;
  gone.uID = IDI_MAIN;
  ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &gone));
  ASSERT_FALSE(shellHoldsIcon(h));

  broadcastTaskbarCreated();
  EXPECT_TRUE(shellHoldsIcon(h)) << "the icon was not added to the new shell";
  EXPECT_TRUE(window.tray().added());
  EXPECT_EQ(window.tray().tooltip(), "Zorvik 卓维克");

  // The message without a restart (the icon still shown) leaves one icon, not an error.
  broadcastTaskbarCreated();
  EXPECT_TRUE(shellHoldsIcon(h));
  EXPECT_TRUE(window.tray().added());

  DestroyWindow(h);
  pump(50);
  EXPECT_FALSE(shellHoldsIcon(h));
}

}  // namespace
