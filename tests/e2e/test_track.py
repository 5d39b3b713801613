"""The director finds the track path that racesim wrote into the simulator directory named in
Morvane.cfg, and the camera file that racesim wrote into its program directory."""

import unittest

from harness import Stage

COMPLAINT = "^3Morvane: ^2could not load pth file"
QUICK = ("--lobby", "1", "--grid", "20", "--no-stdin")


class TrackTest(unittest.TestCase):
    # requires: director/engine/track_path.cpp
    def test_missing_path_file_is_reported_in_the_game_only(self):
        stage = Stage(self)
        stage.start_racesim("--no-pth", *QUICK)
        stage.start_morvane()
        start = stage.wait_event("race_start", timeout=15)
        stage.wait_packet("IS_MSL", msg=COMPLAINT, after=start, timeout=5)
        before = [r for r in stage.packets("IS_MSL") if r["_i"] < start["_i"]]
        self.assertNotIn(COMPLAINT, [r["msg"] for r in before])

    # requires: director/engine/track_path.cpp
    def test_path_and_cameras_are_loaded_from_the_configured_directories(self):
        stage = Stage(self)
        stage.start_racesim("--cams", "8", *QUICK)
        stage.start_morvane()
        start = stage.wait_event("race_start", timeout=15)
        # With a track that has camera positions, the first update step hides the SHIFT+U
        # buttons: proof that path, camera file and car positions all arrived.
        sfp = stage.wait_packet("IS_SFP", flag=0x40, after=start, timeout=5)
        self.assertEqual((sfp["on"], sfp["reqi"], sfp["size"]), (1, 0, 8))
        self.assertNotIn(COMPLAINT, [r["msg"] for r in stage.packets("IS_MSL")])

    # requires: director/engine/track_path.cpp
    def test_track_without_camera_positions_is_not_directed(self):
        stage = Stage(self)
        stage.start_racesim("--cams", "0", *QUICK)
        stage.start_morvane()
        start = stage.wait_event("race_start", timeout=15)
        # Ten sets of positions later: no state flag packet, no complaint.
        after = start
        for _ in range(10):
            after = stage.wait_packet("IS_TINY", subt=8, after=after, timeout=5)
        self.assertEqual(stage.packets("IS_SFP"), [])
        self.assertNotIn(COMPLAINT, [r["msg"] for r in stage.packets("IS_MSL")])

    # requires: director/engine/track_path.cpp
    def test_version_3_loads_the_path_too(self):
        stage = Stage(self, version=3)
        stage.start_racesim("--cams", "8", *QUICK)
        stage.start_morvane()
        start = stage.wait_event("race_start", timeout=15)
        sfp = stage.wait_packet("SFP", flag=0x40, after=start, timeout=5)
        self.assertEqual(sfp["on"], 1)


if __name__ == "__main__":
    unittest.main()
