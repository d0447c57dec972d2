#!/usr/bin/env bash
# The station under load, with its figures: 10,000 messages through 50
# SMTP sessions on both ports (Postfix's smtp-source) while it transmits and
# two chat users type, the same 10,000 refused by a banned word (nothing
# queued: the memory a message costs apart from its queue entry), a kill -9
# in the middle of a load (smtplib) and a restart, and floods: 500
# connections at once on each port, clients that send a byte a second,
# clients that never read, a DATA of 100 MB. Runs the real kestrix headless
# (QT_QPA_PLATFORM=offscreen) in fresh directories under /tmp; takes some
# minutes, most of them the station's own 60 s timeouts.
#
#   scripts/load.sh                 # everything
#   LOAD_MESSAGES=2000 scripts/load.sh
#   KESTRIX=/path/to/kestrix scripts/load.sh   # a binary of your own
#
# Fails (exit 1) when a check fails: a message acknowledged and not stored
# and queued once, a normal client that does not get through, a session the
# timeouts do not end.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/install-deps.sh
if [[ -z "${KESTRIX:-}" ]]; then
  cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build "$root/build" -j 2 --target kestrix
  KESTRIX=$root/build/station/app/kestrix
fi
export KESTRIX
export LOAD_MESSAGES=${LOAD_MESSAGES:-10000}
export QT_QPA_PLATFORM=offscreen

exec /usr/bin/python3 - "$@" <<'PYTHON'
import os, random, select, shutil, signal, smtplib, socket, subprocess, sys, tempfile
import threading, time

KESTRIX = os.environ["KESTRIX"]
MESSAGES = int(os.environ["LOAD_MESSAGES"])
SESSIONS_PER_PORT = 25  # 50 in all; a port takes 32 at most
figures = []
failures = []


def figure(text):
    figures.append(text)
    print("load: " + text, flush=True)


def check(ok, text):
    if not ok:
        failures.append(text)
        print("load: FAILED: " + text, flush=True)


def free_port():
    # Below the range the system gives clients.
    while True:
        port = random.randint(20000, 32000)
        s = socket.socket()
        try:
            s.bind(("127.0.0.1", port))
            return port
        except OSError:
            pass
        finally:
            s.close()


class Station:
    def __init__(self, name, extra_ini=""):
        self.dir = tempfile.mkdtemp(prefix="kestrix-load-%s-" % name)
        self.smtp1, self.smtp2, self.chat = free_port(), free_port(), free_port()
        os.makedirs(self.path("data"))
        with open(self.path("Kestrix.ini"), "w") as ini:
            ini.write('QERVLISTENADDRESS="127.0.0.1"\n'
                      "QERVEMAILSMTPPORTS=%d,%d\nQERVTELNETPORTNUMBER=%d\n"
                      "QERVSCHEDULERENABLE=1\nQERVUSESUBJECTFILENAME=0\n"
                      'QERVSOUNDCARDID=-1\nQERVSOUNDDEVICE="wav:out.wav"\n%s'
                      % (self.smtp1, self.smtp2, self.chat, extra_ini))
        with open(self.path("data/schedule.lst"), "w") as schedule:
            schedule.write("ry.txt\n")
        with open(self.path("data/ry.txt"), "w") as text:
            text.write("RYRYRYRY THE QUICK BROWN FOX\r\n" * 4)
        self.process = None

    def path(self, name):
        return os.path.join(self.dir, name)

    def start(self):
        began = time.monotonic()
        out = open(self.path("kestrix.out"), "ab")
        self.process = subprocess.Popen([KESTRIX], cwd=self.dir, stdin=subprocess.DEVNULL,
                                        stdout=out, stderr=subprocess.STDOUT)
        while time.monotonic() - began < 60:
            try:
                with socket.create_connection(("127.0.0.1", self.smtp1), timeout=5) as s:
                    if s.recv(100).startswith(b"220 "):
                        s.sendall(b"QUIT\r\n")
                        return time.monotonic() - began
            except OSError:
                time.sleep(0.05)
        raise SystemExit("load: the station did not start; see " + self.path("kestrix.out"))

    def status(self, key):
        with open("/proc/%d/status" % self.process.pid) as status:
            for line in status:
                if line.startswith(key + ":"):
                    return int(line.split()[1])  # kB
        return 0

    def end(self, sig=signal.SIGTERM):
        began = time.monotonic()
        self.process.send_signal(sig)
        code = self.process.wait(timeout=120)
        return code, time.monotonic() - began

    def stored(self):
        return sorted(n for n in os.listdir(self.path("data")) if n.startswith("E_"))

    def queued(self):
        try:
            with open(self.path("data/schedule_temp.lst")) as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def log(self):
        text = ""
        for name in sorted(os.listdir(self.path("log"))):
            with open(os.path.join(self.path("log"), name), errors="replace") as f:
                text += f.read()
        return text


class ChatUser(threading.Thread):
    """Logs in, types a line every `every` seconds, reads all the station sends."""

    def __init__(self, port, name, every):
        super().__init__(daemon=True)
        self.name, self.every, self.typed, self.seen = name, every, [], b""
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=30)
        self.stop = threading.Event()

    def run(self):
        reader = threading.Thread(target=self.read, daemon=True)
        reader.start()
        self.sock.sendall(self.name.encode() + b"\r\n")
        n = 0
        while not self.stop.wait(self.every):
            line = "%s LINE %d" % (self.name.upper(), n)
            self.sock.sendall(line.encode() + b"\r\n")
            self.typed.append(line)
            n += 1

    def read(self):
        while True:
            try:
                data = self.sock.recv(65536)
            except OSError:
                return
            if not data:
                return
            self.seen += data

    def lines_on_air(self):
        return sum(1 for line in self.typed
                   if ("%s::  %s" % (self.name.upper(), line)).encode() in self.seen)


def smtp_source(port, messages, sessions):
    return subprocess.Popen(["/usr/sbin/smtp-source", "-s", str(sessions), "-m", str(messages),
                             "-t", "qerv@station", "127.0.0.1:%d" % port],
                            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT)


def run_load(station, expect_queued):
    """MESSAGES through 50 sessions on both ports; RSS at 1,000 and at the end."""
    users = [ChatUser(station.chat, "ann", 7), ChatUser(station.chat, "bob", 11)]
    for user in users:
        user.start()
    began = time.monotonic()
    sources = [smtp_source(port, MESSAGES // 2, SESSIONS_PER_PORT)
               for port in (station.smtp1, station.smtp2)]
    rss = {}
    data = station.path("data/badwords" if not expect_queued else "data")
    marks = sorted({1000, MESSAGES // 2})
    while any(s.poll() is None for s in sources):
        count = sum(1 for n in os.listdir(data) if n.startswith("E_"))
        while marks and count >= marks[0]:
            rss[marks.pop(0)] = station.status("VmRSS")
        time.sleep(0.2)
    elapsed = time.monotonic() - began
    rss[MESSAGES] = station.status("VmRSS")
    for s in sources:
        out = s.stdout.read().decode(errors="replace").strip()
        check(s.returncode == 0, "smtp-source exit %d: %s" % (s.returncode, out))
    for user in users:
        user.stop.set()
    return elapsed, rss, users


def load_phase():
    station = Station("mail")
    station.start()
    base = station.status("VmRSS")
    elapsed, rss, users = run_load(station, True)
    # The users' last lines go out after the mail queued before them: no
    # waiting for them here.
    code, _ = station.end()
    check(code == 0, "station exit code %d after the load" % code)
    stored, queued, log = station.stored(), station.queued(), station.log()
    check(len(stored) == MESSAGES, "%d messages stored, %d sent" % (len(stored), MESSAGES))
    check(len(queued) == MESSAGES and sorted(queued) == stored,
          "queue: %d entries, %d distinct, stored set equal: %s"
          % (len(queued), len(set(queued)), sorted(queued) == stored))
    check(log.count('" submitted to queue') == MESSAGES, "submitted-to-queue log lines")
    check(not os.listdir(station.path("data/badwords")), "nothing refused")
    taken = log.count("> in TRANSMIT Queue.")
    completed = log.count("Completed sending <")
    figure("%d messages, %d sessions (%d per port), both ports, while transmitting "
           "(%d files taken for the air, %d of them completed, and the users' lines) and "
           "2 chat users typing: %.1f s, %.0f messages/s"
           % (MESSAGES, 2 * SESSIONS_PER_PORT, SESSIONS_PER_PORT, taken, completed, elapsed,
              MESSAGES / elapsed))
    figure("stored %d, queued %d (distinct %d), acknowledged %d (smtp-source exit 0)"
           % (len(stored), len(queued), len(set(queued)), MESSAGES))
    for user in users:
        figure("chat %s typed %d lines during the load, %d of them on the air by its end, "
               "saw %d bytes of what the station sent"
               % (user.name, len(user.typed), user.lines_on_air(), len(user.seen)))
    figure("RSS: at start %d kB, after 1,000 messages %d kB, after %d %d kB, after %d %d kB "
           "(%+.2f kB per message past the first 1,000; the queue holds an entry per message)"
           % (base, rss.get(1000, 0), MESSAGES // 2, rss.get(MESSAGES // 2, 0), MESSAGES,
              rss[MESSAGES], (rss[MESSAGES] - rss.get(1000, 0)) / max(MESSAGES - 1000, 1)))
    shutil.rmtree(station.dir)


def refused_phase():
    # smtp-source's body is "La de da de da 1." ...: every message refused.
    station = Station("refused", 'QERVBADWORD="LA DE DA"\n')
    station.start()
    elapsed, rss, _ = run_load(station, False)
    code, _ = station.end()
    check(code == 0, "station exit code %d after the refused load" % code)
    refused = [n for n in os.listdir(station.path("data/badwords")) if n.startswith("E_")]
    check(len(refused) == MESSAGES and not station.stored() and not station.queued(),
          "refused %d, stored %d, queued %d" % (len(refused), len(station.stored()),
                                                 len(station.queued())))
    figure("%d messages refused by a banned word (moved to badwords, nothing queued): %.1f s; "
           "RSS after 1,000 %d kB, after %d %d kB (%+.2f kB per message)"
           % (MESSAGES, elapsed, rss.get(1000, 0), MESSAGES, rss[MESSAGES],
              (rss[MESSAGES] - rss.get(1000, 0)) / max(MESSAGES - 1000, 1)))
    shutil.rmtree(station.dir)


def kill_phase():
    station = Station("kill")
    station.start()
    acknowledged = {}
    lock = threading.Lock()
    stop = threading.Event()

    def client(c, port):
        try:
            smtp = smtplib.SMTP("127.0.0.1", port, timeout=30)
            smtp.helo("load")
            m = 0
            while not stop.is_set():
                body = "KILL TEST %d %d" % (c, m)
                smtp.mail("ann@example.org")
                smtp.rcpt("qerv@station")
                code, reply = smtp.data("Subject: kill %d %d\r\n\r\n%s\r\n" % (c, m, body))
                reply = reply.decode()
                prefix = 'message succesfully stored as "'
                if code != 250 or not reply.startswith(prefix):
                    return
                with lock:
                    acknowledged[reply[len(prefix):-1]] = body
                m += 1
        except (OSError, smtplib.SMTPException):
            return  # the station was killed

    threads = [threading.Thread(target=client, args=(c, (station.smtp1, station.smtp2)[c % 2]))
               for c in range(20)]
    for t in threads:
        t.start()
    target = min(2000, MESSAGES // 2)
    while len(acknowledged) < target and all(t.is_alive() for t in threads):
        time.sleep(0.01)
    station.process.send_signal(signal.SIGKILL)
    station.process.wait()
    stop.set()
    for t in threads:
        t.join()
    queued = station.queued()
    lost = []
    for name, body in acknowledged.items():
        try:
            with open(station.path("data/" + name), errors="replace", newline="") as f:
                kept = ("%s\r" % body) in f.read()
        except FileNotFoundError:
            kept = False
        if not kept or queued.count(name) != 1:
            lost.append(name)
    bodies = []
    for name in station.stored():
        with open(station.path("data/" + name), errors="replace", newline="") as f:
            text = f.read()
        at = text.find("KILL TEST ")
        bodies.append(text[at:text.find("\r", at)])
    check(not lost, "acknowledged but not stored and queued once: %s" % lost[:10])
    check(len(bodies) == len(set(bodies)), "a message stored twice")
    leftovers = [n for n in os.listdir(station.dir) if n.endswith(".tmp")]
    restart = station.start()
    swaks = subprocess.run(["swaks", "--server", "127.0.0.1", "--port", str(station.smtp2),
                            "--to", "qerv@station", "--from", "ann@example.org"],
                           stdin=subprocess.DEVNULL, capture_output=True, text=True)
    check(swaks.returncode == 0 and "250 message succesfully stored" in swaks.stdout,
          "swaks after the restart: %s" % swaks.stdout[-500:])
    code, _ = station.end()
    check(code == 0, "restarted station exit code %d" % code)
    check(len(station.queued()) == len(queued) + 1, "the restarted station queued its message")
    figure("kill -9 after %d acknowledged messages (20 smtplib sessions): %d acknowledged, "
           "%d stored, %d in the temporary schedule, %d lost, %d stored twice; "
           "%d temporary receive file(s) left in the working directory"
           % (target, len(acknowledged), len(station.stored()) - 1, len(queued), len(lost),
              len(bodies) - len(set(bodies)), len(leftovers)))
    figure("restart in the same directory: serving after %.1f s, swaks exit %d"
           % (restart, swaks.returncode))
    shutil.rmtree(station.dir)


def connect_nonblocking(port):
    s = socket.socket()
    s.setblocking(False)
    try:
        s.connect(("127.0.0.1", port))
    except BlockingIOError:
        pass
    return s


def hung_up(sock):
    # Without reading: the station's close shows as RDHUP, HUP or ERR.
    poller = select.poll()
    poller.register(sock, select.POLLRDHUP | select.POLLHUP | select.POLLERR)
    return bool(poller.poll(0))


def normal_smtp(port):
    """A message as a mail program sends it: after a 421 it tries again."""
    began = time.monotonic()
    tries = 0
    while time.monotonic() - began < 120:
        tries += 1
        try:
            smtp = smtplib.SMTP("127.0.0.1", port, timeout=60)
            smtp.helo("normal")
            smtp.mail("ann@example.org")
            smtp.rcpt("qerv@station")
            code, reply = smtp.data("Subject: normal\r\n\r\nQRV\r\n")
            smtp.quit()
            return code, time.monotonic() - began, tries
        except (smtplib.SMTPConnectError, smtplib.SMTPServerDisconnected):
            time.sleep(0.5)
    return 0, time.monotonic() - began, tries


def normal_chat(port):
    began = time.monotonic()
    tries = 0
    while time.monotonic() - began < 120:
        tries += 1
        with socket.create_connection(("127.0.0.1", port), timeout=60) as s:
            seen = b""
            while b"Begin Session" not in seen:
                if b"Enter User Name:  " in seen and b"carl" not in seen:
                    s.sendall(b"carl\r\n")
                    seen += b"carl"
                data = s.recv(4096)
                if not data:
                    break
                seen += data
            if b"Begin Session" in seen:
                return True, time.monotonic() - began, tries
        time.sleep(0.5)
    return False, time.monotonic() - began, tries


def big_data(port, megabytes, result):
    try:
        smtp = smtplib.SMTP("127.0.0.1", port, timeout=120)
        smtp.helo("big")
        smtp.mail("ann@example.org")
        smtp.rcpt("qerv@station")
        code, _ = smtp.docmd("DATA")
        began = time.monotonic()
        line = b"THE SAME LINE OF A BULLETIN FAR TOO LONG TO BE TAKEN AT ALL\r\n"
        chunk = line * 16384
        smtp.sock.sendall(b"Subject: big\r\n\r\n")
        for _ in range(megabytes * 1048576 // len(chunk) + 1):
            smtp.sock.sendall(chunk)
        smtp.sock.sendall(b".\r\n")
        code, reply = smtp.getreply()
        result.append((code, reply.decode(), time.monotonic() - began))
        smtp.quit()
    except (OSError, smtplib.SMTPException) as e:
        result.append((0, repr(e), 0))


def flood_phase():
    station = Station("flood")
    station.start()
    peak = [station.status("VmRSS")]
    sampling = threading.Event()

    def sample():
        while not sampling.wait(0.1):
            peak[0] = max(peak[0], station.status("VmRSS"))

    sampler = threading.Thread(target=sample, daemon=True)
    sampler.start()
    base = station.status("VmRSS")
    ports = {"smtp1": station.smtp1, "smtp2": station.smtp2, "chat": station.chat}

    # 500 connections at once on each port, saying nothing.
    began = time.monotonic()
    flood = {name: [connect_nonblocking(port) for _ in range(500)] for name, port in ports.items()}
    opened = time.monotonic() - began
    for name in ("smtp1", "smtp2"):
        code, took, tries = normal_smtp(ports[name])
        check(code == 250, "normal client on %s during the flood: %s" % (name, code))
        figure("500 silent connections at once on %s (opened in %.2f s): a normal smtplib "
               "client got its 250 after %.1f s (%d connection(s): the silent ones lose their "
               "places %d s after their greeting)"
               % (name, opened, took, tries, 2))
    ok, took, tries = normal_chat(station.chat)
    check(ok, "chat login during the flood")
    figure("500 silent connections at once on chat: a normal user logged in after %.1f s "
           "(%d connection(s))" % (took, tries))

    # Clients that never read: on the mail ports, HELO and a thousand RSETs
    # pipelined; on chat, users who ask for Telnet options without end.
    deaf = {}
    for name in ("smtp1", "smtp2"):
        deaf[name] = []
        for _ in range(10):
            s = socket.create_connection(("127.0.0.1", ports[name]))
            s.sendall(b"HELO deaf\r\n" + b"RSET\r\n" * 1000)
            deaf[name].append(s)
    deaf["chat"] = []
    asks = b"\xff\xfd\x18" * 20000  # each one answered, none read
    for i in range(10):
        s = socket.create_connection(("127.0.0.1", station.chat), timeout=60)
        seen = b""
        while b"Enter User Name:  " not in seen:
            seen += s.recv(4096)
        s.sendall(b"deaf%d\r\n" % i)
        while b"Begin Session" not in seen:
            seen += s.recv(4096)
        s.setblocking(False)
        deaf["chat"].append(s)

    # A 100 MB DATA on each mail port meanwhile.
    big = {}
    bigs = []
    for name in ("smtp1", "smtp2"):
        big[name] = []
        t = threading.Thread(target=big_data, args=(ports[name], 100, big[name]))
        t.start()
        bigs.append(t)

    # Clients that send a byte a second: a command line (after a HELO), a
    # message's text (after DATA), a chat user's name.
    slow = {"smtp1": [], "smtp2": [], "chat": []}
    for name in ("smtp1", "smtp2"):
        for i in range(10):
            s = socket.create_connection(("127.0.0.1", ports[name]))
            s.sendall(b"HELO slow\r\n" if i % 2 == 0 else
                      b"HELO slow\r\nRCPT TO:<qerv@station>\r\nDATA\r\n")
            slow[name].append(s)
    for _ in range(10):
        slow["chat"].append(socket.create_connection(("127.0.0.1", station.chat)))
    trickle = {"smtp1": b"RCPT TO:<slowly-slowly-slowly@station>" * 10,
               "smtp2": b"RCPT TO:<slowly-slowly-slowly@station>" * 10,
               "chat": b"slowpoke" * 40}
    slow_start = time.monotonic()
    ended = {}  # (kind, port) -> seconds until each was hung up
    live = [(kind, name, s) for kind, group in (("slow", slow), ("deaf", deaf))
            for name, socks in group.items() for s in socks]
    byte = 0
    while live and time.monotonic() - slow_start < 200:
        for kind, name, s in list(live):
            if hung_up(s):
                ended.setdefault((kind, name), []).append(time.monotonic() - slow_start)
                live.remove((kind, name, s))
                continue
            try:
                if kind == "slow":
                    s.send(trickle[name][byte % len(trickle[name]):][:1])
                elif name == "chat":
                    while s.send(asks) > 0:
                        pass
            except BlockingIOError:
                pass
            except OSError:
                ended.setdefault((kind, name), []).append(time.monotonic() - slow_start)
                live.remove((kind, name, s))
        byte += 1
        time.sleep(1)
    for t in bigs:
        t.join()
    check(not live, "%d slow or deaf connections still served after 200 s" % len(live))
    how = {("slow", "smtp1"): "a byte a second: 5 in a command, 5 in a message's text",
           ("slow", "smtp2"): "a byte a second: 5 in a command, 5 in a message's text",
           ("slow", "chat"): "a byte a second of a user name",
           ("deaf", "smtp1"): "HELO and 1,000 RSETs, never reading",
           ("deaf", "smtp2"): "HELO and 1,000 RSETs, never reading",
           ("deaf", "chat"): "logged in, asking for Telnet options, never reading"}
    for (kind, name), times in sorted(ended.items()):
        figure("%d clients on %s (%s) ended by the station after %.0f..%.0f s"
               % (len(times), name, how[(kind, name)], min(times), max(times)))
    for name in ("smtp1", "smtp2"):
        code, reply, took = big[name][0]
        check(code == 552, "100 MB DATA on %s: %s %s" % (name, code, reply))
        figure("100 MB DATA on %s: %d %s after %.1f s" % (name, code, reply, took))
    for name in ("smtp1", "smtp2"):
        code, took, _ = normal_smtp(ports[name])
        check(code == 250, "normal client on %s after the floods: %s" % (name, code))
    sampling.set()
    sampler.join()
    for socks in list(flood.values()) + list(slow.values()) + list(deaf.values()):
        for s in socks:
            s.close()
    hwm = station.status("VmHWM")
    code, took = station.end()
    check(code == 0, "station exit code %d after the floods" % code)
    log = station.log()
    stored = station.stored()
    check(len(stored) == 4, "stored after the floods: %s (the four normal messages)" % stored)
    check(not [n for n in os.listdir(station.dir) if n.endswith(".tmp")], "receive files left")
    figure("floods: %d turned away (421 / chat full), %d silent ones displaced by newcomers; "
           "%d messages stored (the normal clients'), none of the 100 MB"
           % (log.count("too many sessions") + log.count("too many chat sessions"),
              log.count("every session taken"), len(stored)))
    figure("RSS: %d kB before the floods, peak %d kB sampled, VmHWM %d kB; shutdown %.1f s"
           % (base, peak[0], hwm, took))
    shutil.rmtree(station.dir)


load_phase()
refused_phase()
kill_phase()
flood_phase()
print("\nload: figures")
for line in figures:
    print("  " + line)
if failures:
    print("load: %d check(s) FAILED" % len(failures))
    for line in failures:
        print("  " + line)
    sys.exit(1)
print("load: every check passed")
PYTHON
