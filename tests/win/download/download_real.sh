#!/usr/bin/env bash
# The downloader's Wine test against real servers: download_real_servers of a native tree starts
# lighttpd and odd_server.py, runs the test program under Wine with their addresses and ends them.
# usage: download_real.sh NATIVE_TREE TEST_EXE [gtest arguments]
set -uo pipefail
tree=$1 exe=$2
shift 2
root=$(cd "$(dirname "$0")/../../.." && pwd)
launcher=$tree/tests/native/download/download_real_servers
[ -x "$launcher" ] || launcher=${tree%/native}/native-asan/tests/native/download/download_real_servers
[ -x "$launcher" ] || { echo "no download_real_servers (build it in a native tree)"; exit 77; }
[ -x /usr/sbin/lighttpd ] || { echo "no lighttpd"; exit 77; }
exec "$launcher" "$root/tests/native/download/odd_server.py" "$root/scripts/wine-run" "$exe" --gtest_brief=1 "$@"
