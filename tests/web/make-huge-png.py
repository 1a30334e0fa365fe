#!/usr/bin/env python3
"""Writes a valid PNG whose decoded pixels need more than the WebAssembly build's 1 GiB budget:
17000 x 17000 RGBA (1.16 GB), all transparent black, about 1 MB on disk.

    make-huge-png.py OUT.png
"""
import struct
import sys
import zlib

SIDE = 17000


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def main(out):
    packer = zlib.compressobj(1)
    row = b"\0" * (1 + 4 * SIDE)  # filter byte, then the pixels
    compressed = [packer.compress(row) for _ in range(SIDE)]
    compressed.append(packer.flush())
    with open(out, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", SIDE, SIDE, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", b"".join(compressed)))
        f.write(chunk(b"IEND", b""))


if __name__ == "__main__":
    main(sys.argv[1])
