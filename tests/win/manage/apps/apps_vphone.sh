#!/usr/bin/env bash
# The applications and store pages' UI test against the virtual phone and websim, the web
# services' stand-in (recording what it receives), under Wine on a private Xvfb.
# usage: apps_vphone.sh VPHONE TEST_EXE ARTIFACTS [gtest arguments]
# ZORVIK_VPHONE_DATA (optional): another data set for vphone (the benchmark's 60 packages).
set -uo pipefail
source "$(dirname "$0")/../../vphone-lib.sh"
vphone_prepare "$1" "$3" || exit 77
exe=$2
shift 3
websim=$(dirname "$vphone")/websim
[ -x "$websim" ] || websim=${websim/\/build\/native\//\/build\/native-asan\/}
[ -x "$websim" ] || { echo "no websim (build a native tree)"; exit 77; }
ws=
trap '[ -n "$ws" ] && kill "$ws" 2>/dev/null; cleanup' EXIT
"$websim" --record "$work/web.record" >"$work/websim.log" 2>&1 &
ws=$!
web=
for _ in $(seq 300); do
  web=$(sed -n 's/^websim listening on \(.*\)$/\1/p' "$work/websim.log")
  [ -n "$web" ] && break
  sleep 0.1
done
[ -n "$web" ] || { echo "websim did not start"; cat "$work/websim.log"; exit 1; }
export ZORVIK_TEST_WEB_BASE=$web ZORVIK_TEST_WEB_RECORD="Z:$work/web.record"
start_phone ${ZORVIK_VPHONE_DATA:+--data "$ZORVIK_VPHONE_DATA"} || exit 1
status=0
"$root/scripts/wine-ui-run" "$exe" --gtest_brief=1 "$@" || status=1
stop_phone
exit $status
