#!/usr/bin/env python3
"""Draws the plug-in's seven 18 x 15 tree pictures as 16-colour bitmaps.

Each picture is a grid of characters, one per pixel, top row first; the
letters name colours of the standard 16-colour palette. The top-left pixel
is the background: the plug-in loads the bitmaps with that colour replaced
by the window colour. Run it in this folder to write the .bmp files again.
"""
import struct

PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255),
    (0, 255, 255), (255, 255, 255),
]
COLOURS = {'k': 0, 'm': 1, 'G': 2, 'o': 3, 'n': 4, 't': 6, 's': 7, 'g': 8, 'r': 9, 'l': 10, 'y': 11,
           'b': 12, '.': 13, 'c': 14, 'w': 15}

PICTURES = {
    # A bit field: a group of bits picked out of a register.
    'varsmap': [
        "..................",
        "..................",
        "..................",
        "..................",
        "..kkkkkkkkkkkkk...",
        "..kyykyykyykwwk...",
        "..kyykyykyykwwk...",
        "..kyykyykyykwwk...",
        "..kkkkkkkkkkkkk...",
        "..................",
        "..................",
        "..................",
        "..................",
        "..................",
        "..................",
    ],
    # An I/O module: a chip, closed.
    'ciomap': [
        "..................",
        "...s.s.s.s.s.s....",
        "...s.s.s.s.s.s....",
        "..kkkkkkkkkkkkk...",
        "..kgggggggggggk...",
        "..kgwgggggggggk...",
        "..kgggggggggggk...",
        "..kgggggggggggk...",
        "..kgggggggggggk...",
        "..kgggggggggggk...",
        "..kgggggggggggk...",
        "..kkkkkkkkkkkkk...",
        "...s.s.s.s.s.s....",
        "...s.s.s.s.s.s....",
        "..................",
    ],
    # The chip, open: its registers are shown.
    'oiomap': [
        "..................",
        "...y.y.y.y.y.y....",
        "...y.y.y.y.y.y....",
        "..kkkkkkkkkkkkk...",
        "..knnnnnnnnnnnk...",
        "..knwnnnnnnnnnk...",
        "..knnccccccnnnk...",
        "..knnnnnnnnnnnk...",
        "..knnccccccnnnk...",
        "..knnnnnnnnnnnk...",
        "..knnnnnnnnnnnk...",
        "..kkkkkkkkkkkkk...",
        "...y.y.y.y.y.y....",
        "...y.y.y.y.y.y....",
        "..................",
    ],
    # A register: a row of bits, closed.
    'cregmap': [
        "..................",
        "..................",
        "..................",
        "..................",
        "nnnnnnnnnnnnnnnnn.",
        "nwwwnbbbnwwwnbbbn.",
        "nwwwnbbbnwwwnbbbn.",
        "nwwwnbbbnwwwnbbbn.",
        "nnnnnnnnnnnnnnnnn.",
        "..................",
        "..................",
        "..................",
        "..................",
        "..................",
        "..................",
    ],
    # The register, open: its fields hang below it.
    'oregmap': [
        "..................",
        "nnnnnnnnnnnnnnnnn.",
        "nwwwnbbbnwwwnbbbn.",
        "nwwwnbbbnwwwnbbbn.",
        "nwwwnbbbnwwwnbbbn.",
        "nnnnnnnnnnnnnnnnn.",
        "..g.......g.......",
        "..g.......g.......",
        "..g.......g.......",
        "..gggyyy..gggyyy..",
        "..g..yyy.....yyy..",
        "..g...............",
        "..g...............",
        "..gggyyy..........",
        ".....yyy..........",
    ],
    # A live register: read again at every stop.
    'ccode': [
        "..................",
        "..................",
        "......GGGGG.......",
        ".....GlllllG......",
        "....GllwllllG.....",
        "....GlwlllllG.....",
        "....GlllllllG.....",
        "....GlllllllG.....",
        "....GlllllllG.....",
        ".....GlllllG......",
        "......GGGGG.......",
        "..................",
        "..................",
        "..................",
        "..................",
    ],
    # A frozen register: it keeps its value.
    'ncode': [
        "..................",
        "..................",
        "........b.........",
        "...b....b....b....",
        "....b..cbc..b.....",
        ".....bcccccb......",
        "......cwccc.......",
        "..bbbbcccccbbbb...",
        "......ccccc.......",
        ".....bcccccb......",
        "....b..cbc..b.....",
        "...b....b....b....",
        "........b.........",
        "..................",
        "..................",
    ],
}


def bitmap(rows):
    assert len(rows) == 15 and all(len(r) == 18 for r in rows), rows
    stride = 12   # 18 pixels of 4 bits, padded to 4 bytes
    pixels = b''
    for row in reversed(rows):
        indexes = [COLOURS[c] for c in row] + [0] * 6
        line = bytes(indexes[i] << 4 | indexes[i + 1] for i in range(0, 24, 2))
        pixels += line[:stride]
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    info = struct.pack('<IiiHHIIiiII', 40, 18, 15, 1, 4, 0, len(pixels), 2835, 2835, 16, 0)
    offset = 14 + len(info) + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    return header + info + palette + pixels


for name, rows in PICTURES.items():
    with open(name + '.bmp', 'wb') as out:
        out.write(bitmap(rows))
