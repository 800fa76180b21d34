#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target into corpus/<target>/: small
valid inputs of each kind (settings files, values, pictures of every format
the launcher draws, command lines, laid-out texts), plus a few broken ones.
The files are committed; run this again only to change them."""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("latin-1")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def bmp(width, height, bits, compression=0, header=40, colours=None, pixels=None,
        masks=None, image_size=None):
    """A BMP file; `pixels` defaults to a pattern of the right size."""
    rows = abs(height)
    if colours is None:
        colours = (1 << bits) if bits <= 8 else 0
    if header == 12:
        info = struct.pack("<IHHHH", 12, width, height, 1, bits)
        table = b"".join(bytes((i * 40 % 256, i * 90 % 256, i * 20 % 256)) for i in range(colours))
    else:
        stride = (width * bits + 31) // 32 * 4
        size = image_size if image_size is not None else stride * rows
        info = struct.pack("<IiiHHIIiiII", header, width, height, 1, bits, compression, size,
                           2835, 2835, colours if bits <= 8 else 0, 0)
        if masks is not None and header > 40:
            info += struct.pack("<III", *masks)
        info += b"\0" * (header - len(info))
        if masks is not None and header == 40:
            info += struct.pack("<III", *masks)
        table = b"".join(bytes((i * 40 % 256, i * 90 % 256, i * 20 % 256, 0)) for i in range(colours))
    if pixels is None:
        stride = (width * bits + 31) // 32 * 4
        pixels = bytes((i * 7 + 3) % 256 for i in range(stride * rows))
    offset = 14 + len(info) + len(table)
    total = offset + len(pixels)
    return b"BM" + struct.pack("<IHHI", total, 0, 0, offset) + info + table + pixels


def pictures():
    rle8 = bytes([3, 1, 0, 3, 5, 6, 7, 0, 0, 0, 2, 1, 1, 2, 2, 0, 0, 0, 1])
    rle4 = bytes([4, 0x12, 0, 4, 0x34, 0x56, 0, 0, 0, 2, 1, 0, 0, 1])
    return {
        "bits1.bmp": bmp(9, 3, 1),
        "bits4.bmp": bmp(5, 2, 4),
        "bits8.bmp": bmp(4, 3, 8, colours=16),
        "bits16.bmp": bmp(3, 2, 16),
        "bits16_masks.bmp": bmp(3, 2, 16, compression=3, masks=(0xF800, 0x07E0, 0x001F)),
        "bits24.bmp": bmp(3, 3, 24),
        "bits24_top_down.bmp": bmp(3, -3, 24),
        "bits32.bmp": bmp(2, 2, 32),
        "bits32_v5_masks.bmp": bmp(2, 2, 32, compression=3, header=124,
                                   masks=(0xFF0000, 0xFF00, 0xFF)),
        "core8.bmp": bmp(4, 2, 8, header=12),
        "rle8.bmp": bmp(4, 4, 8, compression=1, colours=8, pixels=rle8, image_size=len(rle8)),
        "rle4.bmp": bmp(6, 3, 4, compression=2, colours=16, pixels=rle4, image_size=len(rle4)),
        "truncated.bmp": bmp(3, 3, 24)[:40],
        "offset_past_end.bmp": bmp(2, 2, 24)[:10] + struct.pack("<I", 0x7FFFFFF0) + bmp(2, 2, 24)[14:],
    }


def main():
    # Settings files.
    demo = open(os.path.join(ROOT, "examples", "demo", "Mavrel.INI"), "rb").read()
    write("ini_reader", "demo.ini", demo)
    write("ini_reader", "syntax.ini",
          "top=1\r\n[ Main ]junk\n; comment\n  Width = 640 \nTitle=\"Quoted\"\nA='x\"\n"
          "noequals\n=empty key\n[main]\nWidth=7\n[Other\nkey=v\rK=\v w \t\n")
    write("ini_reader", "bom.ini", b"\xef\xbb\xbf[Main]\nWidth=1\n")
    # UTF-16 LE with its mark; the value ends in a surrogate pair.
    write("ini_reader", "utf16le.ini",
          b"\xff\xfe" + "[Main]\r\nTitle=\u00e9\U0001f600\r\n".encode("utf-16-le"))

    # Values.
    for i, value in enumerate(["255", "0xFF", "0377", " \t+255", "-2147483649", "4294967295",
                               "0x", "08", "12px", "C:\\\\Setup", "D:\\new", "a\\\\\\n",
                               "trailing\\", "Line one\\nLine two\\N"]):
        write("setting_values", "value%02d" % i, value)

    # Pictures.
    for name, data in pictures().items():
        write("picture", name, data)

    # Command lines.
    for i, line in enumerate(['"C:\\Program Files\\Tool\\setup.exe" /q "a b" c\\\\"d',
                              "setup\\setup.exe -x", "sh hello.sh", "  a\\\\\\\"b \"\"\"x\"",
                              "\"unclosed arg", "one\x01two words\x01\x01\\\"q"]):
        write("command_line", "line%d" % i, line)

    # Texts: wrapping width, line height, glyph widths, then the text.
    def layout(width, height, glyphs, text):
        head = struct.pack("<iI", width, height) + bytes([len(glyphs)])
        for byte, glyph in glyphs:
            head += bytes([byte, glyph])
        return head + text.encode("latin-1")

    write("text_layout", "words", layout(80, 16, [], "Install the product now"))
    write("text_layout", "breaks", layout(200, 20, [(ord("i"), 3), (ord("W"), 14)],
                                          "Copies the program\r\nto your\n\rcomputer.\n\nWide"))
    write("text_layout", "spaces", layout(0, 10, [(ord(" "), 0)], "  a   b  \n   "))
    write("text_layout", "negative", layout(-5, 0, [], "a b c"))

    # Whole launcher: settings, then "#BMP" and a picture.
    write("launcher_settings", "demo", demo.replace(b"demo.bmp", b"pic.bmp") + b"\n#BMP\n" +
          pictures()["bits8.bmp"])
    write("launcher_settings", "buttons",
          "[Main]\nWidth=200\nHeight=0x100\nBUTTON_LOC.WIDTH=60\nButton.0=A\nButton.1=B\n"
          "Button.2=A\n[A]\nBUTTON_TEXT=First one\nBUTTON_LOC.X=10\nBUTTON_LOC.Y=10\n"
          "EXIT_COMMAND=stay\nPROG_COMMAND=x\n[B]\nBUTTON_TEXT=Two\\nlines\nBUTTON_LOC.X=0\n"
          "BUTTON_LOC.Y=40\nDESC_TEXT=d\nDOC_COMMAND=r.txt\nEXIT_COMMAND=go\n\x0a\x0a\x12\x12"
          "\x0b\x0a\x0a\x14\x01\x2a\x2a\x30\x10\x11")

    # mavrel-inspect's checks: media that name the fuzzer's own files (see
    # medium_check_fuzzer.cpp), settings, then "#BMP" and a picture.
    starter = open(os.path.join(ROOT, "kit", "starter", "Mavrel.INI"), "rb").read()
    author = open(os.path.join(ROOT, "tests", "tools", "author_medium", "Mavrel.INI"), "rb").read()
    write("medium_check", "demo", demo.replace(b"demo.bmp", b"pic.bmp") + b"\n#BMP\n" +
          pictures()["bits8.bmp"])
    write("medium_check", "starter", starter.replace(b"starter.bmp", b"pic.bmp") + b"\n#BMP\n" +
          pictures()["bits24.bmp"])
    write("medium_check", "author", author)
    write("medium_check", "mistakes",
          "[Main]\nTitel=x\nWidth=0x\nButton.0=A\nButton.2=B\n[A]\nBUTTON_LOC.X=010\n"
          "DIRECTORY=Setup\nPROG_COMMAND=sh -e INSTALL.SH\n[A.Linux]\nPROG_COMMAND=cmd /c x.bat\n"
          "[B]\nDOC_COMMAND=docs\\readme.txt\n[Main.Linux]\nButton.1=C\nBackground=none.bmp\n")


if __name__ == "__main__":
    sys.exit(main())
