"""A small harness for whole-program tests: the director `morvane` against the simulator
stand-in `racesim`, both real processes on 127.0.0.1.

Each test gets a Stage: a temporary directory with its own HOME / XDG_CONFIG_HOME (so the
director's stored settings never touch the user's), a program directory for the director
(MORVANE_PROGRAM_DIR: Morvane.cfg, cam/, views/), a simulator directory for racesim, and a port
that is free for TCP and UDP. Processes started through the stage are always stopped when the test
ends, whatever happened. Conditions are awaited by polling racesim's trace (one JSON object a
line) with a time-out, never by fixed sleeps.

    stage = Stage(self)
    stage.start_racesim("--laps", "1")
    stage.start_morvane()
    isi = stage.wait_for(lambda r: r.get("type") == "IS_ISI")
"""

import json
import os
import shutil
import signal
import socket
import subprocess
import tempfile
import time

MORVANE = os.environ.get("MORVANE_BIN", "")
RACESIM = os.environ.get("RACESIM_BIN", "")


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
        if self.popen.stdin:
            try:
                self.popen.stdin.close()
            except OSError:
                pass
        self.log.close()
        return self.popen.returncode

    def wait(self, timeout):
        return self.popen.wait(timeout)

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
        self.home = os.path.join(self.root, "home")
        self.program_dir = os.path.join(self.root, "program")
        self.sim_dir = os.path.join(self.root, "sim")
        for d in (self.home, self.program_dir, self.sim_dir):
            os.makedirs(d)
        self.port = free_port()
        self.trace_path = os.path.join(self.root, "trace0.jsonl")
        self.racesim = None
        self.morvane = None
        self.processes = []
        self._trace_offset = 0
        self._trace_rest = b""
        self.records = []
        self.write_config()
        test.addCleanup(self.close)

    # Files ---------------------------------------------------------------------------------
    def write_config(self, path2lfs=None, delay=None, colour=None):
        """Morvane.cfg in the program directory; Path2LFS is the simulator directory."""
        lines = ["[default]", "Path2LFS=" + (self.sim_dir if path2lfs is None else path2lfs)]
        if delay is not None:
            lines += ["[Activate]", "Delay=%d" % delay]
        if colour is not None:
            lines += ["[Output]", "ColorT=%d" % colour]
        with open(os.path.join(self.program_dir, "Morvane.cfg"), "w", newline="\r\n") as f:
            f.write("\n".join(lines) + "\n")

    # Processes -----------------------------------------------------------------------------
    def start_racesim(self, *args, trace=True, wait=True):
        """Starts racesim with the stage's port, directories and a trace of its own; the trace
        methods read the newest racesim's trace. Returns once it listens (unless wait is
        false), so a director started next finds it at its first attempt."""
        if not RACESIM:
            raise RuntimeError("RACESIM_BIN is not set")
        n = sum(1 for p in self.processes if p.name.startswith("racesim"))
        self.trace_path = os.path.join(self.root, "trace%d.jsonl" % n)
        self._trace_offset = 0
        self._trace_rest = b""
        self.records = []
        cmd = [RACESIM, "--port", str(self.port), "--insim-version", str(self.version),
               "--sim-dir", self.sim_dir, "--program-dir", self.program_dir,
               "--max-seconds", "110"]
        if trace:
            cmd += ["--trace", self.trace_path]
        cmd += list(args)
        self.racesim = Process("racesim%d" % n, cmd, dict(os.environ), self.root,
                               os.path.join(self.root, "racesim%d.log" % n), stdin=True)
        self.processes.append(self.racesim)
        if trace and wait:
            self.wait_event("listening")
        return self.racesim

    def start_morvane(self, *args, preexec_fn=None):
        """preexec_fn runs in the child before the program starts (resource limits)."""
        if not MORVANE:
            raise RuntimeError("MORVANE_BIN is not set")
        env = dict(os.environ)
        env.update(HOME=self.home, XDG_CONFIG_HOME=self.home,
                   MORVANE_PROGRAM_DIR=self.program_dir)
        cmd = [MORVANE, "--insim-port", str(self.port), "--insim-version", str(self.version)]
        cmd += list(args)
        n = sum(1 for p in self.processes if p.name.startswith("morvane"))
        self.morvane = Process("morvane%d" % n, cmd, env, self.root,
                               os.path.join(self.root, "morvane%d.log" % n),
                               preexec_fn=preexec_fn)
        self.processes.append(self.morvane)
        return self.morvane

    def command(self, line):
        """A command line on racesim's standard input (press 6, type ..., pause, ...)."""
        self.racesim.send_line(line)

    def close(self):
        for p in self.processes:
            p.stop(timeout=3.0)
        failed = self._failed()
        if failed or os.environ.get("MORVANE_E2E_KEEP"):
            print("\n--- stage kept in %s" % self.root)
            for p in self.processes:
                print("--- %s (%s):\n%s" % (p.name, p.log_path, p.output()[-4000:]))
        else:
            shutil.rmtree(self.root, ignore_errors=True)

    def _failed(self):
        outcome = getattr(self.test, "_outcome", None)
        result = getattr(outcome, "result", None)
        if result is None:
            return False
        bad = [t for t, _ in list(result.failures) + list(result.errors)]
        return self.test in bad or not getattr(outcome, "success", True)

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
        data = self._trace_rest + data
        lines = data.split(b"\n")
        self._trace_rest = lines.pop()
        for line in lines:
            if line.strip():
                record = json.loads(line)
                record["_i"] = len(self.records)  # its place in the trace, for `after=`
                self.records.append(record)
        return self.records

    def packets(self, kind=None):
        return [r for r in self.read_trace() if "type" in r and (kind is None or r["type"] == kind)]

    def events(self, name=None):
        return [r for r in self.read_trace() if "event" in r and (name is None or r["event"] == name)]

    def wait_for(self, predicate, timeout=10.0, what="a trace record", after=None):
        """The first trace record (after the record `after`, if given) for which predicate holds;
        fails the test with the logs' ends when none comes within the time-out."""
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

    def wait_event(self, name, timeout=10.0, after=None):
        return self.wait_for(lambda r: r.get("event") == name, timeout, "event " + name, after)

    def wait_exit(self, process, timeout):
        try:
            return process.wait(timeout)
        except subprocess.TimeoutExpired:
            self.test.fail("%s did not end within %.0f s" % (process.name, timeout))
