#!/usr/bin/env python3
"""Turns a pixel listing (text) into a Windows icon (.ico) or cursor (.cur) with one 16-colour image.

Listing format:
  # comment lines and blank lines are ignored
  size W H                 image size in pixels
  hotspot X Y              cursors only: the point that the pointer position names
  colour C RRGGBB          palette entry for the character C (at most 16 entries, in this order)
  transparent C            the character C leaves the pixel transparent (mask bit set)
  pixels                   then exactly H lines of W characters, top row first

Usage: make_icons.py LISTING OUTPUT   (the output's suffix, .ico or .cur, chooses the kind)
"""
import struct
import sys


def parse(path):
    size = None
    hotspot = (0, 0)
    palette = []          # (char, (r, g, b))
    transparent = set()
    rows = []
    in_pixels = False
    with open(path, encoding="ascii") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if in_pixels:
                if len(rows) < size[1]:
                    rows.append(line)
                continue
            words = line.split()
            if not words or words[0].startswith("#"):
                continue
            if words[0] == "size":
                size = (int(words[1]), int(words[2]))
            elif words[0] == "hotspot":
                hotspot = (int(words[1]), int(words[2]))
            elif words[0] == "colour":
                palette.append((words[1], tuple(bytes.fromhex(words[2]))))
            elif words[0] == "transparent":
                transparent.add(words[1])
            elif words[0] == "pixels":
                if size is None:
                    sys.exit(f"{path}:{number}: 'pixels' before 'size'")
                in_pixels = True
            else:
                sys.exit(f"{path}:{number}: unknown keyword {words[0]!r}")
    if size is None or len(rows) != size[1]:
        sys.exit(f"{path}: expected {size[1] if size else '?'} pixel rows, found {len(rows)}")
    if len(palette) > 16:
        sys.exit(f"{path}: more than 16 colours")
    index = {c: i for i, (c, _) in enumerate(palette)}
    for y, row in enumerate(rows):
        if len(row) != size[0]:
            sys.exit(f"{path}: pixel row {y} has {len(row)} characters, expected {size[0]}")
        for c in row:
            if c not in index and c not in transparent:
                sys.exit(f"{path}: pixel row {y}: character {c!r} has no colour")
    return size, hotspot, palette, index, transparent, rows


def image_bytes(size, palette, index, transparent, rows):
    w, h = size
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    colours = b"".join(struct.pack("BBBB", b, g, r, 0) for _, (r, g, b) in palette)
    colours += b"\0\0\0\0" * (16 - len(palette))
    xor_stride = ((w * 4 + 31) // 32) * 4
    and_stride = ((w + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # bitmaps are stored bottom row first
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x, c in enumerate(row):
            value = 0 if c in transparent else index[c]
            line[x // 2] |= value << (4 if x % 2 == 0 else 0)
            if c in transparent:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += line
        mask += bits
    return header + colours + bytes(xor) + bytes(mask)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    listing, output = sys.argv[1], sys.argv[2]
    size, hotspot, palette, index, transparent, rows = parse(listing)
    image = image_bytes(size, palette, index, transparent, rows)
    is_cursor = output.lower().endswith(".cur")
    w, h = size
    directory = struct.pack("<HHH", 0, 2 if is_cursor else 1, 1)
    if is_cursor:
        entry = struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, hotspot[0], hotspot[1], len(image), 22)
    else:
        entry = struct.pack("<BBBBHHII", w % 256, h % 256, 16, 0, 1, 4, len(image), 22)
    with open(output, "wb") as f:
        f.write(directory + entry + image)


if __name__ == "__main__":
    main()
