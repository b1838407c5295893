#!/usr/bin/env bash
# setup.exe as a user runs it, under Wine on a private Xvfb: install into a fresh folder, check
# every member is there, then start the installed zorvik.exe against the virtual phone.
# usage: setup_e2e.sh VPHONE BIN_DIR ARTIFACTS
set -uo pipefail
vphone=$1 bin=$2 artifacts=$3
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
[ -x "$vphone" ] || vphone=${vphone/\/build\/native\//\/build\/native-asan\/}
[ -x "$vphone" ] || { echo "no vphone (build a native tree)"; exit 77; }
export WINEPREFIX=${ZORVIK_UI_WINEPREFIX:-$root/build/wineprefix-ui}
source "$root/scripts/wine-env.sh"
zorvik_wine_init
mkdir -p "$artifacts"
work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; rm -rf "$work"; }
trap cleanup EXIT
fifo=$work/fifo; mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
pids+=($!)
read -r -t 20 num <"$fifo" || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=:$num

target=$work/inst/Zorvik
(cd "$bin" && zorvik_wine ./setup.exe >/dev/null 2>&1) &
pids+=($!)
(cd "$bin" && zorvik_wine ./setup_probe.exe "Z:$target") || { echo "[e2e] setup: FAILED"; exit 1; }
missing=0
for f in zorvik.exe Quillet.exe sqlite3.dll THIRD-PARTY-NOTICES.txt adb.exe AdbWinApi.dll AdbWinUsbApi.dll Data/device.xml Data/PageRes.dll \
         com.zorvik.Zorvik.apk com.zorvik.TaskMgr.apk; do
  [ -s "$target/$f" ] || { echo "missing $f"; missing=1; }
done
[ $missing = 0 ] || exit 1
echo "[e2e] setup: installed"
wineserver -k 2>/dev/null
# The installed programs against the virtual phone: the connection check needs the probe beside them.
cp "$bin/zorvik_probe.exe" "$target/"
"$root/tests/e2e/app/vphone_connect.sh" "$vphone" "$target" "$artifacts/setup-installed"
