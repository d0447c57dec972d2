#!/usr/bin/env bash
# How fast the running station takes mail: Postfix's smtp-source sends 1000
# messages over 20 sessions to the real kestrix (headless, in a scratch
# working directory), then the same to aiosmtpd's Sink, which stores nothing.
# Prints both wall-clock times, messages per second and the ratio.
# Needs the packages of scripts/install-deps.sh (postfix, python3-aiosmtpd).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

sessions=20
messages=1000
start_limit=30 # seconds for a server to listen, and for the station to end

source_tool=/usr/sbin/smtp-source
python=/usr/bin/python3 # Debian's, which has aiosmtpd
for tool in "$source_tool" "$python"; do
  if [[ ! -x $tool ]]; then
    echo "benchmark: $tool is missing; run scripts/install-deps.sh" >&2
    exit 1
  fi
done

if [[ ! -f $root/build/build.ninja ]]; then
  cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
fi
cmake --build "$root/build" -j "$(nproc 2>/dev/null || echo 2)" --target kestrix >/dev/null
kestrix=$root/build/station/app/kestrix
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$root/build/CMakeCache.txt")

work=$(mktemp -d /tmp/kestrix-smtp-bench-XXXXXX)
server_pid=
cleanup() {
  if [[ -n $server_pid ]] && kill -0 "$server_pid" 2>/dev/null; then
    kill -KILL "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# Ports the system hands out as free right now.
read -r port1 port2 sink_port < <("$python" - <<'EOF'
import socket
held = [socket.socket() for _ in range(3)]
for s in held:
    s.bind(("127.0.0.1", 0))
print(*(s.getsockname()[1] for s in held))
EOF
)

# Waits until something listens on the port, or fails after start_limit.
wait_for_port() {
  local port=$1 deadline=$((SECONDS + start_limit))
  until (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do
    if ((SECONDS >= deadline)) || ! kill -0 "$server_pid" 2>/dev/null; then
      echo "benchmark: nothing listens on port $port" >&2
      return 1
    fi
    sleep 0.05
  done
}

# The system's count of connections dropped because a listen queue was full
# (each costs the client a 1 s SYN retransmission); "?" when unknown.
listen_overflows() {
  awk '$1 == "TcpExt:" {
    if (!names) { for (i = 2; i <= NF; i++) field[$i] = i; names = 1 }
    else if ("ListenOverflows" in field) { print $field["ListenOverflows"]; found = 1 }
  } END { if (!found) print "?" }' /proc/net/netstat 2>/dev/null || echo "?"
}

# Sends the load; prints the seconds it took and the listen queue overflows.
send_load() {
  local port=$1 log=$2 started ended before after
  before=$(listen_overflows)
  started=$(date +%s.%N)
  if ! "$source_tool" -s "$sessions" -m "$messages" -t qerv@station "127.0.0.1:$port" \
    >"$log" 2>&1; then
    echo "benchmark: smtp-source failed:" >&2
    cat "$log" >&2
    return 1
  fi
  ended=$(date +%s.%N)
  after=$(listen_overflows)
  if [[ $before == "?" || $after == "?" ]]; then
    echo "$started $ended" | awk '{printf "%.3f ?\n", $2 - $1}'
  else
    echo "$started $ended $before $after" | awk '{printf "%.3f %d\n", $2 - $1, $4 - $3}'
  fi
}

# Sends SIGTERM and waits for the process to end by itself.
stop_server() {
  local name=$1 deadline=$((SECONDS + start_limit))
  kill -TERM "$server_pid"
  while kill -0 "$server_pid" 2>/dev/null; do
    if ((SECONDS >= deadline)); then
      echo "benchmark: $name did not end within $start_limit s of SIGTERM" >&2
      return 1
    fi
    sleep 0.05
  done
  local status=0
  wait "$server_pid" || status=$?
  server_pid=
  echo "benchmark: $name ended after SIGTERM (exit status $status)"
}

# --- the station
mkdir -p "$work/station"
cat >"$work/station/Kestrix.ini" <<EOF
// Written by benchmarks/smtp_intake_benchmark.sh
QERVDATAPATH="data/"
QERVEMAILSMTPPORTS=$port1,$port2
QERVTELNETPORTNUMBER=0
QERVUSESUBJECTFILENAME=0
QERVAUTOSTART=1
EOF
(cd "$work/station" && QT_QPA_PLATFORM=offscreen exec "$kestrix" >station.out 2>&1) &
server_pid=$!
wait_for_port "$port1"
echo "benchmark: kestrix ($build_type build) listens on $port1; $messages messages, $sessions sessions"
read -r station_seconds station_overflows < <(send_load "$port1" "$work/station-source.log")
stop_server kestrix

stored=$(find "$work/station/data" -maxdepth 1 -name 'E_*.txt' -type f | wc -l)
refused=$(find "$work/station/data/badwords" -type f | wc -l)
echo "benchmark: station stored $stored files, $refused in badwords"
if ((stored != messages || refused != 0)); then
  echo "benchmark: expected $messages stored and none refused" >&2
  exit 1
fi
# --- the sink
"$python" -m aiosmtpd -n -l "127.0.0.1:$sink_port" -c aiosmtpd.handlers.Sink \
  >"$work/sink.out" 2>&1 &
server_pid=$!
wait_for_port "$sink_port"
read -r sink_seconds sink_overflows < <(send_load "$sink_port" "$work/sink-source.log")
stop_server aiosmtpd

awk -v n="$messages" -v st="$station_seconds" -v sk="$sink_seconds" \
  -v so="$station_overflows" -v ko="$sink_overflows" '
  BEGIN {
    printf "station: %8.3f s  %8.1f messages/s  listen queue overflows: %s\n", st, n / st, so
    printf "sink:    %8.3f s  %8.1f messages/s  listen queue overflows: %s\n", sk, n / sk, ko
    printf "station/sink time ratio: %.2f\n", st / sk
  }'
