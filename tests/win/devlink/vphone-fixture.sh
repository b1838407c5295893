#!/bin/sh
# Runs the native virtual phone for the Windows tests under Wine.
#   vphone-fixture.sh start <folder> <source root>   writes "<adb port> <control port>" to <folder>/vphone-ports.txt
#   vphone-fixture.sh stop <folder>
set -eu
folder=$2
case $1 in
start)
  root=$3
  vphone=
  for candidate in "$root/build/native-asan/sim/vphone" "$root/build/native/sim/vphone"; do
    if [ -x "$candidate" ]; then vphone=$candidate; break; fi
  done
  if [ -z "$vphone" ]; then
    echo "no native vphone: build the native-asan (or native) tree first" >&2
    exit 1
  fi
  rm -f "$folder/vphone-ports.txt" "$folder/vphone.out"
  "$vphone" --port 0 --control-port 0 > "$folder/vphone.out" 2>&1 &
  echo $! > "$folder/vphone.pid"
  for _ in $(seq 100); do
    line=$(head -n1 "$folder/vphone.out" 2>/dev/null || true)
    case $line in
    *control*)
      echo "$line" | sed -n 's/.*127\.0\.0\.1:\([0-9]*\) control \([0-9]*\).*/\1 \2/p' > "$folder/vphone-ports.txt"
      exit 0 ;;
    esac
    sleep 0.1
  done
  echo "vphone did not start: $(cat "$folder/vphone.out")" >&2
  exit 1 ;;
stop)
  if [ -f "$folder/vphone.pid" ]; then
    kill "$(cat "$folder/vphone.pid")" 2>/dev/null || true
    rm -f "$folder/vphone.pid"
  fi
  rm -f "$folder/vphone-ports.txt" ;;
esac
