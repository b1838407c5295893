// Reads the running zorvik.exe from outside, for the end-to-end scripts:
//   zorvik_probe label <file> <seconds>    wait until the connection label holds the file's text
//   zorvik_probe window <file> <seconds>   wait until a top-level window has the file's text as caption
//   zorvik_probe cancel <file>             press Cancel in the window with the file's caption
//   zorvik_probe close                     close the main window (its 10200 command)
//   zorvik_probe show <group> <page>       show a page (message 0x432)
// Texts are passed in GBK files, as non-ASCII arguments are unsafe on Wine's command line.
// Exit 0 when found, 1 when not (the last text seen is printed).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

HWND mainWindow() {
  HWND found = nullptr;
  EnumWindows([](HWND w, LPARAM p) -> BOOL {
    if (reinterpret_cast<INT_PTR>(GetPropA(w, "Zorvik")) == 1103) {
      *reinterpret_cast<HWND*>(p) = w;
      return FALSE;
    }
    return TRUE;
  }, reinterpret_cast<LPARAM>(&found));
  return found;
}

std::string readFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::string s((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::string(argv[1]) == "close") {
    HWND w = mainWindow();
    if (!w) return 1;
    PostMessageA(w, WM_COMMAND, 10200, 0);
    return 0;
  }
  if (argc >= 4 && std::string(argv[1]) == "show") {
    HWND w = mainWindow();
    if (!w) return 1;
    PostMessageA(w, 0x432, std::atoi(argv[2]), std::atoi(argv[3]));
    return 0;
  }
  if (argc >= 3 && std::string(argv[1]) == "cancel") {
    HWND w = FindWindowA(nullptr, readFile(argv[2]).c_str());
    if (!w) return 1;
    PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
    return 0;
  }
  if (argc < 4) {
    std::fprintf(stderr, "usage: zorvik_probe label|window <file> <seconds> | close\n");
    return 2;
  }
  std::string mode = argv[1], want = readFile(argv[2]);
  int seconds = std::atoi(argv[3]);
  std::string seen;
  for (int i = 0; i < seconds * 10; ++i) {
    if (mode == "label") {
      if (HWND w = mainWindow()) {
        char buf[256] = {};
        GetDlgItemTextA(w, 1367, buf, sizeof buf);
        seen = buf;
        if (seen == want) return 0;
      }
    } else if (mode == "window") {
      if (HWND w = FindWindowA(nullptr, want.c_str()); w && IsWindowVisible(w)) return 0;
    }
    Sleep(100);
  }
  std::printf("not found; label was: %s\n", seen.c_str());
  return 1;
}
