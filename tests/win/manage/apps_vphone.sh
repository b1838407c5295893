#!/usr/bin/env bash
# The applications and store pages' UI test against the virtual phone and the web services'
# stand-in, under Wine on a private Xvfb: starts vphone and websim (recording what it receives),
# forwards a free port to the agent, runs the test program.
# usage: apps_vphone.sh VPHONE TEST_EXE ARTIFACTS [gtest arguments]
set -uo pipefail
vphone=$1 exe=$2 artifacts=$3
shift 3
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
[ -x "$vphone" ] || vphone=${vphone/\/build\/native\//\/build\/native-asan\/}
[ -x "$vphone" ] || { echo "no vphone (build a native tree)"; exit 77; }
websim=$(dirname "$vphone")/websim
[ -x "$websim" ] || { echo "no websim (build a native tree)"; exit 77; }
mkdir -p "$artifacts" && artifacts=$(cd "$artifacts" && pwd)
work=$(mktemp -d)
vp= ws=
cleanup() { [ -n "$vp" ] && kill "$vp" 2>/dev/null; [ -n "$ws" ] && kill "$ws" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

# ZORVIK_VPHONE_DATA: another data set (the benchmark's 60 packages).
"$vphone" --port 0 --control-port 0 ${ZORVIK_VPHONE_DATA:+--data "$ZORVIK_VPHONE_DATA"} >"$work/vphone.log" 2>&1 &
vp=$!
"$websim" --record "$work/web.record" >"$work/websim.log" 2>&1 &
ws=$!
line= web=
for _ in $(seq 300); do
  line=$(grep -m1 '^vphone: adb server' "$work/vphone.log")
  web=$(sed -n 's/^websim listening on \(.*\)$/\1/p' "$work/websim.log")
  [ -n "$line" ] && [ -n "$web" ] && break
  sleep 0.1
done
[ -n "$line" ] || { echo "vphone did not start"; cat "$work/vphone.log"; exit 1; }
[ -n "$web" ] || { echo "websim did not start"; cat "$work/websim.log"; exit 1; }
ADB_PORT=$(sed -n 's/.*127.0.0.1:\([0-9]*\) control \([0-9]*\).*/\1/p' <<<"$line")
export ZORVIK_TEST_CONTROL_PORT=$(sed -n 's/.*127.0.0.1:\([0-9]*\) control \([0-9]*\).*/\2/p' <<<"$line")
export ZORVIK_TEST_ADB_PORT=$ADB_PORT ANDROID_ADB_SERVER_PORT=$ADB_PORT
export ZORVIK_TEST_WEB_BASE=$web ZORVIK_TEST_WEB_RECORD="Z:$work/web.record"
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
) || exit 1
export ZORVIK_ARTIFACTS="Z:$artifacts"
"$root/scripts/wine-ui-run" "$exe" --gtest_brief=1 "$@"
