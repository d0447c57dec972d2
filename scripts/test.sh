#!/usr/bin/env bash
# Builds and runs every test under AddressSanitizer+UndefinedBehaviorSanitizer
# and under ThreadSanitizer.
# Fails when a format check, a build, a test or a sanitizer fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc 2>/dev/null || echo 2)

scripts/install-deps.sh

echo "== format check"
mapfile -t sources < <(git -C "$root" ls-files '*.cpp' '*.h')
if ((${#sources[@]})); then
  clang-format --dry-run --Werror "${sources[@]}"
fi

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export LSAN_OPTIONS=suppressions=$root/tests/support/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Qt is not built with TSan: its own locks are invisible to it, so the
# allocations and copies it makes inside itself would look like races. Only
# those are ignored; every access of our code is still checked.
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1:suppressions=$root/tests/support/tsan.supp

run_suite() {
  local dir=$1 sanitize=$2 label=$3
  echo "== build $dir (sanitize: ${sanitize:-none})"
  # clang builds the instrumented code in about half the time g++ takes. A
  # tree made with another compiler starts afresh: CMake would drop its cache
  # and with it the sanitizer setting below.
  if [[ -f $root/$dir/CMakeCache.txt ]] &&
    ! grep -q '^CMAKE_CXX_COMPILER:.*clang++$' "$root/$dir/CMakeCache.txt"; then
    rm -rf "${root:?}/$dir"
  fi
  # Line tables are all a sanitizer's report needs, and they build faster.
  cmake -S "$root" -B "$root/$dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 \
    -DKESTRIX_SANITIZE="$sanitize" -DKESTRIX_WERROR=ON >/dev/null
  cmake --build "$root/$dir" -j "$jobs"
  echo "== test $dir"
  # Many tests wait on sockets, child processes and devices: twice as many
  # at once as there are cores keeps the cores busy.
  ctest --test-dir "$root/$dir" --output-on-failure -j "$((jobs * 2))" ${label:+-L "$label"}
}

# Every test runs under both sanitizers; a build without them would run the
# same tests again and double the time.
run_suite build-asan "address,undefined" ""
run_suite build-tsan "thread" ""
echo "== all tests passed"
