#!/usr/bin/env bash
# adb.exe under Wine against the vphone program: devices, shell getprop, install, uninstall, and
# a device that does not exist. Output shapes and exit codes must match those of Debian's adb.
# usage: adb_exe_check.sh ADB_EXE PROJECT_ROOT      (exit 77 when no native vphone is built)
set -uo pipefail
adb_exe=$1 root=$2
vphone=
for b in native-asan native; do
  [ -x "$root/build/$b/sim/vphone" ] && { vphone=$root/build/$b/sim/vphone; break; }
done
[ -n "$vphone" ] || { echo "no native vphone built; skipping"; exit 77; }
command -v aapt >/dev/null && [ -f /usr/share/android-framework-res/framework-res.apk ] || { echo "aapt missing"; exit 77; }

work=$(mktemp -d)
out=$work/vphone.out
"$vphone" --port 0 >"$out" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null; wait $pid 2>/dev/null; rm -rf "$work"' EXIT
port=
for _ in $(seq 100); do
  port=$(sed -n 's/^vphone: adb server on 127.0.0.1:\([0-9]*\).*/\1/p' "$out")
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "vphone did not start"; cat "$out"; exit 1; }
export ANDROID_ADB_SERVER_PORT=$port

aapt package -f -M "$root/tests/native/sim/apk/AndroidManifest.xml" -S "$root/tests/native/sim/apk/res" \
  -I /usr/share/android-framework-res/framework-res.apk -F "$work/com.example.hello.apk" >/dev/null

fails=0
check() { # check NAME EXPECTED_RC EXPECTED_SUBSTRING -- ARGS...
  local name=$1 rc_want=$2 want=$3; shift 4
  local got rc
  got=$("$root/scripts/wine-run" "$adb_exe" -P "$port" "$@" 2>&1); rc=$?
  if [ "$rc" != "$rc_want" ] || [[ "$got" != *"$want"* ]]; then
    echo "FAIL $name: rc=$rc output:"; printf '%s\n' "$got"; fails=$((fails + 1))
  else
    echo "ok $name"
  fi
}
S=ZRVK0A1B2C3D4E5F
check devices 0 $'List of devices attached\nZRVK0A1B2C3D4E5F\tdevice' -- devices
check getprop 0 $'15\r' -- -s $S shell getprop ro.build.version.sdk
check install 0 $'Success\r' -- -s $S install -r "$(winepath -w "$work/com.example.hello.apk" 2>/dev/null || echo "$work/com.example.hello.apk")"
check listed 0 'package:com.example.hello' -- -s $S shell pm list packages
check uninstall 0 $'Success\r' -- -s $S uninstall com.example.hello
check no-device 1 "device 'NOPE' not found" -- -s NOPE shell ls
echo "$((6 - fails)) passed, $fails failed"
[ $fails -eq 0 ]
