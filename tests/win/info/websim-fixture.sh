#!/bin/sh
# Runs the native web-service stand-in for the Windows tests under Wine.
#   websim-fixture.sh start <folder> <source root>   writes its address to <folder>/websim-url.txt,
#                                                    records to <folder>/websim-record.txt and
#                                                    serves files from <folder>/websim-data
#   websim-fixture.sh stop <folder>
set -eu
folder=$2
case $1 in
start)
  root=$3
  websim=
  for candidate in "$root/build/native-asan/sim/websim" "$root/build/native/sim/websim"; do
    if [ -x "$candidate" ]; then websim=$candidate; break; fi
  done
  if [ -z "$websim" ]; then
    echo "no native websim: build the native-asan (or native) tree first" >&2
    exit 1
  fi
  mkdir -p "$folder/websim-data/weather"
  rm -f "$folder/websim-url.txt" "$folder/websim.out" "$folder/websim-record.txt"
  "$websim" --data "$folder/websim-data" --record "$folder/websim-record.txt" > "$folder/websim.out" 2>&1 &
  echo $! > "$folder/websim.pid"
  for _ in $(seq 100); do
    line=$(head -n1 "$folder/websim.out" 2>/dev/null || true)
    case $line in
    *listening*)
      echo "${line##* }" > "$folder/websim-url.txt"
      exit 0 ;;
    esac
    sleep 0.1
  done
  echo "websim did not start: $(cat "$folder/websim.out")" >&2
  exit 1 ;;
stop)
  if [ -f "$folder/websim.pid" ]; then
    kill "$(cat "$folder/websim.pid")" 2>/dev/null || true
    rm -f "$folder/websim.pid"
  fi
  rm -f "$folder/websim-url.txt" ;;
esac
