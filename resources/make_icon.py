#!/usr/bin/env python3
"""Writes mavrel.ico: the program's icon group, a 32x32 and a 16x16 image of
16 colours each (4 bits per pixel, the standard VGA palette). The picture is
a dark blue rounded tile with a yellow arrow pointing right, on a transparent
background. Run it again only to change the picture; the output is committed.
"""
import struct
import sys

# The 16-colour VGA palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
DARK_BLUE, BLUE, YELLOW, WHITE = 4, 12, 11, 15


def pixel(size, x, y):
    """Palette index of (x, y), top-down, or None where the icon is clear."""
    last = size - 1
    corner = max(2, size // 8)
    # Rounded corners: clear where both distances to an edge are small.
    dx = min(x, last - x)
    dy = min(y, last - y)
    if dx < corner and dy < corner and (corner - dx) + (corner - dy) > corner + 1:
        return None
    if dx == 0 or dy == 0:
        return WHITE
    # A right-pointing arrow: a triangle whose tip is at 3/4 of the width.
    cy = size / 2 - 0.5
    left = size * 0.3
    tip = size * 0.75
    half = (tip - x) * 0.55
    if left <= x <= tip and abs(y - cy) <= half:
        return YELLOW
    return BLUE if y < size // 2 else DARK_BLUE


def image(size):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    xor_row = (size * 4 + 31) // 32 * 4
    and_row = (size + 31) // 32 * 4
    xor = bytearray()
    mask = bytearray()
    for y in range(size - 1, -1, -1):  # bottom-up
        row = bytearray(xor_row)
        bits = bytearray(and_row)
        for x in range(size):
            index = pixel(size, x, y)
            if index is None:
                bits[x // 8] |= 0x80 >> (x % 8)
                index = 0
            row[x // 2] |= index << (4 if x % 2 == 0 else 0)
        xor += row
        mask += bits
    return header + palette + bytes(xor) + bytes(mask)


def main(path):
    images = [image(32), image(16)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((32, 16), images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "mavrel.ico")
