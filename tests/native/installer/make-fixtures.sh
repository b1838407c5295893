#!/usr/bin/env bash
# Builds the test packages with Debian's aapt from the manifests and resource folders under
# fixtures/, and records what aapt itself reads from them (xmltree, badging, resource values) so
# the tests can compare. Usage: make-fixtures.sh <output folder>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$1
framework=/usr/share/android-framework-res/framework-res.apk
mkdir -p "$out"
work="$out/work"
rm -rf "$work"
mkdir -p "$work"

dump() { # dump <apk> <name>
  aapt dump xmltree "$1" AndroidManifest.xml > "$out/$2.xmltree"
  # badging gives up on a label it cannot resolve (one in the framework's package)
  aapt dump badging "$1" > "$out/$2.badging" 2>/dev/null || true
  aapt dump --values resources "$1" > "$out/$2.resources"
}

for dir in "$here"/fixtures/*/; do
  name=$(basename "$dir")
  src=$dir
  options=()
  if [ -f "$dir/FROM" ]; then  # the same sources built with other aapt options
    read -r base extra < "$dir/FROM"
    src="$here/fixtures/$base/"
    options=($extra)
  fi
  cp -r "$src" "$work/$name"
  # Icons are drawn here rather than kept as binary files in the tree: "path size colour" lines.
  if [ -f "$src/icons" ]; then
    while read -r path size colour; do
      mkdir -p "$(dirname "$work/$name/$path")"
      case "$path" in
        *.webp)  # drawn as PNG, encoded losslessly by libwebp's own encoder
          convert -size "$size" "xc:$colour" "$work/icon.png"
          cwebp -quiet -lossless "$work/icon.png" -o "$work/$name/$path" ;;
        *) convert -size "$size" "xc:$colour" "$work/$name/$path" ;;
      esac
    done < "$src/icons"
  fi
  apk="$out/$name.apk"
  rm -f "$apk"
  if [ -f "$src/AAPT2" ]; then
    # Built as current tools build: aapt2 with the link options on the file's first line; a line
    # "split <config>" also writes that configuration's split package as <name>-<config>.apk.
    read -r -a options < <(head -n1 "$src/AAPT2")
    while read -r word config; do
      [ "$word" = split ] && options+=(--split "$out/$name-$config.apk:$config")
    done < <(tail -n +2 "$src/AAPT2")
    compiled=()
    if [ -d "$work/$name/res" ]; then
      aapt2 compile --dir "$work/$name/res" -o "$work/$name.flat.zip"
      compiled=("$work/$name.flat.zip")
    fi
    aapt2 link "${options[@]}" -I "$framework" --manifest "$work/$name/AndroidManifest.xml" -o "$apk" "${compiled[@]}"
  else
    aapt package -f "${options[@]}" -M "$work/$name/AndroidManifest.xml" -S "$work/$name/res" -I "$framework" -F "$apk" >/dev/null
  fi
  if [ -d "$work/$name/classes" ]; then
    (cd "$work/$name/classes" && find . -type f | sed 's|^\./||' | sort | xargs aapt add "$apk" >/dev/null)
  fi
  dump "$apk" "$name"
done

# aapt2's split of the xxhdpi resources is recorded like the others.
dump "$out/modern-xxhdpi.apk" modern-xxhdpi
# The forms newer tools and shrinkers write, made from packages whose values aapt listed above:
# every chunk sparse, 16-bit entry offsets, compact entries (with 16-bit offsets, as they come), emptied and mangled
# attribute names in the manifest's pool. Debian's aapt predates the first two and cannot read them.
python3 "$here/make-modern.py" sparse "$out/modern.apk" "$out/sparse.apk"
dump "$out/sparse.apk" sparse  # aapt reads sparse chunks: a check of the rewrite itself
python3 "$here/make-modern.py" offset16 "$out/modern.apk" "$out/offset16.apk"
python3 "$here/make-modern.py" compact "$out/modern.apk" "$out/compact.apk"
python3 "$here/make-modern.py" compact "$out/locales.apk" "$out/locales-compact.apk"
python3 "$here/make-modern.py" obfuscate "$out/basic.apk" "$out/obfuscated.apk"
dump "$out/obfuscated.apk" obfuscated  # aapt reads android: attributes by their ids too

# The same package under an upper-case extension and under another extension.
cp "$out/basic.apk" "$out/upper.APK"
cp "$out/basic.apk" "$out/basic.zip"
# Packages that lack one of the two members the reader needs.
cp "$out/basic.apk" "$out/nomanifest.apk" && aapt remove "$out/nomanifest.apk" AndroidManifest.xml >/dev/null
cp "$out/basic.apk" "$out/noresources.apk" && aapt remove "$out/noresources.apk" resources.arsc >/dev/null

aapt dump xmltree "$framework" AndroidManifest.xml > "$out/framework-res.xmltree"
aapt dump badging "$framework" > "$out/framework-res.badging"
# Only the values of the framework's label and icon: the whole dump is large.
ids=$(awk '/E: application/{a=1} a && /android:(label|icon)\(/{sub(/.*=@/,""); print} a && /E: /&&!/application/{exit}' "$out/framework-res.xmltree")
pattern=$(echo "$ids" | sed 's/.*/resource &[ ]/' | paste -sd'|')
aapt dump --values resources "$framework" | grep -A1 -E "^ *config |$pattern" > "$out/framework-res.resources" || true

# WebP pictures made by libwebp's own encoder from a PNG with colour and alpha everywhere, and the
# PNG's pixels as ImageMagick reads them (straight RGBA), for the decoder's pixel comparison.
mkdir -p "$out/webp" "$out/seeds/webp"
convert -seed 7 -size 37x23 plasma:fractal \( -size 37x23 gradient:white-black -rotate 90 -resize 37x23\! \) \
        -alpha off -compose CopyOpacity -composite "PNG32:$out/webp/picture.png"
convert "$out/webp/picture.png" -depth 8 "rgba:$out/webp/picture.rgba"
cwebp -quiet -lossless -exact "$out/webp/picture.png" -o "$out/webp/lossless.webp"
cwebp -quiet -q 90 "$out/webp/picture.png" -o "$out/webp/lossy.webp"
convert -size 37x23 gradient:red-blue "$out/webp/opaque.png"
cwebp -quiet -q 90 "$out/webp/opaque.png" -o "$out/webp/opaque-lossy.webp"
cp "$out"/webp/*.webp "$out/seeds/webp/"

# Seed corpora for the fuzz targets: the members as aapt wrote them.
mkdir -p "$out/seeds/xml" "$out/seeds/arsc" "$out/seeds/zip"
python3 - "$out" <<'PY'
import sys, zipfile, glob, os, shutil
out = sys.argv[1]
for apk in sorted(glob.glob(os.path.join(out, '*.apk'))):
    name = os.path.splitext(os.path.basename(apk))[0]
    if not zipfile.is_zipfile(apk):
        continue
    with zipfile.ZipFile(apk) as z:
        members = z.namelist()
        if 'AndroidManifest.xml' in members:
            open(os.path.join(out, 'seeds/xml', name + '.bin'), 'wb').write(z.read('AndroidManifest.xml'))
        if 'resources.arsc' in members:
            open(os.path.join(out, 'seeds/arsc', name + '.bin'), 'wb').write(z.read('resources.arsc'))
    if os.path.getsize(apk) < 8192:
        shutil.copy(apk, os.path.join(out, 'seeds/zip', name + '.bin'))
PY
rm -rf "$work"
touch "$out/stamp"
