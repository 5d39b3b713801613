"""The race state as a GUI client sees it: the director started with GUI access against the
stand-in tells the client the track with its path, clears the labels at the race start, names the
drivers (with the alias of "alias.ini", without colour codes), adds the stop count once a driver
has pitted, runs the race clock from the lap and split reports, and at the front end reports no
track and a stopped clock."""

import os
import struct
import time
import unittest

from harness import Stage, free_port
from test_gui_link import GuiClient, wait_output

GLM_TRACK = 3
GLM_PLAYER_LABEL = 18
GLM_RACE_CLOCK = 20
FAST = ("--speed", "20", "--lobby", "0.5", "--grid", "1", "--after", "1", "--linger", "3",
        "--no-stdin")


class RaceStateTest(unittest.TestCase):
    # requires: director/insim/race_state.cpp
    def test_gui_client_follows_track_names_stops_and_clock(self):
        stage = Stage(self)
        with open(os.path.join(stage.program_dir, "alias.ini"), "w", newline="\r\n") as f:
            f.write("[AliasNames]\nNumber=1\nnickname1=^1Speedy\nrealname1=Driver Two\n")
        gui_port = free_port()
        stage.start_racesim("--laps", "2", "--cars", "4", "--pit-stops", "4", *FAST)
        morvane = stage.start_morvane("--enable-gui", "--gui-port", str(gui_port))
        wait_output(stage, morvane, "GUI access on port %d" % gui_port)
        client = GuiClient(self, gui_port)
        self.addCleanup(client.close)

        # Everything up to the front end that follows the race.
        records = []
        track_at = None
        deadline = time.monotonic() + 60
        while True:
            rec = client.record(max(0.1, deadline - time.monotonic()))
            records.append(rec)
            if rec[2:3] == bytes([GLM_TRACK]) and len(rec) == 17 and track_at is None:
                track_at = len(records) - 1
            if track_at is not None and rec == bytes([9, 0, GLM_TRACK]) + bytes(6):
                break
        # The same state report stops the race clock.
        self.assertEqual(client.record(), bytes([7, 0, GLM_RACE_CLOCK, 0, 0, 0, 0]))

        track = records[track_at]
        self.assertEqual(track[3:9], b"RS1\x00\x00\x00")
        self.assertEqual(struct.unpack_from("<I", track, 9)[0], 600)

        # The race start clears every label; the players are then named afresh.
        clears = [i for i, r in enumerate(records) if r == bytes([3, 0, GLM_PLAYER_LABEL])]
        self.assertTrue(clears, "no label clear at the race start")
        labels = [(r[3], r[4:].decode()) for r in records[clears[-1]:]
                  if r[2] == GLM_PLAYER_LABEL and len(r) > 3]
        names = {1: "Anna Berg", 2: "Driver Two", 3: "Carlos Diaz", 4: "Mika Laine"}
        for plid, name in names.items():
            self.assertIn((plid, name), labels)
            self.assertIn((plid, name + " (1)"), labels)  # every car pitted once

        clock = [struct.unpack_from("<I", r, 3)[0] for r in records
                 if r[2] == GLM_RACE_CLOCK and len(r) == 7]
        running = [t for t in clock if t != 0]
        self.assertGreater(len(running), 8)  # two splits and a lap per car and lap at least
        self.assertEqual(running, sorted(running))


if __name__ == "__main__":
    unittest.main()
