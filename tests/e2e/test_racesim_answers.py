"""racesim's side of the link, driven by a scripted director: it answers every request the way
the real director relies on, applies camera and state flag packets to its state report, echoes
the bound function keys, and its log counts cuts, on-board shots, screen time and overlay
displays from the packets it was sent."""

import math
import socket
import struct
import time
import unittest

from harness import Stage


class ScriptedDirector:
    """A minimal InSim 4 program over TCP."""

    def __init__(self, test, port):
        self.test = test
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=5)
        self.buffer = b""
        self.state = None
        self.cars = {}
        test.addCleanup(self.sock.close)

    def send(self, data):
        self.sock.sendall(data)

    def init(self, interval=200, reqi=1):
        isi = struct.pack("<BBBBHHBBH16s16s", 44, 1, reqi, 0, 0, 0x24, 0, 0, interval,
                          b"", b"script")
        self.send(isi)

    def tiny(self, subt, reqi=1):
        self.send(bytes([4, 3, reqi, subt]))

    def camera(self, x, y, z, heading, fov, flags=8, view=2, plid=0, time_ms=0):
        self.send(struct.pack("<BBBBiiiHHHBBfHH", 32, 9, 1, 0, x, y, z, heading, 0, 0, plid,
                              view, fov, time_ms, flags))

    def text(self, msg):
        self.send(struct.pack("<BBBB64s", 68, 13, 0, 0, msg.encode()))

    def button(self, click_id, text):
        raw = text.encode() + b"\0"
        size = (12 + len(raw) + 3) & ~3
        self.send(struct.pack("<BBBBBBBBBBBB", size, 45, 1, 0, click_id, 0, 35, 0, 87, 5, 26, 12)
                  + raw.ljust(size - 12, b"\0"))

    def delete_button(self, click_id):
        self.send(bytes([8, 42, 0, 0, 0, click_id, 0, 0]))

    def packets(self, timeout=5.0):
        """Packets received until the time-out passes without one more."""
        self.sock.settimeout(0.05)
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            while len(self.buffer) >= 4 and len(self.buffer) >= self.buffer[0]:
                size = self.buffer[0]
                packet, self.buffer = self.buffer[:size], self.buffer[size:]
                self._note(packet)
                yield packet
            try:
                data = self.sock.recv(65536)
            except socket.timeout:
                continue
            if not data:
                return
            self.buffer += data

    def wait(self, predicate, timeout=5.0, what="a packet"):
        for packet in self.packets(timeout):
            if predicate(packet):
                return packet
        self.test.fail("no %s within %.1f s" % (what, timeout))

    def _note(self, p):
        if p[1] == 5:
            self.state = p
        elif p[1] == 38:
            for k in range(p[3]):
                r = p[4 + 28 * k: 32 + 28 * k]
                node, lap, plid, pos, info = struct.unpack_from("<HHBBB", r)
                x, y, z = struct.unpack_from("<iii", r, 8)
                self.cars[plid] = dict(node=node, lap=lap, pos=pos, x=x, y=y, z=z, info=info)


def heading_to(cx, cy, x, y):
    """The director's heading from a camera to a point."""
    return int(math.atan2(y - cy, x - cx) * (1 / 3.141) * 32768 + 16384) & 0xFFFF


class AnswersTest(unittest.TestCase):
    def start(self, *args):
        stage = Stage(self)
        stage.start_racesim("--cars", "6", "--laps", "1", "--lobby", "0.2", "--grid", "60", *args)
        director = ScriptedDirector(self, stage.port)
        director.init(reqi=1)
        version = director.wait(lambda p: p[1] == 2, what="IS_VER")
        self.assertEqual(version, b"\x14\x02\x01\x000.7F\0\0\0\0S3\0\0\0\0\x04\0")
        return stage, director

    def test_requests_are_answered_with_their_reqi(self):
        stage, d = self.start()
        d.tiny(7, reqi=9)  # TINY_SST
        sta = d.wait(lambda p: p[1] == 5 and p[2] == 9, what="IS_STA")
        self.assertEqual(len(sta), 28)
        self.assertEqual(sta[20:26], b"RS1\0\0\0")
        # The game starts: players and race start arrive on their own, then positions.
        rst = d.wait(lambda p: p[1] == 17, what="IS_RST")
        self.assertEqual((rst[4], rst[6]), (1, 6))
        d.wait(lambda p: p[1] == 38, what="IS_MCI")
        d.tiny(14, reqi=3)  # TINY_NPL
        players = [p for p in d.packets(1.0) if p[1] == 21 and p[2] == 3]
        self.assertEqual(sorted(p[3] for p in players), [1, 2, 3, 4, 5, 6])
        self.assertEqual(players[0][8:16], b"^7Anna B")
        d.tiny(19, reqi=4)  # TINY_RST
        d.wait(lambda p: p[1] == 17 and p[2] == 4, what="IS_RST to TINY_RST")
        d.tiny(8, reqi=5)  # TINY_GTH: still on the grid, race time 0
        rtp = d.wait(lambda p: p[1] == 4 and p[2] == 5, what="SMALL_RTP")
        self.assertEqual(rtp, bytes([8, 4, 5, 6, 0, 0, 0, 0]))
        d.tiny(6, reqi=2)  # TINY_SCP
        cpp = d.wait(lambda p: p[1] == 9 and p[2] == 2, what="IS_CPP")
        self.assertEqual(len(cpp), 32)
        self.assertEqual(cpp[23], 2)  # the TV camera view

    def test_camera_and_state_flags_show_in_the_state_report(self):
        stage, d = self.start()
        d.wait(lambda p: p[1] == 38, what="IS_MCI")
        d.camera(100 * 65536, 200 * 65536, 10 * 65536, 1234, 30.0)  # SHIFT+U free view
        sta = d.wait(lambda p: p[1] == 5 and struct.unpack_from("<H", p, 8)[0] & 8, what="SHIFT+U")
        self.assertEqual(sta[10], 2)
        d.tiny(6)
        cpp = d.wait(lambda p: p[1] == 9, what="IS_CPP")
        self.assertEqual(struct.unpack_from("<iiiH", cpp, 4), (100 * 65536, 200 * 65536, 10 * 65536, 1234))
        self.assertEqual(struct.unpack_from("<H", cpp, 30)[0], 8)
        d.camera(0, 0, 0, 0, 1.0, flags=0, view=4, plid=3)  # on board car 3
        sta = d.wait(lambda p: p[1] == 5 and p[10] == 4, what="custom view")
        self.assertEqual(sta[11], 3)
        self.assertEqual(struct.unpack_from("<H", sta, 8)[0] & 8, 0)
        d.send(bytes([8, 7, 0, 0, 0x40, 0, 1, 0]))  # IS_SFP SHIFTU_NO_OPT on
        d.wait(lambda p: p[1] == 5 and struct.unpack_from("<H", p, 8)[0] & 0x40, what="0x40")
        d.send(bytes([8, 7, 1, 0, 0x80, 0, 0, 0]))  # IS_SFP SHOW_2D off
        d.wait(lambda p: p[1] == 5 and not struct.unpack_from("<H", p, 8)[0] & 0x80, what="2D off")

    def test_bound_function_key_echoes_its_text(self):
        stage, d = self.start()
        d.text("/ctrlf 6 /echo activate Morvane")
        stage.wait_event("bound")
        stage.command("press 6")
        mso = d.wait(lambda p: p[1] == 11, what="IS_MSO")
        self.assertEqual(len(mso), 136)
        self.assertEqual(mso[8:25], b"activate Morvane\0")
        stage.command("type : e")  # a chat line: the name, a colon, the text
        chat = d.wait(lambda p: p[1] == 11, what="chat IS_MSO")
        self.assertEqual(chat[8:chat.index(b"\0", 8)], b"^7Host ^7: ^8: e")
        self.assertEqual(chat[8 + chat[7]:chat.index(b"\0", 8)], b": e")

    def test_log_counts_cuts_onboard_shots_screen_time_and_overlay(self):
        stage, d = self.start("--speed", "4")
        d.wait(lambda p: p[1] == 38 and len(d.cars) == 6, what="all cars")
        with open(stage.program_dir + "/cam/RS1.cam") as f:
            cams = [[struct.unpack("<i", struct.pack("<I", int(v, 16)))[0] if i < 3 else int(v)
                     for i, v in enumerate(line.split(","))] for line in f if line.strip()]
        # Three cuts between TV camera positions, each aimed at the pole sitter, then on board.
        leader = min(d.cars, key=lambda k: d.cars[k]["pos"])
        node = d.cars[leader]["node"]
        here = next(i for i, c in enumerate(cams)
                    if (c[3] <= node <= c[4]) or (c[3] > c[4] and (node >= c[3] or node <= c[4])))
        for cam in (cams[here], cams[(here + 1) % len(cams)], cams[here]):
            car = d.cars[leader]
            d.camera(cam[0], cam[1], cam[2], heading_to(cam[0], cam[1], car["x"], car["y"]), 20.0)
            for _ in range(3):
                d.wait(lambda p: p[1] == 38, what="positions")
        d.camera(0, 0, 0, 0, 1.0, flags=0, view=4, plid=leader)
        for _ in range(3):
            d.wait(lambda p: p[1] == 38, what="positions")
        d.button(1, "1 / 1")
        d.button(1, "last lap")
        d.delete_button(1)
        d.button(2, "1")
        d.wait(lambda p: p[1] == 38, what="positions")
        stage.command("quit")
        summary = stage.wait_event("summary", timeout=10)
        self.assertEqual(summary["cuts"], 4)
        # The camera that covers the pole sitter shows it; the next one is aimed at it from afar.
        self.assertIn(str(leader), summary["screen_ms"])
        self.assertGreaterEqual(summary["screen_ms"][str(leader)], 6 * 200)
        self.assertEqual(summary["onboard"], 1)
        self.assertEqual(summary["overlay_displays"], 2)
        self.assertEqual(summary["button_packets"], 3)


if __name__ == "__main__":
    unittest.main()
