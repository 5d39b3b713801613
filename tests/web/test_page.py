"""The web view's page in a real browser (headless Chromium over the DevTools protocol) against
the director following racesim: both layouts list the cars in racesim's race order and then in
its result order; the page follows the position sets within 250 ms (p99); it waits calmly while
the director is away and comes back by itself, with the track fetched anew, and fetches a new
track the director loads while it stays connected; the names' colour codes, the clock and gap
texts and the camera's covered nodes come out exactly."""

import os
import unittest

from cdp import Browser
from webstage import RACE, WebStage

ORDER = '[...document.querySelectorAll("#rows tr")].map(tr => +tr.dataset.plid)'
FOLLOWED = '[...document.querySelectorAll("#rows tr.followed")].map(tr => +tr.dataset.plid)'
STANDINGS_SHOWN = 'getComputedStyle(document.getElementById("standings")).display'
LATENCY_LIMIT_MS = 250
# The snapshot's stamp is taken when the director reads the position set; it may have waited up
# to one pass of the director's 10 ms receive loop in the socket before, and the loopback hop
# from racesim is far below a millisecond: every sample counts that pass in full.
RECEIVE_PASS_MS = 10


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(p / 100.0 * (len(ordered) - 1))))]


class PageTest(unittest.TestCase):
    def setUp(self):
        self.stage = WebStage(self)
        self.browser = Browser(os.path.join(self.stage.root, "chromium.log"))
        self.addCleanup(self.browser.close)

    def open(self, path):
        page = self.browser.open(self.stage.url(path))
        page.wait("window.morvaneView && morvaneView.updates > 0 && morvaneView.trackLoads > 0",
                  15, "a snapshot and the track on " + path)
        return page

    def wait_order(self, page, order, what):
        try:
            page.wait("JSON.stringify(%s) === %r" % (ORDER, str(order).replace(" ", "")), 5, what)
        except TimeoutError:
            self.fail("%s: the page lists %s, racesim %s" % (what, page.evaluate(ORDER), order))

    def test_both_layouts_list_racesims_race_order_then_its_results(self):
        stage = self.stage
        stage.start_racesim("--cars", "12", "--laps", "2", "--pit-stops", "2", "--after", "20",
                            *RACE)
        stage.start_morvane()
        full, overlay = self.open("/"), self.open("/overlay")
        self.assertEqual(full.evaluate('document.body.className'), "full")
        self.assertEqual(overlay.evaluate('document.body.className'), "overlay")
        stage.wait_event("lights_out", timeout=15)
        full.wait("morvaneView.snapshot.clock.raceTime > 15000", 20, "15 s of race")

        # A frozen race: the last position set stays what the page shows.
        stage.command("pause")
        order = stage.race_order()
        self.assertEqual(len(order), 12)
        self.wait_order(full, order, "the full layout, paused")
        self.wait_order(overlay, order[:10], "the overlay, paused")
        # Every car's row shows its name without the colour codes' carets, and one row (the
        # followed car, the one on the map in red) is marked in both layouts alike.
        names = full.evaluate('[...document.querySelectorAll("#rows td.name")]'
                              '.map(td => td.textContent)')
        self.assertEqual(len(names), 12)
        self.assertTrue(all(n and "^" not in n for n in names), names)
        self.assertEqual(full.evaluate(FOLLOWED), overlay.evaluate(FOLLOWED))

        stage.command("resume")
        stage.wait_event("all_finished", timeout=60)
        finishers = sorted(stage.events("finish"), key=lambda e: e["position"])
        results = [e["plid"] for e in finishers]
        self.assertEqual(len(results), 12)
        self.wait_order(full, results, "the full layout's results")
        self.wait_order(overlay, results[:10], "the overlay's results")
        self.assertEqual(full.evaluate('document.getElementById("standings-title").textContent'),
                         "Results")

    def test_the_page_shows_each_position_set_within_250_ms(self):  # timed
        stage = self.stage
        stage.start_racesim("--cars", "20", "--laps", "3", *RACE)
        director = stage.start_morvane(directing=True)
        full, overlay = self.open("/"), self.open("/overlay")
        stage.wait_event("lights_out", timeout=15)
        full.evaluate("morvaneView.samples.length = 0")
        overlay.evaluate("morvaneView.samples.length = 0")
        # 20 s of race at four times the clock: several hundred position sets.
        first = full.wait("morvaneView.samples.length && morvaneView.samples[0].seq", 5)
        full.wait("morvaneView.samples.length && "
                  "morvaneView.samples[morvaneView.samples.length - 1].stamp - "
                  "morvaneView.samples[0].stamp > 20000", 40, "20 s of snapshots")
        self.assertTrue(director.running())
        for name, page in (("full", full), ("overlay", overlay)):
            samples = page.evaluate("morvaneView.samples")
            seqs = [s["seq"] for s in samples]
            self.assertEqual(seqs, sorted(seqs), "snapshots out of order")
            self.assertGreater(len(samples), 100)
            latency = [s["shown"] - s["stamp"] + RECEIVE_PASS_MS for s in samples]
            p50, p99 = percentile(latency, 50), percentile(latency, 99)
            print("%s layout: %d snapshots from seq %d, position set to page: p50 %d ms, "
                  "p99 %d ms, max %d ms" % (name, len(samples), first, p50, p99, max(latency)))
            self.assertGreaterEqual(min(latency), RECEIVE_PASS_MS)
            self.assertLessEqual(p99, LATENCY_LIMIT_MS, "%s layout too slow" % name)

    def test_waits_while_the_director_is_away_and_comes_back_by_itself(self):
        stage = self.stage
        stage.start_racesim("--cars", "6", "--laps", "5", *RACE)
        stage.start_morvane()
        page, overlay = self.open("/"), self.open("/overlay")
        self.assertTrue(page.evaluate('document.getElementById("waiting").hidden'))
        self.assertEqual(overlay.evaluate(STANDINGS_SHOWN), "block")
        stage.morvane.stop()
        page.wait('!document.getElementById("waiting").hidden', 10, "the waiting note")
        self.assertIn("Waiting for the director",
                      page.evaluate('document.getElementById("waiting").textContent'))
        # On air, the overlay shows nothing stale: only the waiting note.
        overlay.wait('!document.getElementById("waiting").hidden', 10, "the overlay waiting")
        self.assertEqual(overlay.evaluate(STANDINGS_SHOWN), "none")
        updates = page.evaluate("morvaneView.updates")
        loads = page.evaluate("morvaneView.trackLoads")

        stage.start_morvane()
        page.wait("morvaneView.reconnects >= 1 && morvaneView.updates > %d && "
                  "morvaneView.trackLoads > %d" % (updates, loads), 20, "the page back")
        self.assertTrue(page.evaluate('document.getElementById("waiting").hidden'))
        self.assertGreater(len(page.evaluate(ORDER)), 0)
        overlay.wait('document.getElementById("waiting").hidden', 10, "the overlay back")
        self.assertEqual(overlay.evaluate(STANDINGS_SHOWN), "block")


    def test_a_new_track_is_fetched_and_drawn_without_a_reconnect(self):
        stage = self.stage
        first = stage.start_racesim("--track", "RS1", "--cars", "4", "--laps", "5", *RACE)
        stage.start_morvane()
        page = self.open("/")
        self.assertEqual(page.wait("morvaneView.track", 5), "RS1/%d" % page.evaluate(
            "morvaneView.snapshot.track.version"))
        # The simulator goes and comes back with another track; the director stays up.
        first.stop()
        stage.start_racesim("--track", "BL2", "--cars", "4", "--laps", "5", *RACE)
        version = page.wait("morvaneView.snapshot.track.name === 'BL2' && "
                            "morvaneView.snapshot.track.version", 20, "the new track's snapshot")
        self.assertEqual(page.wait("morvaneView.track !== 'RS1/1' && morvaneView.track", 10),
                         "BL2/%d" % version)
        self.assertEqual(page.evaluate("morvaneView.reconnects"), 0)
        self.assertEqual(page.evaluate("morvaneView.trackLoads"), 2)
        self.assertEqual(page.evaluate('document.getElementById("track-name").textContent'),
                         "BL2")


class TextTest(unittest.TestCase):
    """The page's text helpers as the served page has them: the director runs without a
    simulator, which the page also says."""

    @classmethod
    def setUpClass(cls):
        cls.browser = Browser()

    @classmethod
    def tearDownClass(cls):
        cls.browser.close()

    def test_colour_codes_escapes_times_and_covered_nodes_come_out_exactly(self):
        stage = WebStage(self)
        stage.start_morvane()
        page = self.browser.open(stage.url("/"))
        page.wait("window.morvaneView && morvaneView.updates > 0", 10)
        page.wait('!document.getElementById("sim-link").hidden', 5, "the unlinked note")
        runs = page.evaluate('["^1Bob", "^4Anna ^7Berg^8x", "Dee^v^3Jay^^", "^a^c^d^s^q^t^l^r^h",'
                             ' "a^", "^z^9", "", null].map(MorvaneText.runs)')
        self.assertEqual(runs, [
            [{"colour": "red", "text": "Bob"}],
            [{"colour": "blue", "text": "Anna "}, {"colour": "white", "text": "Berg"},
             {"colour": None, "text": "x"}],
            [{"colour": None, "text": "Dee|"}, {"colour": "yellow", "text": "Jay^"}],
            [{"colour": None, "text": '*:\\/?"<>#'}],
            [{"colour": None, "text": "a^"}],
            [{"colour": None, "text": "^z"}],
            [], []])
        # A name is text, never markup.
        html = page.evaluate('(() => { const e = document.createElement("div");'
                             ' MorvaneText.fill(e, "^1<b>x</b>^l^7&"); return e.innerHTML; })()')
        self.assertEqual(html, '<span class="c-red">&lt;b&gt;x&lt;/b&gt;&lt;</span>'
                               '<span class="c-white">&amp;</span>')
        self.assertEqual(page.evaluate(
            '[83400, 0, 3599999, 3723400, null].map(MorvaneText.clock)'),
            ["1:23.4", "0:00.0", "59:59.9", "1:02:03.4", ""])
        self.assertEqual(page.evaluate(
            '[[412, 0], [62500, 0], [5, 1], [null, 3], [null, 0]]'
            '.map(([ms, down]) => MorvaneText.gap(ms, down))'),
            ["+0.412", "+1:02.500", "+1 lap", "+3 laps", ""])
        self.assertEqual(page.evaluate(
            '[[2, 5, 8], [6, 1, 8], [3, 3, 4], [0, 8, 8], [null, 1, 8]]'
            '.map(([f, t, n]) => MorvaneMap.covered(f, t, n))'),
            [[2, 3, 4, 5], [6, 7, 0, 1], [0, 1, 2, 3], [], []])


if __name__ == "__main__":
    unittest.main()
