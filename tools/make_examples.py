#!/usr/bin/env python3
"""Draws the example pictures, sprites and projects in examples/.

Run from the repository root: tools/make_examples.py. Everything is drawn by this script; the
output is committed so that a newcomer can open it at once (F1 in the editor).
"""
import math
import os

OUT = "examples"

# C64 colour indices.
BLACK, WHITE, RED, CYAN, PURPLE, GREEN, BLUE, YELLOW = range(8)
ORANGE, BROWN, LIGHT_RED, DARK_GREY, GREY, LIGHT_GREEN, LIGHT_BLUE, LIGHT_GREY = range(8, 16)

# A 5x7 font for the few letters the pictures need.
FONT = {
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "I": ["11111", "00100", "00100", "00100", "00100", "00100", "11111"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "W": ["10001", "10001", "10001", "10101", "10101", "11011", "10001"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
}


def koala_scene():
    """A 160x200 multicolour scene: sky bands, a sun, mountains, a lake and a title."""
    w, h = 160, 200
    img = [[BLACK] * w for _ in range(h)]
    sky = [BLUE, BLUE, LIGHT_BLUE, LIGHT_BLUE, CYAN, LIGHT_GREY]
    for y in range(0, 130):
        band = y * len(sky) / 130
        lo = int(band)
        frac = band - lo
        for x in range(w):
            c = sky[lo]
            # Ordered dither between neighbouring bands.
            if lo + 1 < len(sky) and frac > ((x + y) % 4 + 0.5) / 4:
                c = sky[lo + 1]
            img[y][x] = c
    for y in range(h):
        for x in range(w):
            d = math.hypot((x - 112) * 2, y - 70)
            if d < 26:
                img[y][x] = YELLOW if d < 20 else ORANGE
    for x in range(w):
        ridge = 118 - 30 * abs(math.sin(x / 23.0)) - 8 * abs(math.sin(x / 7.0))
        for y in range(int(ridge), 135):
            img[y][x] = DARK_GREY if (x // 3 + y // 5) % 5 else GREY
            if y < ridge + 4 and ridge < 100:
                img[y][x] = WHITE
    for y in range(135, h):
        for x in range(w):
            img[y][x] = GREEN if (y - 135) % 9 < 6 else LIGHT_GREEN
            if 150 <= y < 185 and 20 <= x < 140 and (x * 3 + y * 7) % 11 != 0:
                img[y][x] = BLUE if (x + y) % 7 else LIGHT_BLUE
    text = "SIDEWELL"
    for i, ch in enumerate(text):
        for r, row in enumerate(FONT[ch]):
            for c, bit in enumerate(row):
                if bit == "1":
                    for yy in range(3):
                        for xx in range(2):
                            img[12 + r * 3 + yy][20 + i * 15 + c * 2 + xx] = WHITE
    return img


def encode_multicolour(img, background):
    """Koala bitmap, screen and colour RAM; each 4x8 cell keeps its three most used colours."""
    bitmap, screen, colour = bytearray(8000), bytearray(1000), bytearray(1000)
    for cell in range(1000):
        cx, cy = (cell % 40) * 4, (cell // 40) * 8
        pixels = [img[cy + y][cx + x] for y in range(8) for x in range(4)]
        counts = {}
        for p in pixels:
            if p != background:
                counts[p] = counts.get(p, 0) + 1
        chosen = sorted(counts, key=lambda c: -counts[c])[:3]
        while len(chosen) < 3:
            chosen.append(BLACK)
        screen[cell] = (chosen[0] << 4) | chosen[1]
        colour[cell] = chosen[2]
        for y in range(8):
            byte = 0
            for x in range(4):
                p = img[cy + y][cx + x]
                if p == background:
                    pair = 0
                elif p in chosen:
                    pair = chosen.index(p) + 1
                else:
                    pair = 1
                byte |= pair << (6 - 2 * x)
            bitmap[cell * 8 + y] = byte
    return bitmap, screen, colour


def write_koala(path):
    background = BLACK
    bitmap, screen, colour = encode_multicolour(koala_scene(), background)
    data = bytes([0x00, 0x60]) + bitmap + screen + colour + bytes([background])
    assert len(data) == 10003
    with open(path, "wb") as f:
        f.write(data)


def screen_code(ch):
    if "A" <= ch <= "Z":
        return ord(ch) - ord("A") + 1
    if ch == " ":
        return 32
    if "0" <= ch <= "9" or ch in ".-!":
        return ord(ch)
    raise ValueError(ch)


def write_petscii(path):
    codes = [32] * 1000
    colours = [LIGHT_BLUE] * 1000

    def put(x, y, code, col):
        codes[y * 40 + x] = code
        colours[y * 40 + x] = col

    # A frame of line graphics round the screen.
    for x in range(1, 39):
        put(x, 0, 0x40, CYAN)
        put(x, 24, 0x40, CYAN)
    for y in range(1, 24):
        put(0, y, 0x5D, CYAN)
        put(39, y, 0x5D, CYAN)
    put(0, 0, 0x70, CYAN)
    put(39, 0, 0x6E, CYAN)
    put(0, 24, 0x6D, CYAN)
    put(39, 24, 0x7D, CYAN)
    for i, ch in enumerate("C64 SIDEWELL"):
        put(14 + i, 3, screen_code(ch), WHITE)
    for i, ch in enumerate("SPRITES IN THE SIDE BORDERS"):
        put(6 + i, 5, screen_code(ch), LIGHT_GREEN)
    # Colour bars of reverse spaces, one per C64 colour.
    for c in range(16):
        for y in range(8, 12):
            put(4 + c * 2, y, 160, c)
            put(5 + c * 2, y, 160, c)
    # A checkerboard and a row of hearts, spades, clubs and diamonds.
    for y in range(14, 20):
        for x in range(4, 36):
            put(x, y, 0x66 if (x + y) % 2 else 0xA0, PURPLE if (x // 4 + y) % 2 else BLUE)
    for i, code in enumerate([0x53, 0x41, 0x58, 0x5A] * 4):
        put(12 + i, 21, code, RED if code in (0x53, 0x5A) else WHITE)
    data = bytes([40, 25, LIGHT_BLUE, BLUE, 0]) + bytes(codes) + bytes(colours)
    assert len(data) == 2005
    with open(path, "wb") as f:
        f.write(data)


def sprite_from_function(inside):
    data = bytearray(63)
    for y in range(21):
        for x in range(24):
            if inside(x - 11.5, y - 10):
                data[y * 3 + x // 8] |= 0x80 >> (x % 8)
    return data


def write_sprites(path, count=48):
    shapes = [
        lambda x, y: math.hypot(x, y) < 10,
        lambda x, y: 6 < math.hypot(x, y) < 10,
        lambda x, y: abs(x) + abs(y) < 10,
        lambda x, y: max(abs(x), abs(y)) < 9 and (int(x + 12) // 3 + int(y + 10) // 3) % 2 == 0,
        lambda x, y: math.hypot(x, y) < 10 * (0.6 + 0.4 * math.cos(5 * math.atan2(y, x))),
        lambda x, y: abs(y) < 3 or (x > 2 and abs(y) < 10 - x),
    ]
    palette = [WHITE, YELLOW, LIGHT_GREEN, CYAN, LIGHT_RED, ORANGE, LIGHT_BLUE, LIGHT_GREY]
    data = bytearray([0x00, 0x30])
    for i in range(count):
        data += sprite_from_function(shapes[i % len(shapes)])
        data.append(palette[(i // 4) % len(palette)])  # Sprite Pad attribute byte: colour
    with open(path, "wb") as f:
        f.write(data)


def write_project(path, picture, sprites, colours):
    # The absolute paths name the author's machine; the editor then finds the files beside the
    # project, as it does for any project moved together with its files.
    mc = ";".join(["false"] * len(colours)) + ";"
    col = ";".join(str(c) for c in colours) + ";"
    text = (
        "# C64 Sidewell 1.1.4 project file - do NOT edit\n\n"
        "[picture]\nfile=file:///home/artist/sidewell/examples/%s\n\n"
        "[sprites]\nfile=file:///home/artist/sidewell/examples/%s\n"
        "background_color_index=0\nmulticolor0_index=4\nmulticolor1_index=10\n"
        "mc_flags=%s\ncolor_indexes=%s\n\n"
        "[colors]\nbase=0\n" % (picture, sprites, mc, col)
    )
    with open(path, "w") as f:
        f.write(text)


def main():
    os.makedirs(OUT, exist_ok=True)
    write_koala(os.path.join(OUT, "sunset.koa"))
    write_petscii(os.path.join(OUT, "welcome.pet"))
    write_sprites(os.path.join(OUT, "shapes.prg"))
    palette = [WHITE, YELLOW, LIGHT_GREEN, CYAN, LIGHT_RED, ORANGE, LIGHT_BLUE, LIGHT_GREY]
    colours = [palette[(i // 4) % len(palette)] for i in range(48)]
    # Sprites 20-23 and 32-35 show the colours of 16-19 and 28-31 on a real C64.
    for k in range(4):
        colours[20 + k] = colours[16 + k]
        colours[32 + k] = colours[28 + k]
    write_project(os.path.join(OUT, "sunset.ini"), "sunset.koa", "shapes.prg", colours)
    write_project(os.path.join(OUT, "welcome.ini"), "welcome.pet", "shapes.prg", colours)


if __name__ == "__main__":
    main()
