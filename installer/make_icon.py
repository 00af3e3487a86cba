#!/usr/bin/env python3
"""Writes the installer's icon: one 32x32 image, 32-bit colour with an AND mask (an .ico file).

The picture: two arrows on a blue disc, the one turning into the other (a file being swapped).
Usage: make_icon.py <output.ico>
"""
import math
import struct
import sys

SIZE = 32


def pixel(x, y):
    """Colour (b, g, r, a) of pixel x, y (y = 0 is the top row)."""
    cx = cy = (SIZE - 1) / 2
    dx, dy = x - cx, y - cy
    r = math.hypot(dx, dy)
    if r > 15.5:
        return (0, 0, 0, 0)
    if r > 14.5:
        return (120, 60, 20, 255)  # dark rim
    # two white arcs with arrow heads, on a blue disc
    angle = math.degrees(math.atan2(dy, dx)) % 360
    on_ring = 7.0 <= r <= 10.0
    upper = 200 <= angle <= 340
    lower = 20 <= angle <= 160
    if on_ring and (upper or lower):
        return (255, 255, 255, 255)
    for tip_x, tip_y, direction in ((cx + 8.5, cy - 1, 1), (cx - 8.5, cy + 1, -1)):
        ty = (y - tip_y) * direction
        if 0 <= ty <= 5 and abs(x - tip_x) <= 5 - ty:
            return (255, 255, 255, 255)
    shade = int(200 - r * 4)
    return (max(shade, 120), max(shade // 2, 60), 20, 255)


def main():
    rows = []
    for y in reversed(range(SIZE)):  # DIB rows are stored bottom-up
        rows.append(b"".join(bytes(pixel(x, y)) for x in range(SIZE)))
    xor = b"".join(rows)
    mask_rows = []
    for y in reversed(range(SIZE)):
        bits = 0
        for x in range(SIZE):
            if pixel(x, y)[3] == 0:
                bits |= 1 << (SIZE - 1 - x)
        mask_rows.append(struct.pack(">I", bits))  # 32 pixels = 4 bytes, already DWORD-aligned
    and_mask = b"".join(mask_rows)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    image = header + xor + and_mask
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    with open(sys.argv[1], "wb") as out:
        out.write(icondir + entry + image)


if __name__ == "__main__":
    main()
