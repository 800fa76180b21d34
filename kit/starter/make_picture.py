#!/usr/bin/env python3
"""Writes starter.bmp, the starter medium's background: a 320 by 200 picture
with an 8-bit colour table (deep blue shading to teal, with a soft band of
light behind the buttons and a darker field for the descriptions), stretched
by the launcher to its window. Replace it with your own picture: any BMP
the launcher can draw will do."""
import importlib.util
import math
import os
import sys

# The BMP writer is the demo medium's (a file of the same name).
_demo = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples", "demo",
                     "make_picture.py")
_spec = importlib.util.spec_from_file_location("demo_make_picture", _demo)
_module = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(_module)
write_indexed_bmp = _module.write_indexed_bmp

WIDTH, HEIGHT = 320, 200


def palette():
    entries = []
    for i in range(256):
        t = i / 255.0
        r = int(12 + 40 * t)
        g = int(30 + 110 * t)
        b = int(70 + 100 * t)
        entries.append(bytes((b, g, r, 0)))  # stored blue, green, red, reserved
    return b"".join(entries)


def index_at(x, y):
    # Lighter towards the lower left, a diagonal band of light, and a quiet
    # darker field on the right where the descriptions are drawn.
    base = 70 + 90 * (y / (HEIGHT - 1)) - 40 * (x / (WIDTH - 1))
    band = 45 * math.exp(-(((x * 0.6 + y) - 150) / 38.0) ** 2)
    dx, dy = (x - 240) / 70.0, (y - 95) / 60.0
    field = -35 * math.exp(-(dx * dx + dy * dy) ** 2)
    return max(0, min(255, int(base + band + field)))


def main(path):
    write_indexed_bmp(path, WIDTH, HEIGHT, index_at, palette())


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "starter.bmp")
