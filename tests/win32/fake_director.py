#!/usr/bin/env python3
"""A scripted director for the GUI client: listens on 127.0.0.1, speaks the GUI link frames and
plays a small race on an oval track, so that morvaneview can be checked (and photographed)
without the director and the simulator.

It sends the link version, labels, the track and the race clock; answers node requests in
batches of 32; sends the cars every 200 ms; and carries out the client's requests: edit mode
(with five camera positions and the view position), camera picks (the first camera strictly
inside the box becomes current; a double-click pick also opens it for editing), camera edits and
deletions, and the cars to follow. Every request received is appended to --record as one line:
the record's bytes in hex. It stops by itself after --duration seconds.
"""
import argparse
import math
import select
import socket
import struct
import time

MAGIC = b"MrV\x00"
TRACK = b"AS3"
NODES = 200
UNIT = 65536
DRIVERS = ["Anna Berg", "Bruno Costa", "Chen Wei", "Dana Ek", "Emil Falk", "Femke Groot"]


def record(kind, payload=b""):
    return struct.pack("<HB", len(payload) + 3, kind) + payload


def frame(rec):
    return MAGIC + rec


def oval_point(t):
    """Centre and direction of the oval at t in [0, 1)."""
    a = 2 * math.pi * t
    x, y = 300.0 * math.cos(a), 150.0 * math.sin(a)
    dx, dy = -300.0 * math.sin(a), 150.0 * math.cos(a)
    n = math.hypot(dx, dy)
    return x, y, dx / n, dy / n


def node_bytes(i):
    x, y, dx, dy = oval_point(i / NODES)
    # Counter-clockwise travel: the outside of the oval is on the right.
    return struct.pack("<iiifffffff", int(x * UNIT), int(y * UNIT), 0, dx, dy, 0.0,
                       -6.0, 10.0, -4.0, 4.0)


CAMERAS = [(0.02, 0, 20), (0.22, 35, 70), (0.45, 80, 110), (0.62, 115, 150), (0.85, 155, 5)]


def camera_payload(index, t, start, end, height=4 * UNIT):
    x, y, _, _ = oval_point(t)
    # Outside the road, 20 m beyond the centre line.
    scale = (math.hypot(x, y) + 20) / max(math.hypot(x, y), 1)
    pos = int(round(t * NODES)) % NODES
    return struct.pack("<BHiiiHHH", 0, index, int(x * scale * UNIT), int(y * scale * UNIT), height,
                       start, end, pos)


class Session:
    def __init__(self, conn, log, edit):
        self.conn = conn
        self.log = log
        self.edit = False
        self.cameras = [list(c) for c in CAMERAS]
        self.heights = [4 * UNIT] * len(CAMERAS)
        self.follow = []
        self.start = time.monotonic()
        self.send(record(19, bytes([0, 2, 4])))
        self.send(record(18))
        for i, name in enumerate(DRIVERS):
            self.send(record(18, bytes([i + 1]) + name.encode() + (b" (1)" if i == 3 else b"")))
        self.send(record(3, TRACK.ljust(6, b"\0") + struct.pack("<II", NODES, 0)))
        self.send(record(20, struct.pack("<I", 3725000)))
        if edit:
            self.set_edit(True)

    def send(self, rec):
        self.conn.sendall(frame(rec))

    def camera_record(self, kind, i):
        t, s, e = self.cameras[i]
        return record(kind, camera_payload(i, t, s, e, self.heights[i]))

    def set_edit(self, on):
        self.edit = on
        self.send(record(4, bytes([1 if on else 0])))
        if on:
            for i in range(len(self.cameras)):
                self.send(self.camera_record(8, i))
            self.send(record(5, struct.pack("<H", 0)))
            x, y, _, _ = oval_point(0.3)
            self.send(record(16, struct.pack("<ii", int(x * UNIT), int(y * UNIT))))

    def cars(self):
        now = time.monotonic() - self.start
        entries = b""
        order = []
        for i in range(len(DRIVERS)):
            t = (0.04 * now * (1 + 0.02 * i) + 0.3 - 0.025 * i) % 1.0
            order.append((t, i + 1))
        order.sort(reverse=True)
        for rank, (t, plid) in enumerate(order):
            x, y, _, _ = oval_point(t)
            if self.follow:
                focus = 1 if plid in self.follow else 0
            else:
                focus = 1 if rank == 1 else 0
            entries += struct.pack("<BBii", plid, focus, int(x * UNIT), int(y * UNIT))
        self.send(record(14, bytes([len(order)]) + entries))

    def handle(self, rec):
        self.log.write(rec.hex() + "\n")
        self.log.flush()
        kind = rec[2]
        if kind == 21:
            first = struct.unpack_from("<I", rec, 3)[0]
            for i in range(first, min(first + 32, NODES)):
                self.send(record(22, TRACK.ljust(6, b"\0") + struct.pack("<I", i) + node_bytes(i)))
        elif kind == 17:
            self.set_edit(rec[3] != 0)
        elif kind in (1, 2) and self.edit:
            left, top, right, bottom = struct.unpack_from("<iiii", rec, 3)
            for i in range(len(self.cameras)):
                p = camera_payload(i, *self.cameras[i])
                x, y = struct.unpack_from("<ii", p, 3)
                if left < x < right and bottom < y < top:
                    self.log.write("# picked %d\n" % i)
                    self.log.flush()
                    self.send(record(5, struct.pack("<H", i)))
                    if kind == 2:
                        self.send(record(6, struct.pack("<H", i)))
                    break
        elif kind == 13:
            index, = struct.unpack_from("<H", rec, 4)
            height, start, end = struct.unpack_from("<iHH", rec, 14)
            if index < len(self.cameras):
                self.cameras[index][1:] = [start, end]
                self.heights[index] = height
                self.send(record(5, struct.pack("<H", index)))
        elif kind == 12:
            index, = struct.unpack_from("<H", rec, 3)
            if index < len(self.cameras):
                self.send(record(11, struct.pack("<H", index)))
                del self.cameras[index]
                del self.heights[index]
                if self.cameras:
                    self.send(record(5, struct.pack("<H", min(index, len(self.cameras) - 1))))
        elif kind == 15:
            n = rec[3] & 0x3F
            self.follow = list(rec[4:4 + n])


def serve(port, log, duration, edit, ready):
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", port))
    listener.listen(2)
    if ready:
        with open(ready, "w") as f:
            f.write(str(listener.getsockname()[1]) + "\n")
    deadline = time.monotonic() + duration
    while time.monotonic() < deadline:
        r, _, _ = select.select([listener], [], [], 0.2)
        if not r:
            continue
        conn, _ = listener.accept()
        session = Session(conn, log, edit)
        buf = b""
        next_cars = time.monotonic()
        try:
            while time.monotonic() < deadline:
                if time.monotonic() >= next_cars:
                    session.cars()
                    next_cars += 0.2
                r, _, _ = select.select([conn], [], [], 0.02)
                if not r:
                    continue
                data = conn.recv(4096)
                if not data:
                    break
                buf += data
                ended = False
                while len(buf) >= 6 and buf[:4] == MAGIC:
                    size = struct.unpack_from("<H", buf, 4)[0]
                    if size == 0:
                        ended = True
                        break
                    if len(buf) < size + 4:
                        break
                    session.handle(buf[4:4 + size])
                    buf = buf[4 + size:]
                if ended:
                    break
            try:
                conn.sendall(MAGIC + b"\0\0")
            except OSError:
                pass
        except OSError:
            pass
        conn.close()
    listener.close()


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--port", type=int, default=32301)
    p.add_argument("--record", default="/dev/null", help="file for the received requests")
    p.add_argument("--duration", type=float, default=60.0, help="seconds until it stops")
    p.add_argument("--edit", action="store_true", help="start every connection in edit mode")
    p.add_argument("--ready", help="file written with the port once listening")
    a = p.parse_args()
    with open(a.record, "a") as log:
        serve(a.port, log, a.duration, a.edit, a.ready)


if __name__ == "__main__":
    main()
