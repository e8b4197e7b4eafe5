#!/usr/bin/env python3
"""Draws Sweepfield's pictures and writes them as BMP and ICO files.

Every picture is drawn here pixel by pixel, either from an ASCII grid or from a
few drawing primitives, so the files can be rebuilt byte for byte at any time:

    python3 scripts/make-pictures.py

Written files:
    src/app/res/Sweepfield.ico            window icon, 32x32 and 16x16, 16 colours
    src/app/res/{start,config,delete,help,add,continue,web,author,email}.bmp
                                          32x16 button strips (normal, disabled)
    src/app/res/chk_{checked,grayed,unchecked}.bmp
                                          19x14 check boxes of the main window
    src/controls/res/{checked,grayed,unchecked}.bmp
                                          19x14 default check boxes of the control
    src/app/res/tile.bmp                  110x34 24-bit background tile

After writing, every file is read back and checked (headers, sizes, bit depths,
palette, the transparent bottom-left pixel, every pixel); any mismatch makes
the script exit with status 1.

Only the Python standard library is used.
"""

import os
import struct
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
APP_RES = os.path.join(ROOT, "src", "app", "res")
CTL_RES = os.path.join(ROOT, "src", "controls", "res")

# ---------------------------------------------------------------------------
# The 16-colour VGA palette, in the order Windows uses, and one letter for each.
# ---------------------------------------------------------------------------

VGA = [
    (0x00, 0x00, 0x00),  # 0  k black
    (0x80, 0x00, 0x00),  # 1  m maroon
    (0x00, 0x80, 0x00),  # 2  g green
    (0x80, 0x80, 0x00),  # 3  o olive
    (0x00, 0x00, 0x80),  # 4  n navy
    (0x80, 0x00, 0x80),  # 5  p purple
    (0x00, 0x80, 0x80),  # 6  t teal
    (0xC0, 0xC0, 0xC0),  # 7  s silver
    (0x80, 0x80, 0x80),  # 8  d gray (dark grey)
    (0xFF, 0x00, 0x00),  # 9  r red
    (0x00, 0xFF, 0x00),  # 10 l lime
    (0xFF, 0xFF, 0x00),  # 11 y yellow
    (0x00, 0x00, 0xFF),  # 12 b blue
    (0xFF, 0x00, 0xFF),  # 13 f fuchsia
    (0x00, 0xFF, 0xFF),  # 14 a aqua
    (0xFF, 0xFF, 0xFF),  # 15 w white
]
LETTERS = "kmgonptsdrlybfaw"
INDEX = {c: i for i, c in enumerate(LETTERS)}

BLACK, MAROON, GREEN, OLIVE = 0, 1, 2, 3
PURPLE, SILVER, GRAY, WHITE = 5, 7, 8, 15

TILE_BG = (254, 254, 254)


class PictureError(Exception):
    pass


# ---------------------------------------------------------------------------
# Small raster helpers. A 4-bit picture is a list of rows of palette indices,
# top row first; (x, y) has y growing downwards, as on screen.
# ---------------------------------------------------------------------------

def from_grid(name, rows, bg, width, height):
    """Turns an ASCII grid into a picture; '.' is the background colour."""
    if len(rows) != height:
        raise PictureError(f"{name}: {len(rows)} rows, expected {height}")
    pic = []
    for y, row in enumerate(rows):
        if len(row) != width:
            raise PictureError(f"{name}: row {y} is {len(row)} wide, expected {width}")
        out = []
        for x, ch in enumerate(row):
            if ch == ".":
                out.append(bg)
                continue
            if ch not in INDEX:
                raise PictureError(f"{name}: unknown colour letter {ch!r} at ({x},{y})")
            if INDEX[ch] == bg:
                # It would vanish: the background colour is the transparent one.
                raise PictureError(f"{name}: transparent colour used in the drawing at ({x},{y})")
            out.append(INDEX[ch])
        pic.append(out)
    return pic


def blank(width, height, colour):
    return [[colour] * width for _ in range(height)]


def luminance(index):
    r, g, b = VGA[index]
    return (299 * r + 587 * g + 114 * b) // 1000


def emboss(pic, bg, darker_than=160):
    """The disabled look: the parts of the drawing darker than the given
    luminance in gray, lit by a white copy one pixel right and below;
    everything else is background."""
    h, w = len(pic), len(pic[0])
    shape = [[pic[y][x] != bg and luminance(pic[y][x]) < darker_than for x in range(w)]
             for y in range(h)]
    out = blank(w, h, bg)
    for y in range(h):
        for x in range(w):
            if shape[y][x]:
                out[y][x] = GRAY
            elif x > 0 and y > 0 and shape[y - 1][x - 1]:
                out[y][x] = WHITE
    return out


def side_by_side(*pics):
    return [sum((p[y] for p in pics), []) for y in range(len(pics[0]))]


# ---------------------------------------------------------------------------
# Button pictures, 16x16. '.' is the transparent colour of the strip.
# ---------------------------------------------------------------------------

BUTTONS = {
    # Start searching: a magnifying glass.
    "start": [
        "................",
        "....kkkkk.......",
        "..kkaaaaakk.....",
        "..kawwaaaak.....",
        ".kawwaaaaaak....",
        ".kawaaaaaaak....",
        ".kaaaaaaaaak....",
        ".kaaaaaaaaak....",
        ".kaaaaaaaaak....",
        "..kaaaaaaak.....",
        "..kkaaaaakkk....",
        "....kkkkkkmmk...",
        "..........kmmmk.",
        "...........kmmmk",
        "............kmmk",
        ".............kk.",
    ],
    # Configure: a check list.
    "config": [
        "................",
        ".kkkkkkkkkkkk...",
        ".kwwwwwwwwwwk...",
        ".kwwwwgwwwwwk...",
        ".kwgwggwdddwk...",
        ".kwgggwwwwwwk...",
        ".kwwgwwwwwwwk...",
        ".kwwwwgwwwwwk...",
        ".kwgwggwdddwk...",
        ".kwgggwwwwwwk...",
        ".kwwgwwwwwwwk...",
        ".kwwwwwwwwwwk...",
        ".kwsswwwdddwk...",
        ".kwsswwwwwwwk...",
        ".kkkkkkkkkkkk...",
        "................",
    ],
    # Delete the selection: a red cross over a sheet.
    "delete": [
        ".kkkkkkkk.......",
        ".kwwwwwwkk......",
        ".kwwwwwwkwk.....",
        ".kwddddwkkkk....",
        ".kwwwwwwwwwk....",
        ".kwddddddwwk....",
        ".kwwwwwwwwwk....",
        ".kwddddrrwwk.rr.",
        ".kwwwwwrrrwkrrr.",
        ".kwddddwrrrrrr..",
        ".kwwwwwwwrrrr...",
        ".kwdddddwrrrr...",
        ".kwwwwwwrrrrrr..",
        ".kkkkkkrrrkkrrr.",
        ".......rr....rr.",
        "................",
    ],
    # Help: a question mark (this strip's background is purple).
    "help": [
        "................",
        ".....bbbbbb.....",
        "....bbnnnnbbn...",
        "...bbn....bbbn..",
        "...bbn....bbbn..",
        "....nn...bbbn...",
        "........bbbn....",
        ".......bbbn.....",
        "......bbbn......",
        "......bbbn......",
        ".......nn.......",
        "................",
        "......bbbn......",
        "......bbbn......",
        ".......nn.......",
        "................",
    ],
    # Add a pattern to the list: a green plus sign.
    "add": [
        "................",
        "................",
        "......gggg......",
        "......gllg......",
        "......gllg......",
        "......gllg......",
        "..gggggllggggg..",
        "..gllllllllllg..",
        "..gllllllllllg..",
        "..gggggllggggg..",
        "......gllg......",
        "......gllg......",
        "......gllg......",
        "......gggg......",
        "................",
        "................",
    ],
    # Go on with the chosen folder: a folder and a green arrow.
    "continue": [
        "................",
        "................",
        ".kkkk...........",
        "kwyyyk..........",
        "kyyyyykkkkkkk...",
        "kwwwwwwwwwwyk...",
        "kwyyyyyyyyyyk...",
        "kwyyyyyyyggyk...",
        "kwyyyyyyyglgk...",
        "kwyyggggggllg...",
        "kwyyglllllllllg.",
        "kwyyggggggllg...",
        "kyyyyyyyyglgk...",
        "kkkkkkkkkggkk...",
        "................",
        "................",
    ],
    # Visit the maker's web site: a globe.
    "web": [
        "................",
        ".....nnnnn......",
        "...nnbggbbnn....",
        "..nbggggbbbbn...",
        "..nbbgggbbggn...",
        ".nbbbbggbgggbn..",
        ".nbbbbgbbbggbn..",
        ".nbbbbbbbbbgbn..",
        ".nbbbbbggbbbbn..",
        ".nbbbbggggbbbn..",
        "..nbbbgggbbbn...",
        "..nbbbbggbbbn...",
        "...nnbbgbbnn....",
        ".....nnnnn......",
        "................",
        "................",
    ],
    # The author's page: a person's head and shoulders.
    "author": [
        "................",
        ".....kkkkk......",
        "....kmmmmmk.....",
        "...kmmmmmmmk....",
        "...kmyyyyymk....",
        "...kyykyykyk....",
        "...kyyyyyyyk....",
        "...kyykkkyyk....",
        "....kyyyyyk.....",
        ".....kkkkk......",
        "...kkbbbbbkk....",
        "..kbbbbwbbbbk...",
        ".kbbbbbwbbbbbk..",
        ".kbbbbbwbbbbbk..",
        ".kkkkkkkkkkkkk..",
        "................",
    ],
    # Send an e-mail: an envelope.
    "email": [
        "................",
        "................",
        "................",
        ".kkkkkkkkkkkkkk.",
        ".kksssssssssskk.",
        ".kwksssssssskwk.",
        ".kwwksssssskwwk.",
        ".kwwwksssskwwwk.",
        ".kwwwwkkkkwwwwk.",
        ".kwwwwwwwwwwwwk.",
        ".kwwwwwwwwwwwwk.",
        ".kwwwwwwwwwwwwk.",
        ".kkkkkkkkkkkkkk.",
        "................",
        "................",
        "................",
    ],
}

STRIP_BG = {name: OLIVE for name in BUTTONS}
STRIP_BG["help"] = PURPLE

# Where the default luminance cut would turn the whole picture into one grey
# blob: the globe keeps its green continents as light holes when disabled.
EMBOSS_CUT = {"web": 60}


def button_strip(name):
    normal = from_grid(name, BUTTONS[name], STRIP_BG[name], 16, 16)
    return side_by_side(normal, emboss(normal, STRIP_BG[name], EMBOSS_CUT.get(name, 160)))


# ---------------------------------------------------------------------------
# Check boxes, 19x14: a 13x13 sunken box at the left, the rest transparent.
# ---------------------------------------------------------------------------

CHECK_W, CHECK_H = 19, 14

# The classic tick, drawn inside the 9x9 inside of the box.
CLASSIC_TICK = [
    ".........",
    ".......x.",
    "......xx.",
    ".x...xxx.",
    ".xx.xxx..",
    ".xxxxx...",
    "..xxx....",
    "...x.....",
    ".........",
]


def classic_box(inside, tick):
    """The default look: a square sunken box (gray and black above and to the
    left, white and silver below and to the right)."""
    pic = blank(CHECK_W, CHECK_H, OLIVE)
    for y in range(13):
        for x in range(13):
            if y == 12 or x == 12:
                c = WHITE
            elif y == 0 or x == 0:
                c = GRAY
            elif y == 11 or x == 11:
                c = SILVER
            elif y == 1 or x == 1:
                c = BLACK
            else:
                c = inside
            pic[y][1 + x] = c
    if tick is not None:
        for ty, row in enumerate(CLASSIC_TICK):
            for tx, ch in enumerate(row):
                if ch == "x":
                    pic[2 + ty][3 + tx] = tick
    return pic


# The main window's boxes: rounded, with a navy rim inside the sunken edge and
# a bold two-tone green tick. '.' is transparent, '_' is the inside colour.
ROUND_BOX = [
    "..ddddddddd..",
    ".dnnnnnnnnnw.",
    "dn_________sw",
    "dn_________sw",
    "dn_________sw",
    "dn_________sw",
    "dn_________sw",
    "dn_________sw",
    "dn_________sw",
    "dn_________sw",
    "dn_________sw",
    ".dssssssssssw",
    "..wwwwwwwwww.",
]

ROUND_TICK = [
    ".........",
    "........l",
    ".......lg",
    "l.....lgg",
    "gl...lgg.",
    "ggl.lgg..",
    ".gglgg...",
    "..ggg....",
    "...g.....",
]


def round_box(inside, tick_light, tick_dark):
    pic = blank(CHECK_W, CHECK_H, OLIVE)
    for y, row in enumerate(ROUND_BOX):
        for x, ch in enumerate(row):
            if ch == ".":
                continue
            pic[y][1 + x] = inside if ch == "_" else INDEX[ch]
    if tick_light is not None:
        for ty, row in enumerate(ROUND_TICK):
            for tx, ch in enumerate(row):
                if ch == "l":
                    pic[2 + ty][3 + tx] = tick_light
                elif ch == "g":
                    pic[2 + ty][3 + tx] = tick_dark
    return pic


# ---------------------------------------------------------------------------
# The window icon: a broom sweeping sheets of paper.
# None is a transparent pixel.
# ---------------------------------------------------------------------------

SHEET = [
    "kkkkk..",
    "kwwwkk.",
    "kwwwkwk",
    "kwwwkkk",
    "kwdddwk",
    "kwwwwwk",
    "kwdddwk",
    "kwwwwwk",
    "kkkkkkk",
]


def paste(pic, grid, x0, y0):
    for y, row in enumerate(grid):
        for x, ch in enumerate(row):
            if ch != "." and 0 <= y0 + y < len(pic) and 0 <= x0 + x < len(pic[0]):
                pic[y0 + y][x0 + x] = INDEX[ch]


def icon32():
    """The broom lies along the falling diagonal: with s = y - x running down
    the handle and t = x + y across it, each part is a band in (s, t)."""
    size = 32
    fill = [[None] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            s, t = y - x, x + y
            if -28 <= s <= -1 and 30 <= t <= 31:          # handle
                fill[y][x] = MAROON if t == 31 else OLIVE
            elif 0 <= s <= 3 and 27 <= t <= 34:           # binding
                fill[y][x] = 9 if s in (1, 2) else MAROON
            elif 4 <= s <= 17:                            # bristles, fanning out
                spread = (s - 4) // 3
                lo, hi = 27 - spread, 34 + spread
                if lo <= t <= hi:
                    fill[y][x] = OLIVE if t % 3 == 0 and lo < t < hi else 11
    # A black outline around the broom.
    pic = [row[:] for row in fill]
    for y in range(size):
        for x in range(size):
            if fill[y][x] is not None:
                continue
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                nx, ny = x + dx, y + dy
                if 0 <= nx < size and 0 <= ny < size and fill[ny][nx] is not None:
                    pic[y][x] = BLACK
                    break
    # Sheets blown away to the right, and a little dust.
    paste(pic, SHEET, 24, 13)
    paste(pic, SHEET, 18, 19)
    paste(pic, SHEET, 24, 22)
    for x, y in ((16, 27), (19, 30), (22, 31), (15, 30)):
        pic[y][x] = GRAY
    return pic


ICON16 = [
    "..............kk",
    ".............kmk",
    "............kmk.",
    "...........kmk..",
    "..........kmk...",
    ".........kmk....",
    "........kmk.....",
    "......kkrk......",
    ".....krrrk......",
    "....kyyyyk.kkkk.",
    "...kyyoyyk.kwwkk",
    "..kyyoyyyk.kwwwk",
    ".kyyoyyoyk.kdddk",
    "kyyoyyoyyk.kwwwk",
    "kkkkkkkkkk.kdddk",
    "...........kkkkk",
]


def icon_pic(grid):
    return [[None if ch == "." else INDEX[ch] for ch in row] for row in grid]


# ---------------------------------------------------------------------------
# The background tile, 110x34, 24 bits: a faint "Sweepfield" in a small pixel
# font, a few light-blue sweeping strokes and a tiny broom, all drawn modulo the
# tile so that it repeats without seams.
# ---------------------------------------------------------------------------

TILE_W, TILE_H = 110, 34

# Glyphs on a 9-row body: rows 0-1 ascenders, 2-6 x-height, 7-8 descenders.
FONT = {
    "S": [".###", "#...", "#...", ".##.", "...#", "...#", "###.", "....", "...."],
    "w": [".....", ".....", "#...#", "#...#", "#.#.#", "#.#.#", ".#.#.", ".....", "....."],
    "e": ["....", "....", ".##.", "#..#", "####", "#...", ".###", "....", "...."],
    "p": ["....", "....", "###.", "#..#", "#..#", "#..#", "###.", "#...", "#..."],
    "f": [".##", "#..", "###", "#..", "#..", "#..", "#..", "...", "..."],
    "i": ["#", ".", "#", "#", "#", "#", "#", ".", "."],
    "l": ["#", "#", "#", "#", "#", "#", "#", ".", "."],
    "d": ["...#", "...#", ".###", "#..#", "#..#", "#..#", ".###", "....", "...."],
}

TEXT_COLOUR = (226, 228, 233)
STROKE_COLOUR = (224, 236, 250)
HANDLE_COLOUR = (234, 230, 226)
BRISTLE_COLOUR = (238, 236, 222)


def tile():
    pic = [[TILE_BG] * TILE_W for _ in range(TILE_H)]

    def put(x, y, colour):
        pic[y % TILE_H][x % TILE_W] = colour

    # The word.
    x = 8
    for ch in "Sweepfield":
        glyph = FONT[ch]
        for gy, row in enumerate(glyph):
            for gx, c in enumerate(row):
                if c == "#":
                    put(x + gx, 5 + gy, TEXT_COLOUR)
        x += len(glyph[0]) + 1

    # Sweeping strokes under the word, rising to the right.
    for x0, length in ((10, 7), (15, 9), (22, 6)):
        for i in range(length):
            put(x0 + i, 26 - i // 2, STROKE_COLOUR)
            put(x0 + i, 27 - i // 2, STROKE_COLOUR)

    # A small broom on the right, leaning the same way as the icon's.
    for i in range(14):                       # handle
        put(88 - i, 4 + i, HANDLE_COLOUR)
        put(89 - i, 4 + i, HANDLE_COLOUR)
    for s in range(8):                        # bristles fanning out
        half = 1 + s // 2
        cx, cy = 74 - s, 18 + s
        for d in range(-half, half + 1):
            put(cx + d, cy + d, BRISTLE_COLOUR)
            put(cx + d + 1, cy + d, BRISTLE_COLOUR)
    # Two leaves being swept away.
    for x, y in ((96, 24), (97, 24), (97, 25), (98, 25), (61, 28), (62, 28), (62, 27)):
        put(x, y, STROKE_COLOUR)
    return pic


# ---------------------------------------------------------------------------
# Writers.
# ---------------------------------------------------------------------------

def _palette_bytes():
    return b"".join(bytes((b, g, r, 0)) for r, g, b in VGA)


def _rows4(pic):
    """4-bit pixel rows, bottom row first, each padded to 4 bytes."""
    w = len(pic[0])
    stride = ((w + 7) // 8) * 4
    out = bytearray()
    for row in reversed(pic):
        line = bytearray()
        for x in range(0, w, 2):
            hi = row[x]
            lo = row[x + 1] if x + 1 < w else 0
            line.append((hi << 4) | lo)
        line.extend(b"\0" * (stride - len(line)))
        out += line
    return bytes(out)


def _info_header(w, h, bpp, image_size, colours):
    return struct.pack("<IiiHHIIiiII", 40, w, h, 1, bpp, 0, image_size, 2835, 2835, colours, 0)


def bmp4(pic):
    w, h = len(pic[0]), len(pic)
    bits = _rows4(pic)
    offset = 14 + 40 + 64
    data = _info_header(w, h, 4, len(bits), 16) + _palette_bytes() + bits
    return b"BM" + struct.pack("<IHHI", 14 + len(data), 0, 0, offset) + data


def bmp24(pic):
    w, h = len(pic[0]), len(pic)
    stride = (w * 3 + 3) & ~3
    bits = bytearray()
    for row in reversed(pic):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line.extend(b"\0" * (stride - len(line)))
        bits += line
    data = _info_header(w, h, 24, len(bits), 0) + bytes(bits)
    return b"BM" + struct.pack("<IHHI", 14 + len(data), 0, 0, 14 + 40) + data


def ico(pics):
    """A 16-colour icon file; None pixels are transparent (AND mask set)."""
    images = []
    for pic in pics:
        w, h = len(pic[0]), len(pic)
        xor = _rows4([[0 if c is None else c for c in row] for row in pic])
        mask_stride = ((w + 31) // 32) * 4
        mask = bytearray()
        for row in reversed(pic):
            line = bytearray(mask_stride)
            for x, c in enumerate(row):
                if c is None:
                    line[x // 8] |= 0x80 >> (x % 8)
            mask += line
        body = (_info_header(w, 2 * h, 4, len(xor) + len(mask), 16)
                + _palette_bytes() + xor + bytes(mask))
        images.append((w, h, body))
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for w, h, body in images:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 16, 0, 1, 4, len(body), offset)
        offset += len(body)
    for _, _, body in images:
        out += body
    return bytes(out)


# ---------------------------------------------------------------------------
# Readers, used to check what was written.
# ---------------------------------------------------------------------------

def _check(cond, what):
    if not cond:
        raise PictureError(what)


def _read_dib(data, pos, name, is_icon):
    """Reads a BITMAPINFOHEADER DIB at pos; returns (w, h, bpp, pixels, mask)."""
    (size, w, h, planes, bpp, comp, image_size, _, _, used, _) = struct.unpack_from("<IiiHHIIiiII", data, pos)
    _check(size == 40, f"{name}: header size {size}, expected 40")
    _check(planes == 1, f"{name}: {planes} planes")
    _check(comp == 0, f"{name}: compressed ({comp})")
    _check(h > 0, f"{name}: not a bottom-up DIB")
    if is_icon:
        _check(h % 2 == 0, f"{name}: odd icon height {h}")
        h //= 2
    pos += 40
    if bpp == 4:
        colours = used or 16
        _check(colours == 16, f"{name}: {colours} palette entries")
        pal = [tuple(data[pos + 4 * i + 2 - k] for k in range(3)) for i in range(16)]
        _check(pal == VGA, f"{name}: palette is not the VGA one")
        pos += 64
        stride = ((w + 7) // 8) * 4
    elif bpp == 24:
        _check(used == 0, f"{name}: a palette on a 24-bit picture")
        stride = (w * 3 + 3) & ~3
    else:
        raise PictureError(f"{name}: {bpp} bits per pixel")
    need = stride * h
    _check(image_size in (0, need + (((w + 31) // 32) * 4 * h if is_icon else 0)),
           f"{name}: image size field {image_size}")
    _check(len(data) >= pos + need, f"{name}: pixel data cut short")
    pixels = []
    for row in range(h):
        line = data[pos + row * stride: pos + (row + 1) * stride]
        if bpp == 4:
            pixels.append([(line[x // 2] >> (0 if x % 2 else 4)) & 15 for x in range(w)])
        else:
            pixels.append([(line[3 * x + 2], line[3 * x + 1], line[3 * x]) for x in range(w)])
    pixels.reverse()
    mask = None
    if is_icon:
        pos += need
        mstride = ((w + 31) // 32) * 4
        _check(len(data) >= pos + mstride * h, f"{name}: AND mask cut short")
        mask = []
        for row in range(h):
            line = data[pos + row * mstride: pos + (row + 1) * mstride]
            mask.append([bool(line[x // 8] & (0x80 >> (x % 8))) for x in range(w)])
        mask.reverse()
    return w, h, bpp, pixels, mask


def read_bmp(data, name):
    _check(data[:2] == b"BM", f"{name}: no BM signature")
    size, _, _, offset = struct.unpack_from("<IHHI", data, 2)
    _check(size == len(data), f"{name}: size field {size}, file is {len(data)}")
    w, h, bpp, pixels, _ = _read_dib(data, 14, name, False)
    _check(offset == 14 + 40 + (64 if bpp == 4 else 0), f"{name}: pixel offset {offset}")
    return w, h, bpp, pixels


def read_ico(data, name):
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    _check(reserved == 0 and kind == 1, f"{name}: not an icon file")
    images = []
    for i in range(count):
        w, h, colours, res, planes, bpp, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        _check(colours == 16 and res == 0 and bpp == 4, f"{name}: entry {i} is not 16 colours")
        _check(offset + length <= len(data), f"{name}: entry {i} runs past the end")
        dw, dh, dbpp, pixels, mask = _read_dib(data[offset:offset + length], 0, f"{name}#{i}", True)
        _check((dw, dh, dbpp) == (w or 256, h or 256, 4), f"{name}: entry {i} disagrees with its image")
        _check(length == 40 + 64 + dh * ((dw + 7) // 8 * 4) + dh * ((dw + 31) // 32 * 4),
               f"{name}: entry {i} length {length}")
        images.append([[None if mask[y][x] else pixels[y][x] for x in range(dw)] for y in range(dh)])
    return images


# ---------------------------------------------------------------------------
# Everything to write, and how to check it.
# ---------------------------------------------------------------------------

def build():
    """Returns [(path, bytes, check)] where check(data) raises on a mismatch."""
    files = []

    def bmp4_file(folder, name, pic, w, h, bottom_left, only=None):
        def check(data, path=name):
            rw, rh, bpp, pixels = read_bmp(data, path)
            _check((rw, rh, bpp) == (w, h, 4), f"{path}: {rw}x{rh} at {bpp} bits, expected {w}x{h} at 4")
            _check(pixels[h - 1][0] == bottom_left,
                   f"{path}: bottom-left pixel is {VGA[pixels[h - 1][0]]}, expected {VGA[bottom_left]}")
            _check(pixels == pic, f"{path}: pixels read back differ from the drawing")
            if only is not None:
                x0, allowed = only
                extra = {pixels[y][x] for y in range(h) for x in range(x0, w)} - allowed
                _check(not extra, f"{path}: disabled picture uses {[VGA[c] for c in sorted(extra)]}")
        files.append((os.path.join(folder, name + ".bmp"), bmp4(pic), check))

    for name in BUTTONS:
        bg = STRIP_BG[name]
        bmp4_file(APP_RES, name, button_strip(name), 32, 16, bg, (16, {bg, GRAY, WHITE}))

    defaults = {
        "checked": classic_box(WHITE, BLACK),
        "grayed": classic_box(SILVER, GRAY),
        "unchecked": classic_box(WHITE, None),
    }
    for name, pic in defaults.items():
        bmp4_file(CTL_RES, name, pic, CHECK_W, CHECK_H, OLIVE)

    own = {
        "chk_checked": round_box(WHITE, 10, GREEN),
        "chk_grayed": round_box(11, SILVER, GRAY),
        "chk_unchecked": round_box(WHITE, None, None),
    }
    for name, pic in own.items():
        bmp4_file(APP_RES, name, pic, CHECK_W, CHECK_H, OLIVE)

    icons = [icon32(), icon_pic(ICON16)]

    def check_icon(data, path="Sweepfield.ico"):
        images = read_ico(data, path)
        _check([(len(p[0]), len(p)) for p in images] == [(32, 32), (16, 16)],
               f"{path}: sizes {[(len(p[0]), len(p)) for p in images]}")
        _check(images == icons, f"{path}: pixels read back differ from the drawing")
    files.append((os.path.join(APP_RES, "Sweepfield.ico"), ico(icons), check_icon))

    wall = tile()

    def check_tile(data, path="tile.bmp"):
        w, h, bpp, pixels = read_bmp(data, path)
        _check((w, h, bpp) == (TILE_W, TILE_H, 24), f"{path}: {w}x{h} at {bpp} bits")
        _check(len(data) == 54 + h * ((w * 3 + 3) & ~3), f"{path}: {len(data)} bytes")
        _check(pixels[h - 1][0] == TILE_BG, f"{path}: bottom-left pixel is {pixels[h - 1][0]}")
        _check(pixels == wall, f"{path}: pixels read back differ from the drawing")
    files.append((os.path.join(APP_RES, "tile.bmp"), bmp24(wall), check_tile))
    return files


def main():
    try:
        files = build()
    except PictureError as e:
        print(f"make-pictures: {e}", file=sys.stderr)
        return 1
    failures = 0
    for path, data, check in files:
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        with open(path, "rb") as f:
            written = f.read()
        rel = os.path.relpath(path, ROOT)
        try:
            check(written)
        except (PictureError, struct.error, IndexError) as e:
            print(f"make-pictures: FAILED {rel}: {e}", file=sys.stderr)
            failures += 1
            continue
        print(f"{rel}: {len(written)} bytes, ok")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
