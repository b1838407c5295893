#!/usr/bin/env bash
# A page's UI test against the package's native agent on the desktop JVM (jvm_agent_host of a
# native tree, its fake providers holding vphone's data set): vphone runs as with_vphone.sh starts
# it and relays its agent forward to the host's abstract socket ("agent outside NAME").
# usage: with_jvm_agent.sh VPHONE HOST TEST_EXE ARTIFACTS [gtest arguments]
# Skipped (77) without a native tree's vphone or host (the host needs a JDK). ZORVIK_JVM_AGENT_SDK,
# when set, is the Android level the host's fakes report; the test sees ZORVIK_JVM_AGENT=1,
# ZORVIK_JVM_AGENT_LOG (the host's output, which names each start of an app), and
# ZORVIK_JVM_AGENT_FOLDER: a folder of this host (the agent's own file system) holding files of set
# sizes and times and "locked", a folder the agent may not read. ZORVIK_JVM_AGENT_WEB=1 starts
# websim too (ZORVIK_TEST_WEB_BASE, ZORVIK_TEST_WEB_RECORD as apps_vphone.sh gives them).
set -uo pipefail
source "$(dirname "$0")/vphone-lib.sh"
vphone_prepare "$1" "$4" || exit 77
host=$2 exe=$3
[ -x "$host" ] || host=${host/\/build\/native\//\/build\/native-asan\/}
[ -x "$host" ] || { echo "no jvm_agent_host (a native tree built with a JDK)"; exit 77; }
shift 4
name=zorvik_agent_jvm_$$
files=$work/phone-files
mkdir -p "$files/locked" "$files/相册"
head -c 1234 /dev/zero >"$files/notes.txt"
head -c 70000 /dev/zero >"$files/相册/夏天.jpg"
head -c 3000000 /dev/zero >"$files/video.mp4"
touch -d '2013-05-01 08:30:00' "$files/notes.txt" "$files/相册"
touch -d '2019-12-31 23:59:00' "$files/video.mp4"
chmod 000 "$files/locked"
export ZORVIK_JVM_AGENT_LOG="Z:$work/host.log" ZORVIK_JVM_AGENT_FOLDER=$files
"$host" "$name" >"$work/host.log" 2>&1 &
hp=$!
trap 'kill "$hp" 2>/dev/null; cleanup' EXIT
if [ "${ZORVIK_JVM_AGENT_WEB:-}" = 1 ]; then
  start_websim || exit $?
fi
for _ in $(seq 300); do
  grep -q '^jvm_agent_host: serving' "$work/host.log" && break
  kill -0 "$hp" 2>/dev/null || break
  sleep 0.1
done
grep -q '^jvm_agent_host: serving' "$work/host.log" || { echo "the JVM agent did not start"; cat "$work/host.log"; exit 1; }
start_phone || exit 1
[ "$(phone_control "agent outside $name")" = OK ] || { echo "vphone refused agent outside"; exit 1; }
status=0
ZORVIK_JVM_AGENT=1 "$root/scripts/wine-ui-run" "$exe" --gtest_brief=1 "$@" || status=1
# The relay held to the end (a reset between cases keeps it), and the agent still answers.
phone_control status | grep -q " outside=$name" || { echo "vphone no longer relays to $name"; status=1; }
kill -0 "$hp" 2>/dev/null || { echo "the JVM agent ended"; cat "$work/host.log"; status=1; }
stop_phone
kill "$hp" 2>/dev/null && wait "$hp" 2>/dev/null
exit $status
