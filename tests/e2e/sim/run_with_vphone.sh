#!/usr/bin/env bash
# Starts the vphone program on a free port, runs a command against it (@PORT@ in the command's
# arguments becomes the port), and stops the vphone it started.
# usage: run_with_vphone.sh VPHONE COMMAND ARGS...   (exit 77 when the command's module is missing)
set -uo pipefail
vphone=$1; shift
out=$(mktemp)
"$vphone" --port 0 >"$out" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null; wait $pid 2>/dev/null; rm -f "$out"' EXIT
port=
for _ in $(seq 100); do
  port=$(sed -n 's/^vphone: adb server on 127.0.0.1:\([0-9]*\).*/\1/p' "$out")
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "vphone did not start:"; cat "$out"; exit 1; }
args=()
for a in "$@"; do args+=("${a//@PORT@/$port}"); done
for a in "${args[@]}"; do
  case "$a" in */node_modules/*) [ -e "$a" ] || { echo "missing $a (run scripts/install-deps.sh)"; exit 77; } ;; esac
done
"${args[@]}"
