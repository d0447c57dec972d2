#!/usr/bin/env bash
# Fuzzes the mail code with libFuzzer: builds the fuzz targets with clang in
# build-fuzz and runs each for the given number of seconds (default 60) on a
# copy of its corpus. Fails when a target finds a crash, a sanitizer report
# or a broken invariant; the input is left in build-fuzz/findings/, the
# grown corpora in build-fuzz/corpus/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-60}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: scripts/fuzz.sh [seconds per target]" >&2
  exit 2
fi
targets=(smtp_command smtp_data message_intake smtp_session)

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz: installing clang"
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then
    sudo_cmd=(sudo)
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -q
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends clang
fi

build=$root/build-fuzz
echo "== build $build"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKESTRIX_FUZZ=ON >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target "${targets[@]/%/_fuzzer}"

# A small quarantine keeps freed memory in use: fresh pages for every
# allocation cost the threaded session target more than it runs.
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
    -artifact_prefix="$findings/${target}-" "$work/$target" >"$work/$target.log" 2>&1; then
    failed+=("$target")
    tail -n 60 "$work/$target.log"
  fi
  grep -E '^stat::number_of_executed_units' "$work/$target.log" || true
done

if ((${#failed[@]})); then
  echo "== findings in: ${failed[*]} (inputs in $findings)"
  exit 1
fi
echo "== no findings"
