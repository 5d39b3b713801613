#!/usr/bin/env python3
"""A scripted simulator for morvane.exe under Wine: InSim version 4 over TCP on 127.0.0.1.

It answers the director's version request (0.6B), reports a game on track BL1 in the free view
with its camera at (12.5 m, -30.25 m, 7 m), and types the edit commands ": e" and, once the
director has switched into edit mode, ": a". Everything the director shows and its TINY_CLOSE
are written to the log file, one line each ("text ...", "close"), as they arrive.

  fake_simulator.py --port N --log FILE [--duration S]
  fake_simulator.py --write-path FILE     a 40-node track path file for BL1
"""

import argparse
import math
import socket
import struct
import time

ISP_VER, ISP_TINY, ISP_STA, ISP_CPP, ISP_MSO, ISP_MST, ISP_MSL = 2, 3, 5, 9, 11, 13, 40
TINY_VER, TINY_CLOSE, TINY_SST = 1, 2, 7
ISS_GAME, ISS_SHIFTU = 1, 8
VIEW = (819200, -1982464, 458752)  # 12.5 m, -30.25 m, 7 m


def path_file(nodes=40, radius=200.0):
    out = bytearray(b"LFSPTH\0\0" + struct.pack("<iI", nodes, 0))
    for i in range(nodes):
        a = 2 * math.pi * i / nodes
        x, y = radius * math.cos(a), radius * math.sin(a)
        out += struct.pack("<iiifffffff", int(x * 65536), int(y * 65536), 0,
                           -math.sin(a), math.cos(a), 0.0, -6.0, 6.0, -5.0, 5.0)
    return bytes(out)


def ver():
    return struct.pack("<BBBB8s6sBB", 20, ISP_VER, 1, 0, b"0.6B", b"S2", 4, 0)


def sta():
    return struct.pack("<BBBBfHBBBBBBBBH6sBB", 28, ISP_STA, 0, 0, 1.0, ISS_GAME | ISS_SHIFTU,
                       3, 0, 0, 1, 0, 0, 0, 0, 0, b"BL1", 0, 0)


def cpp():
    return struct.pack("<BBBBiiiHHHBBfHH", 32, ISP_CPP, 0, 0, *VIEW, 0, 0, 0, 0, 3, 90.0, 0,
                       ISS_SHIFTU)


def mso(text):
    return struct.pack("<BBBBBBBB128s", 136, ISP_MSO, 0, 0, 0, 1, 1, 0, text.encode())


def text_of(packet):
    return packet[4:].split(b"\0", 1)[0].decode("latin-1")


def serve(conn, log):
    buf = b""
    while True:
        data = conn.recv(4096)
        if not data:
            return
        buf += data
        while len(buf) >= 4 and len(buf) >= buf[0] > 0:
            packet, buf = buf[:buf[0]], buf[buf[0]:]
            kind = packet[1]
            if kind == ISP_TINY and packet[3] == TINY_VER:
                conn.sendall(ver())
            elif kind == ISP_TINY and packet[3] == TINY_SST:
                conn.sendall(sta() + cpp() + mso(": e"))
            elif kind == ISP_TINY and packet[3] == TINY_CLOSE:
                log("close")
            elif kind in (ISP_MST, ISP_MSL):
                text = text_of(packet)
                log("text " + text)
                if text.endswith("switched into edit mode"):
                    conn.sendall(mso(": a"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int)
    parser.add_argument("--log")
    parser.add_argument("--duration", type=float, default=120)
    parser.add_argument("--write-path")
    args = parser.parse_args()
    if args.write_path:
        with open(args.write_path, "wb") as f:
            f.write(path_file())
        return

    def log(line):
        with open(args.log, "a") as f:
            f.write(line + "\n")

    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", args.port))
    server.listen(1)
    end = time.monotonic() + args.duration
    while time.monotonic() < end:
        server.settimeout(max(0.1, end - time.monotonic()))
        try:
            conn, _ = server.accept()
        except socket.timeout:
            break
        conn.settimeout(max(0.1, end - time.monotonic()))
        log("connected")
        try:
            serve(conn, log)
        except (socket.timeout, OSError):
            pass
        conn.close()
        log("disconnected")


if __name__ == "__main__":
    main()
