#!/usr/bin/env bash
# Assembles, aligns and signs the phone-side package from what the build made:
#   make-package.sh OUT.apk MANIFEST RES ROOT KEYSTORE ALIAS PASSWORD_FILE MIN_SDK
# ROOT holds classes.dex and lib/<abi>/libzorvik.so, added as they lie. resources.arsc is stored
# uncompressed (Android 11 refuses a package built for it otherwise); the native libraries are
# compressed and extracted at install, so only their own segments need the 16 KB alignment.
set -euo pipefail
out=$1 manifest=$2 res=$3 root=$4 keystore=$5 alias=$6 password=$7 min_sdk=$8
framework=/usr/share/android-framework-res/framework-res.apk
work=$(mktemp -d "$out.XXXXXX")
trap 'rm -rf "$work"' EXIT
aapt package -f -0 arsc -M "$manifest" -S "$res" -I "$framework" -F "$work/unaligned.apk" "$root" >/dev/null
zipalign -f -p 4 "$work/unaligned.apk" "$work/aligned.apk"
apksigner sign --ks "$keystore" --ks-key-alias "$alias" --ks-pass "file:$password" \
  --min-sdk-version "$min_sdk" --v1-signing-enabled false --v2-signing-enabled true --v3-signing-enabled true \
  --v4-signing-enabled false --out "$work/signed.apk" "$work/aligned.apk"
mv -f "$work/signed.apk" "$out"
