"""Whole races with the director connected: the race reaches its end and the front end, the
director acknowledges every version 3 packet that asks for it, walks or asks for the players at
the race start, and follows every complete set of car positions."""

import statistics
import unittest

from harness import Stage

# A short, fast race: one lap of about 3 km at 20 times the clock is done in a few seconds.
FAST = ("--speed", "20", "--lobby", "0.5", "--grid", "1", "--after", "1", "--linger", "0.5",
        "--no-stdin")
# A version 3 director reads one datagram per 10 ms pass: at 5 times the clock it keeps up.
FAST_V3 = ("--speed", "5", "--nodes", "200", "--lobby", "0.5", "--grid", "1", "--after", "1",
           "--linger", "0.5", "--no-stdin")


class RaceTest(unittest.TestCase):
    def test_version_4_race_runs_to_results_and_the_front_end(self):
        stage = Stage(self)
        racesim = stage.start_racesim("--laps", "2", "--cars", "12", *FAST)
        stage.start_morvane()
        self.assertEqual(stage.wait_exit(racesim, 60), 0)
        finishes = stage.events("finish")
        self.assertEqual(sorted(e["plid"] for e in finishes), list(range(1, 13)))
        self.assertEqual(finishes[0]["position"], 1)
        self.assertEqual(finishes[0]["laps"], 2)
        result = stage.events("summary")[-1]
        self.assertEqual(len(result["results"]), 12)
        self.assertEqual(result["results"][0], finishes[0]["plid"])
        self.assertGreater(result["overtakes"], 0)
        self.assertGreater(result["pit_stops"], 0)
        order = [e["event"] for e in stage.events()]
        for earlier, later in (("connected", "race_start"), ("race_start", "lights_out"),
                               ("lights_out", "all_finished"), ("all_finished", "front_end")):
            self.assertLess(order.index(earlier), order.index(later))
        # The director stayed connected from the introduction to the end.
        self.assertEqual(stage.events("disconnected"), [])

    def test_version_3_director_acknowledges_every_packet_that_asks(self):
        stage = Stage(self, version=3)
        racesim = stage.start_racesim("--laps", "1", "--cars", "4", "--pit-stops", "0", *FAST_V3)
        stage.start_morvane()
        self.assertEqual(stage.wait_exit(racesim, 60), 0)
        result = stage.events("summary")[-1]
        # Race start, two splits and one lap per car, the results: all acknowledged.
        self.assertGreaterEqual(result["acks_expected"], 1 + 4 * 3 + 4)
        self.assertEqual(result["acks_received"], result["acks_expected"])
        self.assertEqual(result["acks_missing"], 0)
        self.assertEqual(stage.events("ack_missing"), [])

    # requires: director/insim/race_state.cpp
    def test_version_3_race_start_walks_through_the_players(self):
        stage = Stage(self, version=3)
        stage.start_racesim("--laps", "1", "--cars", "5", *FAST_V3)
        stage.start_morvane()
        start = stage.wait_event("race_start", timeout=15)
        stage.wait_packet("NPL", value=5, after=start, timeout=10)
        asked = [r["value"] for r in stage.packets("NPL") if r["_i"] > start["_i"]]
        self.assertEqual(asked[:6], [0, 1, 2, 3, 4, 5])

    # requires: director/insim/race_state.cpp
    def test_version_4_race_start_asks_for_the_players(self):
        stage = Stage(self)
        stage.start_racesim("--laps", "1", "--cars", "3", *FAST)
        stage.start_morvane()
        start = stage.wait_event("race_start", timeout=15)
        npl = stage.wait_packet("IS_TINY", subt=14, after=start, timeout=5)
        self.assertEqual(npl["reqi"], 1)

    # requires: director/engine/track_path.cpp
    def test_version_4_director_follows_each_set_of_positions(self):
        # While it is not active the director asks for the race time once per complete set of
        # car positions: its update step runs at the interval it asked for.
        stage = Stage(self)
        stage.start_racesim("--laps", "1", "--cars", "12", "--lobby", "1", "--grid", "30",
                            "--no-stdin")
        stage.start_morvane()
        start = stage.wait_event("race_start", timeout=15)
        asks = []
        after = start
        while len(asks) < 12:
            after = stage.wait_packet("IS_TINY", subt=8, after=after, timeout=5)
            asks.append(after)
        gaps = [b["t_ms"] - a["t_ms"] for a, b in zip(asks, asks[1:])]
        self.assertAlmostEqual(statistics.median(gaps), 200, delta=40)
        self.assertTrue(all(r["reqi"] == 1 for r in asks))


if __name__ == "__main__":
    unittest.main()
