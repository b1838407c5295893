#!/usr/bin/env bash
# The download benchmark: a 200 MB file from websim over loopback, fetched by curl and by
# download_bench (the downloader), natively and under Wine; three runs each, best of three.
# usage: tests/bench/download/run.sh [NATIVE_TREE] [WIN_TREE]
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
native=${1:-$root/build/native} win=${2:-$root/build/win}
size=$((200 * 1024 * 1024))
work=$(mktemp -d)
ws=
cleanup() { [ -n "$ws" ] && kill "$ws" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
"$native/sim/websim" >"$work/websim.log" 2>&1 &
ws=$!
base=
for _ in $(seq 100); do
  base=$(sed -n 's/^websim listening on \(http.*\)$/\1/p' "$work/websim.log") && [ -n "$base" ] && break
  sleep 0.1
done
url="${base}files/$size/bench.apk"
expected=$(curl -s "$url" | md5sum | cut -d' ' -f1)
echo "file: $url ($size bytes, md5 $expected)"
for i in 1 2 3; do
  rm -f "$work/c.apk"
  /usr/bin/time -f "curl seconds %e cpu %U+%S" curl -s -o "$work/c.apk" "$url" 2>&1 | sed 's/^/  /'
  rm -f "$work/n.apk" "$work/n.tmp"
  echo "  native $("$native/tests/bench/download/download_bench" "$url" "$work/n.apk")"
  [ "$(md5sum <"$work/n.apk" | cut -d' ' -f1)" = "$expected" ] || echo "  native file differs!"
  if [ -x "$win/bin/download_bench.exe" ]; then
    rm -f "$work/w.apk" "$work/w.tmp"
    echo "  wine   $("$root/scripts/wine-run" "$win/bin/download_bench.exe" "$url" "Z:$work/w.apk" | tr -d '\r')"
    [ "$(md5sum <"$work/w.apk" | cut -d' ' -f1)" = "$expected" ] || echo "  wine file differs!"
  fi
done
