#!/usr/bin/env bash
# A page's UI test against the virtual phone, under Wine on a private Xvfb: starts vphone,
# forwards a free port to its agent, runs the test program once.
# usage: with_vphone.sh VPHONE TEST_EXE ARTIFACTS [gtest arguments]
# VPHONE_ARGS (optional): more arguments for vphone, e.g. "--contacts 5000".
set -uo pipefail
source "$(dirname "$0")/vphone-lib.sh"
vphone_prepare "$1" "$3" || exit 77
exe=$2
shift 3
# shellcheck disable=SC2086
start_phone ${VPHONE_ARGS:-} || exit 1
status=0
"$root/scripts/wine-ui-run" "$exe" --gtest_brief=1 "$@" || status=1
stop_phone
exit $status
