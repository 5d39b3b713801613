"""Soak run: `morvane --enable-gui` directs a long accelerated race of 40 cars on the stand-in for
MORVANE_SOAK_SECONDS (default 600) with a scripted GUI client attached that reads everything,
loads the track's nodes batch by batch, takes manual control now and then and hands it back.

At the end: the director's memory and thread count have not grown since the warm-up, the client
received car tables steadily (no gap of a second), every node transfer without a gap, a label for
every car, and as many car tables as the simulator got camera packets (both come once per director
step); the simulator saw camera packets all through. Run by scripts/test.d/soak; prints what it
measured and ends with "1 passed, 0 failed" or "0 passed, 1 failed".

    MORVANE_BIN=... RACESIM_BIN=... python3 tests/e2e/soak.py
"""

import os
import socket
import struct
import sys
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (GLM_CARS, GLM_FOLLOW_CARS, GLM_GET_NODES, GLM_TRACK_NODE,  # noqa: E402
                     MAGIC, Stage, connect, free_port, is_track, marked, proc_status,
                     split_frame)

SECONDS = float(os.environ.get("MORVANE_SOAK_SECONDS", "600"))
WARM_UP = min(60.0, SECONDS / 4)
GLM_PLAYER_LABEL, GLM_VERSION = 18, 19
CARS = 40
RSS_MARGIN_KB = 2048


class SoakClient:
    """Reads every record on a thread of its own; asks for nodes the way morvaneview does."""

    def __init__(self, port):
        self.sock = connect(port)
        self.sock.settimeout(0.5)
        self.lock = threading.Lock()
        self.records = []  # (monotonic time, record)
        self.transfers = []  # finished node transfers: the indices received, in order
        self.node_count = 0
        self.current = None
        self.labels = set()
        self.errors = []
        self.closed = False
        self.stop = False
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def send(self, data):
        with self.lock:
            self.sock.sendall(MAGIC + struct.pack("<H", len(data) + 2) + data)

    def start_transfer(self):
        self.current = []
        self.send(struct.pack("<BI", GLM_GET_NODES, 0))

    def handle(self, rec):
        kind = rec[2]
        if is_track(rec):
            self.node_count = struct.unpack_from("<I", rec, 9)[0]
            if self.current is None:
                self.start_transfer()
        elif kind == GLM_TRACK_NODE and self.current is not None:
            self.current.append(struct.unpack_from("<I", rec, 9)[0])
            count = self.current[-1] + 1
            if count >= self.node_count:
                self.transfers.append(self.current)
                self.current = None
            elif count % 32 == 0:
                self.send(struct.pack("<BI", GLM_GET_NODES, count))
        elif kind == GLM_PLAYER_LABEL and len(rec) > 4:
            self.labels.add(rec[3])

    def run(self):
        buf = b""
        while not self.stop:
            try:
                data = self.sock.recv(65536)
            except socket.timeout:
                continue
            except OSError as e:
                self.errors.append("receive failed: %s" % e)
                break
            if not data:
                self.closed = True
                break
            buf += data
            try:
                rec, buf = split_frame(buf)
                while rec:
                    self.records.append((time.monotonic(), rec))
                    self.handle(rec)
                    rec, buf = split_frame(buf)
            except ValueError as e:
                self.errors.append(str(e))
                break
            if rec == b"":  # the goodbye frame
                self.closed = True
                break


class Soak(unittest.TestCase):
    def test_soak(self):
        stage = Stage(self)
        stage.write_config(delay=100)
        gui_port = free_port()
        stage.start_racesim("--cars", str(CARS), "--laps", "1000", "--speed", "4",
                            "--lobby", "0.5", "--grid", "1", "--quiet",
                            "--max-seconds", str(int(SECONDS + 120)))
        morvane = stage.start_morvane("--auto-activate", "--enable-gui",
                                      "--gui-port", str(gui_port))
        client = SoakClient(gui_port)
        self.addCleanup(client.sock.close)
        start = time.monotonic()
        stage.wait_packet("IS_CPP", timeout=30)

        samples = []
        next_sample = start + WARM_UP
        next_manual = start + 45
        manual_until = None
        manual_plid = None
        manual_checks = 0
        next_transfer = start + 120
        while time.monotonic() - start < SECONDS:
            time.sleep(0.5)
            now = time.monotonic()
            self.assertTrue(morvane.running(), "morvane ended during the soak")
            self.assertFalse(client.closed or client.errors, client.errors or "link closed")
            if now >= next_sample:
                samples.append(proc_status(morvane.popen.pid))
                next_sample += 60
            if manual_until is None and now >= next_manual:
                cars = [r for _, r in client.records[-50:] if r[2] == GLM_CARS and r[3] > 0]
                if cars:
                    manual_plid = cars[-1][4 + 10 * (cars[-1][3] // 2)]
                    client.send(struct.pack("<BBB", GLM_FOLLOW_CARS, 1, manual_plid))
                    manual_until = now + 10
            elif manual_until is not None and now >= manual_until:
                # The car tables of the last few seconds mark the chosen car only.
                recent = [r for t, r in client.records if t > now - 5 and r[2] == GLM_CARS]
                for r in recent:
                    self.assertIn(marked(r), ([manual_plid], []), "manual control not followed")
                manual_checks += 1
                client.send(struct.pack("<BB", GLM_FOLLOW_CARS, 0))  # back to the director
                manual_until = None
                next_manual = now + 45
            if now >= next_transfer and client.current is None:
                client.start_transfer()
                next_transfer = now + 120
        samples.append(proc_status(morvane.popen.pid))

        self.assertEqual(morvane.stop(timeout=7.0), 0)
        client.thread.join(5)
        client.stop = True

        # The director's resources.
        rss = [s[0] for s in samples]
        threads = [s[1] for s in samples]
        print("RSS kB after the warm-up, each minute: %s" % rss)
        print("threads: %s" % threads)
        self.assertLessEqual(rss[-1] - rss[0], RSS_MARGIN_KB, "memory grew")
        self.assertEqual(threads[-1], threads[0], "thread count changed")

        # What the client got.
        records = client.records
        kinds = {}
        for _, r in records:
            kinds[r[2]] = kinds.get(r[2], 0) + 1
        print("records by type: %s" % dict(sorted(kinds.items())))
        self.assertEqual(records[0][1][2], GLM_VERSION)
        cars = [t for t, r in records if r[2] == GLM_CARS]
        first_full = next(t for t, r in records if r[2] == GLM_CARS and r[3] == CARS)
        gaps = [b - a for a, b in zip(cars, cars[1:]) if a >= first_full]
        print("car tables: %d, longest gap %.3f s" % (len(cars), max(gaps)))
        self.assertLess(max(gaps), 1.0, "car tables stalled")
        print("node transfers: %d, manual control checks: %d" % (len(client.transfers),
                                                               manual_checks))
        self.assertGreaterEqual(len(client.transfers), int(SECONDS // 120))
        for t in client.transfers:
            self.assertEqual(t, list(range(client.node_count)), "a node transfer had a gap")
        self.assertGreater(manual_checks, 0)
        self.assertEqual(len(client.labels), CARS, "labels missing")

        # What the simulator got: camera packets all through, one per car table.
        cpp = [r["t_ms"] for r in stage.packets("IS_CPP")]
        windows = {}
        for t in cpp:
            windows[t // 10000] = windows.get(t // 10000, 0) + 1
        busy = [windows.get(w, 0) for w in range(min(windows) + 1, max(windows))]
        print("camera packets: %d, fewest in a 10 s window: %d" % (len(cpp), min(busy)))
        self.assertGreater(min(busy), 50, "camera packets stopped for a while")
        print("car tables %d, camera packets %d" % (len(cars), len(cpp)))
        self.assertLessEqual(abs(len(cars) - len(cpp)), 20 + len(cpp) // 100,
                             "car tables were lost")


if __name__ == "__main__":
    result = unittest.main(exit=False, verbosity=2).result
    ok = result.wasSuccessful() and result.testsRun == 1
    print("%d passed, %d failed" % (1 if ok else 0, 0 if ok else 1))
    sys.exit(0 if ok else 1)
