"""The director without a track path file or without camera positions (with both: test_control and
test_race), and with the track path file of the 0.8 simulators ("SRPATH")."""

import os
import statistics
import unittest

from harness import PREFIX, RACE, TINY_GTH, Stage, camera_file

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
        stage.wait_output(stage.morvane, "pth file for RS1 not found: tried ")

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

    def test_srpath_file_of_the_0_8_simulators_is_loaded_and_directed(self):
        stage = Stage(self)
        stage.write_config(delay=100)  # 1 s of race time
        stage.start_racesim("--path-format", "srpath", "--speed", "4", *RACE, "--no-stdin")
        with open(os.path.join(stage.sim_dir, "data", "smx", "RS1.pth"), "rb") as f:
            self.assertEqual(f.read(6), b"SRPATH")
        positions = {tuple(c[:3])
                     for c in camera_file(os.path.join(stage.program_dir, "cam", "RS1.cam"))}
        stage.start_morvane("--auto-activate")
        lights = stage.wait_event("lights_out", timeout=15)
        stage.wait_packet("IS_SFP", flag=0x40, on=1)  # the path and cameras are loaded
        active = stage.shown("active", after=lights)
        cams = stage.wait_packets("IS_CPP", 20, active)
        tv = [c for c in cams if c["ingame_cam"] == 2]
        self.assertTrue(tv)
        self.assertTrue(all(tuple(c["pos"]) in positions and c["fov"] > 0 for c in tv))
        self.assertEqual(self.complaints(stage), [])


if __name__ == "__main__":
    unittest.main()
