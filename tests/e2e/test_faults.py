"""The director under faults, as real processes: a simulator that breaks the link inside a packet,
a GUI client that floods requests without reading and then stops reading for good, a camera file
that cannot be written (no "cam" folder, a full disk), a missing "views" folder, and a stop while
each thread is busy. Nothing crashes or hangs, the old camera file survives a failed save, the
user is told, and every stop ends within its bounded waits (exit status 0), closing InSim in
order."""

import fcntl
import os
import resource
import shutil
import signal
import socket
import struct
import termios
import time
import unittest

from harness import (GLM_CARS, GLM_FOLLOW_CARS, GLM_TRACK_NODE, GOODBYE, MAGIC, RACE,
                     TINY_CLOSE, TINY_SST, VERSION_RECORD, GuiClient, Stage, attempt_seen,
                     free_port, get_nodes, is_track, marked)
from test_control import FRONT_VIEW, cam_lines, edit_and_leave

# Two worker threads, each stopped within 3000 ms, and a little for the process itself.
STOP_BOUND_S = 7.0


def node_index(rec):
    return struct.unpack_from("<I", rec, 9)[0]


def wait_until_full(sock, timeout=20.0):
    """Waits until what waits unread in the socket's receive buffer stops growing: the sender is
    then held up by the full buffer."""
    deadline = time.monotonic() + timeout
    last, steady = -1, 0
    while steady < 3:
        if time.monotonic() > deadline:
            raise AssertionError("the receive buffer never filled (%d bytes)" % last)
        pending = struct.unpack("i", fcntl.ioctl(sock.fileno(), termios.FIONREAD,
                                                 b"\0\0\0\0"))[0]
        steady = steady + 1 if pending == last and pending > 0 else 0
        last = pending
        time.sleep(0.1)


def frozen_client(test, port, requests):
    """A GUI client that waits for the track (requests before it are dropped unanswered), sends
    node requests and never reads again; its small receive buffer fills within moments."""
    gui = GuiClient(test, port)
    gui.sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    gui.record_where(is_track, timeout=20)
    gui.send(get_nodes(0) * requests)
    return gui


class FaultTest(unittest.TestCase):
    def test_link_cut_inside_a_packet_is_retried_and_directing_resumes(self):
        stage = Stage(self)
        stage.start_racesim("--laps", "5", "--speed", "4", "--mp-speedup", *RACE)
        morvane = stage.start_morvane()
        stage.wait_packet("IS_TINY", subt=TINY_SST)
        stage.wait_event("lights_out", timeout=15)
        stage.command("cut")
        cut = stage.wait_event("disconnected")
        self.assertIn("inside a packet", cut["reason"])
        # The next attempt follows about 2 s later, and the race is directed on that connection.
        isi = stage.wait_packet("IS_ISI", after=cut, timeout=5)
        self.assertGreater(isi["t_ms"] - cut["t_ms"], 1500)
        stage.wait_packet("IS_TINY", subt=TINY_SST, after=isi)
        stage.command("press 6")
        active = stage.shown("active", after=isi)
        stage.shown("please disable the multiplayer speedup option in LFS", after=active)
        stage.wait_packet("IS_CPP", ingame_cam=2, after=active)
        self.assertEqual(morvane.stop(timeout=STOP_BOUND_S), 0)

    def test_request_flood_a_client_that_stops_reading_and_one_that_vanishes_in_a_frame(self):
        stage = Stage(self)
        stage.write_config(delay=100)
        gui_port = free_port()
        stage.start_racesim("--cars", "40", "--laps", "20", "--speed", "4", "--cams", "8",
                            "--lobby", "0.5", "--grid", "1")
        morvane = stage.start_morvane("--auto-activate", "--enable-gui",
                                      "--gui-port", str(gui_port))
        gui = GuiClient(self, gui_port)
        self.assertEqual(gui.record(), VERSION_RECORD)
        gui.record_where(is_track, timeout=20)
        stage.wait_packet("IS_CPP", timeout=20)

        # 300 requests of 32 nodes each in one go: the director's request queue fills (the rest
        # waits in the server's receive buffer) and so does its queue to the client; each request
        # waits for room instead of losing nodes, so every batch arrives whole and in order.
        flood = 300
        gui.send(get_nodes(0) * flood)
        nodes = []
        until = time.monotonic() + 60
        while len(nodes) < flood * 32 and time.monotonic() < until:
            rec = gui.record()
            self.assertNotEqual(rec, b"", "the director said goodbye during the flood")
            if rec[2] == GLM_TRACK_NODE:
                nodes.append(node_index(rec))
        self.assertEqual(nodes, list(range(32)) * flood)
        # The link and the session are still whole: a new request is answered in full, in order.
        gui.send(get_nodes(64))
        nodes = []
        while len(nodes) < 32:
            rec = gui.record()
            if rec[2] == GLM_TRACK_NODE:
                nodes.append(node_index(rec))
        self.assertEqual(nodes, list(range(64, 96)))
        cars = gui.record_where(lambda r: r[2] == GLM_CARS and r[3] > 0)
        self.assertEqual(len(cars), 4 + 10 * cars[3])
        last = stage.packets("IS_CPP")[-1]
        stage.wait_packet("IS_CPP", after=last)

        # The client leaves; the next one floods requests and never reads: the director lets it
        # go instead of blocking on it (its session with the simulator ends with the client's).
        gui.send(GOODBYE)
        gui.until_goodbye()
        close = stage.wait_packet("IS_TINY", subt=TINY_CLOSE, after=last)
        frozen_client(self, gui_port, 3000)
        isi = stage.wait_packet("IS_ISI", after=close)
        close = stage.wait_packet("IS_TINY", subt=TINY_CLOSE, after=isi, timeout=20)
        # The one after it sends half a request and resets the connection instead of a goodbye:
        # that frees the director too, and nothing of the half request is kept for the next
        # client, whose own request is understood from its first byte.
        gone = GuiClient(self, gui_port)
        self.assertEqual(gone.record(), VERSION_RECORD)
        isi = stage.wait_packet("IS_ISI", after=close)
        gone.record_where(is_track, timeout=20)
        gone.send(get_nodes(0)[:6])
        gone.sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        gone.close()
        close = stage.wait_packet("IS_TINY", subt=TINY_CLOSE, after=isi)
        again = GuiClient(self, gui_port)
        self.assertEqual(again.record(), VERSION_RECORD)
        stage.wait_packet("IS_ISI", after=close)
        again.record_where(is_track, timeout=20)
        again.send(get_nodes(0))
        self.assertEqual(node_index(again.record_where(lambda r: r[2] == GLM_TRACK_NODE)), 0)
        self.assertEqual(morvane.stop(timeout=STOP_BOUND_S), 0, morvane.output()[-2000:])
        again.until_goodbye()

    def test_a_camera_file_that_cannot_be_written_is_told_and_the_old_one_kept(self):
        for case in ("no cam folder", "disk full"):
            with self.subTest(case):
                stage = Stage(self)
                stage.start_racesim("--laps", "3", "--speed", "4", *RACE)
                old = cam_lines(stage)
                # Disk full: no file may grow beyond what the camera file holds now, so the save
                # of one more camera runs out of room (the program's own log is cut there too).
                limit = sum(len(line) + 2 for line in old) + 8 if case == "disk full" else None

                def preexec():
                    if limit is not None:
                        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
                        resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))

                stage.start_morvane(preexec_fn=preexec)
                race = stage.wait_event("lights_out", timeout=15)
                cam_dir = os.path.join(stage.program_dir, "cam")
                if limit is None:
                    os.rename(cam_dir, cam_dir + ".away")
                    with open(cam_dir, "w") as f:
                        f.write("a file where the folder belongs")
                left = edit_and_leave(stage, race)
                failed = stage.shown("could not save the cam positions", after=left)
                self.assertEqual([r for r in stage.packets("IS_MSL", after=failed)
                                  if "save" in r["msg"]], [])
                if limit is None:
                    os.remove(cam_dir)
                    os.rename(cam_dir + ".away", cam_dir)
                self.assertEqual(cam_lines(stage), old)
                self.assertEqual(sorted(os.listdir(cam_dir)), ["RS1.cam"])
                if limit is None:
                    # Once the folder is back the kept changes are saved at the next leave.
                    stage.command("type e")
                    on = stage.shown("switched into edit mode", after=failed)
                    stage.command("type x")
                    stage.shown("leaving edit mode", after=on)
                    stage.wait_for(lambda r: len(cam_lines(stage)) == len(old) + 1, timeout=5,
                                   what="the camera file saved with the added camera")
                self.assertEqual(stage.morvane.stop(timeout=STOP_BOUND_S), 0)

    def test_missing_views_folder_keeps_the_tv_cameras(self):
        stage = Stage(self)
        gui_port = free_port()
        stage.start_racesim("--laps", "3", "--speed", "4", *RACE)
        shutil.rmtree(os.path.join(stage.program_dir, "views"))
        stage.start_morvane("--enable-gui", "--gui-port", str(gui_port))
        gui = GuiClient(self, gui_port)
        lights = stage.wait_event("lights_out", timeout=15)
        stage.command("press 6")
        active = stage.shown("active", after=lights)
        plid = gui.record_where(lambda r: r[2] == GLM_CARS and r[3] == 6)[4]
        # A manual on-board view cannot be installed: the user is told, the car is still followed
        # from the track's cameras.
        gui.send(MAGIC + struct.pack("<HBBB", 5, GLM_FOLLOW_CARS, FRONT_VIEW | 1, plid))
        told = stage.shown("path information for custom views not found -> check cvw.ini",
                           after=active)
        stage.wait_packets("IS_CPP", 31, told)
        self.assertEqual({c["ingame_cam"] for c in stage.packets("IS_CPP", after=active)}, {2})
        # The car list for the client marks the car followed: only the chosen one, steadily.
        gui.record_where(lambda r: r[2] == GLM_CARS and marked(r) == [plid])
        for _ in range(10):
            self.assertEqual(marked(gui.record_where(lambda r: r[2] == GLM_CARS)), [plid])

    def test_every_stop_ends_within_its_bound_whatever_the_threads_are_doing(self):
        cases = [
            # (what is going on, InSim version, racesim arguments or None, GUI client)
            ("InSim thread between attempts, no simulator", 4, None, None),
            ("GUI server listening, no client", 4, None, "none"),
            ("version 3 session in a race", 3, ("--speed", "4"), None),
            ("version 4 race of 40 cars directed, client reading", 4,
             ("--cars", "40", "--speed", "8"), "reading"),
            ("client connected that never reads", 4, ("--cars", "40", "--speed", "8"), "frozen"),
        ]
        for what, version, racesim, client in cases:
            with self.subTest(what):
                stage = Stage(self, version=version)
                stage.write_config(delay=100)
                args = ["--auto-activate"]
                gui_port = free_port()
                if client:
                    args += ["--enable-gui", "--gui-port", str(gui_port)]
                if racesim is not None:
                    stage.start_racesim("--laps", "5", "--lobby", "0.5", "--grid", "1", *racesim)
                morvane = stage.start_morvane(*args)
                stage.wait_output(morvane, "stop with Ctrl-C")
                gui = None
                if client == "reading":
                    gui = GuiClient(self, gui_port)
                elif client == "frozen":
                    gui = frozen_client(self, gui_port, 3000)
                if version == 3:
                    # (Switching on by the race clock needs version 4: this one stays off, busy
                    # acknowledging the race's packets.)
                    stage.wait_packet("ACK", after=stage.wait_event("lights_out", timeout=20))
                elif racesim is not None:
                    stage.wait_packet("IS_CPP", timeout=20)
                elif client is None:
                    attempt_seen(stage.port)  # one attempt failed: the next is 2 s away
                if client == "reading":
                    gui.record_where(lambda r: r[2] == GLM_CARS, timeout=10)
                if client == "frozen":
                    wait_until_full(gui.sock)  # the server is caught in a send when the stop comes
                # (A stop beyond the bound is killed: no status 0.)
                self.assertEqual(morvane.stop(timeout=STOP_BOUND_S), 0, morvane.output()[-2000:])
                if client == "reading":
                    gui.until_goodbye()
                if racesim is not None:
                    # The session was closed in order: its last packet is the close.
                    gone = stage.wait_event("disconnected", timeout=3)
                    self.assertIn("closed InSim", gone["reason"])
                    last = [r for r in stage.packets() if r["_i"] < gone["_i"]][-1]
                    self.assertEqual((last["type"], last.get("subt", last.get("value")),
                                      last["size"], last.get("reqi", 0)),
                                     ("IS_TINY", TINY_CLOSE, 4, 0) if version == 4
                                     else ("ISC", 0, 8, 0))
                if gui is not None:
                    gui.close()
                stage.close()


if __name__ == "__main__":
    unittest.main()
