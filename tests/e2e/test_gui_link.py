"""The director with GUI access on, against the stand-in and a scripted GUI client: the session
with the simulator runs only while a client is connected, each client's stream starts with
GLM_VERSION and carries the director's records, goodbyes go both ways, and a GUI port that is
taken ends the program with the reason."""

import os
import socket
import struct
import unittest

from harness import (GLM_TRACK_NODE, GOODBYE, MAGIC, TINY_CLOSE, TINY_SST, VERSION_RECORD,
                     GuiClient, Stage, free_port, get_nodes, is_track)

GLM_PICK_CAMERA, GLM_EDIT_MODE, GLM_CURRENT_CAMERA, GLM_CAMERA_ADDED = 1, 4, 5, 8
GLM_SET_EDIT_MODE = 17


def gui_stage(test, *racesim):
    stage = Stage(test)
    port = free_port()
    stage.start_racesim(*racesim)
    morvane = stage.start_morvane("--enable-gui", "--gui-port", str(port))
    return stage, morvane, port


class GuiLinkTest(unittest.TestCase):
    def test_session_runs_only_while_a_gui_client_is_connected(self):
        stage, morvane, port = gui_stage(self)
        stage.wait_output(morvane, "GUI access on port %d" % port)
        # A director that ran its session without a client would have started it before printing
        # that line, and connected at once. racesim takes connections and typed commands in one
        # loop, so once a command typed now is traced, such a connection would be traced too.
        stage.command("status")
        stage.wait_event("command")
        self.assertEqual(stage.events("tcp_accepted"), [],
                         "the director connected to the simulator without a GUI client")
        first = GuiClient(self, port)
        self.assertEqual(first.record(), VERSION_RECORD)
        isi = stage.wait_packet("IS_ISI")
        # In the front end the track is reported as none; once the race is on, with its path.
        track = first.record_where(is_track, timeout=15.0)
        self.assertEqual(track[3:9], b"RS1\x00\x00\x00")
        self.assertEqual(struct.unpack_from("<I", track, 9)[0], 600)

        # The client leaves: the director answers its goodbye and ends the session.
        first.send(GOODBYE)
        first.until_goodbye()
        close = stage.wait_packet("IS_TINY", subt=TINY_CLOSE, after=isi)

        # The next client gets a session of its own, again starting with GLM_VERSION, and one
        # that vanishes without a goodbye frees the director for the one after it.
        for vanish in (True, False):
            client = GuiClient(self, port)
            self.assertEqual(client.record(), VERSION_RECORD)
            isi = stage.wait_packet("IS_ISI", after=close)
            if vanish:
                stage.wait_packet("IS_TINY", subt=TINY_SST, after=isi)  # the receive loop runs
                client.close()
                close = stage.wait_packet("IS_TINY", subt=TINY_CLOSE, after=isi)
        client.record_where(is_track, timeout=15.0)

        # The director stops: the client gets its goodbye before the connection closes.
        self.assertEqual(morvane.stop(timeout=8.0), 0)
        client.until_goodbye()

    def test_the_director_sends_nodes_and_edits_cameras_for_the_client(self):
        stage, _, port = gui_stage(self, "--cams", "5")
        gui = GuiClient(self, port)
        self.assertEqual(gui.record(), VERSION_RECORD)
        gui.record_where(is_track, timeout=15.0)
        # The start's state reports are over by the lights (the director hides the buttons, the
        # simulator reports its new state): a report without the free view would end edit mode
        # as soon as it began.
        stage.wait_event("lights_out", timeout=15)

        # The last batch of the path: nodes 580..599, exactly as the path file holds them.
        with open(os.path.join(stage.sim_dir, "data", "smx", "RS1.pth"), "rb") as f:
            path = f.read()
        gui.send(get_nodes(580))
        for index in range(580, 600):
            node = gui.record_where(lambda r: r[2] == GLM_TRACK_NODE)
            self.assertEqual(node[:13], bytes([53, 0, GLM_TRACK_NODE]) + b"RS1\x00\x00\x00"
                             + struct.pack("<I", index))
            self.assertEqual(node[13:], path[16 + 40 * index:16 + 40 * (index + 1)])

        # Edit mode: the switch, then every camera in store order, then the current one.
        gui.send(MAGIC + struct.pack("<HBB", 4, GLM_SET_EDIT_MODE, 1))
        self.assertEqual(gui.record_where(lambda r: r[2] == GLM_EDIT_MODE), bytes([4, 0, 4, 1]))
        cameras = [gui.record() for _ in range(5)]
        self.assertEqual([(c[2], struct.unpack_from("<H", c, 4)[0]) for c in cameras],
                         [(GLM_CAMERA_ADDED, i) for i in range(5)])
        self.assertEqual(gui.record(), bytes([5, 0, GLM_CURRENT_CAMERA, 0, 0]))
        shown = stage.shown("switched into edit mode")

        # A click on the map next to camera 3 makes it current and puts the view on it.
        x, y, z = struct.unpack_from("<iii", cameras[3], 6)
        gui.send(MAGIC + struct.pack("<HBiiii", 19, GLM_PICK_CAMERA,
                                     x - 65536, y + 65536, x + 65536, y - 65536))
        self.assertEqual(gui.record_where(lambda r: r[2] == GLM_CURRENT_CAMERA),
                         bytes([5, 0, GLM_CURRENT_CAMERA, 3, 0]))
        stage.wait_packet("IS_CPP", pos=[x, y, z], after=shown)

        gui.send(MAGIC + struct.pack("<HBB", 4, GLM_SET_EDIT_MODE, 0))
        self.assertEqual(gui.record_where(lambda r: r[2] == GLM_EDIT_MODE), bytes([4, 0, 4, 0]))
        stage.shown("leaving edit mode", after=shown)

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
