#!/usr/bin/env bash
# The protocol core built for arm64 (the package's compiler and flags), run under qemu-aarch64:
# the version, a refusal and an unknown command come back as the PC reads them.
# usage: qemu_probe.sh AGENT_PROBE AGENT_VERSION
set -uo pipefail
probe=$1 version=$2
command -v qemu-aarch64-static >/dev/null || { echo "skipped: no qemu-aarch64-static"; exit 77; }
[ -x "$probe" ] || { echo "skipped: $probe was not built"; exit 77; }
fails=0
expect() {  # request, reply (hex), what
  local got
  got=$(qemu-aarch64-static "$probe" "$1" 2>&1)
  if [ "$got" = "$2" ]; then echo "ok: $3"; else echo "FAULT: $3: $1 -> '$got', expected '$2'"; fails=$((fails + 1)); fi
}
expect 000d4673 "$(printf '%08x' "$version")" "870003 answers the agent version $version"
# 870101 from a data source that serves no area: kAgentRefused (-870000), reason NotServed (10).
expect 000d46d5 fff2b9900000000a "870101 is refused, not answered with an empty list"
# An unknown code: kAgentNoReply (123456791).
expect 00000001 075bcd17 "an unknown command has no reply"
echo "$fails faults"
[ "$fails" = 0 ]
