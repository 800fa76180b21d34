#!/usr/bin/env python3
"""Writes demo.bmp, the demo medium's background: a 320 by 200 picture with
an 8-bit colour table (a dusk gradient with a soft glow), small enough to
keep in the repository and stretched by the launcher to the window."""
import math
import struct
import sys

WIDTH, HEIGHT = 320, 200


def palette():
    entries = []
    for i in range(256):
        t = i / 255.0
        r = int(20 + 120 * t * t)
        g = int(24 + 60 * t)
        b = int(60 + 110 * t)
        entries.append(bytes((b, g, r, 0)))  # stored blue, green, red, reserved
    return b"".join(entries)


def index_at(x, y):
    # Darker at the top, a glow behind the description area on the right.
    base = 40 + 120 * (y / (HEIGHT - 1))
    dx, dy = (x - 250) / 90.0, (y - 90) / 70.0
    glow = 90 * math.exp(-(dx * dx + dy * dy))
    return max(0, min(255, int(base + glow)))


def write_indexed_bmp(path, width, height, index_at, colours):
    """Writes an 8-bit BMP of `width` x `height` whose pixel (x, y), counted
    from the top left, is colour index_at(x, y) of the 256 `colours`
    (4 bytes each: blue, green, red, reserved)."""
    stride = (width + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):  # bottom-up, as BMP stores them
        row = bytes(index_at(x, y) for x in range(width))
        rows.append(row + b"\0" * (stride - width))
    bits = b"".join(rows)
    offset = 14 + 40 + len(colours)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(bits), 2835, 2835, 256, 0)
    header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(header + info + colours + bits)


def main(path):
    write_indexed_bmp(path, WIDTH, HEIGHT, index_at, palette())


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "demo.bmp")
