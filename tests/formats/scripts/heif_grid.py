#!/usr/bin/env python3
"""Turns the primary picture or the alpha plane of a small HEIF/AVIF file into
a grid that is far larger than the size its item declares.

    heif_grid.py IN OUT primary|alpha SIDE

A new `grid` item of 2 x 2 tiles (the old item, referenced four times) with
an output of SIDE x SIDE pixels takes the old item's place and its
properties (its `ispe` still declares the tile's size). The grid's data goes
to the end of the file; `iloc` is written anew with every offset moved by
the growth of `meta`. Standard library only.
"""
import struct
import sys


def boxes(data, start, end):
    pos = start
    while pos + 8 <= end:
        size, kind = struct.unpack(">I4s", data[pos:pos + 8])
        if size < 8 or pos + size > end:
            raise SystemExit(f"box {kind!r} at {pos} does not fit")
        yield kind, pos, size
        pos += size


def box(kind, payload):
    return struct.pack(">I4s", 8 + len(payload), kind) + payload


def full_box(kind, version, flags, payload):
    return box(kind, struct.pack(">I", (version << 24) | flags) + payload)


def uint(data, pos, size):
    return int.from_bytes(data[pos:pos + size], "big") if size else 0


def parse_iloc(data, pos):
    version = data[pos]
    pos += 4
    offset_size, length_size = data[pos] >> 4, data[pos] & 15
    base_size, index_size = data[pos + 1] >> 4, (data[pos + 1] & 15 if version else 0)
    pos += 2
    count_bytes = 2 if version < 2 else 4
    count = uint(data, pos, count_bytes)
    pos += count_bytes
    items = []
    for _ in range(count):
        item = uint(data, pos, count_bytes)
        pos += count_bytes
        if version:
            if uint(data, pos, 2) & 15:
                raise SystemExit("only file offsets are handled")
            pos += 2
        pos += 2  # data reference index
        base = uint(data, pos, base_size)
        pos += base_size
        extents = []
        extent_count = uint(data, pos, 2)
        pos += 2
        for _ in range(extent_count):
            pos += index_size
            offset = uint(data, pos, offset_size)
            length = uint(data, pos + offset_size, length_size)
            pos += offset_size + length_size
            extents.append((base + offset, length))
        items.append((item, extents))
    return items


def write_iloc(items, shift):
    payload = bytes([0x44, 0x00]) + struct.pack(">H", len(items))
    for item, extents in items:
        payload += struct.pack(">HHH", item, 0, len(extents))
        for offset, length in extents:
            payload += struct.pack(">II", offset + shift, length)
    return full_box(b"iloc", 0, 0, payload)


def main():
    if len(sys.argv) != 5 or sys.argv[3] not in ("primary", "alpha"):
        raise SystemExit(__doc__)
    data = bytes(open(sys.argv[1], "rb").read())
    which, side = sys.argv[3], int(sys.argv[4])
    top = {k: (p, s) for k, p, s in boxes(data, 0, len(data))}
    meta, meta_size = top[b"meta"]
    children = [(k, p, s) for k, p, s in boxes(data, meta + 12, meta + meta_size)]
    found = {k: (p, s) for k, p, s in children}

    primary = uint(data, found[b"pitm"][0] + 12, 2)
    iloc = parse_iloc(data, found[b"iloc"][0] + 8)
    new_id = max(item for item, _ in iloc) + 1

    # Item references: from, type, targets.
    refs = []
    iref, iref_size = found.get(b"iref", (0, 0))
    if iref:
        for kind, p, s in boxes(data, iref + 12, iref + iref_size):
            source, count = struct.unpack(">HH", data[p + 8:p + 12])
            refs.append([kind, source, list(struct.unpack(f">{count}H", data[p + 12:p + 12 + 2 * count]))])
    if which == "primary":
        tile = primary
    else:
        alphas = [r for r in refs if r[0] == b"auxl" and primary in r[2]]
        if not alphas:
            raise SystemExit("no alpha plane")
        tile = alphas[0][1]
        alphas[0][1] = new_id
    refs.append([b"dimg", new_id, [tile] * 4])
    iref_box = full_box(b"iref", 0, 0, b"".join(
        box(k, struct.pack(">HH", s, len(t)) + struct.pack(f">{len(t)}H", *t)) for k, s, t in refs))

    # The grid item: its entry, its properties (the tile's, less the codec's).
    iinf, iinf_size = found[b"iinf"]
    infe = [bytes(data[p:p + s]) for _, p, s in boxes(data, iinf + 14, iinf + iinf_size)]
    infe.append(full_box(b"infe", 2, 0, struct.pack(">HH", new_id, 0) + b"grid" + b"\0"))
    iinf_box = full_box(b"iinf", 0, 0, struct.pack(">H", len(infe)) + b"".join(infe))

    iprp, iprp_size = found[b"iprp"]
    inner = {k: (p, s) for k, p, s in boxes(data, iprp + 8, iprp + iprp_size)}
    ipco, ipco_size = inner[b"ipco"]
    kinds = [k for k, _, _ in boxes(data, ipco + 8, ipco + ipco_size)]
    ipma, ipma_size = inner[b"ipma"]
    version, flags = data[ipma + 8], uint(data, ipma + 9, 3)
    wide = flags & 1
    pos, entries = ipma + 16, []
    for _ in range(uint(data, ipma + 12, 4)):
        item_bytes = 2 if version == 0 else 4
        item = uint(data, pos, item_bytes)
        count = data[pos + item_bytes]
        pos += item_bytes + 1
        links = [uint(data, pos + i * (1 + wide), 1 + wide) for i in range(count)]
        pos += count * (1 + wide)
        entries.append((item, links))
    mask = 0x7FFF if wide else 0x7F
    tile_links = next(l for i, l in entries if i == tile)
    grid_links = [l for l in tile_links if kinds[(l & mask) - 1] not in (b"av1C", b"hvcC")]
    entries.append((new_id, grid_links))
    ipma_payload = struct.pack(">I", len(entries))
    for item, links in entries:
        ipma_payload += struct.pack(">HB" if version == 0 else ">IB", item, len(links))
        ipma_payload += b"".join(l.to_bytes(1 + wide, "big") for l in links)
    ipma_box = full_box(b"ipma", version, flags, ipma_payload)
    iprp_box = box(b"iprp", bytes(data[ipco:ipco + ipco_size]) + ipma_box)

    grid_data = struct.pack(">BBBBHH", 0, 0, 1, 1, side, side)
    iloc.append((new_id, [(len(data), len(grid_data))]))

    def build(shift):
        parts = []
        for kind, p, s in children:
            if kind == b"pitm" and which == "primary":
                parts.append(full_box(b"pitm", 0, 0, struct.pack(">H", new_id)))
            elif kind == b"iloc":
                parts.append(write_iloc(iloc, shift))
            elif kind in (b"iref", b"iinf", b"iprp"):
                parts.append({b"iref": iref_box, b"iinf": iinf_box, b"iprp": iprp_box}[kind])
            else:
                parts.append(bytes(data[p:p + s]))
            if kind == b"iinf" and not iref:
                parts.append(iref_box)
        return full_box(b"meta", 0, 0, b"".join(parts))

    shift = len(build(0)) - meta_size
    new_meta = build(shift)
    out = data[:meta] + new_meta + data[meta + meta_size:] + grid_data
    open(sys.argv[2], "wb").write(out)


if __name__ == "__main__":
    main()
