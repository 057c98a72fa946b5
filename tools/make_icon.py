#!/usr/bin/env python3
"""Draws the program's icon: a barcode on a label, at 16, 32 and 48 pixels,
16 colours, and writes it as src/res/orvanta.ico.

    python3 tools/make_icon.py [output.ico]
"""
import struct
import sys

# The standard 16-colour palette (B, G, R, 0).
PALETTE = [
    (0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128), (128, 0, 0), (128, 0, 128),
    (128, 128, 0), (192, 192, 192), (128, 128, 128), (0, 0, 255), (0, 255, 0),
    (0, 255, 255), (255, 0, 0), (255, 0, 255), (255, 255, 0), (255, 255, 255),
]
BLACK, DARK_BLUE, WHITE = 0, 4, 15
BARS = "1101001100101101011001011011"   # bar pattern across the label


def pixel(size, x, y):
    """Colour index at (x, y), y from the top, or None where transparent."""
    border = max(1, size // 16)
    if x < border or y < border or x >= size - border or y >= size - border:
        return DARK_BLUE
    inner = size - 2 * border
    bar_top, bar_bottom = border + inner // 6, size - border - inner // 4
    if bar_top <= y < bar_bottom:
        column = (x - border) * len(BARS) // inner
        return BLACK if BARS[column] == "1" else WHITE
    return WHITE


def image(size):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in
                       [(c[2], c[1], c[0]) for c in PALETTE])
    row_bytes = ((size * 4 + 31) // 32) * 4
    mask_bytes = ((size + 31) // 32) * 4
    colours, mask = b"", b""
    for y in reversed(range(size)):           # bitmaps are stored bottom-up
        row = bytearray(row_bytes)
        for x in range(size):
            index = pixel(size, x, y)
            row[x // 2] |= index << (4 if x % 2 == 0 else 0)
        colours += bytes(row)
        mask += bytes(mask_bytes)             # every pixel opaque
    return header + palette + colours + mask


def icon():
    sizes = [16, 32, 48]
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


if __name__ == "__main__":
    path = sys.argv[1] if len(sys.argv) > 1 else "src/res/orvanta.ico"
    with open(path, "wb") as f:
        f.write(icon())
