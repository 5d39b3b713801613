"""The director's InSim session against the stand-in: handshakes of both versions, keep-alive,
retries, refusals and the orderly close."""

import unittest

from harness import Stage

GREETING = "^3Morvane: ^2Hello LFS, I am your Morvane"


def summary(record):
    """What matters of a packet when comparing sequences."""
    t = record["type"]
    for key in ("msg", "subt", "value"):
        if key in record:
            return (t, record[key])
    return (t,)


class HandshakeTest(unittest.TestCase):
    def test_version_4_introduces_greets_binds_and_asks_state(self):
        stage = Stage(self)
        stage.start_racesim()
        stage.start_morvane()
        isi = stage.wait_packet("IS_ISI")
        self.assertEqual(
            {k: isi[k] for k in ("size", "reqi", "udpport", "flags", "prefix", "interval", "admin",
                                 "iname")},
            dict(size=44, reqi=0, udpport=0, flags=0x24, prefix=0, interval=200, admin="",
                 iname="Morvane"))
        sst = stage.wait_packet("IS_TINY", subt=7, after=isi)
        sequence = [r for r in stage.packets() if isi["_i"] < r["_i"] <= sst["_i"]]
        self.assertEqual([summary(r) for r in sequence], [
            ("IS_TINY", 1),
            ("IS_MSL", GREETING),
            ("IS_MST", "/ctrlf 6 /echo activate Morvane"),
            ("IS_MST", "/ctrlf 7 /echo deactivate Morvane"),
            ("IS_TINY", 7),
        ])
        ver, msl, mst = sequence[0], sequence[1], sequence[2]
        self.assertEqual((ver["size"], ver["reqi"]), (4, 1))
        self.assertEqual((msl["size"], msl["reqi"], msl["sound"]), (132, 0, 0))
        self.assertEqual((mst["size"], mst["reqi"]), (68, 0))
        self.assertEqual(sst["reqi"], 1)
        # The version is asked for 100 ms after the introduction.
        self.assertGreaterEqual(ver["t_ms"] - isi["t_ms"], 90)
        self.assertEqual(sorted(e["key"] for e in stage.events("bound")), [6, 7])

    def test_version_4_password_and_hotkeys_from_the_options(self):
        stage = Stage(self)
        stage.start_racesim("--password", "pit-wall")
        stage.start_morvane("--password", "pit-wall", "--activate-key", "Ctrl-F2",
                            "--deactivate-key", "Ctrl-F12")
        isi = stage.wait_packet("IS_ISI")
        self.assertEqual(isi["admin"], "pit-wall")
        stage.wait_packet("IS_MST", msg="/ctrlf 2 /echo activate Morvane", after=isi)
        stage.wait_packet("IS_MST", msg="/ctrlf 12 /echo deactivate Morvane", after=isi)
        stage.wait_packet("IS_TINY", subt=7, after=isi)
        self.assertEqual(stage.events("refused"), [])

    def test_version_3_introduces_asks_interval_greets_and_asks_state(self):
        stage = Stage(self, version=3)
        stage.start_racesim("--password", "abc")
        stage.start_morvane("--password", "abc")
        isi = stage.wait_packet("ISI")
        self.assertEqual((isi["size"], isi["port"], isi["flags"], isi["admin"]), (24, 0, 0x23, "abc"))
        sst = stage.wait_packet("SST", after=isi)
        sequence = [r for r in stage.packets() if isi["_i"] < r["_i"] <= sst["_i"]]
        self.assertEqual([summary(r) for r in sequence], [
            ("VER", 0), ("NLI", 200), ("MTC", GREETING), ("SST", 0)])
        self.assertEqual([r["size"] for r in sequence], [8, 8, 72, 8])
        self.assertGreaterEqual(sequence[0]["t_ms"] - isi["t_ms"], 90)


class KeepAliveTest(unittest.TestCase):
    def test_version_4_probes_are_answered_at_once(self):
        stage = Stage(self)
        stage.start_racesim("--keepalive", "0.5")
        stage.start_morvane()
        after = None
        for _ in range(3):
            probe = stage.wait_event("probe", timeout=5, after=after)
            answer = stage.wait_packet("IS_TINY", subt=0, after=probe, timeout=2)
            self.assertEqual((answer["size"], answer["reqi"]), (4, 0))
            self.assertLess(answer["t_ms"] - probe["t_ms"], 300)
            after = answer
        self.assertEqual(stage.events("disconnected"), [])

    def test_version_3_sends_ack_0_after_20_seconds_of_silence(self):
        stage = Stage(self, version=3)
        # A long front end: nothing that the director must acknowledge, so it stays silent.
        stage.start_racesim("--lobby", "60")
        stage.start_morvane()
        sst = stage.wait_packet("SST", timeout=10)
        ack = stage.wait_packet("ACK", value=0, after=sst, timeout=30)
        silence = ack["t_ms"] - sst["t_ms"]
        self.assertGreaterEqual(silence, 20000)
        self.assertLess(silence, 21500)
        between = [r for r in stage.packets() if sst["_i"] < r["_i"] < ack["_i"]]
        self.assertEqual(between, [])


class RetryTest(unittest.TestCase):
    def test_director_started_first_connects_once_the_simulator_listens(self):
        stage = Stage(self)
        stage.start_morvane()
        # Let a few attempts fail against the closed port first.
        import time
        time.sleep(2.5)
        stage.start_racesim()
        listening = stage.wait_event("listening")
        isi = stage.wait_packet("IS_ISI", timeout=5)
        # Attempts are 2 s apart (plus the connect), so the next one comes within about 2.2 s.
        self.assertLess(isi["t_ms"] - listening["t_ms"], 2400)

    def test_director_reconnects_to_a_restarted_simulator(self):
        stage = Stage(self)
        stage.start_racesim()
        stage.start_morvane()
        stage.wait_packet("IS_TINY", subt=7)
        first = stage.racesim
        self.assertEqual(first.stop(), 0)
        stage.start_racesim()
        listening = stage.wait_event("listening")
        isi = stage.wait_packet("IS_ISI", timeout=6)
        self.assertLess(isi["t_ms"] - listening["t_ms"], 4500)
        stage.wait_packet("IS_TINY", subt=7, after=isi)

    def test_refused_password_is_retried_every_two_seconds(self):
        stage = Stage(self)
        stage.start_racesim("--password", "right")
        stage.start_morvane("--password", "wrong")
        first = stage.wait_packet("IS_ISI")
        self.assertEqual(first["admin"], "wrong")
        stage.wait_event("refused", after=first)
        second = stage.wait_packet("IS_ISI", after=first, timeout=5)
        gap = second["t_ms"] - first["t_ms"]
        self.assertGreaterEqual(gap, 1900)
        self.assertLess(gap, 3000)
        # A refused director never got further than its introduction.
        self.assertEqual([r for r in stage.packets() if r["type"] != "IS_ISI"], [])


class CloseTest(unittest.TestCase):
    def check_close(self, version, close):
        stage = Stage(self, version=version)
        stage.start_racesim()
        morvane = stage.start_morvane()
        stage.wait_packet("IS_TINY" if version == 4 else "SST", timeout=10,
                          **({"subt": 7} if version == 4 else {}))
        self.assertEqual(morvane.stop(), 0)
        last = stage.packets()[-1]
        self.assertEqual(summary(last), close)
        if version == 4:
            self.assertEqual((last["size"], last["reqi"]), (4, 0))
        gone = stage.wait_event("disconnected", timeout=3)
        self.assertIn("closed InSim", gone["reason"])

    def test_version_4_stop_sends_tiny_close(self):
        self.check_close(4, ("IS_TINY", 2))

    def test_version_3_stop_sends_isc(self):
        self.check_close(3, ("ISC", 0))


if __name__ == "__main__":
    unittest.main()
