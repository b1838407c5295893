#!/usr/bin/env bash
# The file page's UI test against the virtual phone: the process page's runner, which starts
# vphone, forwards the agent port and exports the ADB port for the sync transfers.
exec "$(dirname "$0")/processes_vphone.sh" "$@"
