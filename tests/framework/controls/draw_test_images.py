#!/usr/bin/env python3
"""Draws the icon and the cursor of the control tests (test_icon.ico, test_cursor.cur).

The icon: 32 x 32, 16 colours; a red square (rows and columns 4 to 27) with a green centre (12 to
19), transparent around it. The cursor: 32 x 32 monochrome, hot spot (3, 5); a black frame
(rows and columns 0 to 15) around a white square, an inverted bar below it (rows 20 to 23,
columns 0 to 15), transparent elsewhere. Run it from this folder to write both files again.
"""
import struct

SIDE = 32


def info_header(bit_count, colors):
    return struct.pack("<IiiHHIIiiII", 40, SIDE, SIDE * 2, 1, bit_count, 0, 0, 0, 0, colors, 0)


def rows_bottom_up(row):
    return b"".join(row(y) for y in reversed(range(SIDE)))


def mono_row(bits):
    value = 0
    for x in range(SIDE):
        value = value << 1 | bits(x)
    return value.to_bytes(SIDE // 8, "big")


def icon():
    palette = [(0, 0, 0), (255, 0, 0), (0, 128, 0)] + [(0, 0, 0)] * 13
    inside = lambda v, lo, hi: lo <= v <= hi

    def index(x, y):
        if inside(x, 12, 19) and inside(y, 12, 19):
            return 2
        return 1 if inside(x, 4, 27) and inside(y, 4, 27) else 0

    def color_row(y):
        return bytes(index(x, y) << 4 | index(x + 1, y) for x in range(0, SIDE, 2))

    def mask_row(y):
        return mono_row(lambda x: 0 if index(x, y) else 1)

    image = (info_header(4, 16) + b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
             + rows_bottom_up(color_row) + rows_bottom_up(mask_row))
    head = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIDE, SIDE, 16, 0, 1, 4,
                                                       len(image), 22)
    return head + image


def cursor(hot_x=3, hot_y=5):
    def kind(x, y):  # (AND, XOR)
        if x <= 15 and y <= 15:
            frame = x in (0, 15) or y in (0, 15)
            return (0, 0) if frame else (0, 1)
        if x <= 15 and 20 <= y <= 23:
            return (1, 1)
        return (1, 0)

    image = (info_header(1, 2) + struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0)
             + rows_bottom_up(lambda y: mono_row(lambda x: kind(x, y)[1]))
             + rows_bottom_up(lambda y: mono_row(lambda x: kind(x, y)[0])))
    head = struct.pack("<HHH", 0, 2, 1) + struct.pack("<BBBBHHII", SIDE, SIDE, 0, 0, hot_x, hot_y,
                                                       len(image), 22)
    return head + image


if __name__ == "__main__":
    with open("test_icon.ico", "wb") as f:
        f.write(icon())
    with open("test_cursor.cur", "wb") as f:
        f.write(cursor())
