#!/usr/bin/env python3
"""Adds item properties to the primary item of a HEIF/AVIF file.

    heif_properties.py IN OUT PROPERTY...

PROPERTY is irot:N (a turn of N x 90 degrees anticlockwise), imir:AXIS or
nclx:PRIMARIES,TRANSFER,MATRIX. The new boxes go into `ipco` and the primary
item's `ipma` entry, in the order given, after its own properties; with
--first before them (so that a transform comes before the `ispe` size, as
some encoders write it). `iloc` is written anew with every offset moved by
the growth of `meta`. Standard library only.
"""
import struct
import sys

from heif_grid import box, boxes, full_box, parse_iloc, write_iloc


def find(data, start, end, kind):
    for k, pos, size in boxes(data, start, end):
        if k == kind:
            return pos, size
    raise SystemExit(f"no {kind.decode()} box")


def property_box(text):
    name, _, value = text.partition(":")
    if name == "irot":
        return box(b"irot", bytes([int(value) & 3]))
    if name == "imir":
        return box(b"imir", bytes([int(value) & 1]))
    if name == "nclx":
        primaries, transfer, matrix = (int(v) for v in value.split(","))
        return box(b"colr", b"nclx" + struct.pack(">HHHB", primaries, transfer, matrix, 0x80))
    raise SystemExit(f"unknown property {text}")


def main():
    if len([a for a in sys.argv if a != "--first"]) < 4:
        raise SystemExit(__doc__)
    first = "--first" in sys.argv
    args = [a for a in sys.argv[1:] if a != "--first"]
    data = bytearray(open(args[0], "rb").read())
    added = [property_box(p) for p in args[2:]]
    meta, meta_size = find(data, 0, len(data), b"meta")
    inner = meta + 12  # a full box
    pitm, _ = find(data, inner, meta + meta_size, b"pitm")
    primary = struct.unpack(">H", data[pitm + 12:pitm + 14])[0]
    iprp, iprp_size = find(data, inner, meta + meta_size, b"iprp")
    ipco, ipco_size = find(data, iprp + 8, iprp + iprp_size, b"ipco")
    ipma, ipma_size = find(data, iprp + 8, iprp + iprp_size, b"ipma")
    if data[ipma + 8] != 0 or data[ipma + 11] & 1:
        raise SystemExit("only ipma version 0 with 7-bit indexes is handled")
    first_new = sum(1 for _ in boxes(data, ipco + 8, ipco + ipco_size)) + 1

    # The primary item's entry gets one essential association per property.
    entries = struct.unpack(">I", data[ipma + 12:ipma + 16])[0]
    pos = ipma + 16
    new_ipma = bytearray(data[ipma:ipma + 16])
    for _ in range(entries):
        item, count = struct.unpack(">HB", data[pos:pos + 3])
        links = data[pos + 3:pos + 3 + count]
        if item == primary:
            new_links = bytes(0x80 | (first_new + i) for i in range(len(added)))
            links = new_links + links if first else links + new_links
        new_ipma += struct.pack(">HB", item, len(links)) + links
        pos += 3 + count
    new_ipma[0:4] = struct.pack(">I", len(new_ipma))
    new_ipco = box(b"ipco", bytes(data[ipco + 8:ipco + ipco_size]) + b"".join(added))
    rest = bytes(data[iprp + 8:iprp + iprp_size])
    rest = rest.replace(bytes(data[ipco:ipco + ipco_size]), new_ipco, 1)
    rest = rest.replace(bytes(data[ipma:ipma + ipma_size]), bytes(new_ipma), 1)
    new_iprp = box(b"iprp", rest)
    children = [(k, p, n) for k, p, n in boxes(data, inner, meta + meta_size)]
    iloc, _ = find(data, inner, meta + meta_size, b"iloc")
    items = parse_iloc(data, iloc + 8)

    def build(shift):
        parts = []
        for kind, p, n in children:
            if kind == b"iloc":
                parts.append(write_iloc(items, shift))
            elif kind == b"iprp":
                parts.append(new_iprp)
            else:
                parts.append(bytes(data[p:p + n]))
        return full_box(b"meta", 0, 0, b"".join(parts))

    # Every offset beyond `meta` moves by its growth.
    shift = len(build(0)) - meta_size
    out = bytes(data[:meta]) + build(shift) + bytes(data[meta + meta_size:])
    open(args[1], "wb").write(out)


if __name__ == "__main__":
    main()
