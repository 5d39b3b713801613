"""Whole-program tests: the director `morvane` against the simulator stand-in `racesim`, both real
processes on 127.0.0.1, and a scripted GUI client.

A Stage is a temporary directory with its own HOME / XDG_CONFIG_HOME (the director's stored
settings never touch the user's), a program directory (MORVANE_PROGRAM_DIR: Morvane.cfg, cam/,
views/), a simulator directory and a port free for TCP and UDP. Its processes are stopped when the
test ends. Conditions are awaited by polling racesim's trace (one JSON object a line) with a
time-out, never by fixed sleeps.
"""

import json
import os
import shutil
import signal
import socket
import struct
import subprocess
import tempfile
import time

MORVANE = os.environ.get("MORVANE_BIN", "")
RACESIM = os.environ.get("RACESIM_BIN", "")
PREFIX = "^3Morvane: ^2"
MAGIC = b"MrV\x00"
GOODBYE = MAGIC + b"\x00\x00"
VERSION_RECORD = bytes([6, 0, 19, 0, 2, 4])  # GLM_VERSION 0.2, InSim 4
GLM_TRACK, GLM_CARS, GLM_FOLLOW_CARS, GLM_GET_NODES, GLM_TRACK_NODE = 3, 14, 15, 21, 22
TINY_CLOSE, TINY_SCP, TINY_SST, TINY_GTH = 2, 6, 7, 8
# A race that starts at once: 6 cars, 8 cameras, half a second of front end, one of grid.
RACE = ("--cars", "6", "--cams", "8", "--lobby", "0.5", "--grid", "1")


def free_port():
    """A port that is free on 127.0.0.1 for both TCP and UDP right now."""
    for _ in range(100):
        with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as tcp:
            tcp.bind(("127.0.0.1", 0))
            port = tcp.getsockname()[1]
            try:
                with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as udp:
                    udp.bind(("127.0.0.1", port))
                return port
            except OSError:
                continue
    raise RuntimeError("no free port")


def proc_status(pid):
    """(resident memory in kB, thread count) of a process."""
    fields = {}
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            key, _, value = line.partition(":")
            fields[key] = value.split()
    return int(fields["VmRSS"][0]), int(fields["Threads"][0])


def attempt_seen(port, timeout=10.0):
    """Listens on the port (version 4's TCP) until the director's next connection attempt, then
    closes it unanswered: the attempt fails as the time of that close, so the director is then
    between attempts. Proves that an attempt was made, which no sleep does."""
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as listener:
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind(("127.0.0.1", port))
        listener.listen(1)
        listener.settimeout(timeout)
        conn, _ = listener.accept()
        conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        conn.close()


def get_nodes(first):
    return MAGIC + struct.pack("<HBI", 7, GLM_GET_NODES, first)


def camera_file(path):
    """The lines of a camera file as [x, y, z, range start, range end] (positions signed)."""
    with open(path) as f:
        return [[int(v, 16) - (1 << 32) * (int(v, 16) >> 31) if i < 3 else int(v)
                 for i, v in enumerate(line.split(","))] for line in f if line.strip()]


def is_track(rec):
    """GLM_TRACK naming a loaded track (not the empty report of the front end)."""
    return rec[2] == GLM_TRACK and len(rec) == 17


class Process:
    def __init__(self, name, args, env, cwd, log_path, stdin=False, preexec_fn=None):
        self.name = name
        self.log_path = log_path
        self.log = open(log_path, "wb")
        self.popen = subprocess.Popen(
            args, env=env, cwd=cwd, stdout=self.log, stderr=subprocess.STDOUT,
            stdin=subprocess.PIPE if stdin else subprocess.DEVNULL, preexec_fn=preexec_fn)

    def running(self):
        return self.popen.poll() is None

    def send_line(self, line):
        self.popen.stdin.write((line + "\n").encode())
        self.popen.stdin.flush()

    def stop(self, timeout=5.0):
        """SIGTERM, then SIGKILL after the time-out. Returns the exit status."""
        if self.popen.poll() is None:
            self.popen.send_signal(signal.SIGTERM)
            try:
                self.popen.wait(timeout)
            except subprocess.TimeoutExpired:
                self.popen.kill()
                self.popen.wait()
        try:
            if self.popen.stdin:
                self.popen.stdin.close()
        except OSError:
            pass
        self.log.close()
        return self.popen.returncode

    def output(self):
        if not self.log.closed:
            self.log.flush()
        with open(self.log_path, "rb") as f:
            return f.read().decode(errors="replace")


class Stage:
    def __init__(self, test, version=4):
        self.test = test
        self.version = version
        self.root = tempfile.mkdtemp(prefix="morvane-e2e-")
        self.home, self.program_dir, self.sim_dir = (
            os.path.join(self.root, d) for d in ("home", "program", "sim"))
        for d in (self.home, self.program_dir, self.sim_dir):
            os.makedirs(d)
        self.port = free_port()
        self.trace_path = os.path.join(self.root, "trace0.jsonl")
        self.racesim = self.morvane = None
        self.processes = []
        self._trace_offset, self._trace_rest, self.records = 0, b"", []
        self.write_config()
        test.addCleanup(self.close)

    def write_config(self, delay=None):
        """Morvane.cfg in the program directory; Path2LFS is the simulator directory."""
        lines = ["[default]", "Path2LFS=" + self.sim_dir]
        if delay is not None:
            lines += ["[Activate]", "Delay=%d" % delay]
        with open(os.path.join(self.program_dir, "Morvane.cfg"), "w", newline="\r\n") as f:
            f.write("\n".join(lines) + "\n")

    def _count(self, name):
        return sum(1 for p in self.processes if p.name.startswith(name))

    def start_racesim(self, *args):
        """racesim on the stage's port and directories with a trace of its own, which the trace
        methods then read. Returns once it listens."""
        if not RACESIM:
            raise RuntimeError("RACESIM_BIN is not set")
        n = self._count("racesim")
        self.trace_path = os.path.join(self.root, "trace%d.jsonl" % n)
        self._trace_offset, self._trace_rest, self.records = 0, b"", []
        cmd = [RACESIM, "--port", str(self.port), "--insim-version", str(self.version),
               "--sim-dir", self.sim_dir, "--program-dir", self.program_dir,
               "--max-seconds", "110", "--trace", self.trace_path]
        self.racesim = Process("racesim%d" % n, cmd + list(args), dict(os.environ), self.root,
                               os.path.join(self.root, "racesim%d.log" % n), stdin=True)
        self.processes.append(self.racesim)
        self.wait_event("listening")
        return self.racesim

    def start_morvane(self, *args, preexec_fn=None):
        """preexec_fn runs in the child before the program starts (resource limits)."""
        if not MORVANE:
            raise RuntimeError("MORVANE_BIN is not set")
        env = dict(os.environ, HOME=self.home, XDG_CONFIG_HOME=self.home,
                   MORVANE_PROGRAM_DIR=self.program_dir)
        cmd = [MORVANE, "--insim-port", str(self.port), "--insim-version", str(self.version)]
        n = self._count("morvane")
        self.morvane = Process("morvane%d" % n, cmd + list(args), env, self.root,
                               os.path.join(self.root, "morvane%d.log" % n), preexec_fn=preexec_fn)
        self.processes.append(self.morvane)
        return self.morvane

    def command(self, line):
        """A command line on racesim's standard input (press 6, type ..., pause, ...)."""
        self.racesim.send_line(line)

    def close(self):
        for p in self.processes:
            p.stop(timeout=3.0)
        outcome = getattr(self.test, "_outcome", None)
        result = getattr(outcome, "result", None)
        failed = result is not None and (
            self.test in [t for t, _ in list(result.failures) + list(result.errors)]
            or not getattr(outcome, "success", True))
        if failed or os.environ.get("MORVANE_E2E_KEEP"):
            print("\n--- stage kept in %s" % self.root)
            for p in self.processes:
                print("--- %s (%s):\n%s" % (p.name, p.log_path, p.output()[-4000:]))
        else:
            shutil.rmtree(self.root, ignore_errors=True)

    # The trace ------------------------------------------------------------------------------
    def read_trace(self):
        """All trace records so far (packets and events), appending what arrived since."""
        try:
            with open(self.trace_path, "rb") as f:
                f.seek(self._trace_offset)
                data = f.read()
        except FileNotFoundError:
            return self.records
        self._trace_offset += len(data)
        lines = (self._trace_rest + data).split(b"\n")
        self._trace_rest = lines.pop()
        for line in lines:
            if line.strip():
                record = json.loads(line)
                record["_i"] = len(self.records)  # its place in the trace, for `after=`
                self.records.append(record)
        return self.records

    def packets(self, kind=None, after=None):
        start = -1 if after is None else after["_i"]
        return [r for r in self.read_trace() if "type" in r and r["_i"] > start
                and (kind is None or r["type"] == kind)]

    def events(self, name=None):
        return [r for r in self.read_trace()
                if "event" in r and (name is None or r["event"] == name)]

    def wait_for(self, predicate, timeout=10.0, what="a trace record", after=None):
        """The first record (after the record `after`, if given) for which predicate holds;
        fails the test when none comes within the time-out."""
        deadline = time.monotonic() + timeout
        start = 0 if after is None else after["_i"] + 1
        while True:
            records = self.read_trace()
            for i in range(start, len(records)):
                if predicate(records[i]):
                    return records[i]
            start = len(records)
            if time.monotonic() > deadline:
                self.test.fail("no %s within %.1f s" % (what, timeout))
            time.sleep(0.05)

    def wait_packet(self, kind, timeout=10.0, after=None, **fields):
        def match(r):
            return r.get("type") == kind and all(r.get(k) == v for k, v in fields.items())
        return self.wait_for(match, timeout, "%s %s" % (kind, fields or ""), after)

    def wait_packets(self, kind, count, after, timeout=10.0, **fields):
        """The next `count` packets of a kind, each awaited after the one before."""
        got = []
        while len(got) < count:
            got.append(self.wait_packet(kind, timeout, got[-1] if got else after, **fields))
        return got

    def wait_event(self, name, timeout=10.0, after=None):
        return self.wait_for(lambda r: r.get("event") == name, timeout, "event " + name, after)

    def shown(self, text, after=None, timeout=10.0):
        """The director's prefixed text on the simulator's screen (version 4)."""
        return self.wait_packet("IS_MSL", msg=PREFIX + text, after=after, timeout=timeout)

    def wait_exit(self, process, timeout):
        try:
            return process.popen.wait(timeout)
        except subprocess.TimeoutExpired:
            self.test.fail("%s did not end within %.0f s" % (process.name, timeout))

    def wait_output(self, process, text, timeout=10.0):
        deadline = time.monotonic() + timeout
        while text not in process.output():
            if time.monotonic() > deadline or not process.running():
                self.test.fail("%s never said %r" % (process.name, text))
            time.sleep(0.05)


def split_frame(buf):
    """(the first record of a GUI link stream, the rest): b"" for the goodbye frame, None while
    the record is incomplete. ValueError when the stream does not start with the magic."""
    if len(buf) < 6:
        return None, buf
    if buf[:4] != MAGIC:
        raise ValueError("bad magic %r" % buf[:8])
    size = struct.unpack_from("<H", buf, 4)[0]
    if size == 0:
        return b"", buf[6:]
    if len(buf) < 4 + size:
        return None, buf
    return buf[4:4 + size], buf[4 + size:]


def connect(port, timeout=10.0):
    """A TCP connection to the director's GUI port, retried until it accepts."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            return socket.create_connection(("127.0.0.1", port), timeout=1.0)
        except OSError:
            if time.monotonic() > deadline:
                raise
            time.sleep(0.05)


class GuiClient:
    """A GUI client that speaks the link's frames byte by byte."""

    def __init__(self, test, port):
        self.test = test
        self.buf = b""
        self.closed = False
        self.sock = connect(port)
        test.addCleanup(self.sock.close)

    def _fill(self, deadline):
        self.sock.settimeout(max(0.01, deadline - time.monotonic()))
        try:
            data = self.sock.recv(4096)
        except socket.timeout:
            return
        self.closed = not data
        self.buf += data

    def record(self, timeout=10.0):
        """The next record (size field first), b"" for the goodbye frame; fails on time-out."""
        deadline = time.monotonic() + timeout
        while True:
            try:
                rec, self.buf = split_frame(self.buf)
            except ValueError as e:
                self.test.fail(str(e))
            if rec is not None:
                return rec
            if self.closed or time.monotonic() > deadline:
                self.test.fail("no complete record from the director (closed: %s)" % self.closed)
            self._fill(deadline)

    def record_where(self, predicate, timeout=10.0):
        deadline = time.monotonic() + timeout
        while True:
            rec = self.record(max(0.01, deadline - time.monotonic()))
            if rec and predicate(rec):
                return rec

    def until_goodbye(self, timeout=10.0):
        """Reads records up to the goodbye frame, then expects the connection to close."""
        deadline = time.monotonic() + timeout
        while self.record(max(0.01, deadline - time.monotonic())) != b"":
            pass
        while not self.closed and time.monotonic() < deadline:
            self._fill(deadline)
        self.test.assertTrue(self.closed, "the director kept the connection after its goodbye")
        self.test.assertEqual(self.buf, b"", "bytes after the goodbye frame")

    def send(self, data):
        self.sock.sendall(data)

    def close(self):
        self.sock.close()


def marked(cars):
    """The PLIDs a GLM_CARS record marks as followed."""
    return [cars[4 + 10 * i] for i in range(cars[3]) if cars[5 + 10 * i]]
