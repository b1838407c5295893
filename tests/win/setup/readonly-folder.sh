#!/usr/bin/env bash
# Runs a command with ZORVIK_READONLY_FOLDER naming (as Z:...) an empty folder nobody may write
# in, not even root: its write bits off and, for root, the immutable flag. Skips (77) where no
# such folder can be made.
# usage: readonly-folder.sh COMMAND...
set -u
dir=$(mktemp -d)
cleanup() { chattr -i "$dir" 2>/dev/null; chmod 755 "$dir"; rm -rf "$dir"; }
trap cleanup EXIT
chmod 555 "$dir"
[ "$(id -u)" = 0 ] && chattr +i "$dir" 2>/dev/null
if touch "$dir/probe" 2>/dev/null; then
  echo "no read-only folder can be made here"
  exit 77
fi
ZORVIK_READONLY_FOLDER="Z:$dir" "$@"
