# Sourced by the UI tests' runners: the virtual phone for one test program under Wine.
#   vphone_prepare VPHONE ARTIFACTS   finds vphone (native or native-asan tree), makes the folder
#   start_phone [vphone arguments]    starts it; exports ZORVIK_TEST_CONTROL_PORT,
#                                     ANDROID_ADB_SERVER_PORT (= ZORVIK_TEST_ADB_PORT),
#                                     ZORVIK_AGENT_PORT (a free port forwarded to the agent) and
#                                     ZORVIK_TEST_CONTACT_COUNT
#   stop_phone
#   start_websim                      websim from vphone's tree (or native-asan), recording what it
#                                     receives; exports ZORVIK_TEST_WEB_BASE, ZORVIK_TEST_WEB_RECORD
# The caller exits 77 (skipped) when vphone_prepare fails.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
vp= ws=
cleanup() {
  [ -n "$vp" ] && kill "$vp" 2>/dev/null
  [ -n "$ws" ] && kill "$ws" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

vphone_prepare() {
  vphone=$1 artifacts=$2
  [ -x "$vphone" ] || vphone=${vphone/\/build\/native\//\/build\/native-asan\/}
  [ -x "$vphone" ] || { echo "no vphone (build a native tree)"; return 1; }
  mkdir -p "$artifacts" && artifacts=$(cd "$artifacts" && pwd)
  export ZORVIK_ARTIFACTS="Z:$artifacts"
}

# Returns 77 without a websim beside vphone (or in the native-asan tree), 1 when it does not start.
start_websim() {
  local websim
  websim=$(dirname "$vphone")/websim
  [ -x "$websim" ] || websim=${websim/\/build\/native\//\/build\/native-asan\/}
  [ -x "$websim" ] || { echo "no websim (build a native tree)"; return 77; }
  "$websim" --record "$work/web.record" >"$work/websim.log" 2>&1 &
  ws=$!
  local web=
  for _ in $(seq 300); do
    web=$(sed -n 's/^websim listening on \(.*\)$/\1/p' "$work/websim.log")
    [ -n "$web" ] && break
    sleep 0.1
  done
  [ -n "$web" ] || { echo "websim did not start"; cat "$work/websim.log"; return 1; }
  export ZORVIK_TEST_WEB_BASE=$web ZORVIK_TEST_WEB_RECORD="Z:$work/web.record"
}

# One line to vphone's control port; prints the answer's line.
phone_control() {
  python3 - "$ZORVIK_TEST_CONTROL_PORT" "$1" <<'PY'
import socket, sys
c = socket.create_connection(("127.0.0.1", int(sys.argv[1])))
c.sendall(sys.argv[2].encode() + b"\n")
print(c.makefile().readline().strip())
PY
}

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
req = f"host:forward:tcp:{port};localabstract:zorvik_agent".encode()
a = socket.create_connection(("127.0.0.1", int(sys.argv[1])))
a.sendall(b"%04x" % len(req) + req)
reply = a.recv(8)
if not reply.startswith(b"OKAY"): sys.exit("forward refused: %r" % reply)
print(port)
PY
) || return 1
  export ZORVIK_TEST_CONTACT_COUNT=$(phone_control "count contacts" | awk '{print $2}')
}
stop_phone() { kill "$vp" 2>/dev/null; wait "$vp" 2>/dev/null; vp=; }
