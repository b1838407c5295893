#!/usr/bin/env bash
# The contacts page's UI test against the virtual phone (see ../with_vphone.sh), then once more
# with 5,000 contacts for the load benchmark.
# usage: contacts_vphone.sh VPHONE TEST_EXE ARTIFACTS [gtest arguments of the first run]
set -uo pipefail
source "$(dirname "$0")/../vphone-lib.sh"
vphone_prepare "$1" "$3" || exit 77
exe=$2
shift 3
status=0
start_phone || exit 1
"$root/scripts/wine-ui-run" "$exe" --gtest_brief=1 --gtest_filter='-*Bench*' "$@" || status=1
stop_phone
start_phone --contacts 5000 || exit 1
ZORVIK_TEST_BENCH=1 "$root/scripts/wine-ui-run" "$exe" --gtest_brief=1 --gtest_filter='*Bench*' || status=1
stop_phone
exit $status
