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
start_websim || exit $?
start_phone ${ZORVIK_VPHONE_DATA:+--data "$ZORVIK_VPHONE_DATA"} || exit 1
status=0
"$root/scripts/wine-ui-run" "$exe" --gtest_brief=1 "$@" || status=1
stop_phone
exit $status
