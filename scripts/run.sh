#!/usr/bin/env bash
# Builds the suite and starts it: against a phone when one is attached, otherwise against the
# virtual phone (sim/vphone).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

./scripts/install-deps.sh
for preset in native win; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
source scripts/wine-env.sh
zorvik_wine_init

vphone=build/native/sim/vphone
if [ -x "$vphone" ] && ! (command -v adb >/dev/null && adb devices 2>/dev/null | grep -q 'device$'); then
  echo "[run] no phone attached: starting the virtual phone"
  "$vphone" &
  trap 'kill $! 2>/dev/null' EXIT
fi

if [ -f build/win/bin/zorvik.exe ]; then
  zorvik_wine build/win/bin/zorvik.exe
else
  echo "[run] zorvik.exe is not built yet; this checkout holds the foundation: the agent protocol"
  echo "[run] and its tests. Once the main window exists, this command starts it under Wine."
fi
