"""racesim's side of the link, driven by a scripted director: it answers every request the way
the real director relies on, applies camera and state flag packets to its state report, and its
log counts cuts, on-board shots, screen time and overlay
displays from the packets it was sent."""

import math
import socket
import struct
import time
import unittest

from harness import Stage, camera_file

ISP_VER, ISP_SMALL, ISP_STA, ISP_CPP, ISP_RST, ISP_NPL, ISP_MCI = 2, 4, 5, 9, 17, 21, 38


def flags(sta):
    return struct.unpack_from("<H", sta, 8)[0]


class ScriptedDirector:
    """A minimal InSim 4 program over TCP."""

    def __init__(self, test, port):
        self.test = test
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=5)
        self.buffer = b""
        self.cars = {}
        test.addCleanup(self.sock.close)

    def send(self, data):
        self.sock.sendall(data)

    def tiny(self, subt, reqi=1):
        self.send(bytes([4, 3, reqi, subt]))

    def camera(self, x, y, z, heading, fov, flags=8, view=2, plid=0):
        self.send(struct.pack("<BBBBiiiHHHBBfHH", 32, 9, 1, 0, x, y, z, heading, 0, 0, plid,
                              view, fov, 0, flags))

    def button(self, click_id, text):
        raw = text.encode() + b"\0"
        size = (12 + len(raw) + 3) & ~3
        self.send(bytes([size, 45, 1, 0, click_id, 0, 35, 0, 87, 5, 26, 12])
                  + raw.ljust(size - 12, b"\0"))

    def wait(self, type_, predicate=lambda p: True, timeout=5.0, what="a packet"):
        """The next packet of a type for which predicate holds, noting car positions on the way."""
        self.sock.settimeout(0.05)
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            while len(self.buffer) >= 4 and len(self.buffer) >= self.buffer[0]:
                p, self.buffer = self.buffer[:self.buffer[0]], self.buffer[self.buffer[0]:]
                for k in range(p[3] if p[1] == ISP_MCI else 0):
                    node, lap, plid, pos = struct.unpack_from("<HHBB", p, 4 + 28 * k)
                    x, y = struct.unpack_from("<ii", p, 12 + 28 * k)
                    self.cars[plid] = dict(node=node, pos=pos, x=x, y=y)
                if p[1] == type_ and predicate(p):
                    return p
            try:
                data = self.sock.recv(65536)
            except socket.timeout:
                continue
            if not data:
                break
            self.buffer += data
        self.test.fail("no %s within %.1f s" % (what, timeout))

    def sets(self, n):
        for _ in range(n):
            self.wait(ISP_MCI, what="positions")


def heading_to(cx, cy, x, y):
    """The director's heading from a camera to a point."""
    return int(math.atan2(y - cy, x - cx) * (1 / 3.141) * 32768 + 16384) & 0xFFFF


class AnswersTest(unittest.TestCase):
    def start(self, *args):
        stage = Stage(self)
        stage.start_racesim("--cars", "6", "--laps", "1", "--lobby", "0.2", "--grid", "60", *args)
        d = ScriptedDirector(self, stage.port)
        d.send(struct.pack("<BBBBHHBBH16s16s", 44, 1, 1, 0, 0, 0x24, 0, 0, 200, b"", b"script"))
        self.assertEqual(d.wait(ISP_VER, what="IS_VER"),
                         b"\x14\x02\x01\x000.7F\0\0\0\0S3\0\0\0\0\x04\0")
        # A director drops whatever arrives with its version reply: nothing follows until it
        # speaks again.
        d.sock.settimeout(0.3)
        self.assertRaises(socket.timeout, d.sock.recv, 1)
        self.assertEqual(d.buffer, b"")
        d.send(struct.pack("<BBBB128s", 132, 40, 0, 0, b"hello"))  # IS_MSL
        return stage, d

    def test_requests_are_answered_and_camera_and_flags_change_the_state(self):
        stage, d = self.start()
        d.tiny(7, reqi=9)  # TINY_SST
        sta = d.wait(ISP_STA, lambda p: p[2] == 9, what="IS_STA")
        self.assertEqual((len(sta), sta[20:26]), (28, b"RS1\0\0\0"))
        # The game starts: players and race start arrive on their own, then positions.
        rst = d.wait(ISP_RST, what="IS_RST")
        self.assertEqual((rst[4], rst[6]), (1, 6))
        d.wait(ISP_MCI, what="IS_MCI")
        d.tiny(14, reqi=3)  # TINY_NPL
        players = [d.wait(ISP_NPL, lambda p: p[2] == 3, what="IS_NPL") for _ in range(6)]
        self.assertEqual(sorted(p[3] for p in players), [1, 2, 3, 4, 5, 6])
        self.assertEqual(players[0][8:16], b"^7Anna B")
        d.tiny(19, reqi=4)  # TINY_RST
        d.wait(ISP_RST, lambda p: p[2] == 4, what="IS_RST to TINY_RST")
        d.tiny(8, reqi=5)  # TINY_GTH: still on the grid, race time 0
        self.assertEqual(d.wait(ISP_SMALL, lambda p: p[2] == 5, what="SMALL_RTP"),
                         bytes([8, 4, 5, 6, 0, 0, 0, 0]))
        d.tiny(6, reqi=2)  # TINY_SCP
        cpp = d.wait(ISP_CPP, lambda p: p[2] == 2, what="IS_CPP")
        self.assertEqual((len(cpp), cpp[23]), (32, 2))  # the TV camera view

        # Camera and state flag packets show in the state report.
        d.camera(100 * 65536, 200 * 65536, 10 * 65536, 1234, 30.0)  # SHIFT+U free view
        sta = d.wait(ISP_STA, lambda p: flags(p) & 8, what="SHIFT+U")
        self.assertEqual(sta[10], 2)
        d.tiny(6)
        cpp = d.wait(ISP_CPP, what="IS_CPP")
        self.assertEqual(struct.unpack_from("<iiiH", cpp, 4), (100 * 65536, 200 * 65536,
                                                                10 * 65536, 1234))
        self.assertEqual(struct.unpack_from("<H", cpp, 30)[0], 8)
        d.camera(0, 0, 0, 0, 1.0, flags=0, view=4, plid=3)  # on board car 3
        sta = d.wait(ISP_STA, lambda p: p[10] == 4, what="custom view")
        self.assertEqual((sta[11], flags(sta) & 8), (3, 0))
        d.send(bytes([8, 7, 0, 0, 0x40, 0, 1, 0]))  # IS_SFP SHIFTU_NO_OPT on
        d.wait(ISP_STA, lambda p: flags(p) & 0x40, what="0x40")
        d.send(bytes([8, 7, 1, 0, 0x80, 0, 0, 0]))  # IS_SFP SHOW_2D off
        d.wait(ISP_STA, lambda p: not flags(p) & 0x80, what="2D off")

    def test_log_counts_cuts_onboard_shots_screen_time_and_overlay(self):
        stage, d = self.start("--speed", "4")
        d.wait(ISP_MCI, lambda p: len(d.cars) == 6, what="all cars")
        cams = camera_file(stage.program_dir + "/cam/RS1.cam")
        # Three cuts between TV camera positions, each aimed at the pole sitter, then on board.
        leader = min(d.cars, key=lambda k: d.cars[k]["pos"])
        node = d.cars[leader]["node"]
        here = next(i for i, c in enumerate(cams)
                    if (c[3] <= node <= c[4]) or (c[3] > c[4] and (node >= c[3] or node <= c[4])))
        for cam in (cams[here], cams[(here + 1) % len(cams)], cams[here]):
            car = d.cars[leader]
            d.camera(cam[0], cam[1], cam[2], heading_to(cam[0], cam[1], car["x"], car["y"]), 20.0)
            d.sets(3)
        d.camera(0, 0, 0, 0, 1.0, flags=0, view=4, plid=leader)
        d.sets(3)
        d.button(1, "1 / 1")
        d.button(1, "last lap")
        d.send(bytes([8, 42, 0, 0, 0, 1, 0, 0]))  # IS_BFN: button 1 deleted
        d.button(2, "1")
        d.sets(1)
        stage.command("quit")
        summary = stage.wait_event("summary", timeout=10)
        self.assertEqual((summary["cuts"], summary["onboard"]), (4, 1))
        # The camera that covers the pole sitter shows it; the next one is aimed at it from afar.
        self.assertGreaterEqual(summary["screen_ms"].get(str(leader), 0), 6 * 200)
        self.assertEqual((summary["overlay_displays"], summary["button_packets"]), (2, 3))


if __name__ == "__main__":
    unittest.main()
