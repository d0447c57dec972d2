#!/usr/bin/env bash
# Builds kestrix and starts it on the demo working directory (demo/run, made
# fresh from demo/ each time). Without a display it runs on Qt's offscreen
# platform; stop it with Ctrl-C.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/install-deps.sh
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$root/build" -j "$(nproc 2>/dev/null || echo 2)" --target kestrix

rm -rf "$root/demo/run"
mkdir -p "$root/demo/run"
cp -r "$root/demo/station/." "$root/demo/run/"
cd "$root/demo/run"
# Timed entries a few minutes from now: the scheduler sends them at their
# times, after the untimed ones.
{
  echo "$(date -d '+2 minutes' '+%m/%d/%Y %H:%M:%S') propagation.txt"
  echo "$(date -d '+3 minutes' '+%m/%d/%Y %H:%M:%S') \$CWID"
} >> data/schedule.lst
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
  echo "demo: no display, running offscreen; the log is in demo/run/log/"
  export QT_QPA_PLATFORM=offscreen
fi
echo "demo: working directory $PWD"
echo "demo: the audio goes to $PWD/demo-out.wav; decode it with"
echo "        minimodem --rx -q -M 2125 -S 2295 -f $PWD/demo-out.wav rtty"
echo "demo: stop the station with Ctrl-C (or close its window)"
exec "$root/build/station/app/kestrix"
