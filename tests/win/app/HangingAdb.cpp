// A stand-in for adb.exe that never ends, as a tool held up by its server or the phone: it prints
// nothing and waits until it is ended.
#include <windows.h>

int main() {
  for (;;) Sleep(60000);
}
