#!/usr/bin/env bash
# A 200 MB file pulled and pushed over loopback through the same vphone, by our sync client and by
# Debian's adb, in the same run; prints MB/s for each (best of ROUNDS).
# usage: tests/bench/devlink/sync_bench.sh [BUILD_DIR (default build/native)] [MB (200)] [ROUNDS (3)]
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
build=${1:-$root/build/native}
mb=${2:-200}
rounds=${3:-3}
vphone=$build/sim/vphone tool=$build/tests/bench/devlink/sync_bench_tool adb=/usr/bin/adb
for f in "$vphone" "$tool" "$adb"; do [ -x "$f" ] || { echo "missing $f (cmake --preset native; build vphone sync_bench_tool)"; exit 1; }; done
serial=ZRVK0A1B2C3D4E5F
work=$(mktemp -d)
vp=
cleanup() { [ -n "$vp" ] && kill "$vp" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
"$vphone" --port 0 >"$work/vphone.log" 2>&1 &
vp=$!
for _ in $(seq 100); do grep -q '^vphone: adb server' "$work/vphone.log" && break; sleep 0.1; done
port=$(sed -n 's/.*127.0.0.1:\([0-9]*\).*/\1/p' "$work/vphone.log" | head -1)
head -c $((mb * 1024 * 1024)) /dev/urandom >"$work/big.bin"
mkdir -p "$work/ours" "$work/adb"
now() { date +%s.%N; }
rate() { python3 -c "print(f'{$mb / $1:.1f}')"; }
best() { sort -n | head -1; }

push_ours() { "$tool" "$port" $serial push "$work/big.bin" /sdcard/bench | cut -d' ' -f1; }
push_adb() {
  local t0; t0=$(now)
  "$adb" -P "$port" -s $serial push "$work/big.bin" /sdcard/bench/big.bin >/dev/null
  python3 -c "print(f'{$(now) - $t0:.3f}')"
}
pull_ours() { rm -f "$work/ours/big.bin"; "$tool" "$port" $serial pull /sdcard/bench/big.bin "$work/ours" | cut -d' ' -f1; }
pull_adb() {
  rm -f "$work/adb/big.bin"
  local t0; t0=$(now)
  "$adb" -P "$port" -s $serial pull /sdcard/bench/big.bin "$work/adb/big.bin" >/dev/null
  python3 -c "print(f'{$(now) - $t0:.3f}')"
}

declare -A secs
for what in push_ours push_adb pull_ours pull_adb; do
  secs[$what]=$(for _ in $(seq "$rounds"); do $what; done | best)
done
cmp "$work/big.bin" "$work/ours/big.bin"
cmp "$work/big.bin" "$work/adb/big.bin"
echo "file: $mb MB, best of $rounds, same vphone (port $port)"
printf '%-6s %-10s %8s s %8s MB/s\n' push ours "${secs[push_ours]}" "$(rate "${secs[push_ours]}")"
printf '%-6s %-10s %8s s %8s MB/s\n' push "adb" "${secs[push_adb]}" "$(rate "${secs[push_adb]}")"
printf '%-6s %-10s %8s s %8s MB/s\n' pull ours "${secs[pull_ours]}" "$(rate "${secs[pull_ours]}")"
printf '%-6s %-10s %8s s %8s MB/s\n' pull "adb" "${secs[pull_adb]}" "$(rate "${secs[pull_adb]}")"
