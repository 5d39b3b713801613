"""Whole races with the director connected: the race reaches its end and the front end; over
version 4 a GUI client follows the track, the drivers' names (with the alias of "alias.ini",
without colour codes) and stops and the race clock; over version 3 the director walks through the
players at the race start, acknowledges every packet that asks for it and loads the track path."""

import os
import struct
import unittest

from harness import GLM_TRACK, GuiClient, Stage, free_port, is_track

GLM_PLAYER_LABEL, GLM_RACE_CLOCK = 18, 20

# A short, fast race: one lap of about 3 km at 20 times the clock is done in a few seconds.
FAST = ("--speed", "20", "--lobby", "0.5", "--grid", "1", "--after", "1", "--linger", "0.5",
        "--no-stdin")
# A version 3 director reads one datagram per 10 ms pass: at 5 times the clock it keeps up.
FAST_V3 = ("--speed", "5", "--nodes", "200") + FAST[2:]


class RaceTest(unittest.TestCase):
    def test_version_4_race_runs_to_results_and_the_front_end_as_the_gui_client_sees_it(self):
        stage = Stage(self)
        with open(os.path.join(stage.program_dir, "alias.ini"), "w", newline="\r\n") as f:
            f.write("[AliasNames]\nNumber=1\nnickname1=^1Speedy\nrealname1=Driver Two\n")
        gui_port = free_port()
        racesim = stage.start_racesim("--laps", "2", "--cars", "12", "--pit-stops", "12", *FAST)
        stage.start_morvane("--enable-gui", "--gui-port", str(gui_port))
        client = GuiClient(self, gui_port)
        # The race start asks for the players.
        start = stage.wait_event("race_start", timeout=15)
        self.assertEqual(stage.wait_packet("IS_TINY", subt=14, after=start, timeout=5)["reqi"], 1)

        # Everything the client gets up to the front end that follows the race, whose state
        # report also stops the race clock.
        records = [client.record_where(is_track, timeout=15)]
        while records[-1] != bytes([9, 0, GLM_TRACK]) + bytes(6):
            records.append(client.record(30))
        self.assertEqual(client.record(), bytes([7, 0, GLM_RACE_CLOCK, 0, 0, 0, 0]))
        # The race start clears every label; the players are then named afresh (with the alias,
        # without colour codes), and again with the stop count once they have pitted.
        clears = [i for i, r in enumerate(records) if r == bytes([3, 0, GLM_PLAYER_LABEL])]
        self.assertTrue(clears, "no label clear at the race start")
        labels = [(r[3], r[4:].decode()) for r in records[clears[-1]:]
                  if r[2] == GLM_PLAYER_LABEL and len(r) > 3]
        for plid, name in {1: "Anna Berg", 2: "Driver Two", 3: "Carlos Diaz"}.items():
            self.assertIn((plid, name), labels)
            self.assertIn((plid, name + " (1)"), labels)
        running = [struct.unpack_from("<I", r, 3)[0] for r in records
                   if r[2] == GLM_RACE_CLOCK and len(r) == 7 and r[3:] != bytes(4)]
        self.assertGreater(len(running), 12 * 3)  # two splits and a lap per car and lap
        self.assertEqual(running, sorted(running))

        self.assertEqual(stage.wait_exit(racesim, 60), 0)
        finishes = stage.events("finish")
        self.assertEqual(sorted(e["plid"] for e in finishes), list(range(1, 13)))
        self.assertEqual((finishes[0]["position"], finishes[0]["laps"]), (1, 2))
        result = stage.events("summary")[-1]
        self.assertEqual(len(result["results"]), 12)
        self.assertEqual(result["results"][0], finishes[0]["plid"])
        self.assertGreater(result["overtakes"], 0)
        self.assertEqual(result["pit_stops"], 12)
        order = [e["event"] for e in stage.events()]
        for earlier, later in (("connected", "race_start"), ("race_start", "lights_out"),
                               ("lights_out", "all_finished"), ("all_finished", "front_end")):
            self.assertLess(order.index(earlier), order.index(later))
        # The director stayed connected from the introduction to the end.
        self.assertEqual(stage.events("disconnected"), [])

    def test_version_3_race_start_walks_the_players_and_every_packet_is_acknowledged(self):
        stage = Stage(self, version=3)
        racesim = stage.start_racesim("--laps", "1", "--cars", "5", "--pit-stops", "0", *FAST_V3)
        stage.start_morvane()
        start = stage.wait_event("race_start", timeout=15)
        stage.wait_packet("NPL", value=5, after=start, timeout=10)
        stage.wait_packet("SFP", flag=0x40, on=1, after=start)  # the path and cameras are loaded
        self.assertEqual([r["value"] for r in stage.packets("NPL", after=start)][:6],
                         [0, 1, 2, 3, 4, 5])
        self.assertEqual(stage.wait_exit(racesim, 60), 0)
        result = stage.events("summary")[-1]
        # Race start, five players, two splits and one lap per car, the results.
        self.assertGreaterEqual(result["acks_expected"], 1 + 5 + 5 * 3 + 5)
        self.assertEqual((result["acks_received"], result["acks_missing"]),
                         (result["acks_expected"], 0))
        self.assertEqual(stage.events("ack_missing"), [])


if __name__ == "__main__":
    unittest.main()
