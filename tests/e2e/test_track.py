"""The director without a track path file or without camera positions (with both: test_control and
test_race)."""

import statistics
import unittest

from harness import PREFIX, TINY_GTH, Stage

COMPLAINT = PREFIX + "could not load pth file"
QUICK = ("--lobby", "1", "--grid", "20", "--no-stdin")


class TrackTest(unittest.TestCase):
    def start(self, *racesim):
        stage = Stage(self)
        stage.start_racesim(*racesim, *QUICK)
        stage.start_morvane()
        return stage, stage.wait_event("race_start", timeout=15)

    def complaints(self, stage):
        return [r for r in stage.packets("IS_MSL") if r["msg"] == COMPLAINT]

    def test_missing_path_file_is_reported_in_the_game_only(self):
        stage, start = self.start("--no-pth")
        complaint = stage.wait_packet("IS_MSL", msg=COMPLAINT, after=start, timeout=5)
        self.assertEqual(self.complaints(stage)[0], complaint)

    def test_track_without_camera_positions_is_followed_but_not_directed(self):
        # While it is not active the director asks for the race time once per complete set of
        # car positions (12 cars: two packets a set), at the interval it asked for; with no
        # camera position it sends no state flag packet and no complaint.
        stage, start = self.start("--cams", "0", "--cars", "12")
        asks = stage.wait_packets("IS_TINY", 12, start, timeout=5, subt=TINY_GTH)
        gaps = [b["t_ms"] - a["t_ms"] for a, b in zip(asks, asks[1:])]
        self.assertAlmostEqual(statistics.median(gaps), 200, delta=40)
        self.assertTrue(all(r["reqi"] == 1 for r in asks))
        self.assertEqual(stage.packets("IS_SFP"), [])
        self.assertEqual(self.complaints(stage), [])


if __name__ == "__main__":
    unittest.main()
