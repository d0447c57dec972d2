#!/usr/bin/env python3
"""Postfix in front of three kestrix stations, set up from deploy/postfix/.

    postfix_network_test.py KESTRIX_BINARY

A private Postfix instance (postfix -c DIR) in a temporary directory, on a
free port of 127.0.0.1, takes the bulletins and hands them to three stations
started from KESTRIX_BINARY, each in its own directory on its own ports. The
machine's own mail set-up is not touched: /etc/postfix is only read, and the
system instance is neither started nor stopped.

Checks: a bulletin reaches every station stored and queued byte for byte as a
direct delivery of it would be, mail for one station reaches that one only, a
refused bulletin ("250 ... not sent because") is a delivery for Postfix, only
allowed clients may send; Postfix's own retry brings a bulletin to a station
that was down when it came; 200 bulletins arrive 600 times, none twice.

Needs root (Postfix's master runs as root); otherwise exits 77 (skipped).
"""

import ctypes
import hashlib
import os
import random
import re
import shutil
import signal
import smtplib
import socket
import subprocess
import sys
import tempfile
import time
import traceback

DEPLOY = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "deploy", "postfix")
BULLETIN_ADDRESS = "bulletins@radio.example.org"
STATIONS = ("north", "south", "east")  # as in deploy/postfix/kestrix_virtual
SENDER = "ann@example.org"
BAD_WORD = "JAMMING"
MANY = 200
START_LIMIT = 60  # s; a station under the sanitizers starts slowly
DELIVERY_LIMIT = 90  # s, for the 600 deliveries of the 200 bulletins


class Failure(Exception):
    pass


failures = []


def check(ok, text):
    if not ok:
        failures.append(text)
        print("postfix_network_test: FAILED: " + text, flush=True)
    return ok


def say(text):
    print("postfix_network_test: " + text, flush=True)


def wait_for(what, ready, limit):
    """Polls ready() until it gives something true; a Failure past `limit` s."""
    deadline = time.monotonic() + limit
    while True:
        value = ready()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("not within %d s: %s" % (limit, what))
        time.sleep(0.1)


taken_ports = set()


def free_port():
    # Below the range the system gives clients, so no client takes it first.
    while True:
        port = random.randint(20000, 32000)
        if port in taken_ports:
            continue
        with socket.socket() as s:
            try:
                s.bind(("127.0.0.1", port))
            except OSError:
                continue
        taken_ports.add(port)
        return port


def greets(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=5) as s:
            return s.recv(512).startswith(b"220 ")
    except OSError:
        return False


def die_with_parent():
    # A station outlives nothing of the test, however it ends.
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG


def run(*argv):
    done = subprocess.run(argv, stdin=subprocess.DEVNULL, capture_output=True, text=True)
    if done.returncode != 0:
        raise Failure("%s: exit %d: %s%s" % (" ".join(argv), done.returncode, done.stdout,
                                             done.stderr))
    return done.stdout


class Session(smtplib.SMTP):
    """smtplib's client, ended with QUIT whatever the reply: the station says
    "250 goodby" where RFC 5321 has 221, and smtplib's `with` takes that for
    an error."""

    def __enter__(self):
        return self

    def __exit__(self, *_):
        try:
            self.docmd("QUIT")
        except (OSError, smtplib.SMTPException):
            pass
        self.close()


def deliver(port, recipients, message, source=None):
    """One message through one SMTP session; the DATA reply (code, text), or
    the reply to MAIL or the first RCPT refused."""
    with Session("127.0.0.1", port, timeout=60,
                 source_address=(source, 0) if source else None) as smtp:
        smtp.ehlo("tester.example.org")
        code, reply = smtp.mail(SENDER)
        if code != 250:
            return code, reply.decode()
        for recipient in [recipients] if isinstance(recipients, str) else recipients:
            code, reply = smtp.rcpt(recipient)
            if code not in (250, 251):
                return code, reply.decode()
        code, reply = smtp.data(message)
        return code, reply.decode()


def message(subject, body, to=BULLETIN_ADDRESS):
    return ("From: Ann <%s>\r\nTo: HF_NET!%s\r\nSubject: %s\r\n"
            "Date: Mon, 07 Dec 2026 18:00:00 +0000\r\nMessage-ID: <%s@example.org>\r\n"
            "\r\n%s" % (SENDER, to, subject, re.sub(r"\W", ".", subject), body))


class Station:
    def __init__(self, root, name, binary):
        self.name = name
        self.binary = binary
        self.dir = os.path.join(root, name)
        self.smtp1, self.smtp2, self.chat = free_port(), free_port(), free_port()
        self.process = None
        self.texts = {}  # queued file name -> its bytes
        os.makedirs(self.path("data"))
        with open(self.path("Kestrix.ini"), "w") as ini:
            ini.write('QERVLISTENADDRESS="127.0.0.1"\nQERVEMAILSMTPPORTS=%d,%d\n'
                      "QERVTELNETPORTNUMBER=%d\nQERVSCHEDULERENABLE=0\n"
                      'QERVUSESUBJECTFILENAME=0\nQERVBADWORD="%s"\n'
                      'QERVSOUNDCARDID=-1\nQERVSOUNDDEVICE="wav:out.wav"\n'
                      % (self.smtp1, self.smtp2, self.chat, BAD_WORD))

    def path(self, *names):
        return os.path.join(self.dir, *names)

    def launch(self):
        out = open(self.path("kestrix.out"), "ab")
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        self.process = subprocess.Popen([self.binary], cwd=self.dir, env=env,
                                        stdin=subprocess.DEVNULL, stdout=out,
                                        stderr=subprocess.STDOUT, preexec_fn=die_with_parent)
        out.close()

    def wait_serving(self):
        wait_for("station %s greets on port %d (see %s)"
                 % (self.name, self.smtp2, self.path("kestrix.out")),
                 lambda: self.process.poll() is None and greets(self.smtp2), START_LIMIT)

    def stop(self):
        """SIGTERM, as an operator stops it; its exit code."""
        if not self.process or self.process.poll() is not None:
            return self.process.returncode if self.process else 0
        self.process.send_signal(signal.SIGTERM)
        try:
            return self.process.wait(timeout=60)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            return -signal.SIGKILL

    def queued(self):
        """The names in the temporary schedule: stored, then queued."""
        try:
            with open(self.path("data", "schedule_temp.lst")) as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def stored(self):
        return sorted(n for n in os.listdir(self.path("data")) if n.startswith("E_"))

    def queued_with(self, token):
        names = []
        for name in self.queued():
            if name not in self.texts:
                with open(self.path("data", name), "rb") as f:
                    self.texts[name] = f.read()
            if token.encode() in self.texts[name]:
                names.append(name)
        return names

    def refused_with(self, token):
        names = []
        for name in os.listdir(self.path("data", "badwords")):
            with open(self.path("data", "badwords", name), "rb") as f:
                if token.encode() in f.read():
                    names.append(name)
        return names

    def log(self):
        text = ""
        if os.path.isdir(self.path("log")):
            for name in sorted(os.listdir(self.path("log"))):
                with open(self.path("log", name), errors="replace") as f:
                    text += f.read()
        return text


class Postfix:
    def __init__(self, root, stations):
        self.dir = os.path.join(root, "postfix")  # etc/, spool/, lib/ and the log
        self.etc = os.path.join(self.dir, "etc")
        self.port = free_port()
        self.started = False
        os.makedirs(self.etc)
        os.makedirs(os.path.join(self.dir, "spool"))  # Postfix makes what is inside
        self.maillog = os.path.join(self.dir, "maillog")
        with open(os.path.join(DEPLOY, "main.cf.fragment")) as f:
            fragment = f.read()
        with open(os.path.join(DEPLOY, "try-out.master.cf")) as f:
            master = f.read().replace("127.0.0.1:PORT ", "127.0.0.1:%d " % self.port)
        with open(os.path.join(DEPLOY, "master.cf.fragment")) as f:
            master += f.read()
        # The deployment's files as an operator installs them, here instead
        # of /etc/postfix; only the stations' addresses are the test's own.
        with open(self.file("main.cf"), "w") as f:
            f.write(fragment.replace("/etc/postfix/", self.etc + "/"))
        with open(self.file("master.cf"), "w") as f:
            f.write(master)
        for name in ("kestrix_virtual", "kestrix_access"):
            shutil.copy(os.path.join(DEPLOY, name), self.file(name))
        self.write_transport({s.name + ".stations": s.smtp2 for s in stations})
        self.settings({
            "compatibility_level": "3.6",
            "queue_directory": os.path.join(self.dir, "spool"),
            "data_directory": os.path.join(self.dir, "lib"),
            "inet_interfaces": "127.0.0.1",
            "inet_protocols": "ipv4",
            "mydestination": "",
            "mynetworks": "127.0.0.1/32",
            "alias_maps": "",
            "alias_database": "",
            "relayhost": "",
            # Nothing leaves the machine, not even a bounce.
            "default_transport": "error:5.3.0 nothing leaves this test",
            "local_transport": "error:5.3.0 nothing leaves this test",
            "maillog_file": self.maillog,
            "maillog_file_prefixes": self.dir,
            # A station that is down gets its mail a few seconds after it
            # is back: the retry is Postfix's own, only sooner.
            "minimal_backoff_time": "2s",
            "maximal_backoff_time": "4s",
            "queue_run_delay": "1s",
        })
        for name in ("kestrix_virtual", "kestrix_transport", "kestrix_access"):
            run("postmap", "-c", self.etc, "hash:" + self.file(name))

    def file(self, name):
        return os.path.join(self.etc, name)

    def settings(self, values):
        run("postconf", "-c", self.etc, "-e", *("%s=%s" % kv for kv in values.items()))

    def write_transport(self, ports):
        # The template's lines, each station's target replaced by ours.
        lines = []
        with open(os.path.join(DEPLOY, "kestrix_transport")) as f:
            for line in f:
                fields = line.split()
                if fields and not line.startswith("#") and fields[0] in ports:
                    line = re.sub(r"\[[^]]*\]:\d+", "[127.0.0.1]:%d" % ports.pop(fields[0]),
                                  line)
                lines.append(line)
        if ports:
            raise Failure("deploy/postfix/kestrix_transport has no line for %s" % sorted(ports))
        with open(self.file("kestrix_transport"), "w") as f:
            f.writelines(lines)

    def start(self):
        self.started = True
        run("postfix", "-c", self.etc, "start")
        wait_for("Postfix greets on port %d" % self.port, lambda: greets(self.port), 30)

    def stop(self):
        if self.started:
            subprocess.run(["postfix", "-c", self.etc, "stop"], stdin=subprocess.DEVNULL,
                           capture_output=True)
            self.started = False

    def send(self, recipients, text):
        """Hands one message to Postfix; its queue id."""
        code, reply = deliver(self.port, recipients, text)
        queued = re.search(r"queued as (\w+)", reply)
        if code != 250 or not queued:
            raise Failure("Postfix did not take the message for %s: %d %s"
                          % (recipients, code, reply))
        return queued.group(1)

    def log(self):
        try:
            with open(self.maillog, errors="replace") as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def outcomes(self, queue_id):
        """(recipient, status, reply) of each delivery attempt, in order."""
        return re.findall(r": %s: to=<([^>]*)>.*? status=(\w+) \((.*)\)$" % queue_id,
                          self.log(), re.M)


def snapshot(directory):
    files = {}
    for top, _, names in os.walk(directory):
        for name in names:
            path = os.path.join(top, name)
            if os.path.isfile(path):
                with open(path, "rb") as f:
                    files[path] = hashlib.sha256(f.read()).hexdigest()
    return files


def bulletin_as_direct_delivery(postfix, stations):
    """One bulletin reaches every station; each stores and queues it as it
    stores the same message mailed straight to it."""
    body = ("QST QST QST DE HF NET\r\n.\r\n..\r\n.LEADING DOT STAYS ONE DOT\r\n"
            "\r\n  TWO BLANKS FIRST\r\nLAST LINE 73\r\n")
    text = message("QST 1 OF 1", body)
    queue_id = postfix.send(BULLETIN_ADDRESS, text)
    through = {}
    for station in stations:
        through[station.name] = wait_for("the bulletin stored and queued by " + station.name,
                                         lambda: station.queued_with("QST 1 OF 1"), 30)
    for station in stations:
        code, reply = deliver(station.smtp2, "qerv@%s.stations" % station.name, text)
        named = re.search(r'stored as "([^"]+)"', reply)
        if not check(code == 250 and named, "direct delivery to %s: %d %s"
                     % (station.name, code, reply)):
            continue
        direct = named.group(1)
        via = through[station.name]
        check(len(via) == 1, "%s: the bulletin through Postfix stored once: %s"
              % (station.name, via))
        check(station.queued().count(direct) == 1, "%s: the direct delivery %s queued once"
              % (station.name, direct))
        check(station.queued_with("QST 1 OF 1") == [via[0], direct]
              and station.texts[via[0]] == station.texts[direct],
              "%s: through Postfix %r, direct %r"
              % (station.name, station.texts.get(via[0]), station.texts.get(direct)))
        # Postfix stuffs the dots as smtplib does, and the station takes them
        # off again.
        check(b"\r\n.\r\n..\r\n.LEADING DOT STAYS ONE DOT\r\n" in station.texts[via[0]],
              "%s: the lines with dots as stored: %r" % (station.name, station.texts[via[0]]))
    sent = [o for o in postfix.outcomes(queue_id) if o[1] == "sent"]
    check(sorted(o[0] for o in sent) == sorted("qerv@%s.stations" % s.name for s in stations),
          "Postfix's deliveries of the bulletin: %s" % postfix.outcomes(queue_id))


def one_station_only(postfix, stations):
    """Mail for qerv@north.stations reaches north (the others are looked at
    in the end); a second recipient north does not know, in the same message,
    bounces alone: Postfix gives the station one recipient per session."""
    north = stations[0]
    queue_id = postfix.send(["qerv@north.stations", "nobody@north.stations"],
                            message("FOR NORTH ONLY", "QRV NORTH\r\n", to="qerv@north.stations"))
    outcomes = wait_for("Postfix's outcomes of the message for north",
                        lambda: len(postfix.outcomes(queue_id)) >= 2
                        and postfix.outcomes(queue_id), 30)
    check(sorted(o[:2] for o in outcomes) == [("nobody@north.stations", "bounced"),
                                              ("qerv@north.stations", "sent")],
          "Postfix's outcomes of the message for north: %s" % outcomes)
    check(len(north.queued_with("FOR NORTH ONLY")) == 1,
          "north stored and queued the message for it %d times"
          % len(north.queued_with("FOR NORTH ONLY")))


def refused_is_delivered(postfix, stations):
    """A bulletin with a banned word: each station moves it to badwords and
    answers 250; Postfix counts that as delivered and does not try again."""
    queue_id = postfix.send(BULLETIN_ADDRESS,
                            message("REFUSED ONE", "THIS IS %s\r\n" % BAD_WORD))
    for station in stations:
        wait_for("the refused bulletin in %s's badwords" % station.name,
                 lambda: station.refused_with("REFUSED ONE"), 30)
    outcomes = wait_for("Postfix's three deliveries of the refused bulletin",
                        lambda: len(postfix.outcomes(queue_id)) >= 3
                        and postfix.outcomes(queue_id), 30)
    check(len(outcomes) == 3
          and all(o[1] == "sent" and "not sent because of bad word violation" in o[2]
                  for o in outcomes),
          "Postfix's outcomes of the refused bulletin: %s" % outcomes)
    for station in stations:
        check(not station.queued_with("REFUSED ONE"), "%s queued the refused bulletin"
              % station.name)
        check("moved to badwords directory" in station.log(),
              "%s's log says nothing of the refusal" % station.name)


def only_allowed_senders(postfix):
    """kestrix_access: a client outside mynetworks is turned away."""
    for recipient in (BULLETIN_ADDRESS, "qerv@south.stations"):
        code, reply = deliver(postfix.port, recipient, message("FROM OUTSIDE", "QRM\r\n"),
                              source="127.0.0.2")
        check(500 <= code < 600, "a client outside mynetworks mailing %s: %d %s"
              % (recipient, code, reply))


def retry_after_a_station_was_down(postfix, stations):
    """South is stopped when a bulletin comes; Postfix keeps it for south
    and, by its own retry, delivers it once south is back."""
    south = stations[1]
    code = south.stop()
    check(code == 0, "south's exit code after SIGTERM: %d" % code)
    queue_id = postfix.send(BULLETIN_ADDRESS, message("WHILE SOUTH WAS DOWN", "QRT SOUTH\r\n"))
    for station in (stations[0], stations[2]):
        wait_for("the bulletin at " + station.name,
                 lambda: station.queued_with("WHILE SOUTH WAS DOWN"), 30)
    wait_for("Postfix defers the bulletin for south",
             lambda: ("qerv@south.stations", "deferred") in
             [o[:2] for o in postfix.outcomes(queue_id)], 30)
    south.launch()
    south.wait_serving()
    wait_for("the bulletin at south after its restart",
             lambda: south.queued_with("WHILE SOUTH WAS DOWN"), 60)
    for_south = [o[1] for o in postfix.outcomes(queue_id) if o[0] == "qerv@south.stations"]
    check(for_south[-1:] == ["sent"] and for_south.count("sent") == 1
          and set(for_south[:-1]) == {"deferred"},
          "Postfix's attempts for south: %s" % for_south)
    check(len(south.queued_with("WHILE SOUTH WAS DOWN")) == 1, "south stored it twice")


def many_bulletins(postfix, stations):
    """200 bulletins in one session to Postfix: 600 deliveries, none twice."""
    tokens = ["BULLETIN %04d OF %d" % (n, MANY) for n in range(MANY)]
    began = time.monotonic()
    queue_ids = []
    with Session("127.0.0.1", postfix.port, timeout=60) as smtp:
        smtp.ehlo("tester.example.org")
        for n, token in enumerate(tokens):
            smtp.mail(SENDER)
            smtp.rcpt(BULLETIN_ADDRESS)
            code, reply = smtp.data(message(token, "NR %04d QSL VIA BUREAU\r\n" % n))
            queued = re.search(r"queued as (\w+)", reply.decode())
            if not queued:
                raise Failure("Postfix did not take bulletin %d: %d %s" % (n, code, reply))
            queue_ids.append(queued.group(1))

    mark = " OF %d" % MANY
    for station in stations:
        wait_for("%d bulletins at %s" % (MANY, station.name),
                 lambda: len(station.queued_with(mark)) >= MANY, DELIVERY_LIMIT)
    say("%d bulletins to %d stations through Postfix: %.1f s"
        % (MANY, len(stations), time.monotonic() - began))
    for station in stations:
        seen = {}
        for name in station.queued_with(mark):
            token = re.search(rb"BULLETIN \d{4} OF \d+", station.texts[name]).group().decode()
            seen.setdefault(token, []).append(name)
        twice = {t: n for t, n in seen.items() if len(n) > 1}
        check(not twice, "%s stored these twice: %s" % (station.name, twice))
        check(sorted(seen) == tokens, "%s is missing %s"
              % (station.name, sorted(set(tokens) - set(seen))[:10]))
        check(sorted(station.queued()) == station.stored()
              and len(set(station.queued())) == len(station.queued()),
              "%s: stored and queued differ: %d stored, %d queued (%d distinct)"
              % (station.name, len(station.stored()), len(station.queued()),
                 len(set(station.queued()))))
    log = postfix.log()
    removed = [q for q in queue_ids if re.search(r": %s: removed$" % q, log, re.M)]
    sent = sum(1 for q in queue_ids for o in postfix.outcomes(q) if o[1] == "sent")
    check(sent == MANY * len(stations) and len(removed) == MANY,
          "Postfix: %d deliveries logged sent, %d of %d bulletins done with"
          % (sent, len(removed), MANY))


def network_test(root, binary):
    stations = []
    postfix = None
    try:
        stations = [Station(root, name, binary) for name in STATIONS]
        postfix = Postfix(root, stations)
        for station in stations:
            station.launch()
        for station in stations:
            station.wait_serving()
        postfix.start()
        say("Postfix on 127.0.0.1:%d, stations %s"
            % (postfix.port, ", ".join("%s on %d" % (s.name, s.smtp2) for s in stations)))
        for step in (bulletin_as_direct_delivery, one_station_only, refused_is_delivered):
            step(postfix, stations)
            say("%s: done" % step.__name__)
        only_allowed_senders(postfix)
        say("only_allowed_senders: done")
        for step in (retry_after_a_station_was_down, many_bulletins):
            step(postfix, stations)
            say("%s: done" % step.__name__)
        for station in stations[1:]:
            check(not station.queued_with("FOR NORTH ONLY"),
                  "the message for north reached %s" % station.name)
        trouble = re.findall(r"^.*(?:warning|error|fatal|panic):.*$", postfix.log(), re.M)
        check(not trouble, "Postfix's log: %s" % trouble)
        for station in stations:
            # Postfix said nothing a station does not know.
            unknown = re.findall(r"^.*502 command.*$", station.log(), re.M)
            check(not unknown, "%s's log: %s" % (station.name, unknown))
    except Failure as failure:
        check(False, str(failure))
    except Exception:
        check(False, traceback.format_exc())
    finally:
        if postfix:
            postfix.stop()
        for station in stations:
            code = station.stop()
            check(code == 0, "%s's exit code after SIGTERM: %d (see %s)"
                  % (station.name, code, station.path("kestrix.out")))
    if failures and postfix:
        say("Postfix's log, last lines:\n" + "\n".join(postfix.log().splitlines()[-40:]))


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: postfix_network_test.py KESTRIX_BINARY")
    if os.geteuid() != 0:
        print("postfix_network_test: skipped: Postfix's master must run as root", flush=True)
        sys.exit(77)
    binary = os.path.abspath(sys.argv[1])
    for signum in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(signum, lambda *_: sys.exit("postfix_network_test: ended by a signal"))
    etc_postfix = snapshot("/etc/postfix")
    root = tempfile.mkdtemp(prefix="kestrix-postfix-")
    os.chmod(root, 0o755)  # Postfix's own user works inside
    try:
        network_test(root, binary)
    finally:
        check(snapshot("/etc/postfix") == etc_postfix, "/etc/postfix changed")
        if failures:
            say("%d check(s) FAILED; the stations and Postfix are in %s" % (len(failures), root))
        else:
            shutil.rmtree(root, ignore_errors=True)
    if failures:
        sys.exit(1)
    say("every check passed")


if __name__ == "__main__":
    main()
