#!/usr/bin/env bash
# Builds the suite and starts zorvik.exe under Wine, connected to the virtual phone (sim/vphone),
# or to a real phone through this machine's own adb server with --phone.
#
#   scripts/run.sh [--phone] [--devices N] [--seconds S] [--shots DIR] [--no-build]
#
#   --phone      use the machine's adb server (port 5037) and the phone attached to it
#   --devices N  the virtual phone shows N devices (2 opens "连接管理器 - Zorvik")
#   --seconds S  end after S seconds (default: when the window is closed)
#   --shots DIR  where screenshots go when no display is available (default build/run-shots/<time>)
#   --no-build   start what is built
#
# Display: the user's $DISPLAY when it answers; otherwise a private Xvfb, and a screenshot of it
# every 5 seconds into the shots folder (named on start).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

phone=0 devices=1 seconds=0 shots= build=1
while [ $# -gt 0 ]; do
  case "$1" in
    --phone) phone=1 ;;
    --devices) devices=$2; shift ;;
    --seconds) seconds=$2; shift ;;
    --shots) shots=$2; shift ;;
    --no-build) build=0 ;;
    -h|--help) sed -n 2,14p "$0"; exit 0 ;;
    *) echo "run.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

if [ $build = 1 ]; then
  ./scripts/install-deps.sh
  cmake --preset native >/dev/null && cmake --build --preset native -j2 --target vphone websim
  cmake --preset win >/dev/null && cmake --build --preset win -j2 --target zorvik adb PageRes
fi
[ -f build/win/bin/zorvik.exe ] || { echo "[run] build/win/bin/zorvik.exe is missing" >&2; exit 1; }

source scripts/wine-env.sh
phone_pid= xvfb_pid= prog= web_pid=
# Wine first, then the display it draws on (closing the display under a running Wine makes it
# report "X connection ... broken"), then the phone.
cleanup() {
  [ -n "$prog" ] && kill "$prog" 2>/dev/null
  zorvik_wine_end
  [ -n "$xvfb_pid" ] && { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; }
  [ -n "$phone_pid" ] && { kill "$phone_pid" 2>/dev/null; wait "$phone_pid" 2>/dev/null; }
  [ -n "$web_pid" ] && { kill "$web_pid" 2>/dev/null; wait "$web_pid" 2>/dev/null; }
  return 0
}
trap cleanup EXIT INT TERM

# The phone: the virtual one on a free port, or the machine's adb server.
if [ $phone = 0 ]; then
  vphone=build/native/sim/vphone
  [ -x "$vphone" ] || { echo "[run] $vphone is missing (build without --no-build)" >&2; exit 1; }
  args=(--port 0)
  for i in $(seq "$devices"); do args+=(--device "VPHONE0$i"); done
  log=$(mktemp)
  "$vphone" "${args[@]}" >"$log" 2>&1 &
  phone_pid=$!
  port=
  for _ in $(seq 100); do
    port=$(sed -n 's/^vphone: adb server on 127.0.0.1:\([0-9]*\).*/\1/p' "$log")
    [ -n "$port" ] && break
    sleep 0.1
  done
  [ -n "$port" ] || { echo "[run] the virtual phone did not start:"; cat "$log"; exit 1; }
  export ANDROID_ADB_SERVER_PORT=$port
  echo "[run] virtual phone with $devices device(s): adb server on 127.0.0.1:$port"
else
  export ANDROID_ADB_SERVER_PORT=5037
  command -v adb >/dev/null && adb start-server >/dev/null 2>&1 || true
  echo "[run] using this machine's adb server on 127.0.0.1:5037"
fi

# The web services' stand-in (sim/web): websim on a free port. The program's service addresses
# point at it in the run's Wine prefix (below); services add routes to websim, not to this script.
web=
websim=build/native/sim/websim
if [ -x "$websim" ]; then
  weblog=$(mktemp)
  "$websim" --port 0 >"$weblog" 2>&1 &
  web_pid=$!
  for _ in $(seq 100); do
    web=$(sed -n 's/^websim listening on \(.*\)$/\1/p' "$weblog")
    [ -n "$web" ] && break
    sleep 0.1
  done
  [ -n "$web" ] && echo "[run] web services' stand-in: $web" || echo "[run] websim did not start: built-in addresses"
fi

# The display: the user's, or a private Xvfb with screenshots.
private=0
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  private=1
  fifo=$(mktemp -u); mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  xvfb_pid=$!
  read -r -t 20 num <"$fifo"; rm -f "$fifo"
  export DISPLAY=:$num
  shots=${shots:-build/run-shots/$(date +%Y%m%d-%H%M%S)}
  mkdir -p "$shots"
  echo "[run] no display: private Xvfb $DISPLAY, screenshots in $shots"
fi

zorvik_wine_init
if [ -n "$web" ]; then
  for value in ServiceBase StoreBase DownloadBase; do
    zorvik_wine reg add 'HKCU\Software\Zorvik' /v "$value" /d "$web" /f >/dev/null 2>&1 || true
  done
  # The weather service is reached by host[:port].
  host=${web#http://}; host=${host%/}
  zorvik_wine reg add 'HKCU\Software\Zorvik' /v WeatherHost /d "$host" /f >/dev/null 2>&1 || true
fi
# Frames drawn by Wine on the private Xvfb, by the window manager on the user's display.
if [ $private = 1 ]; then zorvik_wine_managed N; else zorvik_wine_managed Y; fi
# Wine gets the adb server port through the environment, as adb.exe and the suite read it.
(cd build/win/bin && zorvik_wine ./zorvik.exe) &
prog=$!

start=$(date +%s) n=0
while kill -0 $prog 2>/dev/null; do
  sleep 1
  elapsed=$(( $(date +%s) - start ))
  if [ $private = 1 ] && [ $((elapsed % 5)) = 0 ]; then
    n=$((n + 1))
    import -window root "$shots/zorvik-$(printf %03d $n).png" 2>/dev/null || true
  fi
  if [ "$seconds" -gt 0 ] && [ $elapsed -ge "$seconds" ]; then
    echo "[run] $seconds s passed: ending"
    break
  fi
done
[ $private = 1 ] && echo "[run] screenshots: $shots"
