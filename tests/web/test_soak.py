"""Twenty web viewers through a race: eighteen read the event stream, two never read (stuck
tabs). After the warm-up the director's resident memory and thread count must not grow, every
reader keeps getting snapshots to the end and the director keeps sending camera packets, so the
stuck viewers delay nobody.

MORVANE_WEB_SOAK_SECONDS sets the measured time (default 60)."""

import os
import time
import unittest

from webstage import RACE, Viewers, WebStage, proc_status

SECONDS = float(os.environ.get("MORVANE_WEB_SOAK_SECONDS", "60"))
WARM_UP = 10.0
READERS, STALLED = 18, 2
RSS_MARGIN_KB = 2048


class SoakTest(unittest.TestCase):
    def test_twenty_viewers_through_a_race_leave_memory_and_threads_as_they_were(self):
        stage = WebStage(self)
        stage.start_racesim("--cars", "20", "--laps", "40", "--max-seconds",
                            str(int(SECONDS + WARM_UP + 60)), *RACE)
        director = stage.start_morvane(directing=True)
        stage.wait_event("lights_out", timeout=15)
        viewers = Viewers(stage.web_port, READERS, STALLED)
        self.addCleanup(viewers.close)
        viewers.pump(WARM_UP)
        self.assertTrue(all(viewers.events), "a viewer got nothing: %s" % viewers.events)

        pid = director.popen.pid
        samples = [proc_status(pid)]
        counts = [list(viewers.events)]
        cameras = [len(stage.packets("IS_CPP"))]
        start = time.monotonic()
        while time.monotonic() - start < SECONDS:
            viewers.pump(min(10.0, SECONDS - (time.monotonic() - start)))
            samples.append(proc_status(pid))
            counts.append(list(viewers.events))
            cameras.append(len(stage.packets("IS_CPP")))
        end = time.monotonic()

        rss = [s[0] for s in samples]
        threads = [s[1] for s in samples]
        received = [b - a for a, b in zip(counts[0], counts[-1])]
        print("%d viewers (%d stalled) for %.0f s: RSS kB %s, threads %s, snapshots per reader "
              "%d..%d, camera packets %d" % (READERS + STALLED, STALLED, SECONDS, rss, threads,
                                             min(received), max(received),
                                             cameras[-1] - cameras[0]))
        self.assertTrue(director.running())
        self.assertEqual(viewers.closed, [False] * READERS, "a reader was dropped")
        self.assertTrue(all(end - t < 2.0 for t in viewers.last), "a reader stopped getting "
                        "snapshots")
        # About five snapshots a second at least, for every reader.
        self.assertGreater(min(received), SECONDS * 4)
        self.assertTrue(all(b > a for a, b in zip(cameras, cameras[1:])),
                        "the director stopped sending camera packets: %s" % cameras)
        self.assertLessEqual(rss[-1] - rss[0], RSS_MARGIN_KB, "memory grew")
        self.assertEqual(threads[-1], threads[0], "threads grew")
        self.assertEqual(max(threads), threads[0], "threads came and went")


if __name__ == "__main__":
    unittest.main()
