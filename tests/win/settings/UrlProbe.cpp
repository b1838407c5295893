// Stands in for zorvik.exe as the URL protocol's program: keeps the command line it was given in
// %TEMP%\zorvik_url_probe.txt.
#include <windows.h>

#include <cstdio>
#include <string>

int main() {
  char dir[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, dir);
  const std::string path = std::string(dir) + "zorvik_url_probe.txt";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 1;
  std::fputs(GetCommandLineA(), f);
  std::fclose(f);
  return 0;
}
