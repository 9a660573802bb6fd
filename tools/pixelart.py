#!/usr/bin/env python3
"""Turns TAV's text artwork into the bitmaps, the icon and the cursor.

Usage: pixelart.py <art-dir> <out-dir>

Each art file is plain text:

    # comment lines start with '#'
    size 16 15                  width and height of the images that follow
    hotspot 16 16               cursors only: the hot spot
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
"""

import os
import struct
import sys


class ArtError(Exception):
    pass


# What the program's resources need from each file.
TARGETS = [
    # art file, output, kind, image sizes in order
    ("toolbar.txt", "toolbar.bmp", "strip", [(16, 15)] * 27),
    ("tree.txt", "tree.bmp", "strip", [(16, 14)] * 4),
    ("icon.txt", "tav.ico", "icon", [(32, 32), (16, 16)]),
    ("splitter.txt", "splitter.cur", "cursor", [(32, 32)]),
]

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


def icon_image(grid):
    # 32-bit colour with alpha, then the AND mask that older systems use.
    height, width = len(grid), len(grid[0])
    colour = b""
    for row in reversed(grid):
        for pixel in row:
            if pixel is TRANSPARENT:
                colour += b"\0\0\0\0"
            else:
                colour += struct.pack("<BBBB", pixel[2], pixel[1], pixel[0], 255)
    mask = pack_1bit_rows([[1 if p is TRANSPARENT else 0 for p in row] for row in grid])
    return info_header(width, 2 * height, 32, 0, len(colour) + len(mask)) + colour + mask


def icon_file(art):
    images = [icon_image(pixel_grid(art, image)) for image in art.images]
    offset = 6 + 16 * len(images)
    directory = b""
    for image, (name, width, height, rows, first) in zip(images, art.images):
        directory += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32,
                                 len(image), offset)
        offset += len(image)
    return struct.pack("<HHH", 0, 1, len(images)) + directory + b"".join(images)


def cursor_file(art):
    # Two-colour cursor: XOR bits pick white, AND bits let the screen through.
    grid = pixel_grid(art, art.images[0])
    height, width = len(grid), len(grid[0])
    xor = pack_1bit_rows([[1 if p == CURSOR_WHITE else 0 for p in row] for row in grid])
    mask = pack_1bit_rows([[1 if p is TRANSPARENT else 0 for p in row] for row in grid])
    palette = rgb_quads([CURSOR_BLACK, CURSOR_WHITE])
    image = info_header(width, 2 * height, 1, 2, len(xor) + len(mask)) + palette + xor + mask
    x, y = art.hotspot
    entry = struct.pack("<BBBBHHII", width % 256, height % 256, 2, 0, x, y, len(image), 6 + 16)
    return struct.pack("<HHH", 0, 2, 1) + entry + image


WRITERS = {"strip": strip_bmp, "icon": icon_file, "cursor": cursor_file}


def build_all(art_dir):
    outputs = []
    for source, output, kind, sizes in TARGETS:
        art = read_art(os.path.join(art_dir, source))
        check_target(art, kind, sizes)
        outputs.append((output, WRITERS[kind](art)))
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
