"""The web view of the built director under bad clients, as real processes: a thousand
connections at once, clients that trickle one byte at a time, oversized requests and paths that
try to leave the page, all while the director directs a race. The director keeps sending its
camera packets without a pause, good requests are answered afterwards, no file outside the page
is served, and its threads and open files stay bounded."""

import json
import os
import resource
import socket
import time
import unittest
import urllib.error
import urllib.request

from harness import Stage, free_port

ATTACKERS = 1000


def fetch(port, path, timeout=5.0):
    """(status, body) of a GET, or (None, "") when the connection failed."""
    try:
        with urllib.request.urlopen("http://127.0.0.1:%d%s" % (port, path), timeout=timeout) as r:
            return r.status, r.read().decode()
    except urllib.error.HTTPError as e:
        return e.code, ""
    except OSError:
        return None, ""


def raw(port, request, timeout=5.0):
    """Sends bytes as they stand and returns the whole answer."""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
        s.sendall(request)
        data = b""
        try:
            while True:
                chunk = s.recv(65536)
                if not chunk:
                    break
                data += chunk
        except OSError:
            pass
        return data


def threads_and_files(pid):
    with open("/proc/%d/status" % pid) as f:
        threads = next(int(line.split()[1]) for line in f if line.startswith("Threads:"))
    return threads, len(os.listdir("/proc/%d/fd" % pid))


class WebInputTest(unittest.TestCase):
    def test_a_thousand_bad_connections_neither_stall_the_director_nor_leak(self):
        soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
        if soft < ATTACKERS + 100:
            resource.setrlimit(resource.RLIMIT_NOFILE, (min(hard, ATTACKERS + 500), hard))
        stage = Stage(self)
        stage.write_config(delay=100)
        web = free_port()
        stage.start_racesim("--laps", "3", "--cars", "8", "--cams", "8", "--lobby", "0.5",
                            "--grid", "1")
        morvane = stage.start_morvane("--auto-activate", "--web-port", str(web))
        stage.wait_output(morvane, "web view on http://127.0.0.1:%d/" % web)
        stage.wait_packet("IS_CPP", timeout=30)
        pid = morvane.popen.pid
        status, body = fetch(web, "/state")
        self.assertEqual(status, 200)
        self.assertTrue(json.loads(body)["connected"])
        before = threads_and_files(pid)

        # The attack: every kind of bad client at once, left open for a while.
        attackers = []
        for i in range(ATTACKERS):
            s = socket.socket()
            s.setblocking(False)
            s.connect_ex(("127.0.0.1", web))
            attackers.append(s)
        time.sleep(0.5)
        for i, s in enumerate(attackers):
            try:
                if i % 4 == 0:
                    s.send(b"G")  # then nothing more: one byte a minute
                elif i % 4 == 1:
                    s.send(b"GET /state HTTP/1.1\r\nX-Big: " + b"a" * 60000)
                elif i % 4 == 2:
                    s.send(b"GET /../../../../etc/passwd HTTP/1.1\r\n\r\n")
            except OSError:
                pass
        attack_start = stage.read_trace()[-1]
        during = threads_and_files(pid)
        time.sleep(3.0)
        cpps = stage.packets("IS_CPP", after=attack_start)
        for s in attackers:
            s.close()

        # The director went on directing: camera packets all through, none held up.
        self.assertGreater(len(cpps), 5, "the director stopped sending camera packets")
        gaps = [b["t_ms"] - a["t_ms"] for a, b in zip(cpps, cpps[1:])]
        self.assertLess(max(gaps), 1000, "a camera packet was held up %d ms" % max(gaps))
        # Bounded: the server's threads were made at its start, and it holds at most one
        # connection per thread.
        self.assertEqual(during[0], before[0])
        self.assertLess(during[1], before[1] + 60)

        # Good requests are answered again once the bad clients are gone; nothing outside the
        # page was ever served.
        deadline = time.monotonic() + 15
        status = None
        while status != 200 and time.monotonic() < deadline:
            status, body = fetch(web, "/state")
        self.assertEqual(status, 200)
        self.assertIn(b"404 Not Found", raw(web, b"GET /../../../../etc/passwd HTTP/1.1\r\n\r\n"))
        self.assertNotIn(b"root:", raw(web, b"GET /%2e%2e/%2e%2e/etc/passwd HTTP/1.1\r\n\r\n"))
        time.sleep(1.0)
        after = threads_and_files(pid)
        self.assertEqual(after[0], before[0])
        self.assertLessEqual(after[1], before[1] + 2)
        self.assertTrue(morvane.running())
        self.assertEqual(morvane.stop(), 0)


if __name__ == "__main__":
    unittest.main()
