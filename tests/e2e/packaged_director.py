"""The Windows release as a user gets it: the zip from scripts/package is unpacked into a
temporary folder, "AutoActivate" = 1 and the stand-in's port are stored in the registry of a Wine
prefix of its own, Morvane.cfg points Path2LFS at the stand-in's simulator folder through Wine's
Z: drive, and the packaged morvane.exe runs under Xvfb and Wine. It must start by itself, switch
itself on when the race clock has run, and direct the race from the track's camera positions.

    python3 tests/e2e/packaged_director.py ZIP RACESIM WINE_RUN PREFIX

Checks the zip's contents too; prints "N passed, N failed" as its last line.
"""

import os
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
from harness import Process, Stage  # noqa: E402

ZIP, RACESIM, WINE_RUN, PREFIX = sys.argv[1:5]
harness.RACESIM = RACESIM
TOP = os.path.basename(ZIP)[:-len("-win64.zip")]


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class PackagedDirector(unittest.TestCase):
    def test_zip_holds_the_programs_readme_examples_and_folders(self):
        with zipfile.ZipFile(ZIP) as z:
            names = sorted(z.namelist())
            self.assertEqual(names, sorted(TOP + "/" + n for n in (
                "", "README.txt", "Morvane.cfg", "alias.ini", "morvane.exe", "morvaneview.exe",
                "cam/", "views/", "views/cvw.ini")))
            for name in ("README.txt", "Morvane.cfg", "alias.ini", "views/cvw.ini"):
                text = z.read(TOP + "/" + name)
                self.assertEqual(text.count(b"\n"), text.count(b"\r\n"), name + ": not CR LF")
            readme = z.read(TOP + "/README.txt").decode()
            for topic in ("Ctrl+F6", "Morvane.cfg", "alias.ini", "views\\cvw.ini", "32301",
                          "GUI port", " e   start edit mode", TOP.split("-")[1]):
                self.assertIn(topic, readme)
            for exe in ("morvane.exe", "morvaneview.exe"):
                self.assertEqual(z.read(TOP + "/" + exe)[:2], b"MZ")

    def test_packaged_director_directs_the_race_under_wine(self):
        stage = Stage(self)
        with zipfile.ZipFile(ZIP) as z:
            z.extractall(stage.root)
        program = os.path.join(stage.root, TOP)
        stage.program_dir = program
        with open(os.path.join(program, "Morvane.cfg"), newline="") as f:
            cfg = f.read()
        cfg = cfg.replace("Path2LFS=\r\n", "Path2LFS=%s\r\n" % windows_path(stage.sim_dir))
        cfg = cfg.replace("Delay=200\r\n", "Delay=100\r\n")
        self.assertIn(windows_path(stage.sim_dir), cfg)
        with open(os.path.join(program, "Morvane.cfg"), "w", newline="") as f:
            f.write(cfg)

        env = dict(os.environ, WINEPREFIX=PREFIX, WINEDEBUG="-all")
        key = "HKCU\\Software\\Morvane"
        subprocess.run([WINE_RUN, "reg", "delete", key, "/f"], env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for value, data in (("AutoActivate", 1), ("InsimPort", stage.port), ("InsimVersion", 4)):
            subprocess.run([WINE_RUN, "reg", "add", key, "/v", value, "/t", "REG_DWORD",
                            "/d", str(data), "/f"], env=env, check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(subprocess.run, ["wineserver", "-k"], env=env,
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        stage.start_racesim("--laps", "3", "--speed", "2", "--cars", "8", "--cams", "10",
                            "--lobby", "1", "--grid", "1", "--overwrite-cams")
        cams = {tuple(c[:3]) for c in harness.camera_file(os.path.join(program, "cam", "RS1.cam"))}
        morvane = Process("morvane.exe", [WINE_RUN, os.path.join(program, "morvane.exe")], env,
                          program, os.path.join(stage.root, "morvane-exe.log"))
        stage.processes.append(morvane)

        # It starts by itself (the stored AutoActivate), greets, and switches on with the clock.
        isi = stage.wait_packet("IS_ISI", timeout=90)
        stage.shown("Hello LFS, I am your Morvane", after=isi)
        lights = stage.wait_event("lights_out", timeout=30)
        active = stage.shown("active", after=lights, timeout=20)
        shots = stage.wait_packets("IS_CPP", 60, active)
        tv = [c for c in shots if c["ingame_cam"] == 2]
        self.assertGreater(len(tv), 40)
        self.assertTrue(all(tuple(c["pos"]) in cams and c["fov"] > 0 for c in tv),
                        "a camera packet from a position that is not in the camera file")
        self.assertGreater(len({c["heading"] for c in tv}), 10, "the camera does not pan")
        stage.wait_for(lambda r: r.get("type") == "IS_CPP" and r["time"] == 0 and
                       r["ingame_cam"] == 2 and r["pos"] != tv[0]["pos"], 40, "a cut", active)
        stage.wait_packet("IS_BTN", after=active)  # the overlay is drawn
        self.assertTrue(morvane.running())


if __name__ == "__main__":
    result = unittest.main(argv=sys.argv[:1], exit=False, verbosity=2).result
    bad = len(result.failures) + len(result.errors)
    print("%d passed, %d failed" % (result.testsRun - bad, bad))
    sys.exit(1 if bad else 0)
