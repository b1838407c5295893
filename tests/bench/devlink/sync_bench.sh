#!/usr/bin/env bash
# A 200 MB file pulled and pushed over loopback through the same vphone, by our sync client and by
# Debian's adb, in the same run; prints MB/s for each (best of ROUNDS).
# Then pulls onto a fresh target and over an existing one, interleaved: ours and adb natively and,
# given a Windows tree, ours under Wine (the Wine server kept running); medians of ROUNDS. A fresh
# target is removed outside the timing; over an existing one, removing the old file is timed.
# usage: tests/bench/devlink/sync_bench.sh [BUILD_DIR (default build/native)] [MB (200)] [ROUNDS (3)] [WIN_TREE]
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
build=${1:-$root/build/native}
mb=${2:-200}
rounds=${3:-3}
win=${4:-}
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

# Onto a fresh target and over the file the previous pull left, one after the other in each round.
over_rounds=() ; wine_tool=
if [ -n "$win" ]; then
  source "$root/scripts/wine-env.sh"
  zorvik_wine_init
  wine_tool=$(realpath "$win/bin/sync_bench_tool.exe")
fi
for _ in $(seq "$rounds"); do
  rm -f "$work/ours/big.bin"
  fresh=$("$tool" "$port" $serial pull /sdcard/bench/big.bin "$work/ours" | cut -d' ' -f1)
  over=$("$tool" "$port" $serial pull /sdcard/bench/big.bin "$work/ours" | cut -d' ' -f1)
  line="native $fresh $over"
  rm -f "$work/adb/big.bin"
  fresh=$(pull_adb)
  t0=$(now)
  "$adb" -P "$port" -s $serial pull /sdcard/bench/big.bin "$work/adb/big.bin" >/dev/null
  line+=" adb $fresh $(python3 -c "print(f'{$(now) - $t0:.3f}')")"
  if [ -n "$wine_tool" ]; then
    mkdir -p "$work/wine"
    rm -f "$work/wine/big.bin"
    fresh=$(zorvik_wine "$wine_tool" "$port" $serial pull /sdcard/bench/big.bin "Z:$work/wine" | tr -d '\r' | cut -d' ' -f1)
    over=$(zorvik_wine "$wine_tool" "$port" $serial pull /sdcard/bench/big.bin "Z:$work/wine" | tr -d '\r' | cut -d' ' -f1)
    cmp "$work/big.bin" "$work/wine/big.bin"
    line+=" wine $fresh $over"
  fi
  over_rounds+=("$line")
done
cmp "$work/big.bin" "$work/ours/big.bin"
printf '%s\n' "${over_rounds[@]}" | python3 -c "
import statistics, sys
rows = {}
for line in sys.stdin:
    f = line.split()
    for i in range(0, len(f), 3):
        rows.setdefault(f[i], []).append((float(f[i + 1]), float(f[i + 2])))
for name, runs in rows.items():
    fresh = statistics.median(a for a, _ in runs)
    over = statistics.median(b for _, b in runs)
    print(f'pull {name:6} fresh {fresh:.3f} s, over an existing file {over:.3f} s (÷ fresh {over / fresh:.2f}; medians of {len(runs)})')
"
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
