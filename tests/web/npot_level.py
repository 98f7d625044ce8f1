"""A copy of a level file whose textures have sides that are not powers of two,
as map compilers write them, for the browser test of such textures.

A level file (version 29, little-endian) is a header of the version and
fifteen {offset, length} lump entries, then the lumps. The texture lump is a
count, an offset per texture (from the lump's start; -1 for none) and the
textures: a 16-byte name, width, height, four offsets of the mip levels (from
the texture's start) and the levels' palette indices, each level half the
one before. Every texture keeps its name and becomes one of NPOT_SIDES in
turn, its picture resampled (nearest texel) from the original, so the level
keeps its look; every other lump is copied as it is.
"""

import struct

LUMP_COUNT = 15
TEXTURE_LUMP = 2
MIP_LEVELS = 4

# Width and height of the new textures, taken in turn.
NPOT_SIDES = [(64, 48), (24, 40), (48, 80), (40, 24), (96, 72), (56, 40), (72, 56)]


def resample(pixels, width, height, new_width, new_height):
    """Nearest-texel copy of a width x height picture at the new size."""
    rows = []
    for y in range(new_height):
        source = (y * height // new_height) * width
        rows.append(bytes(pixels[source + x * width // new_width] for x in range(new_width)))
    return b"".join(rows)


def texture_record(name, pixels, width, height, new_width, new_height):
    """One texture of the lump: header and its four levels."""
    levels = []
    for level in range(MIP_LEVELS):
        w = max(new_width >> level, 1)
        h = max(new_height >> level, 1)
        levels.append(resample(pixels, width, height, w, h))
    offsets = []
    at = 16 + 4 * 2 + 4 * MIP_LEVELS
    for data in levels:
        offsets.append(at)
        at += len(data)
    header = name + struct.pack("<2I4I", new_width, new_height, *offsets)
    return header + b"".join(levels)


def npot_texture_lump(lump):
    """The texture lump with every texture at its size from NPOT_SIDES."""
    (count,) = struct.unpack_from("<i", lump, 0)
    offsets = struct.unpack_from(f"<{count}i", lump, 4)
    records = []
    for slot, offset in enumerate(offsets):
        if offset < 0:
            records.append(None)
            continue
        name = lump[offset : offset + 16]
        width, height, first = struct.unpack_from("<3I", lump, offset + 16)
        pixels = lump[offset + first : offset + first + width * height]
        new_width, new_height = NPOT_SIDES[slot % len(NPOT_SIDES)]
        records.append(texture_record(name, pixels, width, height, new_width, new_height))
    table = bytearray(struct.pack("<i", count))
    body = bytearray()
    at = 4 + 4 * count
    for record in records:
        if record is None:
            table += struct.pack("<i", -1)
            continue
        table += struct.pack("<i", at + len(body))
        body += record
        body += bytes(-len(body) % 4)
    return bytes(table + body)


def write_npot_level(source, target):
    """Writes source's level to target with its textures' sides made NPOT."""
    with open(source, "rb") as f:
        data = f.read()
    (version,) = struct.unpack_from("<i", data, 0)
    assert version == 29, f"{source}: version {version}, not 29"
    lumps = [struct.unpack_from("<2i", data, 4 + 8 * i) for i in range(LUMP_COUNT)]
    contents = [data[offset : offset + length] for offset, length in lumps]
    contents[TEXTURE_LUMP] = npot_texture_lump(contents[TEXTURE_LUMP])
    header_size = 4 + 8 * LUMP_COUNT
    entries = []
    body = bytearray()
    for content in contents:
        entries.append((header_size + len(body), len(content)))
        body += content
        body += bytes(-len(body) % 4)
    with open(target, "wb") as f:
        f.write(struct.pack("<i", version))
        for offset, length in entries:
            f.write(struct.pack("<2i", offset, length))
        f.write(body)
