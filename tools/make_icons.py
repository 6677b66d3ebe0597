#!/usr/bin/env python3
"""Draws the launcher's two icons, a compact disc with a play arrow, as 16-colour ICO files.

Run once when the picture changes; the .ico files are kept in resources/.
"""
import math
import struct
import sys

# The standard 16-colour palette (BGRX).
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
           (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
           (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, GREY, SILVER, WHITE, BLUE, CYAN, GREEN = 0, 8, 7, 15, 12, 14, 10


def pixel(size, x, y):
    """Colour index at (x, y), or None for transparent."""
    c = (size - 1) / 2.0
    r = math.hypot(x - c, y - c)
    outer = size / 2.0 - 0.5
    if r > outer:
        return None
    if r > outer - 1:
        return GREY
    # A play arrow across the disc's face, pointing right.
    left, right, half = c - size * 0.17, c + size * 0.27, size * 0.24
    if left <= x <= right and abs(y - c) <= half * (right - x) / (right - left):
        return GREEN
    if r < size * 0.09:
        return None  # the hole
    if r < size * 0.16:
        return GREY
    # Rainbow sheen in two sectors.
    angle = math.degrees(math.atan2(y - c, x - c)) % 360
    if 20 <= angle <= 70:
        return CYAN
    if 200 <= angle <= 250:
        return BLUE
    return SILVER if (x + y) % 7 else WHITE


def image(size):
    rows_xor, rows_and = [], []
    for y in range(size - 1, -1, -1):  # bottom-up
        xor_row, and_bits = bytearray(), 0
        nibbles = []
        for x in range(size):
            p = pixel(size, x, y)
            nibbles.append(0 if p is None else p)
            and_bits = (and_bits << 1) | (1 if p is None else 0)
        for i in range(0, size, 2):
            xor_row.append((nibbles[i] << 4) | nibbles[i + 1])
        while len(xor_row) % 4:
            xor_row.append(0)
        and_row = and_bits.to_bytes(size // 8, "big")
        and_row += b"\0" * ((4 - len(and_row) % 4) % 4)
        rows_xor.append(bytes(xor_row))
        rows_and.append(and_row)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    return header + palette + b"".join(rows_xor) + b"".join(rows_and)


def ico(size):
    data = image(size)
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), 22) + data


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "resources"
    open(f"{out}/generic.ico", "wb").write(ico(32))
    open(f"{out}/small.ico", "wb").write(ico(16))
