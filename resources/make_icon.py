#!/usr/bin/env python3
"""Draws icon 1 of ZOR config: a ball model of a molecule (a large black ball
with two small yellow balls and one blue ball bonded to it), 32 x 32 pixels in
the 16 standard colours, and writes it as an .ico file."""
import math
import struct
import sys

SIZE = 32
TRANSPARENT = None

# The 16 standard colours of the system, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
# Indices into the palette.
BLACK, DARK_GREY, GREY, WHITE = 0, 8, 7, 15
YELLOW, DARK_YELLOW = 11, 3
BLUE, DARK_BLUE = 12, 4

CENTRE = (15.0, 16.0)
LARGE = 9.0
SMALL = 4.6
# (position, radius, body colour, shade colour)
NEIGHBOURS = [
    ((5.5, 6.0), SMALL, YELLOW, DARK_YELLOW),
    ((25.5, 7.0), SMALL, YELLOW, DARK_YELLOW),
    ((21.0, 26.5), SMALL + 0.6, BLUE, DARK_BLUE),
]


def draw():
    pixels = [[TRANSPARENT] * SIZE for _ in range(SIZE)]
    for position, _, _, _ in NEIGHBOURS:
        draw_bond(pixels, CENTRE, position)
    draw_ball(pixels, CENTRE, LARGE, BLACK, BLACK, DARK_GREY)
    for position, radius, body, shade in NEIGHBOURS:
        draw_ball(pixels, position, radius, body, shade, WHITE)
    return pixels


def draw_bond(pixels, start, end):
    steps = 64
    for i in range(steps + 1):
        t = i / steps
        x = start[0] + (end[0] - start[0]) * t
        y = start[1] + (end[1] - start[1]) * t
        for dx in (0, 1):
            plot(pixels, int(x) + dx, int(y), GREY)


def draw_ball(pixels, centre, radius, body, shade, highlight):
    cx, cy = centre
    for y in range(SIZE):
        for x in range(SIZE):
            dx, dy = x + 0.5 - cx, y + 0.5 - cy
            distance = math.hypot(dx, dy)
            if distance > radius:
                continue
            # Light from the upper left: a highlight, the body, a shaded rim.
            light = math.hypot(dx + radius * 0.35, dy + radius * 0.35)
            if light < radius * 0.28:
                colour = highlight
            elif distance > radius * 0.8 and dx + dy > 0:
                colour = shade
            else:
                colour = body
            plot(pixels, x, y, colour)


def plot(pixels, x, y, colour):
    if 0 <= x < SIZE and 0 <= y < SIZE:
        pixels[y][x] = colour


def ico_bytes(pixels):
    xor_rows, and_rows = [], []
    for row in reversed(pixels):  # bitmaps are stored bottom-up
        nibbles = [0 if p is TRANSPARENT else p for p in row]
        xor_rows.append(bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, SIZE, 2)))
        mask = 0
        for p in row:
            mask = (mask << 1) | (1 if p is TRANSPARENT else 0)
        and_rows.append(struct.pack('>I', mask))
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    xor = b''.join(xor_rows)
    masks = b''.join(and_rows)
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 4, 0, len(xor) + len(masks),
                         0, 0, 16, 0)
    image = header + palette + xor + masks
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


if __name__ == '__main__':
    with open(sys.argv[1], 'wb') as out:
        out.write(ico_bytes(draw()))
