#!/usr/bin/env bash
# The download benchmark: a 200 MB file from websim over loopback, fetched in interleaved rounds by
# curl, by download_bench (the downloader) natively and under Wine, and by download_floor (a bare
# receive-and-write loop) under Wine: the floor any Windows client meets there. Whole-process wall
# times (the Wine server kept running, as Windows has none to start); medians over the rounds, each
# ÷ curl's; the Wine server's CPU per Wine run; the machine's load before and after. Every file is
# compared with curl's.
# usage: tests/bench/download/run.sh [NATIVE_TREE] [WIN_TREE] [ROUNDS (9)] [NAME=OTHER.exe ...]
# (other builds of download_bench.exe run in the same rounds, e.g. before=/tmp/old.exe)
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
native=$(realpath "${1:-$root/build/native}") win=$(realpath "${2:-$root/build/win}") rounds=${3:-9}
shift $(($# < 3 ? $# : 3))
others=("$@")
size=$((200 * 1024 * 1024))
source "$root/scripts/wine-env.sh"
zorvik_wine_init
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
curl -s -o "$work/expected.apk" "$url"
echo "file: $url ($size bytes), $rounds interleaved rounds; load $(cut -d' ' -f1-3 /proc/loadavg)"

# The Wine server of this prefix, kept running between runs; its CPU ticks (utime + stime).
wine_exe=$(realpath "$win/bin/download_bench.exe")
floor_exe=$(realpath "$win/bin/download_floor.exe")
zorvik_wine "$floor_exe" >/dev/null 2>&1 || true
server=
for p in /proc/[0-9]*; do
  [[ $(cat "$p/comm" 2>/dev/null) == wineserver* ]] || continue
  tr '\0' '\n' <"$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && server=${p#/proc/} && break
done
ticks() { [ -n "$server" ] && awk '{print $14 + $15}' "/proc/$server/stat" || echo 0; }
hz=$(getconf CLK_TCK)

now() { date +%s.%N; }
# run NAME OUTPUT COMMAND...: one timed run; appends "NAME seconds server_cpu" to the results.
run() {
  local name=$1 out=$2; shift 2
  rm -f "$out" "${out%.apk}.tmp" "${out%.apk}.tmp.id"
  local t0 s0 t1 s1
  s0=$(ticks); t0=$(now)
  "$@" >"$work/$name.out" 2>&1 || { echo "$name failed: $(cat "$work/$name.out")"; exit 1; }
  t1=$(now); s1=$(ticks)
  cmp -s "$out" "$work/expected.apk" || { echo "$name: the file differs from curl's"; exit 1; }
  echo "$name $(python3 -c "print(f'{$t1 - $t0:.3f} {($s1 - $s0) / $hz:.2f}')")" >>"$work/results"
}
(cd "$win/bin"
 for i in $(seq "$rounds"); do
   run curl "$work/c.apk" curl -s -o "$work/c.apk" "$url"
   run wine "$work/w.apk" zorvik_wine "$wine_exe" "$url" "Z:$work/w.apk"
   run floor "$work/f.apk" zorvik_wine "$floor_exe" "$url" "Z:$work/f.apk"
   run native "$work/n.apk" "$native/tests/bench/download/download_bench" "$url" "$work/n.apk"
   for o in "${others[@]}"; do
     run "${o%%=*}" "$work/o.apk" zorvik_wine "$(realpath "${o#*=}")" "$url" "Z:$work/o.apk"
   done
 done)
python3 - "$work/results" "${others[@]%%=*}" <<'EOF'
import statistics, sys
rows = {}
for line in open(sys.argv[1]):
    name, secs, server = line.split()
    rows.setdefault(name, []).append((float(secs), float(server)))
curl = statistics.median(s for s, _ in rows['curl'])
for name in ['curl', 'native', 'wine', 'floor'] + sys.argv[2:]:
    secs = [s for s, _ in rows[name]]
    med = statistics.median(secs)
    extra = f"  Wine server CPU {statistics.median(c for _, c in rows[name]):.2f} s" if name not in ('curl', 'native') else ''
    print(f"{name:7} median {med:6.3f} s  ({min(secs):.3f}-{max(secs):.3f})  ÷ curl {med / curl:5.2f}{extra}")
ratios = [w / c for (w, _), (c, _) in zip(rows['wine'], rows['curl'])]
floors = [f / c for (f, _), (c, _) in zip(rows['floor'], rows['curl'])]
print(f"pairwise wine÷curl median {statistics.median(ratios):.2f}, floor÷curl median {statistics.median(floors):.2f}")
EOF
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
