#!/usr/bin/env bash
# The downloads page's UI test: starts websim and the virtual phone from a native tree, then runs
# the test program under Wine on a private Xvfb with their addresses in its environment.
# usage: download_vphone.sh NATIVE_TREE TEST_EXE ARTIFACTS [gtest arguments]
set -uo pipefail
tree=$1 exe=$2 artifacts=$3
shift 3
root=$(cd "$(dirname "$0")/../../.." && pwd)
[ -x "$tree/sim/vphone" ] && [ -x "$tree/sim/websim" ] || tree=${tree%/native}/native-asan
[ -x "$tree/sim/vphone" ] && [ -x "$tree/sim/websim" ] || { echo "no vphone/websim (build a native tree)"; exit 77; }
mkdir -p "$artifacts" && artifacts=$(cd "$artifacts" && pwd)
work=$(mktemp -d)
vp= ws=
cleanup() { [ -n "$vp" ] && kill "$vp" 2>/dev/null; [ -n "$ws" ] && kill "$ws" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

"$tree/sim/websim" >"$work/websim.log" 2>&1 &
ws=$!
"$tree/sim/vphone" --port 0 --control-port 0 >"$work/vphone.log" 2>&1 &
vp=$!
base= line=
for _ in $(seq 300); do
  [ -z "$base" ] && base=$(sed -n 's/^websim listening on \(http.*\)$/\1/p' "$work/websim.log")
  [ -z "$line" ] && line=$(grep -m1 '^vphone: adb server' "$work/vphone.log")
  [ -n "$base" ] && [ -n "$line" ] && break
  sleep 0.1
done
[ -n "$base" ] && [ -n "$line" ] || { echo "websim or vphone did not start"; cat "$work"/*.log; exit 1; }
export ZORVIK_WEBSIM_BASE=$base
export ANDROID_ADB_SERVER_PORT=$(sed -n 's/.*127.0.0.1:\([0-9]*\) control \([0-9]*\).*/\1/p' <<<"$line")
export ZORVIK_TEST_CONTROL_PORT=$(sed -n 's/.*127.0.0.1:\([0-9]*\) control \([0-9]*\).*/\2/p' <<<"$line")
export ZORVIK_ARTIFACTS="Z:$artifacts"
"$root/scripts/wine-ui-run" "$exe" --gtest_brief=1 "$@"
