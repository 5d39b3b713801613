"""The web view's tests share the whole-program stage of tests/e2e (racesim and morvane as real
processes on 127.0.0.1) and add the director's web port, plain HTTP requests, Server-Sent Events
viewers that read the raw stream, racesim's own race order and the director's memory figures.
"""

import http.client
import os
import re
import selectors
import socket
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from harness import Stage, free_port, proc_status  # noqa: E402,F401

# A race that starts at once and runs four times as fast as the clock.
RACE = ("--cams", "8", "--lobby", "0.5", "--grid", "1", "--speed", "4")
STATUS = re.compile(r"status +order((?: \d+\.#\d+)+)")


class WebStage(Stage):
    def __init__(self, test, version=4):
        super().__init__(test, version)
        self.web_port = free_port()

    def start_morvane(self, *args, preexec_fn=None, directing=False):
        """The director with its web view on the stage's web port; returns once /state answers.
        directing: it switches itself on one second of race time after the lights."""
        if directing:
            self.write_config(delay=100)
            args = ("--auto-activate",) + args
        process = super().start_morvane("--web-port", str(self.web_port), *args,
                                        preexec_fn=preexec_fn)
        deadline = time.monotonic() + 10.0
        while True:
            try:
                if self.get("/state")[0] == 200:
                    return process
            except OSError:
                pass
            if time.monotonic() > deadline or not process.running():
                self.test.fail("the director's web view did not answer on port %d" % self.web_port)
            time.sleep(0.05)

    def url(self, path="/"):
        return "http://127.0.0.1:%d%s" % (self.web_port, path)

    def get(self, path):
        """(status, content type, body) of one GET on the web port."""
        conn = http.client.HTTPConnection("127.0.0.1", self.web_port, timeout=5.0)
        try:
            conn.request("GET", path)
            response = conn.getresponse()
            return response.status, response.getheader("Content-Type", ""), response.read()
        finally:
            conn.close()

    def race_order(self, timeout=5.0):
        """racesim's race order now, as PLIDs from first to last (its "status" command)."""
        before = len(STATUS.findall(self.racesim.output()))
        self.command("status")
        deadline = time.monotonic() + timeout
        while True:
            found = STATUS.findall(self.racesim.output())
            if len(found) > before:
                pairs = [p.split(".#") for p in found[-1].split()]
                self.test.assertEqual([int(p) for p, _ in pairs], list(range(1, len(pairs) + 1)))
                return [int(plid) for _, plid in pairs]
            if time.monotonic() > deadline:
                self.test.fail("racesim did not tell its race order")
            time.sleep(0.05)


class Viewers:
    """Server-Sent Events viewers on raw sockets, all read by one selector loop. A stalled viewer
    sends its request and never reads, the way a stuck browser tab would."""

    def __init__(self, port, count, stalled=0):
        self.selector = selectors.DefaultSelector()
        self.socks = []
        self.events = [0] * count  # "event: state" lines seen per reading viewer
        self.last = [0.0] * count  # monotonic time of each reader's last event
        self.closed = [False] * count
        self.rest = [b""] * count
        request = b"GET /events HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: text/event-stream\r\n\r\n"
        for i in range(count + stalled):
            sock = socket.create_connection(("127.0.0.1", port), timeout=5.0)
            sock.sendall(request)
            sock.setblocking(False)
            self.socks.append(sock)
            if i < count:
                self.selector.register(sock, selectors.EVENT_READ, i)

    def pump(self, seconds):
        """Reads whatever arrives for the given time."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            for key, _ in self.selector.select(max(0.0, min(0.2, deadline - time.monotonic()))):
                i = key.data
                try:
                    data = key.fileobj.recv(1 << 16)
                except BlockingIOError:
                    continue
                except OSError:
                    data = b""
                if not data:
                    self.closed[i] = True
                    self.selector.unregister(key.fileobj)
                    continue
                lines = (self.rest[i] + data).split(b"\n")
                self.rest[i] = lines.pop()
                n = sum(1 for line in lines if line.rstrip(b"\r") == b"event: state")
                if n:
                    self.events[i] += n
                    self.last[i] = time.monotonic()

    def close(self):
        for sock in self.socks:
            sock.close()
        self.selector.close()
