#!/usr/bin/env python3
"""Builds the program's Windows icon from the PNG icons of app/resources/icons.

The sizes up to 64 pixels are stored as 32-bit bitmaps (every Windows version
and Wine read them); the 256-pixel one stays PNG, as Windows expects.
Usage: make_icon.py <icons folder> <output .ico>
"""
import struct
import sys
import zlib
from pathlib import Path


def read_png_rgba(data):
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG file"
    pos, idat, width, height, colour = 8, b"", 0, 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and colour in (2, 6) and interlace == 0, "unsupported PNG"
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    channels = 4 if colour == 6 else 3
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, prev, i = [], bytearray(stride), 0
    for _ in range(height):
        ftype, line = raw[i], bytearray(raw[i + 1:i + 1 + stride])
        i += 1 + stride
        for x in range(stride):
            a = line[x - channels] if x >= channels else 0
            b = prev[x]
            c = prev[x - channels] if x >= channels else 0
            if ftype == 1:
                line[x] = (line[x] + a) & 0xFF
            elif ftype == 2:
                line[x] = (line[x] + b) & 0xFF
            elif ftype == 3:
                line[x] = (line[x] + (a + b) // 2) & 0xFF
            elif ftype == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[x] = (line[x] + pred) & 0xFF
        rows.append(bytes(line))
        prev = line
    if channels == 3:
        rows = [b"".join(r[j:j + 3] + b"\xff" for j in range(0, len(r), 3)) for r in rows]
    return width, height, rows


def bitmap_entry(width, height, rows):
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(
        b"".join(bytes((r[j + 2], r[j + 1], r[j], r[j + 3])) for j in range(0, len(r), 4))
        for r in reversed(rows))
    mask_stride = ((width + 31) // 32) * 4
    return header + pixels + b"\x00" * (mask_stride * height)


def main():
    folder, output = Path(sys.argv[1]), Path(sys.argv[2])
    images = []
    for size in (16, 32, 48, 64, 256):
        png = (folder / f"tallyvane-journal-{size}.png").read_bytes()
        if size == 256:
            images.append((size, png))
        else:
            w, h, rows = read_png_rgba(png)
            images.append((size, bitmap_entry(w, h, rows)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, blob in images:
        dim = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    out += b"".join(blob for _, blob in images)
    output.write_bytes(out)


if __name__ == "__main__":
    main()
