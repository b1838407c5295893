#!/usr/bin/env bash
# Installs what is needed, builds the native (sanitizers) and Windows trees, and runs every test:
# native unit tests and fuzz drivers, then the Windows tests under Wine, in one CTest run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

./scripts/install-deps.sh
jobs=${ZORVIK_JOBS:-$(nproc)}

for preset in native-asan win; do
  echo "[test] building $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

# One CTest project over both trees, so a single summary line closes the run.
mkdir -p build/all
cat > build/all/CTestTestfile.cmake <<CTEST
subdirs("$root/build/native-asan" "$root/build/win")
CTEST
source scripts/wine-env.sh
zorvik_wine_init
ctest --test-dir build/all -j "$jobs" --output-on-failure
