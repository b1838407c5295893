#!/usr/bin/env bash
# The Wine harness on a machine without a sound device: a program that opens the wave output must
# not fill the console with ALSA errors, and the private display must outlive Wine (no
# "X connection ... broken" when the run ends).
#   wine_harness_quiet.sh <root> <sound_probe.exe>
root=$1 probe=$2
if compgen -G "/dev/snd/pcmC*" >/dev/null; then
  echo "this machine has a sound device: nothing to check"
  exit 77
fi
out=$("$root/scripts/wine-ui-run" "$probe" 2>&1)
rc=$?
echo "$out"
[ $rc = 0 ] || { echo "the probe failed ($rc)"; exit 1; }
if grep -q "ALSA lib" <<<"$out"; then echo "FAIL: ALSA errors on the console"; exit 1; fi
if grep -q "X connection to" <<<"$out"; then echo "FAIL: the display went before Wine"; exit 1; fi
grep -q "wave devices" <<<"$out" || { echo "FAIL: the probe printed nothing"; exit 1; }
echo "quiet"
