#!/usr/bin/env bash
# Fuzzes every parser of the station and the mail loader with libFuzzer:
# builds the fuzz targets with clang in build-fuzz and runs each for the
# given number of seconds (default 60) on a copy of its corpus; names after
# the seconds run only those targets. The targets are listed once, in
# tests/fuzz/CMakeLists.txt. Fails when a target finds a crash, a sanitizer
# report or a broken invariant; the input is left in build-fuzz/findings/,
# the grown corpora in build-fuzz/corpus/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-60}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: scripts/fuzz.sh [seconds per target] [target...]" >&2
  exit 2
fi
shift $(($# > 0 ? 1 : 0))

scripts/install-deps.sh

build=$root/build-fuzz
echo "== build $build"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKESTRIX_FUZZ=ON >/dev/null
mapfile -t known <"$build/tests/fuzz/fuzz_targets.txt"
targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=("${known[@]}")
fi
for target in "${targets[@]}"; do
  if [[ " ${known[*]} " != *" $target "* ]]; then
    echo "fuzz: no target $target (there are: ${known[*]})" >&2
    exit 2
  fi
done
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target "${targets[@]/%/_fuzzer}"

# A small quarantine keeps freed memory in use: fresh pages for every
# allocation cost the targets more than they run.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=16:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# The targets' working files: in memory when there is room for them.
if [[ -z ${TMPDIR:-} && -d /dev/shm && -w /dev/shm ]]; then
  export TMPDIR=/dev/shm
fi

findings=$build/findings
work=$build/corpus
mkdir -p "$findings" "$work"
failed=()
for target in "${targets[@]}"; do
  echo "== fuzz $target for ${seconds}s"
  rm -rf "${work:?}/$target"
  cp -r "$root/tests/fuzz/corpus/$target" "$work/$target"
  # Absolute paths: the targets change their working directory while they run.
  if ! "$build/tests/fuzz/${target}_fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$findings/${target}-" "$work/$target" </dev/null >"$work/$target.log" 2>&1; then
    failed+=("$target")
    tail -n 60 "$work/$target.log"
  fi
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec)' "$work/$target.log" || true
done

if ((${#failed[@]})); then
  echo "== findings in: ${failed[*]} (inputs in $findings)"
  exit 1
fi
echo "== no findings"
