#!/usr/bin/env python3
"""Writes src/platform/desktop/box_font_glyphs.inc, the bitmap font that the
launcher's own message box falls back on when no TrueType face can be had:
the X core font "fixed" (misc-fixed 6x13, ISO 8859-1, a public-domain font
of xfonts-base) as one byte per glyph row, bit 7 the leftmost pixel.

Usage: make-box-font.py [PCF_FILE] (default: xfonts-base's 6x13-ISO8859-1)."""
import gzip
import os
import struct
import sys

PCF_ACCELERATORS = 1 << 1
PCF_METRICS = 1 << 2
PCF_BITMAPS = 1 << 3
PCF_BDF_ENCODINGS = 1 << 5
PCF_BDF_ACCELERATORS = 1 << 8
PCF_COMPRESSED_METRICS = 0x100

CELL_WIDTH = 6
CELL_HEIGHT = 13
FIRST, LAST = 0x20, 0xFF


def read_pcf(path):
    data = gzip.open(path).read() if path.endswith(".gz") else open(path, "rb").read()
    assert data[:4] == b"\x01fcp", "not a PCF file"
    (count,) = struct.unpack_from("<i", data, 4)
    tables = {}
    for i in range(count):
        kind, fmt, size, offset = struct.unpack_from("<iiii", data, 8 + 16 * i)
        tables[kind] = (fmt, offset)
    return data, tables


def table(data, tables, kind):
    fmt, offset = tables[kind]
    (own,) = struct.unpack_from("<i", data, offset)
    order = ">" if own & 4 else "<"
    return own, order, offset + 4


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else "/usr/share/fonts/X11/misc/6x13-ISO8859-1.pcf.gz"
    data, tables = read_pcf(path)

    kind = PCF_BDF_ACCELERATORS if PCF_BDF_ACCELERATORS in tables else PCF_ACCELERATORS
    fmt, order, at = table(data, tables, kind)
    font_ascent, font_descent = struct.unpack_from(order + "ii", data, at + 8)
    assert font_ascent + font_descent == CELL_HEIGHT

    fmt, order, at = table(data, tables, PCF_METRICS)
    metrics = []
    if fmt & PCF_COMPRESSED_METRICS:
        (n,) = struct.unpack_from(order + "h", data, at)
        for i in range(n):
            metrics.append([b - 0x80 for b in data[at + 2 + 5 * i: at + 7 + 5 * i]])
    else:
        (n,) = struct.unpack_from(order + "i", data, at)
        for i in range(n):
            metrics.append(list(struct.unpack_from(order + "hhhhh", data, at + 4 + 12 * i)))

    fmt, order, at = table(data, tables, PCF_BITMAPS)
    assert fmt & 8, "only most significant bit first"
    pad = 1 << (fmt & 3)
    assert ((fmt >> 4) & 3) == 0, "only byte scan units"
    (n,) = struct.unpack_from(order + "i", data, at)
    offsets = struct.unpack_from(order + "%di" % n, data, at + 4)
    bits = at + 4 + 4 * n + 16

    fmt, order, at = table(data, tables, PCF_BDF_ENCODINGS)
    min2, max2, min1, max1, default = struct.unpack_from(order + "hhhhh", data, at)
    assert min1 == 0 and max1 == 0
    indices = struct.unpack_from(order + "%dH" % (max2 - min2 + 1), data, at + 10)

    rows_out = []
    for code in range(FIRST, LAST + 1):
        glyph = indices[code - min2] if min2 <= code <= max2 else 0xFFFF
        rows = [0] * CELL_HEIGHT
        if glyph != 0xFFFF:
            lsb, rsb, width, ascent, descent = metrics[glyph]
            assert width == CELL_WIDTH
            row_bytes = ((rsb - lsb + 7) // 8 + pad - 1) // pad * pad
            start = bits + offsets[glyph]
            for y in range(ascent + descent):
                cell_y = font_ascent - ascent + y
                if not 0 <= cell_y < CELL_HEIGHT:
                    continue
                for x in range(rsb - lsb):
                    byte = data[start + y * row_bytes + x // 8]
                    if byte & (0x80 >> (x % 8)):
                        cell_x = lsb + x
                        if 0 <= cell_x < 8:
                            rows[cell_y] |= 0x80 >> cell_x
        rows_out.append((code, rows))

    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    out = os.path.join(root, "src", "platform", "desktop", "box_font_glyphs.inc")
    with open(out, "w") as f:
        f.write("// Written by scripts/make-box-font.py from the X core font \"fixed\"\n"
                "// (misc-fixed 6x13, ISO 8859-1; public domain: \"Public domain font.  Share\n"
                "// and enjoy.\"). Characters U+%04X to U+%04X, %d rows each, bit 7 leftmost.\n"
                % (FIRST, LAST, CELL_HEIGHT))
        for code, rows in rows_out:
            f.write("{" + ", ".join("0x%02X" % r for r in rows) + "},  // U+%04X\n" % code)
    print("wrote", out)


if __name__ == "__main__":
    main()
