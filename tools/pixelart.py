#!/usr/bin/env python3
"""Turns TAV's text artwork into the bitmaps, the icon and the cursor.

Usage: pixelart.py <art-dir> <out-dir>

Each art file is plain text:

    # comment lines start with '#'
    size 16 15                  width and height of the images that follow
    hotspot 16 16               cursors only: the hot spot of the first
                                drawing; the others have it in proportion
    palette                     one line per character: char, colour, words
    . c0c0c0 button face
    k 000000 black
    _ none   transparent        icons and cursors only
    image 0 new-page            index (in order from 0) and a name, then
    ................            one row of characters per pixel row
    ...

Every input is checked before anything is written, and any fault (wrong row
width, missing rows, an unknown character, too many colours, a missing image)
stops the run with the file and line named, so a broken drawing never turns
into a quietly wrong resource.

Each size the icon and the cursor carry is a drawing of that size, or a
whole multiple of one (each pixel repeated, so edges stay sharp); the icon's
sizes between those are the next larger one shrunk smoothly. Bitmaps are
drawn once for 100 % and once for 150 % (where repeating pixels would make
lines uneven); the program makes its other sizes the same way.
"""

import os
import struct
import sys
import zlib


class ArtError(Exception):
    pass


# What the program's resources need from each file.
TARGETS = [
    # art file, output, kind, drawings' sizes in order
    ("toolbar.txt", "toolbar.bmp", "strip", [(16, 15)] * 27),
    ("toolbar-150.txt", "toolbar-150.bmp", "strip", [(24, 22)] * 27),
    ("tree.txt", "tree.bmp", "strip", [(16, 14)] * 4),
    ("tree-150.txt", "tree-150.bmp", "strip", [(24, 21)] * 4),
    ("icon.txt", "tav.ico", "icon", [(32, 32), (16, 16), (24, 24), (48, 48)]),
    ("splitter.txt", "splitter.cur", "cursor", [(32, 32), (48, 48)]),
]

# The pictures for the dark look: the same drawings in other colours. Each
# file names the drawings it recolours and gives every one of their palette
# characters a colour of its own:
#
#     drawings toolbar.txt toolbar-150.txt
#     palette
#     . 1e1e1e transparent key
#     ...
RECOLOURINGS = [
    # recolouring file, (drawing, output) in order
    ("toolbar-dark.txt", [("toolbar.txt", "toolbar-dark.bmp"),
                          ("toolbar-150.txt", "toolbar-dark-150.bmp")]),
    ("tree-dark.txt", [("tree.txt", "tree-dark.bmp"), ("tree-150.txt", "tree-dark-150.bmp")]),
]

# The sizes Windows asks an icon for at 100 % to 300 % (small and large
# icons, lists, tiles, Explorer's largest view), and the cursor's sizes at
# 100 %, 150 %, 200 % and 300 %.
ICON_SIZES = [16, 20, 24, 32, 40, 48, 64, 256]
CURSOR_SIZES = [32, 48, 64, 96]
# Larger icons are stored compressed, as Windows Vista and later read them.
PNG_FROM = 256

TRANSPARENT = None
CURSOR_BLACK = (0, 0, 0)
CURSOR_WHITE = (255, 255, 255)


class Art:
    def __init__(self, path):
        self.path = path
        self.palette = {}      # character -> (r, g, b) or TRANSPARENT
        self.images = []       # (name, width, height, rows, first line)
        self.hotspot = None


def fail(path, line, message):
    raise ArtError("%s:%d: %s" % (path, line, message))


def parse_colour(path, number, text):
    if text == "none":
        return TRANSPARENT
    if len(text) != 6 or any(c not in "0123456789abcdefABCDEF" for c in text):
        fail(path, number, "colour %r is not six hex digits or 'none'" % text)
    value = int(text, 16)
    return ((value >> 16) & 255, (value >> 8) & 255, value & 255)


def parse_size(path, number, words, keyword):
    if len(words) != 3 or not words[1].isdigit() or not words[2].isdigit():
        fail(path, number, "expected '%s <x> <y>'" % keyword)
    return int(words[1]), int(words[2])


def parse_palette_line(art, number, line):
    # The character may be any printable one but '#' and a space.
    char = line[0]
    words = line[1:].split()
    if char in "# \t":
        fail(art.path, number, "palette character %r is not allowed" % char)
    if not words:
        fail(art.path, number, "palette line for %r has no colour" % char)
    if char in art.palette:
        fail(art.path, number, "palette character %r is defined twice" % char)
    art.palette[char] = parse_colour(art.path, number, words[0])


def read_art(path):
    try:
        with open(path, "r", encoding="utf-8") as handle:
            lines = handle.read().splitlines()
    except OSError as error:
        raise ArtError("%s: cannot read: %s" % (path, error.strerror))
    art = Art(path)
    size = None
    state = "header"
    current = None
    for number, raw in enumerate(lines, 1):
        line = raw.rstrip()
        if state == "rows":
            # Rows are taken literally; a row may not be blank or a comment.
            name, width, height, rows, first = current
            if len(line) != width:
                fail(path, number, "row %d of image '%s' has %d pixels, not %d"
                     % (len(rows), name, len(line), width))
            for column, char in enumerate(line):
                if char not in art.palette:
                    fail(path, number, "unknown palette character %r in column %d"
                         % (char, column))
            rows.append(line)
            if len(rows) == height:
                art.images.append(current)
                state = "images"
            continue
        if not line or line.startswith("#"):
            continue
        words = line.split()
        if state == "palette" and words[0] not in ("image", "size", "hotspot"):
            parse_palette_line(art, number, line)
            continue
        if words[0] == "size":
            size = parse_size(path, number, words, "size")
        elif words[0] == "hotspot":
            art.hotspot = parse_size(path, number, words, "hotspot")
        elif words[0] == "palette" and len(words) == 1:
            if art.palette:
                fail(path, number, "a second palette")
            state = "palette"
        elif words[0] == "image":
            if size is None:
                fail(path, number, "'image' before 'size'")
            if not art.palette:
                fail(path, number, "'image' before 'palette'")
            if len(words) < 3 or words[1] != str(len(art.images)):
                fail(path, number, "expected 'image %d <name>'" % len(art.images))
            current = (words[2], size[0], size[1], [], number)
            state = "rows"
        else:
            fail(path, number, "unexpected line %r" % line)
    if state == "rows":
        name, width, height, rows, first = current
        fail(path, len(lines), "image '%s' has %d rows, not %d" % (name, len(rows), height))
    return art


def check_target(art, kind, sizes):
    if len(art.images) != len(sizes):
        raise ArtError("%s: %d images, expected %d" % (art.path, len(art.images), len(sizes)))
    for (name, width, height, rows, first), expected in zip(art.images, sizes):
        if (width, height) != expected:
            fail(art.path, first, "image '%s' is %dx%d, expected %dx%d"
                 % ((name, width, height) + expected))
    colours = [c for c in art.palette.values()]
    if kind == "strip":
        if TRANSPARENT in colours:
            raise ArtError("%s: a bitmap has no transparency; use its key colour" % art.path)
        if len(set(colours)) > 16:
            raise ArtError("%s: %d colours, a 4-bit bitmap holds 16"
                           % (art.path, len(set(colours))))
    if kind == "cursor":
        for colour in colours:
            if colour not in (TRANSPARENT, CURSOR_BLACK, CURSOR_WHITE):
                raise ArtError("%s: a two-colour cursor takes only 000000, ffffff and none"
                               % art.path)
        if art.hotspot is None:
            raise ArtError("%s: a cursor needs a 'hotspot' line" % art.path)
        width, height = sizes[0]
        if not (0 <= art.hotspot[0] < width and 0 <= art.hotspot[1] < height):
            raise ArtError("%s: hot spot %r lies outside the image" % (art.path, art.hotspot))
    elif art.hotspot is not None:
        raise ArtError("%s: only a cursor has a hot spot" % art.path)


def pixel_grid(art, image):
    return [[art.palette[c] for c in row] for row in image[3]]


def drawing_for(art, size):
    """The drawing a square size is made from, and how: (grid, times, shrink).
    The smallest whole multiple of a drawing that is at least the size; among
    equal ones the larger drawing, which has more detail."""
    best = None
    for image in art.images:
        drawn = image[1]
        times = -(-size // drawn)
        key = (times * drawn, -drawn)
        if best is None or key < best[0]:
            best = (key, image, times)
    (made, _), image, times = best
    return pixel_grid(art, image), times, made != size


def repeat_pixels(grid, times):
    return [[p for p in row for _ in range(times)] for row in grid for _ in range(times)]


def shrink(grid, size):
    """Each new pixel is the share of the old ones it covers; colour is
    averaged over what is covered, and the coverage becomes alpha."""
    old = len(grid)
    out = []
    for y in range(size):
        row = []
        for x in range(size):
            cover, sums = 0, [0, 0, 0]
            for sy in range(y * old // size, ((y + 1) * old - 1) // size + 1):
                wy = min((y + 1) * old, (sy + 1) * size) - max(y * old, sy * size)
                for sx in range(x * old // size, ((x + 1) * old - 1) // size + 1):
                    wx = min((x + 1) * old, (sx + 1) * size) - max(x * old, sx * size)
                    pixel = grid[sy][sx]
                    if pixel is TRANSPARENT or wx <= 0 or wy <= 0:
                        continue
                    cover += wx * wy
                    for c in range(3):
                        sums[c] += wx * wy * pixel[c]
            if cover == 0:
                row.append(TRANSPARENT)
            else:
                alpha = (cover * 255 + old * old // 2) // (old * old)
                row.append(tuple((v + cover // 2) // cover for v in sums) + (alpha,))
        out.append(row)
    return out


def made_grid(art, size, smooth):
    grid, times, shrinks = drawing_for(art, size)
    grid = repeat_pixels(grid, times)
    if shrinks:
        if not smooth:
            raise ArtError("%s: no drawing makes %dx%d by whole multiples" % (art.path, size, size))
        grid = shrink(grid, size)
    return grid


def pad4(data):
    return data + b"\0" * (-len(data) % 4)


def info_header(width, height, bits, colours_used=0, image_size=0):
    # BITMAPINFOHEADER: 40 bytes, uncompressed.
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0,
                       image_size, 2835, 2835, colours_used, colours_used)


def rgb_quads(colours):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)


def pack_4bit_rows(grid, index):
    # Bottom-up rows, two pixels per byte, high nibble first, each row padded.
    data = b""
    for row in reversed(grid):
        nibbles = [index[c] for c in row] + [0] * (len(row) % 2)
        data += pad4(bytes((nibbles[i] << 4) | nibbles[i + 1]
                           for i in range(0, len(nibbles), 2)))
    return data


def pack_1bit_rows(bits_per_row):
    data = b""
    for row in reversed(bits_per_row):
        row = row + [0] * (-len(row) % 8)
        data += pad4(bytes(sum(bit << (7 - i) for i, bit in enumerate(row[j:j + 8]))
                           for j in range(0, len(row), 8)))
    return data


def strip_bmp(art):
    # Images side by side in one 4-bit bitmap; the palette keeps the legend's
    # order, so the file is stable under redrawing.
    grids = [pixel_grid(art, image) for image in art.images]
    height = len(grids[0])
    grid = [sum((g[y] for g in grids), []) for y in range(height)]
    width = len(grid[0])
    colours = []
    for colour in art.palette.values():
        if colour not in colours:
            colours.append(colour)
    index = {colour: i for i, colour in enumerate(colours)}
    colours += [(0, 0, 0)] * (16 - len(colours))
    bits = pack_4bit_rows(grid, index)
    header = info_header(width, height, 4, 16, len(bits))
    offset = 14 + len(header) + 64
    return (b"BM" + struct.pack("<IHHI", offset + len(bits), 0, 0, offset)
            + header + rgb_quads(colours) + bits)


def rgba(pixel):
    if pixel is TRANSPARENT:
        return (0, 0, 0, 0)
    return pixel if len(pixel) == 4 else pixel + (255,)


def icon_image(grid):
    # 32-bit colour with alpha, then the AND mask that older systems use.
    height, width = len(grid), len(grid[0])
    colour = b""
    for row in reversed(grid):
        for pixel in row:
            r, g, b, a = rgba(pixel)
            colour += struct.pack("<BBBB", b, g, r, a)
    mask = pack_1bit_rows([[1 if rgba(p)[3] < 128 else 0 for p in row] for row in grid])
    return info_header(width, 2 * height, 32, 0, len(colour) + len(mask)) + colour + mask


def png_image(grid):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    height, width = len(grid), len(grid[0])
    raw = b"".join(b"\0" + bytes(v for p in row for v in rgba(p)) for row in grid)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def icon_file(art):
    grids = [(size, made_grid(art, size, True)) for size in ICON_SIZES]
    images = [png_image(grid) if size >= PNG_FROM else icon_image(grid) for size, grid in grids]
    offset = 6 + 16 * len(images)
    directory = b""
    for image, (size, grid) in zip(images, grids):
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32,
                                 len(image), offset)
        offset += len(image)
    return struct.pack("<HHH", 0, 1, len(images)) + directory + b"".join(images)


def cursor_image(grid):
    # Two-colour cursor: XOR bits pick white, AND bits let the screen through.
    height, width = len(grid), len(grid[0])
    xor = pack_1bit_rows([[1 if p == CURSOR_WHITE else 0 for p in row] for row in grid])
    mask = pack_1bit_rows([[1 if p is TRANSPARENT else 0 for p in row] for row in grid])
    palette = rgb_quads([CURSOR_BLACK, CURSOR_WHITE])
    return info_header(width, 2 * height, 1, 2, len(xor) + len(mask)) + palette + xor + mask


def cursor_file(art):
    images = [(size, cursor_image(made_grid(art, size, False))) for size in CURSOR_SIZES]
    first = art.images[0][1]
    offset = 6 + 16 * len(images)
    directory = b""
    for size, image in images:
        x, y = (art.hotspot[0] * size // first, art.hotspot[1] * size // first)
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 2, 0, x, y, len(image),
                                 offset)
        offset += len(image)
    return struct.pack("<HHH", 0, 2, len(images)) + directory + b"".join(i for _, i in images)


WRITERS = {"strip": strip_bmp, "icon": icon_file, "cursor": cursor_file}


def read_recolouring(path):
    """The drawings a recolouring file names, and its palette."""
    try:
        with open(path, "r", encoding="utf-8") as handle:
            lines = handle.read().splitlines()
    except OSError as error:
        raise ArtError("%s: cannot read: %s" % (path, error.strerror))
    colours = Art(path)
    drawings = None
    in_palette = False
    for number, raw in enumerate(lines, 1):
        line = raw.rstrip()
        if not line or line.startswith("#"):
            continue
        words = line.split()
        if in_palette:
            parse_palette_line(colours, number, line)
        elif words[0] == "drawings" and len(words) > 1 and drawings is None:
            drawings = words[1:]
        elif words == ["palette"] and drawings is not None:
            in_palette = True
        else:
            fail(path, number, "unexpected line %r" % line)
    if drawings is None or not colours.palette:
        raise ArtError("%s: needs a 'drawings' line and a palette" % path)
    return drawings, colours


def recoloured(art, colours):
    # Every character of the drawing gets the recolouring's colour; one it
    # leaves out, or one the drawing does not have, is a fault.
    missing = sorted(set(art.palette) - set(colours.palette))
    extra = sorted(set(colours.palette) - set(art.palette))
    if missing:
        raise ArtError("%s: no colour for %s of %s" % (colours.path, " ".join(missing), art.path))
    if extra:
        raise ArtError("%s: %s not in %s" % (colours.path, " ".join(extra), art.path))
    art.palette = {char: colours.palette[char] for char in art.palette}
    return art


def build_all(art_dir):
    outputs = []
    kinds = {}
    for source, output, kind, sizes in TARGETS:
        art = read_art(os.path.join(art_dir, source))
        check_target(art, kind, sizes)
        outputs.append((output, WRITERS[kind](art)))
        kinds[source] = (kind, sizes)
    for recolouring, pairs in RECOLOURINGS:
        drawings, colours = read_recolouring(os.path.join(art_dir, recolouring))
        if drawings != [source for source, _ in pairs]:
            raise ArtError("%s: recolours %s, expected %s"
                           % (colours.path, " ".join(drawings),
                              " ".join(source for source, _ in pairs)))
        for source, output in pairs:
            art = recoloured(read_art(os.path.join(art_dir, source)), colours)
            check_target(art, *kinds[source])
            outputs.append((output, WRITERS[kinds[source][0]](art)))
    return outputs


def write_file(path, data):
    # Through a temporary name, so a half-written file never looks finished.
    temporary = path + ".tmp"
    with open(temporary, "wb") as handle:
        handle.write(data)
    os.replace(temporary, path)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: pixelart.py <art-dir> <out-dir>\n")
        return 2
    try:
        outputs = build_all(argv[1])
        os.makedirs(argv[2], exist_ok=True)
        for name, data in outputs:
            write_file(os.path.join(argv[2], name), data)
    except ArtError as error:
        sys.stderr.write("pixelart: error: %s\n" % error)
        return 1
    except OSError as error:
        sys.stderr.write("pixelart: error: %s: %s\n" % (error.filename, error.strerror))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
