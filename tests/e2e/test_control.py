"""The director switched on and off from inside the simulator: by the echoed "activate Morvane"
of a Ctrl+F key and by the race clock after the activation delay. While active it directs the
camera along the race and draws its overlay; the chat commands of the edit mode change and save
the track's camera file; switching off hands the camera back and restores the custom views."""

import glob
import os
import struct
import unittest

from harness import (GLM_CARS, GLM_FOLLOW_CARS, MAGIC, RACE, TINY_GTH, TINY_SCP, GuiClient,
                     Stage, camera_file, free_port)

FRONT_VIEW = 128


def cam_path(stage):
    return os.path.join(stage.program_dir, "cam", "RS1.cam")


def cam_lines(stage):
    with open(cam_path(stage), newline="") as f:
        return f.read().split("\r\n")[:-1]


def view_kinds(stage):
    kinds = set()
    for path in glob.glob(os.path.join(stage.sim_dir, "data", "views", "*.cvw")):
        with open(path) as f:
            kinds.add(f.read().split("KIND=")[1].strip())
    return kinds


def edit_and_leave(stage, after):
    """Edit mode from the chat: one camera added where the free camera stands, then leave."""
    stage.command("type e")
    on = stage.shown("switched into edit mode", after=after)
    stage.command("freecam 12.5 -30.25 7")
    moved = stage.wait_for(lambda r: r.get("text", "").startswith("freecam"), after=on)
    stage.wait_packet("IS_TINY", subt=TINY_SCP, after=moved)  # its answer holds the spot
    stage.command("type a")
    stage.shown("added a new cam position", after=moved)
    stage.command("type x")
    return stage.shown("leaving edit mode", after=moved)


class ControlTest(unittest.TestCase):
    def test_echoed_activation_directs_draws_edits_and_deactivates(self):
        stage = Stage(self)
        # The game stays on after the finish, so the results can be seen before switching off.
        stage.start_racesim("--laps", "2", "--speed", "8", "--after", "200", *RACE)
        stage.start_morvane()
        positions = {tuple(c[:3]) for c in camera_file(cam_path(stage))}
        lights = stage.wait_event("lights_out", timeout=15)
        self.assertEqual([e["key"] for e in stage.events("bound")], [6, 7])
        # Path, camera file and car positions have all arrived: the first update step hides the
        # SHIFT+U buttons.
        sfp = stage.wait_packet("IS_SFP", flag=0x40)
        self.assertEqual((sfp["on"], sfp["reqi"], sfp["size"]), (1, 0, 8))
        self.assertNotIn("could not load pth file", str(stage.packets("IS_MSL")))
        stage.command("press 6")  # Ctrl+F6 echoes "activate Morvane"
        active = stage.shown("active", after=lights)
        stage.wait_packet("IS_SFP", flag=0x80, on=0, reqi=1, after=active)  # the 2D display hidden

        # Camera packets for every set of positions, from the track's cameras, panning and cutting.
        cams = stage.wait_packets("IS_CPP", 40, active)
        tv = [c for c in cams if c["ingame_cam"] == 2]
        self.assertGreater(len(tv), 20)
        self.assertTrue(all(tuple(c["pos"]) in positions and c["flags"] == 8 and c["fov"] > 0
                            and c["reqi"] == 1 for c in tv))
        self.assertGreater(len({c["heading"] for c in tv}), 10)
        self.assertIn(1500, [c["time"] for c in cams])
        stage.wait_for(lambda r: r.get("type") == "IS_CPP" and r["time"] == 0 and
                       r["ingame_cam"] == 2 and r["pos"] != tv[0]["pos"], 20, "a cut", active)

        # The overlay: laps to go and the driver followed.
        stage.wait_packet("IS_BTN", click_id=1, text="2 / 2", after=active)
        driver = stage.wait_packet("IS_BTN", click_id=4, after=active, timeout=15)
        self.assertTrue(driver["text"].startswith(" "))

        # Edit mode: a camera added where the free camera stands is saved on leaving.
        left = edit_and_leave(stage, driver)
        lines = cam_lines(stage)
        self.assertEqual(len(lines), 9)
        self.assertIn(" 000C8000, FFE1C000, 00070000,", [line[:30] for line in lines])
        stage.wait_packet("IS_CPP", after=left)  # directing again

        # The standings board with the results.
        row = stage.wait_packet("IS_BTN", click_id=5, after=left, timeout=40)
        self.assertIn("1.", row["text"])

        # Deactivation: the simulator's TV camera, the 2D display, no buttons, no more direction.
        stage.command("press 7")
        off = stage.shown("inactive", after=row)
        stage.wait_packet("IS_SFP", flag=0x80, on=1, after=off)
        self.assertIn(1, [r["click_id"] for r in stage.packets("IS_BFN", after=off)])
        asks = stage.wait_packets("IS_TINY", 2, off, subt=TINY_GTH)[-1]
        # (No hand-over is needed when the last shot was on board, outside the free view.)
        handed = [r for r in stage.packets("IS_CPP", after=off) if r["_i"] < asks["_i"]]
        self.assertLessEqual(len(handed), 1)
        self.assertTrue(all((r["reqi"], r["ingame_cam"], r["view_plid"], r["flags"], r["fov"])
                            == (0, 2, 0, 0, 0) for r in handed))
        self.assertEqual(view_kinds(stage), {"user"})

    def test_race_clock_activates_and_a_gui_view_is_restored_on_deactivation(self):  # timed
        stage = Stage(self)
        stage.write_config(delay=200)  # 2 s of race time
        gui_port = free_port()
        stage.start_racesim("--laps", "3", "--speed", "2", *RACE)
        stage.start_morvane("--auto-activate", "--enable-gui", "--gui-port", str(gui_port))
        gui = GuiClient(self, gui_port)
        lights = stage.wait_event("lights_out", timeout=15)
        active = stage.shown("active", after=lights)
        self.assertGreater(active["race_ms"], 2000)
        # Switched off, the director learns the race time by asking for it; the upper bound
        # leaves a busy machine its margin.
        self.assertLess(active["race_ms"], 2000 + 1500)
        # Switched on, it no longer asks for the race time.
        cams = stage.wait_packets("IS_CPP", 11, active)
        self.assertEqual([r for r in stage.packets("IS_TINY", after=cams[0])
                          if r["subt"] == TINY_GTH and r["_i"] < cams[-1]["_i"]], [])

        # The GUI's car list marks the director's car; following one car with the front view puts
        # the simulator on board with the installed front view file.
        cars = gui.record_where(lambda r: r[2] == GLM_CARS and r[3] == 6)
        self.assertEqual(sum(cars[5 + 10 * i] for i in range(6)), 1)
        plid = cars[4 + 10 * 5]
        gui.send(MAGIC + struct.pack("<HBBB", 5, GLM_FOLLOW_CARS, FRONT_VIEW | 1, plid))
        stage.wait_packet("IS_CPP", ingame_cam=4, view_plid=plid, after=active)
        self.assertIn("front", view_kinds(stage))

        stage.command("press 7")
        stage.shown("inactive", after=active)
        gui.record_where(lambda r: r[2] == GLM_CARS and r[3] == 0)
        self.assertEqual(view_kinds(stage), {"user"})


if __name__ == "__main__":
    unittest.main()
