#!/usr/bin/env python3
"""Draws the application icon, res/tavrel.ico: one 32 x 32 image in 16 colours,
four bevelled diamonds (red, green, blue, yellow) in a two-by-two grid on a
transparent background.

Run it again after changing the drawing; the .ico is committed beside it.
    python3 res/make_icon.py [out.ico] [--preview out.ppm]
"""
import struct
import sys

# The standard 16-colour Windows palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, WHITE = 0, 15
# Per diamond: face (bright), shadow (dark) and the quadrant it sits in.
DIAMONDS = [
    (9, 1, (0, 0)),    # red, top left
    (10, 2, (16, 0)),  # green, top right
    (12, 4, (0, 16)),  # blue, bottom left
    (11, 3, (16, 16)), # yellow, bottom right
]
SIZE = 32
RADIUS = 7


def draw():
    """Returns 32 rows of 32 palette indices, None where transparent; row 0 is the top."""
    pixels = [[None] * SIZE for _ in range(SIZE)]
    for face, shadow, (ox, oy) in DIAMONDS:
        cx, cy = ox + 8, oy + 8
        for y in range(oy, oy + 16):
            for x in range(ox, ox + 16):
                dx, dy = x - cx, y - cy
                d = abs(dx) + abs(dy)
                if d > RADIUS:
                    continue
                if d == RADIUS:
                    colour = BLACK                      # outline
                elif d >= RADIUS - 2:
                    # Bevel: light falls from the top left.
                    colour = WHITE if dx + dy < 0 else shadow
                else:
                    colour = face
                pixels[y][x] = colour
    return pixels


def ico_bytes(pixels):
    """A single-image .ico: BITMAPINFOHEADER, palette, 4-bit XOR map, 1-bit AND mask."""
    xor_rows = []
    and_rows = []
    for row in reversed(pixels):  # bitmaps are stored bottom-up
        nibbles = [p if p is not None else 0 for p in row]
        xor_rows.append(bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, SIZE, 2)))
        bits = 0
        for p in row:
            bits = (bits << 1) | (1 if p is None else 0)
        and_rows.append(bits.to_bytes(SIZE // 8, 'big'))  # 4 bytes: already DWORD-aligned
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    image = header + palette + b''.join(xor_rows) + b''.join(and_rows)
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def ppm_bytes(pixels, scale=8, background=(224, 224, 224)):
    """A magnified preview for review, transparency shown as a light grey."""
    out = bytearray(b'P6 %d %d 255\n' % (SIZE * scale, SIZE * scale))
    for row in pixels:
        line = b''.join(bytes(PALETTE[p] if p is not None else background) * scale for p in row)
        out += line * scale
    return bytes(out)


def main(argv):
    out = 'res/tavrel.ico'
    preview = None
    args = list(argv)
    if '--preview' in args:
        i = args.index('--preview')
        preview = args[i + 1]
        del args[i:i + 2]
    if args:
        out = args[0]
    pixels = draw()
    with open(out, 'wb') as f:
        f.write(ico_bytes(pixels))
    if preview:
        with open(preview, 'wb') as f:
            f.write(ppm_bytes(pixels))


if __name__ == '__main__':
    main(sys.argv[1:])
