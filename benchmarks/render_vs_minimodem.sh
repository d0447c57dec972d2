#!/usr/bin/env bash
# kestrix-render against `minimodem --tx` on the same generated 10 KB
# bulletin: 45.45 baud RTTY, mark 2125 Hz, space 2295 Hz, 8000 samples/s,
# 16-bit WAV. Runs both in turn RUNS times (default 5), prints every time
# and the medians, and how many times longer minimodem takes.
# Builds nothing: give it the program, e.g. build-speed/station/render/kestrix-render
# (a Release or RelWithDebInfo build; a Debug build is much slower).
set -euo pipefail
export LC_ALL=C # EPOCHREALTIME and awk with a point for decimals

if [[ $# -lt 1 || ! -x $1 ]]; then
  echo "usage: $0 PATH/TO/kestrix-render [RUNS]" >&2
  exit 2
fi
render=$(realpath "$1")
runs=${2:-5}
if ! command -v minimodem >/dev/null; then
  echo "benchmark: minimodem is missing; run scripts/install-deps.sh" >&2
  exit 1
fi

work=$(mktemp -d /tmp/kestrix-render-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Lines of about 60 characters from the words of a weather bulletin, cut
# at 10240 bytes. Both programs send it as it is.
words=(THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG 0123456789 CQ DE N0CALL WX 12/3 -5C WIND 270/15.)
{
  line=
  i=0
  bytes=0
  while ((bytes < 10240)); do
    line+="${words[i % ${#words[@]}]} "
    i=$((i + 1))
    if ((${#line} >= 60)); then
      printf '%s\n' "${line% }"
      bytes=$((bytes + ${#line}))
      line=
    fi
  done
} | head -c 10240 >bulletin.txt

# Wall-clock seconds of one run of "$@", to the microsecond.
seconds() {
  local start=$EPOCHREALTIME
  "$@" >/dev/null 2>&1
  LC_ALL=C awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.4f", b - a }'
}
render_once() { "$render" bulletin.txt kestrix.wav; }
minimodem_once() { minimodem --tx -q -R 8000 -M 2125 -S 2295 -f minimodem.wav rtty <bulletin.txt; }

median() { printf '%s\n' "$@" | LC_ALL=C sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

render_times=()
minimodem_times=()
for ((run = 1; run <= runs; run++)); do
  render_times+=("$(seconds render_once)")
  minimodem_times+=("$(seconds minimodem_once)")
  echo "run $run: kestrix-render ${render_times[-1]} s, minimodem ${minimodem_times[-1]} s"
done

audio_seconds() { echo $((($(stat -c %s "$1") - 44) / 2 / 8000)); }
echo "audio: kestrix-render $(audio_seconds kestrix.wav) s, minimodem $(audio_seconds minimodem.wav) s"
render_median=$(median "${render_times[@]}")
minimodem_median=$(median "${minimodem_times[@]}")
LC_ALL=C awk -v k="$render_median" -v m="$minimodem_median" 'BEGIN {
  printf "median: kestrix-render %.4f s, minimodem %.4f s, minimodem / kestrix-render = %.2f\n", k, m, m / k }'
