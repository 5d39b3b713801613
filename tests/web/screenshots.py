"""Pictures of the web view for the README: the director follows a race of racesim with its web
view on, and headless Chromium photographs both layouts once the race is under way. The overlay
is photographed over a dark checkered background, so that its transparency shows.

    MORVANE_BIN=... RACESIM_BIN=... python3 tests/web/screenshots.py FULL.png OVERLAY.png

Run by scripts/web-screenshots, which builds the programs first.
"""

import os
import sys
import unittest

from cdp import Browser
from webstage import WebStage

CHECKERED = ("repeating-conic-gradient(#2b2f36 0 25%, #3b404a 0 50%) 0 0 / 40px 40px, "
             "linear-gradient(#20242b, #30343b)")
# The pictures are taken on the third lap: the field has spread and every gap is known.
READY = ("morvaneView.trackLoads > 0 && morvaneView.snapshot.standings.rows.length > 0 && "
         "morvaneView.snapshot.standings.rows[0].laps >= 2 && "
         "morvaneView.snapshot.standings.rows.every(r => r.pos === 1 || r.interval !== null) && "
         "morvaneView.snapshot.clock.raceTime !== null && morvaneView.snapshot.shot.reason")


class Session(unittest.TestCase):
    """The stage expects a test case for its clean-up and its failures."""

    def runTest(self):
        pass


def main(full_png, overlay_png):
    session = Session()
    stage = WebStage(session)
    browser = None
    try:
        stage.start_racesim("--cars", "16", "--laps", "5", "--cams", "12", "--lobby", "0.5",
                            "--grid", "1", "--speed", "4", "--pit-stops", "3", "--seed", "3")
        stage.start_morvane(directing=True)
        browser = Browser(os.path.join(stage.root, "chromium.log"))
        full = browser.open(stage.url("/"), 1280, 720)
        overlay = browser.open(stage.url("/overlay"), 1280, 720)
        full.wait("window.morvaneView && morvaneView.snapshot && " + READY, 120, "the third lap")
        overlay.wait("window.morvaneView && morvaneView.snapshot && " + READY, 10, "the overlay")
        overlay.evaluate("document.documentElement.style.background = %r" % CHECKERED)
        full.screenshot(full_png)
        overlay.screenshot(overlay_png)
    finally:
        if browser:
            browser.close()
        session.doCleanups()
    print(full_png)
    print(overlay_png)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]))
