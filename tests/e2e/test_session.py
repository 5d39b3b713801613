"""The director's InSim session against the stand-in: handshakes of both versions, keep-alive,
retries and refusals (the orderly close: test_faults, with every stop)."""

import unittest

from harness import PREFIX, TINY_SST, Stage, attempt_seen

GREETING = PREFIX + "Hello LFS, I am your Morvane"


def summary(record):
    """What matters of a packet when comparing sequences."""
    t = record["type"]
    for key in ("msg", "subt", "value"):
        if key in record:
            return (t, record[key])
    return (t,)


def fields(record, *keys):
    return tuple(record[k] for k in keys)


class HandshakeTest(unittest.TestCase):
    def test_version_4_introduces_greets_binds_asks_state_and_answers_probes(self):
        stage = Stage(self)
        stage.start_racesim("--password", "pit-wall", "--keepalive", "0.5")
        stage.start_morvane("--password", "pit-wall", "--activate-key", "Ctrl-F2",
                            "--deactivate-key", "Ctrl-F12")
        isi = stage.wait_packet("IS_ISI")
        self.assertEqual(fields(isi, "size", "reqi", "udpport", "flags", "prefix", "interval",
                                "admin", "iname"),
                         (44, 0, 0, 0x24, 0, 200, "pit-wall", "Morvane"))
        sst = stage.wait_packet("IS_TINY", subt=TINY_SST, after=isi)
        sequence = [r for r in stage.packets(after=isi) if r["_i"] <= sst["_i"]]
        self.assertEqual([summary(r) for r in sequence], [
            ("IS_TINY", 1), ("IS_MSL", GREETING),
            ("IS_MST", "/ctrlf 2 /echo activate Morvane"),
            ("IS_MST", "/ctrlf 12 /echo deactivate Morvane"), ("IS_TINY", 7)])
        self.assertEqual([fields(r, "size", "reqi") for r in sequence],
                         [(4, 1), (132, 0), (68, 0), (68, 0), (4, 1)])
        self.assertEqual(sequence[1]["sound"], 0)
        # The version is asked for 100 ms after the introduction.
        self.assertGreaterEqual(sequence[0]["t_ms"] - isi["t_ms"], 90)
        self.assertEqual(sorted(e["key"] for e in stage.events("bound")), [2, 12])
        # Keep-alive probes are answered at once with a TINY_NONE.
        after = None
        for _ in range(3):
            probe = stage.wait_event("probe", timeout=5, after=after)
            after = stage.wait_packet("IS_TINY", subt=0, after=probe, timeout=2)
            self.assertEqual(fields(after, "size", "reqi"), (4, 0))
            # At once: well inside a second, on a machine busy with other tests too.
            self.assertLess(after["t_ms"] - probe["t_ms"], 1000)
        self.assertEqual(stage.events("disconnected"), [])

    def test_version_3_introduces_asks_interval_greets_and_asks_state(self):
        stage = Stage(self, version=3)
        stage.start_racesim("--password", "abc")
        stage.start_morvane("--password", "abc")
        isi = stage.wait_packet("ISI")
        self.assertEqual(fields(isi, "size", "port", "flags", "admin"), (24, 0, 0x23, "abc"))
        sst = stage.wait_packet("SST", after=isi)
        sequence = [r for r in stage.packets(after=isi) if r["_i"] <= sst["_i"]]
        self.assertEqual([summary(r) + (r["size"],) for r in sequence], [
            ("VER", 0, 8), ("NLI", 200, 8), ("MTC", GREETING, 72), ("SST", 0, 8)])
        self.assertGreaterEqual(sequence[0]["t_ms"] - isi["t_ms"], 90)


class KeepAliveTest(unittest.TestCase):
    def test_version_3_sends_ack_0_after_20_seconds_of_silence(self):  # timed
        stage = Stage(self, version=3)
        # A long front end: nothing that the director must acknowledge, so it stays silent.
        stage.start_racesim("--lobby", "60")
        stage.start_morvane()
        sst = stage.wait_packet("SST", timeout=10)
        ack = stage.wait_packet("ACK", value=0, after=sst, timeout=30)
        self.assertGreaterEqual(ack["t_ms"] - sst["t_ms"], 20000)
        self.assertLess(ack["t_ms"] - sst["t_ms"], 22000)
        self.assertEqual([r for r in stage.packets(after=sst) if r["_i"] < ack["_i"]], [])


class RetryTest(unittest.TestCase):
    def test_director_connects_once_the_simulator_listens_and_again_after_a_restart(self):  # timed
        stage = Stage(self)
        stage.start_morvane()
        attempt_seen(stage.port)  # an attempt fails first
        for limit_ms in (3000, 5500):
            # Attempts are 2 s apart (plus the connect), so the next one comes within about 2.2 s;
            # after a restart the director first has to notice the closed connection.
            stage.start_racesim()
            listening = stage.wait_event("listening")
            isi = stage.wait_packet("IS_ISI", timeout=6)
            self.assertLess(isi["t_ms"] - listening["t_ms"], limit_ms)
            stage.wait_packet("IS_TINY", subt=TINY_SST, after=isi)
            self.assertEqual(stage.racesim.stop(), 0)

    def test_refused_password_is_retried_every_two_seconds(self):  # timed
        stage = Stage(self)
        stage.start_racesim("--password", "right")
        stage.start_morvane("--password", "wrong")
        first = stage.wait_packet("IS_ISI")
        self.assertEqual(first["admin"], "wrong")
        stage.wait_event("refused", after=first)
        second = stage.wait_packet("IS_ISI", after=first, timeout=5)
        self.assertGreaterEqual(second["t_ms"] - first["t_ms"], 1900)
        self.assertLess(second["t_ms"] - first["t_ms"], 3000)
        # A refused director never got further than its introduction.
        self.assertEqual([r for r in stage.packets() if r["type"] != "IS_ISI"], [])


if __name__ == "__main__":
    unittest.main()
