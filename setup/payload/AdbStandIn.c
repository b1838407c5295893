/* A stand-in for the ADB USB libraries installed beside adb.exe: the suite's own adb client talks
   to the ADB server over TCP and loads neither. A release build supplies the real libraries
   with -DZORVIK_ADB_FOLDER=<folder holding adb.exe, AdbWinApi.dll and AdbWinUsbApi.dll>. */
__declspec(dllexport) int ZorvikAdbStandIn(void) { return 1; }
