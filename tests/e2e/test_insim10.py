"""InSim version 10, as the 0.8 simulators speak it: a whole race of 40 cars directed over it with
the GUI client attached (position sets of three packets, every packet the director sends a whole
number of 4-byte units, the race time in milliseconds driving the automatic activation), on a
track whose path file is the 0.8 format SRPATH when the stand-in can write one; and a director
set to version 4 that meets such a simulator says once which version to choose and keeps trying
every 2 s."""

import struct
import subprocess
import unittest

from harness import GLM_CARS, RACESIM, GuiClient, Stage, free_port

VERSION_RECORD_10 = bytes([6, 0, 19, 0, 2, 10])  # GLM_VERSION 0.2, InSim 10
CARS = 40
FAST = ("--speed", "8", "--lobby", "0.5", "--grid", "1", "--after", "1", "--linger", "0.5",
        "--no-stdin")
TINY_GTM = 8
CHOOSE_V10 = "choose InSim V10 (--insim-version 10)"


def srpath_args():
    """The 0.8 track path format, when this racesim can write it."""
    usage = subprocess.run([RACESIM, "--help"], capture_output=True, text=True).stdout
    return ("--path-format", "srpath") if "--path-format" in usage else ()


def car_table(record):
    """The PLID and position of every car of a GLM_CARS record."""
    return {record[4 + 10 * i]: struct.unpack_from("<ii", record, 6 + 10 * i)
            for i in range(record[3])}


class Insim10Test(unittest.TestCase):
    def test_forty_cars_directed_over_version_10_with_the_gui_client(self):
        stage = Stage(self, version=10)
        stage.write_config(delay=300)  # 3 s of race time, in hundredths
        gui_port = free_port()
        racesim = stage.start_racesim("--cars", str(CARS), "--laps", "1", "--cams", "10",
                                      "--pit-stops", "0", *FAST, *srpath_args())
        morvane = stage.start_morvane("--enable-gui", "--gui-port", str(gui_port),
                                      "--auto-activate")
        client = GuiClient(self, gui_port)
        self.assertEqual(client.record(), VERSION_RECORD_10)
        isi = stage.wait_packet("IS_ISI", timeout=15)
        self.assertEqual((isi["size"], isi["flags"], isi["interval"]), (44, 0x24, 200))
        lights = stage.wait_event("lights_out", timeout=20)
        # Before the director is active every completed set asks for the race time (TINY_GTM),
        # whose reply in milliseconds switches it on 3 s of race time after the clock started.
        gtm = stage.wait_packets("IS_TINY", 5, lights, subt=TINY_GTM)
        self.assertLess(gtm[0]["race_ms"], 1000)
        active = stage.shown("active", after=lights, timeout=20)
        self.assertGreater(active["race_ms"], 3000)
        self.assertLess(active["race_ms"], 3000 + 1500)

        # One update step per set of three packets: one camera packet per 200 ms of race time,
        # never one per packet. At 8 times the speed a set comes every 25 ms; a director slowed by
        # a busy machine reads two sets at once and answers the newer, hence the low lower bound.
        cams = stage.wait_packets("IS_CPP", 30, active, timeout=20)
        span = cams[-1]["race_ms"] - cams[0]["race_ms"]
        self.assertLessEqual(len(cams) - 1, span / 200 + 2)
        self.assertGreaterEqual(len(cams) - 1, span / 200 / 4)
        # The GUI client sees all forty cars of each set, from every packet of it.
        record = client.record_where(lambda r: r[2] == GLM_CARS and r[3] > 0, timeout=15)
        cars = car_table(record)
        self.assertEqual(sorted(cars), list(range(1, CARS + 1)))
        self.assertTrue(all(pos != (0, 0) for pos in cars.values()))

        self.assertEqual(stage.wait_exit(racesim, 90), 0)
        summary = stage.events("summary")[-1]
        self.assertEqual(len(summary["results"]), CARS)
        self.assertEqual(stage.events("disconnected"), [])
        packets = stage.packets()
        self.assertTrue(all(p["size"] % 4 == 0 for p in packets), "a packet of no whole units")
        self.assertTrue([p for p in packets if p["type"] == "IS_BTN"], "no overlay buttons")
        self.assertNotIn("could not load pth file", str(stage.packets("IS_MSL")))
        self.assertNotIn("InSim:", morvane.output())

    def test_a_version_4_director_meeting_a_version_10_simulator_says_so_once(self):
        stage = Stage(self, version=10)
        stage.start_racesim("--cars", "4", *FAST)
        stage.version = 4
        morvane = stage.start_morvane()
        inits = [stage.wait_event("byte_counted_init", timeout=15)]
        for _ in range(2):
            inits.append(stage.wait_event("byte_counted_init", timeout=10, after=inits[-1]))
        gaps = [b["t_ms"] - a["t_ms"] for a, b in zip(inits, inits[1:])]
        self.assertTrue(all(2000 <= g < 4000 for g in gaps), gaps)
        stage.wait_output(morvane, CHOOSE_V10)
        self.assertEqual(morvane.output().count(CHOOSE_V10), 1)
        self.assertIn("(version 0.8B, InSim 10)", morvane.output())
        self.assertEqual(stage.packets("IS_MSL"), [])  # it never got as far as the greeting

    def test_broadcast_rules_take_the_simulators_contact_reports(self):
        """The broadcast rules ask a 0.8 simulator for contact reports (ISF_CON); a race of
        scripted incidents sends them and the director goes on directing through them."""
        stage = Stage(self, version=10)
        stage.write_config(delay=300)
        stage.start_racesim("--cars", "12", "--laps", "3", "--incidents", "12", "--seed", "4",
                            *FAST)
        morvane = stage.start_morvane("--rules", "broadcast", "--auto-activate")
        isi = stage.wait_packet("IS_ISI", timeout=15)
        self.assertEqual(isi["flags"], 0x224)
        report = stage.wait_event("contact_report", timeout=60)
        a, b = report["plids"]
        self.assertLess(a, b)
        stage.wait_packets("IS_CPP", 3, report, timeout=10)
        self.assertTrue(morvane.running())


if __name__ == "__main__":
    unittest.main()
