#!/usr/bin/env bash
# Builds quillon, the mail loader, and starts it on a demo working directory
# (demo/mailer-run, made fresh from demo/mailer each time) whose settings
# reach the demo station of scripts/demo.sh on this machine: mailbox "qerv",
# host localhost, port 2593 (the demo station's second SMTP port). Start the
# station first, in another terminal.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/install-deps.sh
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$root/build" -j "$(nproc 2>/dev/null || echo 2)" --target quillon

run="$root/demo/mailer-run"
rm -rf "$run"
mkdir -p "$run/data"
cp "$root"/demo/mailer/*.txt "$run/data/"
# Server, Address, Subject, Mail From, Port, then the queue.
{
  echo "qerv"
  echo "localhost  // Default:   QERV / National / Autostart "
  echo "Default (To use file name as subject, do not change this line)"
  echo "N0CALL"
  echo "2593"
  for file in "$run"/data/*.txt; do echo "$file"; done
} > "$run/Quillon.INI"
cd "$run"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
  echo "quillon-demo: no display, running offscreen; the log is in $run/"
  export QT_QPA_PLATFORM=offscreen
fi
echo "quillon-demo: working directory $run; Send Mail mails the queue to the demo station"
exec "$root/build/mailer/quillon"
