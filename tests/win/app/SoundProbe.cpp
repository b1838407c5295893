// Opens the wave output as zorvik.exe does for its connection sounds; used by
// wine_harness_quiet.sh, which checks that the Wine harness stays quiet about sound and display.
#include <windows.h>
#include <mmsystem.h>

#include <cstdio>

int main() {
  const UINT devices = waveOutGetNumDevs();
  const BOOL played = PlaySoundA("SystemAsterisk", nullptr, SND_ALIAS | SND_SYNC | SND_NODEFAULT);
  std::printf("wave devices %u, played %d\n", devices, played ? 1 : 0);
  return 0;
}
