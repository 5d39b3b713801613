#!/usr/bin/env python3
"""Pixel questions about a screenshot, for the whole-program checks of the GUI client.

  shot_pixels.py count FILE R,G,B [X Y W H]      pixels of exactly that colour (in the box)
  shot_pixels.py clusters FILE R,G,B X Y W H     centres of the 8-connected groups of that colour
                                                 in the box, one "x y size" line each, biggest first
The picture is read through ImageMagick's convert as a binary PPM.
"""
import subprocess
import sys


def load(path):
    data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                          stdout=subprocess.PIPE).stdout
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[pos:pos + width * height * 3]


def matches(path, colour, box):
    width, height, pixels = load(path)
    want = bytes(int(c) for c in colour.split(","))
    x0, y0, w, h = box if box else (0, 0, width, height)
    found = set()
    for y in range(max(0, y0), min(height, y0 + h)):
        row = y * width * 3
        for x in range(max(0, x0), min(width, x0 + w)):
            if pixels[row + x * 3:row + x * 3 + 3] == want:
                found.add((x, y))
    return found


def main():
    verb, path, colour = sys.argv[1:4]
    box = [int(v) for v in sys.argv[4:8]] if len(sys.argv) >= 8 else None
    found = matches(path, colour, box)
    if verb == "count":
        print(len(found))
        return
    groups = []
    while found:
        stack = [found.pop()]
        group = []
        while stack:
            x, y = stack.pop()
            group.append((x, y))
            for dx in (-1, 0, 1):
                for dy in (-1, 0, 1):
                    p = (x + dx, y + dy)
                    if p in found:
                        found.remove(p)
                        stack.append(p)
        groups.append(group)
    groups.sort(key=len, reverse=True)
    for g in groups:
        xs = sorted(p[0] for p in g)
        ys = sorted(p[1] for p in g)
        print(xs[len(xs) // 2], ys[len(ys) // 2], len(g))


if __name__ == "__main__":
    main()
