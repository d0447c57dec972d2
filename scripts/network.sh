#!/usr/bin/env bash
# A network of three kestrix stations behind Postfix on this machine, set up
# from deploy/postfix/ as an operator would, for a try-out: a private Postfix
# instance on 127.0.0.1 takes bulletins@radio.example.org and hands a copy to
# each station (north, south, east), each in its own working directory on its
# own ports, where the station stores and queues it.
#
#   scripts/network.sh up            # start everything, in the background
#   scripts/network.sh down          # stop everything
#   scripts/network.sh stop south    # stop one station (mail for it waits in Postfix)
#   scripts/network.sh start south   # start it again (Postfix's next retry delivers)
#
#   NETWORK_DIR=/tmp/kestrix-network  where it all lives (emptied by `up`, kept by `down`)
#   NETWORK_PORT=2700                 Postfix's port; stations on 2711-2713, 2721-2723, 2731-2733
#   KESTRIX=/path/to/kestrix          a binary of your own (default: build/station/app/kestrix)
#
# Runs as root: Postfix's master does. The machine's own mail set-up is not
# touched: the instance has its configuration, queue and log in NETWORK_DIR
# (postfix -c NETWORK_DIR/postfix/etc), and /etc/postfix is only read.
# Everything keeps running after `up` returns, until `down`.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
deploy=$root/deploy/postfix
dir=${NETWORK_DIR:-/tmp/kestrix-network}
base=${NETWORK_PORT:-2700}
stations=(north south east)
etc=$dir/postfix/etc

usage() {
  sed -n '8,11p' "$0" | sed 's/^# *//' >&2
  exit 2
}

# Station number i (0, 1, 2) takes mail on these two ports, chat on the third.
smtp1() { echo $((base + 10 * ($1 + 1) + 1)); }
smtp2() { echo $((base + 10 * ($1 + 1) + 2)); }
chat() { echo $((base + 10 * ($1 + 1) + 3)); }

index_of() {
  local i
  for i in "${!stations[@]}"; do
    [[ ${stations[i]} == "$1" ]] && echo "$i" && return
  done
  echo "network: no station \"$1\" (there are ${stations[*]})" >&2
  exit 2
}

listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

greets() {
  timeout 5 bash -c "exec 3<>/dev/tcp/127.0.0.1/$1 && head -c 4 <&3" 2>/dev/null | grep -q '^220 '
}

wait_greeting() {  # port, what, log to show when it does not come[, pid that must live]
  local deadline=$((SECONDS + 60))
  until greets "$1"; do
    if ((SECONDS > deadline)) || { [[ -n ${4:-} ]] && ! kill -0 "$4" 2>/dev/null; }; then
      echo "network: $2 does not answer on port $1; see $3" >&2
      exit 1
    fi
    sleep 0.2
  done
}

# The pid in NAME/kestrix.pid when that process is still a kestrix.
station_pid() {
  local pid
  pid=$(cat "$dir/$1/kestrix.pid" 2>/dev/null) || return 1
  [[ -n $pid && -r /proc/$pid/cmdline ]] && tr '\0' ' ' <"/proc/$pid/cmdline" | grep -q kestrix &&
    echo "$pid"
}

start_station() {
  local name=$1 i
  i=$(index_of "$name")
  if station_pid "$name" >/dev/null; then
    echo "network: $name runs already"
    return
  fi
  KESTRIX=${KESTRIX:-$(cat "$dir/kestrix-binary")}
  (
    cd "$dir/$name"
    # nohup execs the station: $! is its pid. It outlives this script.
    QT_QPA_PLATFORM=offscreen nohup "$KESTRIX" </dev/null >>kestrix.out 2>&1 &
    echo $! >kestrix.pid
  )
  wait_greeting "$(smtp2 "$i")" "station $name" "$dir/$name/kestrix.out" \
    "$(cat "$dir/$name/kestrix.pid")"
  echo "network: $name is up (pid $(cat "$dir/$name/kestrix.pid"))"
}

stop_station() {
  local name=$1 pid deadline
  index_of "$name" >/dev/null
  pid=$(station_pid "$name") || {
    echo "network: $name is not running"
    return
  }
  kill -TERM "$pid"
  deadline=$((SECONDS + 30))
  while kill -0 "$pid" 2>/dev/null; do
    if ((SECONDS > deadline)); then
      echo "network: $name did not end on SIGTERM within 30 s; killing it" >&2
      kill -KILL "$pid"
      break
    fi
    sleep 0.2
  done
  echo "network: $name stopped"
}

postfix_running() { [[ -d $etc ]] && postfix -c "$etc" status >/dev/null 2>&1; }

write_station() {
  local name=$1 i=$2
  mkdir -p "$dir/$name/data"
  : >"$dir/$name/data/schedule.lst"
  cat >"$dir/$name/Kestrix.ini" <<EOF
QERVCALLSIGN="N0CALL"
QERVLISTENADDRESS="127.0.0.1"
QERVEMAILSMTPPORTS=$(smtp1 "$i"),$(smtp2 "$i")
QERVTELNETPORTNUMBER=$(chat "$i")
QERVSCHEDULERENABLE=0
QERVUSESUBJECTFILENAME=0
QERVBADWORD="JAMMING"
QERVSOUNDCARDID=-1
QERVSOUNDDEVICE="wav:out.wav"
EOF
}

write_postfix() {
  local i
  mkdir -p "$etc" "$dir/postfix/spool"
  # The deployment's files as an operator installs them, in $etc instead of
  # /etc/postfix; only the stations' addresses are this machine's.
  sed "s#/etc/postfix/#$etc/#g" "$deploy/main.cf.fragment" >"$etc/main.cf"
  cp "$deploy/kestrix_virtual" "$deploy/kestrix_access" "$etc/"
  {
    grep '^#' "$deploy/kestrix_transport"
    for i in "${!stations[@]}"; do
      echo "${stations[i]}.stations   kestrix:[127.0.0.1]:$(smtp2 "$i")"
    done
  } >"$etc/kestrix_transport"
  sed "s/^127\.0\.0\.1:PORT /127.0.0.1:$base /" "$deploy/try-out.master.cf" >"$etc/master.cf"
  cat "$deploy/master.cf.fragment" >>"$etc/master.cf"
  # A try-out: nothing leaves the machine, not even a bounce, and a station
  # that was down gets its mail within a minute of coming back.
  postconf -c "$etc" -e \
    "compatibility_level=3.6" \
    "queue_directory=$dir/postfix/spool" \
    "data_directory=$dir/postfix/lib" \
    "inet_interfaces=127.0.0.1" \
    "inet_protocols=ipv4" \
    "mydestination=" \
    "alias_maps=" \
    "alias_database=" \
    "relayhost=" \
    "default_transport=error:5.3.0 this try-out sends nothing off the machine" \
    "local_transport=error:5.3.0 this try-out sends nothing off the machine" \
    "maillog_file=$dir/postfix/maillog" \
    "maillog_file_prefixes=$dir/postfix" \
    "minimal_backoff_time=10s" \
    "maximal_backoff_time=60s" \
    "queue_run_delay=10s"
  for map in kestrix_virtual kestrix_transport kestrix_access; do
    postmap -c "$etc" "hash:$etc/$map"
  done
}

up() {
  if postfix_running ||
    for s in "${stations[@]}"; do station_pid "$s" >/dev/null && break; done; then
    echo "network: it is up already in $dir; scripts/network.sh down first" >&2
    exit 1
  fi
  local ports=("$base") i port
  for i in "${!stations[@]}"; do
    ports+=("$(smtp1 "$i")" "$(smtp2 "$i")" "$(chat "$i")")
  done
  for port in "${ports[@]}"; do
    if listening "$port"; then
      echo "network: port $port is taken; choose others with NETWORK_PORT=..." >&2
      exit 1
    fi
  done
  scripts/install-deps.sh
  if [[ -z "${KESTRIX:-}" ]]; then
    KESTRIX=$root/build/station/app/kestrix
    if [[ ! -x $KESTRIX ]]; then
      cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
      cmake --build "$root/build" -j 2 --target kestrix
    fi
  fi
  KESTRIX=$(realpath "$KESTRIX")
  rm -rf "$dir"
  mkdir -p "$dir"
  chmod 755 "$dir"  # Postfix's own user works inside
  echo "$KESTRIX" >"$dir/kestrix-binary"
  # Half a network is no try-out: a failure on the way stops what started.
  # (In a subshell: a `return` in a trap that an `exit` inside a function set
  # off would end the trap.)
  trap 'echo "network: up failed; stopping what it started" >&2; (down)' EXIT
  for i in "${!stations[@]}"; do
    write_station "${stations[i]}" "$i"
  done
  write_postfix
  for s in "${stations[@]}"; do
    start_station "$s"
  done
  postfix -c "$etc" start
  wait_greeting "$base" "Postfix" "$dir/postfix/maillog"
  trap - EXIT
  cat <<EOF

The network is up; it runs until: scripts/network.sh down

  Postfix     127.0.0.1:$base, configuration $etc
              (from deploy/postfix/), log $dir/postfix/maillog,
              queue: postqueue -c $etc -p
EOF
  for i in "${!stations[@]}"; do
    printf '  %-11s %s: mail on ports %s and %s, chat on %s\n' "${stations[i]}" \
      "$dir/${stations[i]}" "$(smtp1 "$i")" "$(smtp2 "$i")" "$(chat "$i")"
  done
  cat <<EOF
              each with data/ (the mail stored), data/schedule_temp.lst (the mail
              queued), data/badwords/ (the mail refused), log/ (the event log)

A bulletin to every station:

  swaks --server 127.0.0.1:$base --from you@example.org --to bulletins@radio.example.org \\
        --header "Subject: TEST BULLETIN" --body "QST QST QST DE N0CALL"

To one station only: --to qerv@south.stations. A bulletin with the word JAMMING
is refused by every station (250 "not sent because ...", in data/badwords/).
To see Postfix hold mail for a station that is down:

  scripts/network.sh stop south    # then send a bulletin: see "status=deferred" in the log
  scripts/network.sh start south   # delivered at Postfix's next retry, within a minute
EOF
}

down() {
  if postfix_running; then
    postfix -c "$etc" stop
  fi
  for s in "${stations[@]}"; do
    stop_station "$s"
  done
  echo "network: everything stopped; its files stay in $dir"
}

(($# >= 1)) || usage
if [[ $(id -u) -ne 0 ]]; then
  echo "network: run this as root (sudo scripts/network.sh $*): Postfix's master runs as root" >&2
  exit 1
fi
case $1 in
  up) (($# == 1)) || usage && up ;;
  down) (($# == 1)) || usage && down ;;
  start) (($# == 2)) || usage && start_station "$2" ;;
  stop) (($# == 2)) || usage && stop_station "$2" ;;
  *) usage ;;
esac
