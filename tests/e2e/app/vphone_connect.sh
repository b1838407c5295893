#!/usr/bin/env bash
# zorvik.exe against the virtual phone, under Wine on a private Xvfb:
#   one device: the connection label turns green with "连接成功:)";
#   two devices: the scan opens "连接管理器 - Zorvik".
# Screenshots go to the artifacts folder. usage: vphone_connect.sh VPHONE BIN_DIR ARTIFACTS
set -uo pipefail
vphone=$1 bin=$2 artifacts=$3
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
# Either native tree's vphone will do.
[ -x "$vphone" ] || vphone=${vphone/\/build\/native\//\/build\/native-asan\/}
[ -x "$vphone" ] || { echo "no vphone (build a native tree)"; exit 77; }
source "$root/scripts/wine-env.sh"
zorvik_wine_init
zorvik_wine_managed N
mkdir -p "$artifacts"
work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; rm -rf "$work"; }
trap cleanup EXIT

fifo=$work/fifo; mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
pids+=($!)
read -r -t 20 num <"$fifo" || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=:$num
# A free port for the agent's forward, so runs on one machine do not meet.
export ZORVIK_AGENT_PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
printf '%s' '连接成功:)' | iconv -f UTF-8 -t GBK >"$work/connected.txt"
printf '%s' '连接管理器 - Zorvik' | iconv -f UTF-8 -t GBK >"$work/connector.txt"

run_case() {  # name, expectation mode, file, vphone devices...
  local name=$1 mode=$2 file=$3; shift 3
  local args=(--port 0) log=$work/$name.log
  for d in "$@"; do args+=(--device "$d"); done
  "$vphone" "${args[@]}" >"$log" 2>&1 &
  local vp=$!
  pids+=($vp)
  local port=
  for _ in $(seq 100); do
    port=$(sed -n 's/^vphone: adb server on 127.0.0.1:\([0-9]*\).*/\1/p' "$log"); [ -n "$port" ] && break; sleep 0.1
  done
  [ -n "$port" ] || { echo "vphone did not start"; cat "$log"; return 1; }
  export ANDROID_ADB_SERVER_PORT=$port
  (cd "$bin" && zorvik_wine ./zorvik.exe >/dev/null 2>&1) &
  local zp=$!
  pids+=($zp)
  local rc=0
  (cd "$bin" && zorvik_wine ./zorvik_probe.exe "$mode" "Z:$work/$(basename "$file")" 60) || rc=1
  sleep 1
  import -window root "$artifacts/e2e-$name.png" 2>/dev/null
  if [ $mode = window ]; then  # cancel the chooser, then close
    (cd "$bin" && zorvik_wine ./zorvik_probe.exe cancel "Z:$work/$(basename "$file")")
    sleep 1
  fi
  (cd "$bin" && zorvik_wine ./zorvik_probe.exe close)
  for _ in $(seq 50); do kill -0 $zp 2>/dev/null || break; sleep 0.2; done
  kill $zp 2>/dev/null
  kill $vp 2>/dev/null; wait $vp 2>/dev/null
  echo "[e2e] $name: $([ $rc = 0 ] && echo ok || echo FAILED)"
  return $rc
}

status=0
run_case connected label "$work/connected.txt" VPHONE01 || status=1
run_case two-devices window "$work/connector.txt" VPHONE01 VPHONE02 || status=1
wineserver -w 2>/dev/null &
exit $status
