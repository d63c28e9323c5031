#!/usr/bin/env python3
"""Writes PNG test files with Python's zlib and struct, independent of the
program's reader, and beside each decodable one the expected pixels
(NAME.raw: rows top to bottom, R G B (A) bytes).

Usage: make_png_fixtures.py OUTPUT_DIR
"""
import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from png_encoding import SIGNATURE, chunk, filter_row  # noqa: E402


class Lcg:
    def __init__(self, seed):
        self.state = seed

    def byte(self):
        self.state = (self.state * 1103515245 + 12345) & 0x7FFFFFFF
        return (self.state >> 16) & 0xFF


def ihdr(width, height, depth=8, colour=2, compression=0, filter_method=0, interlace=0):
    return chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour, compression, filter_method, interlace))


def image(width, height, bpp, seed):
    rng = Lcg(seed)
    return [bytes(rng.byte() for _ in range(width * bpp)) for _ in range(height)]


def scanlines(rows, bpp, filters):
    """filters: one filter type per row (cycled)."""
    raw = bytearray()
    prev = None
    for y, row in enumerate(rows):
        kind = filters[y % len(filters)]
        raw.append(kind)
        raw.extend(filter_row(kind, row, prev, bpp))
        prev = row
    return bytes(raw)


def png(width, height, colour, idat_parts, extra_before_idat=b""):
    out = SIGNATURE + ihdr(width, height, colour=colour) + extra_before_idat
    for part in idat_parts:
        out += chunk(b"IDAT", part)
    return out + chunk(b"IEND", b"")


class Writer:
    def __init__(self, directory):
        self.directory = directory

    def write(self, name, data, rows=None):
        with open(os.path.join(self.directory, name + ".png"), "wb") as f:
            f.write(data)
        if rows is not None:
            with open(os.path.join(self.directory, name + ".raw"), "wb") as f:
                f.write(b"".join(rows))


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    w = Writer(out)

    # Every filter type, RGB and RGBA, every row filtered alike.
    for colour, bpp, tag in ((2, 3, "rgb"), (6, 4, "rgba")):
        rows = image(7, 5, bpp, 11 + bpp)
        for kind in range(5):
            data = zlib.compress(scanlines(rows, bpp, [kind]))
            w.write("filter%d_%s" % (kind, tag), png(7, 5, colour, [data]), rows)
        # Rows cycling through all filters, so each filter sees non-zero rows above.
        rows = image(13, 9, bpp, 29 + bpp)
        data = zlib.compress(scanlines(rows, bpp, [0, 1, 2, 3, 4, 4, 3, 2, 1]))
        w.write("mixed_%s" % tag, png(13, 9, colour, [data]), rows)

    # The same image with its data split over three IDAT chunks (one empty),
    # with an ancillary chunk before them and a wrong CRC on one: CRCs are
    # never checked.
    rows = image(16, 12, 3, 5)
    data = zlib.compress(scanlines(rows, 3, [4, 1, 2, 3, 0]))
    single = png(16, 12, 2, [data])
    text = chunk(b"tEXt", b"Comment\x00made for tests")
    split = SIGNATURE + ihdr(16, 12) + text
    split += chunk(b"IDAT", data[:10]) + chunk(b"IDAT", b"") + chunk(b"IDAT", data[10:], crc=0x12345678)
    split += chunk(b"IEND", b"")
    w.write("split_single", single, rows)
    w.write("split_three", split, rows)

    # Paeth in row 0 behaves as Sub: encode row 0 with Sub and label it 4.
    rows = image(6, 3, 3, 77)
    raw = bytearray(scanlines(rows, 3, [1, 4, 4]))
    raw[0] = 4
    w.write("paeth_row0", png(6, 3, 2, [zlib.compress(bytes(raw))]), rows)

    # An unknown filter byte leaves the row's bytes as they are.
    rows = image(5, 2, 3, 91)
    raw = bytes([7]) + rows[0] + bytes([0]) + rows[1]
    w.write("filter_unknown", png(5, 2, 2, [zlib.compress(raw)]), rows)

    # A one-pixel image and a wide one-row image.
    rows = [b"\x10\x20\x30\x40"]
    w.write("one_pixel_rgba", png(1, 1, 6, [zlib.compress(scanlines(rows, 4, [3]))]), rows)

    # Refusals.
    good_rows = image(4, 4, 3, 3)
    good_data = zlib.compress(scanlines(good_rows, 3, [0]))
    w.write("too_small", SIGNATURE[:7])
    w.write("no_signature", b"\x89PNG\r\n\x1a\x0b" + ihdr(4, 4) + chunk(b"IEND", b""))
    w.write("signature_only", SIGNATURE)
    w.write("depth16", SIGNATURE + ihdr(4, 4, depth=16) + chunk(b"IEND", b""))
    w.write("palette", SIGNATURE + ihdr(4, 4, colour=3) + chunk(b"IEND", b""))
    w.write("greyscale", SIGNATURE + ihdr(4, 4, colour=0) + chunk(b"IEND", b""))
    w.write("grey_alpha", SIGNATURE + ihdr(4, 4, colour=4) + chunk(b"IEND", b""))
    w.write("compression1", SIGNATURE + ihdr(4, 4, compression=1) + chunk(b"IEND", b""))
    w.write("filtermethod1", SIGNATURE + ihdr(4, 4, filter_method=1) + chunk(b"IEND", b""))
    w.write("interlaced", SIGNATURE + ihdr(4, 4, interlace=1) + chunk(b"IEND", b""))
    # Checks run in order: bit depth before colour type before the methods.
    w.write("depth_and_type_bad", SIGNATURE + ihdr(4, 4, depth=4, colour=3, interlace=1) + chunk(b"IEND", b""))
    w.write("type_and_interlace_bad", SIGNATURE + ihdr(4, 4, colour=3, interlace=1) + chunk(b"IEND", b""))
    short_header = SIGNATURE + chunk(b"IHDR", struct.pack(">IIBBBB", 4, 4, 8, 2, 0, 0)) + chunk(b"IEND", b"")
    w.write("header_short", short_header)
    full = png(4, 4, 2, [good_data])
    w.write("good", full, good_rows)
    # A chunk running past the end of the file (and one whose length would
    # wrap a 32-bit offset).
    cut = full[:len(full) - 20]
    w.write("chunk_past_end", cut)
    huge_length = SIGNATURE + ihdr(4, 4) + struct.pack(">I", 0xFFFFFFF0) + b"IDAT" + good_data + chunk(b"IEND", b"")
    w.write("idat_length_wraps", huge_length)
    # The file ends after a complete chunk without IEND.
    w.write("no_iend", SIGNATURE + ihdr(4, 4) + chunk(b"IDAT", good_data))
    # Inflated data one byte short, and one byte long.
    short = scanlines(good_rows, 3, [0])[:-1]
    w.write("inflate_short", png(4, 4, 2, [zlib.compress(short)]))
    long_data = scanlines(good_rows, 3, [0]) + b"\x00"
    w.write("inflate_long", png(4, 4, 2, [zlib.compress(long_data)]))
    w.write("inflate_corrupt", png(4, 4, 2, [b"\x78\x9c\xff\xff\xff\xff\x00\x00"]))
    w.write("no_idat", SIGNATURE + ihdr(4, 4) + chunk(b"IEND", b""))
    w.write("no_header", SIGNATURE + chunk(b"IDAT", good_data) + chunk(b"IEND", b""))
    # Sizes: a product that overflows 64 bits, sizes that do not fit int32,
    # zero, and a size the small data can never inflate to (gigabytes from
    # a 60-byte file: refused before any allocation).
    w.write("size_overflow", SIGNATURE + ihdr(0x7FFFFFFF, 0x7FFFFFFF, colour=6) + chunk(b"IDAT", good_data) + chunk(b"IEND", b""))
    w.write("width_too_large", SIGNATURE + ihdr(0x80000000, 1) + chunk(b"IDAT", good_data) + chunk(b"IEND", b""))
    w.write("zero_width", SIGNATURE + ihdr(0, 4) + chunk(b"IDAT", good_data) + chunk(b"IEND", b""))
    w.write("beyond_memory", SIGNATURE + ihdr(65536, 65536, colour=6) + chunk(b"IDAT", good_data) + chunk(b"IEND", b""))


if __name__ == "__main__":
    main()
