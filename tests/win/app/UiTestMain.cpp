// The UI tests' process: OLE, common controls, GDI+, the UI-thread queue and the page registry,
// as zorvik.exe has.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include "ui/ImageDecode.h"
#include "app/PageRegistry.h"
#include "ui/UiThread.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  zorvik::registerPages();
  int rc;
  {
    zorvik::GdiplusSession gdiplus;
    zorvik::startUiThreadQueue();
    rc = RUN_ALL_TESTS();
    zorvik::stopUiThreadQueue();
  }
  OleUninitialize();
  return rc;
}
