"""The director with GUI access on, against the stand-in and a scripted GUI client: the session
with the simulator runs only while a client is connected, each client's stream starts with
GLM_VERSION and carries the director's records, goodbyes go both ways, and a GUI port that is
taken ends the program with the reason."""

import os
import socket
import struct
import time
import unittest

from harness import Stage, free_port

MAGIC = b"MrV\x00"
GOODBYE = MAGIC + b"\x00\x00"
VERSION_RECORD = bytes([6, 0, 19, 0, 2, 4])
GLM_TRACK = 3
GLM_EDIT_MODE = 4
GLM_CURRENT_CAMERA = 5
GLM_CAMERA_ADDED = 8
GLM_SET_EDIT_MODE = 17
GLM_GET_NODES = 21
GLM_TRACK_NODE = 22
GLM_PICK_CAMERA = 1
TINY_CLOSE = 2
TINY_SST = 7


class GuiClient:
    """A GUI client that speaks the link's frames byte by byte."""

    def __init__(self, test, port, timeout=10.0):
        self.test = test
        self.buf = b""
        self.closed = False
        deadline = time.monotonic() + timeout
        while True:
            try:
                self.sock = socket.create_connection(("127.0.0.1", port), timeout=1.0)
                break
            except OSError:
                if time.monotonic() > deadline:
                    test.fail("the director's GUI port %d never accepted" % port)
                time.sleep(0.05)

    def _fill(self, deadline):
        self.sock.settimeout(max(0.01, deadline - time.monotonic()))
        try:
            data = self.sock.recv(4096)
        except socket.timeout:
            return False
        if not data:
            self.closed = True
            return False
        self.buf += data
        return True

    def record(self, timeout=10.0):
        """The next record (size field first), b"" for the goodbye frame; fails on time-out."""
        deadline = time.monotonic() + timeout
        while True:
            if len(self.buf) >= 6:
                self.test.assertEqual(self.buf[:4], MAGIC)
                size = struct.unpack_from("<H", self.buf, 4)[0]
                if size == 0:
                    self.buf = self.buf[6:]
                    return b""
                if len(self.buf) >= 4 + size:
                    rec = self.buf[4:4 + size]
                    self.buf = self.buf[4 + size:]
                    return rec
            if self.closed or time.monotonic() > deadline:
                self.test.fail("no complete record from the director (closed: %s)" % self.closed)
            self._fill(deadline)

    def record_where(self, predicate, timeout=10.0):
        deadline = time.monotonic() + timeout
        while True:
            rec = self.record(max(0.01, deadline - time.monotonic()))
            if rec and predicate(rec):
                return rec

    def until_goodbye(self, timeout=10.0):
        """Reads records up to the goodbye frame, then expects the connection to close."""
        deadline = time.monotonic() + timeout
        while self.record(max(0.01, deadline - time.monotonic())) != b"":
            pass
        while not self.closed and time.monotonic() < deadline:
            self._fill(deadline)
        self.test.assertTrue(self.closed, "the director kept the connection after its goodbye")
        self.test.assertEqual(self.buf, b"", "bytes after the goodbye frame")

    def send(self, data):
        self.sock.sendall(data)

    def close(self):
        self.sock.close()


def wait_output(stage, process, text, timeout=10.0):
    deadline = time.monotonic() + timeout
    while text not in process.output():
        if time.monotonic() > deadline or not process.running():
            stage.test.fail("%s never said %r" % (process.name, text))
        time.sleep(0.05)


class GuiLinkTest(unittest.TestCase):
    def test_session_runs_only_while_a_gui_client_is_connected(self):
        stage = Stage(self)
        gui_port = free_port()
        stage.start_racesim()
        morvane = stage.start_morvane("--enable-gui", "--gui-port", str(gui_port))
        wait_output(stage, morvane, "GUI access on port %d" % gui_port)
        time.sleep(0.5)
        self.assertEqual(stage.events("tcp_accepted"), [],
                         "the director connected to the simulator without a GUI client")

        first = GuiClient(self, gui_port)
        self.addCleanup(first.close)
        self.assertEqual(first.record(), VERSION_RECORD)
        isi = stage.wait_packet("IS_ISI")
        # In the front end the track is reported as none; once the race is on, with its path.
        track = first.record_where(lambda r: r[2] == GLM_TRACK and len(r) == 17, timeout=15.0)
        self.assertEqual(track[3:9], b"RS1\x00\x00\x00")
        self.assertEqual(struct.unpack_from("<I", track, 9)[0], 600)

        # The client leaves: the director answers its goodbye and ends the session.
        first.send(GOODBYE)
        first.until_goodbye()
        close = stage.wait_packet("IS_TINY", subt=TINY_CLOSE, after=isi)

        # The next client gets a session of its own, again starting with GLM_VERSION.
        second = GuiClient(self, gui_port)
        self.addCleanup(second.close)
        self.assertEqual(second.record(), VERSION_RECORD)
        stage.wait_packet("IS_ISI", after=close)
        second.record_where(lambda r: r[2] == GLM_TRACK, timeout=15.0)

        # The director stops: the client gets its goodbye before the connection closes.
        self.assertEqual(morvane.stop(timeout=8.0), 0)
        second.until_goodbye()

    def test_a_client_that_vanishes_frees_the_director_for_the_next(self):
        stage = Stage(self)
        gui_port = free_port()
        stage.start_racesim()
        stage.start_morvane("--enable-gui", "--gui-port", str(gui_port))
        first = GuiClient(self, gui_port)
        self.assertEqual(first.record(), VERSION_RECORD)
        isi = stage.wait_packet("IS_ISI")
        stage.wait_packet("IS_TINY", subt=TINY_SST, after=isi)  # the session's receive loop runs
        first.close()  # no goodbye
        close = stage.wait_packet("IS_TINY", subt=TINY_CLOSE, after=isi)
        second = GuiClient(self, gui_port)
        self.addCleanup(second.close)
        self.assertEqual(second.record(), VERSION_RECORD)
        stage.wait_packet("IS_ISI", after=close)

    # requires: director/control/gui_requests.cpp
    def test_the_director_sends_nodes_and_edits_cameras_for_the_client(self):
        stage = Stage(self)
        gui_port = free_port()
        stage.start_racesim("--cams", "5")
        stage.start_morvane("--enable-gui", "--gui-port", str(gui_port))
        gui = GuiClient(self, gui_port)
        self.addCleanup(gui.close)
        self.assertEqual(gui.record(), VERSION_RECORD)
        gui.record_where(lambda r: r[2] == GLM_TRACK and len(r) == 17, timeout=15.0)

        # The last batch of the path: nodes 580..599, exactly as the path file holds them.
        with open(os.path.join(stage.sim_dir, "data", "smx", "RS1.pth"), "rb") as f:
            path = f.read()
        gui.send(MAGIC + struct.pack("<HBI", 7, GLM_GET_NODES, 580))
        for index in range(580, 600):
            node = gui.record_where(lambda r: r[2] == GLM_TRACK_NODE)
            self.assertEqual(len(node), 53)
            self.assertEqual(node[3:9], b"RS1\x00\x00\x00")
            self.assertEqual(struct.unpack_from("<I", node, 9)[0], index)
            self.assertEqual(node[13:53], path[16 + 40 * index:16 + 40 * (index + 1)])

        # Edit mode: the switch, then every camera in store order, then the current one.
        gui.send(MAGIC + struct.pack("<HBB", 4, GLM_SET_EDIT_MODE, 1))
        self.assertEqual(gui.record_where(lambda r: r[2] == GLM_EDIT_MODE), bytes([4, 0, 4, 1]))
        cameras = [gui.record() for _ in range(5)]
        self.assertEqual([(c[2], struct.unpack_from("<H", c, 4)[0]) for c in cameras],
                         [(GLM_CAMERA_ADDED, i) for i in range(5)])
        self.assertEqual(gui.record(), bytes([5, 0, GLM_CURRENT_CAMERA, 0, 0]))
        shown = stage.wait_packet("IS_MSL", msg="^3Morvane: ^2switched into edit mode")

        # A click on the map next to camera 3 makes it current and puts the view on it.
        x, y, z = struct.unpack_from("<iii", cameras[3], 6)
        gui.send(MAGIC + struct.pack("<HBiiii", 19, GLM_PICK_CAMERA,
                                     x - 65536, y + 65536, x + 65536, y - 65536))
        self.assertEqual(gui.record_where(lambda r: r[2] == GLM_CURRENT_CAMERA),
                         bytes([5, 0, GLM_CURRENT_CAMERA, 3, 0]))
        stage.wait_packet("IS_CPP", pos=[x, y, z], after=shown)

        gui.send(MAGIC + struct.pack("<HBB", 4, GLM_SET_EDIT_MODE, 0))
        self.assertEqual(gui.record_where(lambda r: r[2] == GLM_EDIT_MODE), bytes([4, 0, 4, 0]))

    def test_a_taken_gui_port_ends_the_program_with_the_reason(self):
        stage = Stage(self)
        taken = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.addCleanup(taken.close)
        taken.bind(("0.0.0.0", 0))
        taken.listen(1)
        port = taken.getsockname()[1]
        morvane = stage.start_morvane("--enable-gui", "--gui-port", str(port))
        self.assertEqual(stage.wait_exit(morvane, 10.0), 1)
        self.assertIn("GUI port %d could not be opened: is another program using it?" % port,
                      morvane.output())
        self.assertNotIn("GUI access on port", morvane.output())


if __name__ == "__main__":
    unittest.main()
