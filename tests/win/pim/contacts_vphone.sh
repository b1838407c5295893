#!/usr/bin/env bash
# The contacts page's UI test against the virtual phone, under Wine on a private Xvfb: starts
# vphone, forwards a free port to its agent, runs the test program; then once more with 5,000
# contacts (or the phone options in ZORVIK_BENCH_PHONE, e.g. "--threads 2000:20000") for the load
# benchmark.
# usage: contacts_vphone.sh VPHONE TEST_EXE ARTIFACTS [gtest arguments of the first run]
set -uo pipefail
vphone=$1 exe=$2 artifacts=$3
shift 3
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
[ -x "$vphone" ] || vphone=${vphone/\/build\/native\//\/build\/native-asan\/}
[ -x "$vphone" ] || { echo "no vphone (build a native tree)"; exit 77; }
mkdir -p "$artifacts" && artifacts=$(cd "$artifacts" && pwd)
work=$(mktemp -d)
vp=
cleanup() { [ -n "$vp" ] && kill "$vp" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

# Starts vphone with the given arguments; sets ADB_PORT, ZORVIK_TEST_CONTROL_PORT and
# ZORVIK_AGENT_PORT.
start_phone() {
  local log=$work/vphone.log
  "$vphone" --port 0 --control-port 0 "$@" >"$log" 2>&1 &
  vp=$!
  local line=
  for _ in $(seq 300); do
    line=$(grep -m1 '^vphone: adb server' "$log") && break
    sleep 0.1
  done
  [ -n "$line" ] || { echo "vphone did not start"; cat "$log"; return 1; }
  export ZORVIK_TEST_CONTROL_PORT ZORVIK_TEST_ADB_PORT ANDROID_ADB_SERVER_PORT
  ADB_PORT=$(sed -n 's/.*127.0.0.1:\([0-9]*\) control \([0-9]*\).*/\1/p' <<<"$line")
  ZORVIK_TEST_CONTROL_PORT=$(sed -n 's/.*127.0.0.1:\([0-9]*\) control \([0-9]*\).*/\2/p' <<<"$line")
  ZORVIK_TEST_ADB_PORT=$ADB_PORT ANDROID_ADB_SERVER_PORT=$ADB_PORT
  # A free local port forwarded to the agent, as the device link does with adb.
  export ZORVIK_AGENT_PORT=$(python3 - "$ADB_PORT" <<'PY'
import socket, sys
s = socket.socket(); s.bind(("127.0.0.1", 0)); port = s.getsockname()[1]; s.close()
req = f"host:forward:tcp:{port};tcp:50505".encode()
a = socket.create_connection(("127.0.0.1", int(sys.argv[1])))
a.sendall(b"%04x" % len(req) + req)
reply = a.recv(8)
if not reply.startswith(b"OKAY"): sys.exit("forward refused: %r" % reply)
print(port)
PY
) || return 1
  export ZORVIK_TEST_CONTACT_COUNT=$(python3 - "$ZORVIK_TEST_CONTROL_PORT" <<'PY'
import socket, sys
c = socket.create_connection(("127.0.0.1", int(sys.argv[1])))
c.sendall(b"count contacts\n")
print(c.makefile().readline().split()[1])
PY
)
}
stop_phone() { kill "$vp" 2>/dev/null; wait "$vp" 2>/dev/null; vp=; }

export ZORVIK_ARTIFACTS="Z:$artifacts"
status=0
start_phone || exit 1
"$root/scripts/wine-ui-run" "$exe" --gtest_brief=1 --gtest_filter='-*Bench*' "$@" || status=1
stop_phone
start_phone ${ZORVIK_BENCH_PHONE:---contacts 5000} || exit 1
ZORVIK_TEST_BENCH=1 "$root/scripts/wine-ui-run" "$exe" --gtest_brief=1 --gtest_filter='*Bench*' || status=1
stop_phone
exit $status
