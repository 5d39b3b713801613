#!/usr/bin/env python3
"""Draws the GUI client's toolbar bitmap (toolbar.bmp: 11 images of 16 x 15 pixels side by side,
16 colours) and its icon (morvaneview.ico: 32 x 32 and 16 x 16, 16 colours) from the pixel art
below. Run it after changing the art; the build uses the files it writes.

Colours are the 16 standard ones; '.' is the button face grey 192,192,192, which the toolbar maps
to the system's button colour.
"""
import os
import struct
import sys

PALETTE = [  # (r, g, b), the 16 standard colours
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
CHARS = "krgynpt.dRGYBMCW"  # index in PALETTE

TOOLBAR = [
    # 0 Connect: a plug on its cable
    ["................",
     ".........k..k...",
     ".........k..k...",
     "........kkkkkk..",
     "........kYYYYk..",
     "........kYYYYk..",
     ".........kYYk...",
     "..........kk....",
     "..........k.....",
     ".........k......",
     "......kkk.......",
     "....kk..........",
     "..kk............",
     ".k..............",
     "................"],
    # 1 Edit Cameras: a TV camera on its stand
    ["................",
     "................",
     ".kkkkkkkkkk.....",
     ".kddddddddk..kk.",
     ".kdWWdddddkkkkk.",
     ".kddddddddkkkkk.",
     ".kddddddddkkkkk.",
     ".kddddddddk..kk.",
     ".kkkkkkkkkk.....",
     ".....kk.........",
     ".....kk.........",
     "....kkkk........",
     "...kk..kk.......",
     "..kk....kk......",
     "................"],
    # 2 Manual Control: a joystick
    ["................",
     "......kkk.......",
     ".....kRRRk......",
     ".....kRRRk......",
     "......kkk.......",
     ".......k........",
     ".......k........",
     ".......k........",
     ".......k........",
     "...kkkkkkkkk....",
     "..kdddddddddk...",
     "..kdRddddddddk..",
     "..kddddddddddk..",
     "..kkkkkkkkkkkk..",
     "................"],
    # 3 (no button): a flag
    ["................",
     "..k.............",
     "..kkkkkkkkkk....",
     "..kWWkkWWkkk....",
     "..kWWkkWWkkk....",
     "..kkkWWkkWWk....",
     "..kkkWWkkWWk....",
     "..kWWkkWWkkk....",
     "..kkkkkkkkkk....",
     "..k.............",
     "..k.............",
     "..k.............",
     "..k.............",
     ".kkk............",
     "................"],
    # 4 (no button): a stopwatch
    ["................",
     "......kkk.......",
     ".......k........",
     ".....kkkkk......",
     "...kkWWWWWkk....",
     "..kWWWWkWWWWk...",
     "..kWWWWkWWWWk...",
     ".kWWWWWkWWWWWk..",
     ".kWWWWWkkkWWWk..",
     ".kWWWWWWWWWWWk..",
     "..kWWWWWWWWWk...",
     "..kWWWWWWWWWk...",
     "...kkWWWWWkk....",
     ".....kkkkk......",
     "................"],
    # 5 zoom in: a magnifier with a plus
    ["................",
     "....kkkkk.......",
     "...kWWWWWk......",
     "..kWWWkWWWk.....",
     "..kWWWkWWWk.....",
     "..kWkkkkkWk.....",
     "..kWWWkWWWk.....",
     "..kWWWkWWWk.....",
     "...kWWWWWk......",
     "....kkkkkk......",
     ".........kk.....",
     "..........kk....",
     "...........kk...",
     "............kk..",
     "................"],
    # 6 zoom out: a magnifier with a minus
    ["................",
     "....kkkkk.......",
     "...kWWWWWk......",
     "..kWWWWWWWk.....",
     "..kWWWWWWWk.....",
     "..kWkkkkkWk.....",
     "..kWWWWWWWk.....",
     "..kWWWWWWWk.....",
     "...kWWWWWk......",
     "....kkkkkk......",
     ".........kk.....",
     "..........kk....",
     "...........kk...",
     "............kk..",
     "................"],
    # 7 Fit: a frame with arrows into its corners
    ["................",
     ".kkkk......kkkk.",
     ".kk..........kk.",
     ".k.k........k.k.",
     ".k..k......k..k.",
     "................",
     "......BBBB......",
     "......BBBB......",
     "......BBBB......",
     "................",
     ".k..k......k..k.",
     ".k.k........k.k.",
     ".kk..........kk.",
     ".kkkk......kkkk.",
     "................"],
    # 8 Front Cam: a car seen from the side, arrow ahead
    ["................",
     "................",
     "................",
     "..........k.....",
     "....kkkk..kk....",
     "...kWWkRk.kkk...",
     "..kRRRRRRkkkkk..",
     ".kRRRRRRRRkkk...",
     ".kRRRRRRRRkk....",
     "..kkkRRRkkkk....",
     "...kdk.kdk......",
     "....k...k.......",
     "................",
     "................",
     "................"],
    # 9 Incar Cam: a steering wheel
    ["................",
     ".....kkkkkk.....",
     "...kk......kk...",
     "..k..........k..",
     ".k............k.",
     ".k............k.",
     ".kkkkkkkkkkkkkk.",
     ".k....kkkk....k.",
     ".k.....kk.....k.",
     "..k....kk....k..",
     "...k...kk...k...",
     "....kk.kk.kk....",
     "......kkkk......",
     "................",
     "................"],
    # 10 Rear Cam: a car seen from the side, arrow behind
    ["................",
     "................",
     "................",
     ".....k..........",
     "....kk..kkkk....",
     "...kkk.kRkWWk...",
     "..kkkkkRRRRRRk..",
     "...kkkRRRRRRRRk.",
     "....kkRRRRRRRRk.",
     "....kkkkRRRkkk..",
     "......kdk.kdk...",
     ".......k...k....",
     "................",
     "................",
     "................"],
]

ICON = [  # 32 x 32; ' ' is transparent
    "                                ",
    "                                ",
    "          kkkkkkkkkkkk          ",
    "       kkkWWWWWWWWWWWWkkk       ",
    "     kkWWWWWWWWWWWWWWWWWWkk     ",
    "    kWWWWWddddddddddddWWWWWk    ",
    "   kWWWWddd          dddWWWWk   ",
    "  kWWWdd                ddWWWk  ",
    "  kWWdd    kkkkkkkk       ddWWk ",
    " kWWd    kkRRRRRRRRkk      dWWk ",
    " kWWd   kRRRRRRRRRRRRk     dWWk ",
    " kWd   kRRkkRRRRRRkkRRk     dWk ",
    "kWWd   kRk  kRRRRk  kRk     dWWk",
    "kWd    kRk  kRRRRk  kRk      dWk",
    "kWd    kRRkkRRRRRRkkRRk      dWk",
    "kWd    kRRRRRRRRRRRRRRk      dWk",
    "kWd    kRRRRRRRRRRRRRRk      dWk",
    "kWd     kRRRRRRRRRRRRk       dWk",
    "kWWd     kkkkkkkkkkkk       dWWk",
    " kWd                        dWk ",
    " kWWd      kkkkkkkkk       dWWk ",
    " kWWd    kkdddddddddkk     dWWk ",
    "  kWWdd kdd         ddk  ddWWk  ",
    "  kWWWdd                ddWWWk  ",
    "   kWWWWddd          dddWWWWk   ",
    "    kWWWWWddddddddddddWWWWWk    ",
    "     kkWWWWWWWWWWWWWWWWWWkk     ",
    "       kkkWWWWWWWWWWWWkkk       ",
    "          kkkkkkkkkkkk          ",
    "                                ",
    "                                ",
    "                                ",
]


def index_of(ch, where):
    if ch not in CHARS:
        sys.exit("unknown colour %r in %s" % (ch, where))
    return CHARS.index(ch)


def rows_4bpp(pixels, width):
    """Bottom-up 4-bit rows padded to 32 bits."""
    stride = ((width * 4 + 31) // 32) * 4
    out = b""
    for row in reversed(pixels):
        data = bytearray(stride)
        for x, v in enumerate(row):
            data[x // 2] |= v << (4 if x % 2 == 0 else 0)
        out += bytes(data)
    return out


def palette_bytes():
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)


def toolbar_bmp():
    for i, image in enumerate(TOOLBAR):
        if len(image) != 15 or any(len(r) != 16 for r in image):
            sys.exit("toolbar image %d is not 16 x 15" % i)
    width, height = 16 * len(TOOLBAR), 15
    pixels = [[index_of(image[y][x], "image %d" % i) for i, image in enumerate(TOOLBAR)
               for x in range(16)] for y in range(height)]
    bits = rows_4bpp(pixels, width)
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(bits), 2835, 2835, 16, 16)
    offset = 14 + len(header) + 64
    return struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset) + header + \
        palette_bytes() + bits


def icon_image(size):
    step = 32 // size
    colours, mask = [], []
    for y in range(size):
        line = ICON[y * step]
        if len(line) != 32:
            sys.exit("icon row %d is not 32 wide" % (y * step))
        row = [line[x * step] for x in range(size)]
        colours.append([0 if c == " " else index_of(c, "icon") for c in row])
        mask.append([1 if c == " " else 0 for c in row])
    xor = rows_4bpp(colours, size)
    mask_stride = ((size + 31) // 32) * 4
    and_bits = b""
    for row in reversed(mask):
        data = bytearray(mask_stride)
        for x, m in enumerate(row):
            if m:
                data[x // 8] |= 0x80 >> (x % 8)
        and_bits += bytes(data)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor) + len(and_bits),
                         0, 0, 16, 0)
    return header + palette_bytes() + xor + and_bits


def icon_file():
    images = [icon_image(32), icon_image(16)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((32, 16), images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "toolbar.bmp"), "wb") as f:
        f.write(toolbar_bmp())
    with open(os.path.join(here, "morvaneview.ico"), "wb") as f:
        f.write(icon_file())


if __name__ == "__main__":
    main()
