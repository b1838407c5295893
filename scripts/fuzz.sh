#!/usr/bin/env bash
# The libFuzzer build and run: clang with ASan, UBSan and libFuzzer's coverage in every library the
# targets call, compiled from a copy of the tree (build/fuzz/src) whose narrow literals spell their
# GBK bytes, since clang has no -fexec-charset=GBK (cmake/gbk-literals.py; the g++ build's test
# gbk_literals_match checks the copy compiles to the same bytes).
#   scripts/fuzz.sh [seconds per target] [target ...]
# Builds the named targets (default: all) and runs each in turn, one process at a time, for the
# given seconds (default 0: build only). Corpora grow in build/fuzz/corpus/<target>, crashing inputs
# land in build/fuzz/artifacts/; keep one as a regression seed beside the target's sources.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-0}
shift || true
out=$root/build/fuzz
jobs=${ZORVIK_JOBS:-2}

python3 "$root/cmake/gbk-literals.py" mirror "$root" "$out/src"
ln -sfn "$(readlink -f "$root/.deps")" "$out/src/.deps"
cmake -S "$out/src" -B "$out/build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZORVIK_SANITIZE=ON -DZORVIK_LIBFUZZER=ON \
  -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null

declare -A corpus
while IFS='=' read -r name seeds; do
  [ -n "$name" ] && corpus[$name]=$seeds
done < "$out/build/fuzz-targets.txt"
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=($(printf '%s\n' "${!corpus[@]}" | sort))
cmake --build "$out/build" -j "$jobs" --target "${targets[@]}"

[ "$seconds" -gt 0 ] || exit 0
mkdir -p "$out/artifacts"
status=0
for name in "${targets[@]}"; do
  binary=$(find "$out/build/tests/fuzz" -name "$name" -type f -perm -u+x | head -1)
  mkdir -p "$out/corpus/$name"
  echo "[fuzz] $name for ${seconds}s"
  seeds=()
  [ -n "${corpus[$name]}" ] && [ -d "${corpus[$name]}" ] && seeds=("${corpus[$name]}")
  (cd "$out" && "$binary" "$out/corpus/$name" "${seeds[@]}" -max_total_time="$seconds" -rss_limit_mb=2048 \
     -timeout=10 -print_final_stats=1 -artifact_prefix="$out/artifacts/$name-") > "$out/$name.log" 2>&1 || status=1
  grep -E "^#[0-9]+ *DONE|cov:|stat::number_of_executed_units|ERROR|SUMMARY" "$out/$name.log" | tail -4
done
exit $status
