"""PNG encoding pieces shared by the artwork generator and the test files:
the encoder's side of the five row filters, and chunks with their CRC."""
import struct
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filter_row(kind, row, prev, bpp):
    """Filters one row; prev is the row above (None for the first row)."""
    out = bytearray(len(row))
    for i, x in enumerate(row):
        a = row[i - bpp] if i >= bpp else 0
        b = prev[i] if prev is not None else 0
        c = prev[i - bpp] if prev is not None and i >= bpp else 0
        pred = (0, a, b, (a + b) // 2, paeth(a, b, c))[kind]
        out[i] = (x - pred) & 0xFF
    return bytes(out)


def chunk(kind, data, crc=None):
    """A chunk; crc overrides the correct CRC (to write a damaged one)."""
    body = kind + data
    if crc is None:
        crc = zlib.crc32(body) & 0xFFFFFFFF
    return struct.pack(">I", len(data)) + body + struct.pack(">I", crc)
