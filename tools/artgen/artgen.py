#!/usr/bin/env python3
"""Build the program's images: the small resource images in res/ from the text
pixel maps in res/art/, and the pictures that scene.py draws in code.

    python3 tools/artgen/artgen.py           regenerate every image
    python3 tools/artgen/artgen.py --check   fail if an image is missing, stale,
                                              does not decode back to its source
                                              or breaks a rule of the stage

Output depends only on the sources, so a re-run is byte-identical. Map format:
see tools/artgen/README.md.
"""

import argparse
import pathlib
import struct
import sys

import scene

ROOT = pathlib.Path(__file__).resolve().parents[2]
ART_DIR = ROOT / "res" / "art"
RES_DIR = ROOT / "res"

TRANSPARENT = -1

# The standard Windows 16-colour palette, in index order, as (r, g, b).
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
MONO = [(0, 0, 0), (255, 255, 255)]

# Output extension -> (bits per pixel, palette). Menu glyphs are plain
# two-colour bitmaps; the icon is the classic 16-colour kind that every
# Windows shell can show without scaling or colour reduction.
FORMATS = {
    ".ico": (4, VGA16),
    ".bmp": (1, MONO),
}


class MapError(Exception):
    pass


class Art:
    def __init__(self, source):
        self.source = source
        self.output = None
        self.width = self.height = None
        self.legend = {}
        self.rows = []

    @property
    def target(self):
        return RES_DIR / self.output

    @property
    def bpp(self):
        return FORMATS[pathlib.PurePath(self.output).suffix][0]

    @property
    def palette(self):
        return FORMATS[pathlib.PurePath(self.output).suffix][1]

    def pixels(self):
        """Rows top-down of palette indexes (TRANSPARENT for see-through)."""
        return [[self.legend[c] for c in row] for row in self.rows]

    def verify(self, palette, rows):
        """A map has no rules beyond decoding back to itself."""


class Drawn:
    """A picture drawn by scene.py, written as an 8-bit BMP."""
    bpp = 8

    def __init__(self, output, draw, verify):
        self.source = pathlib.Path(scene.__file__)
        self.output, self.target = output, ROOT / output
        self.palette, self.rows = draw()
        self.width, self.height = len(self.rows[0]), len(self.rows)
        self.verify = verify

    def pixels(self):
        return self.rows


def parse_map(path):
    art = Art(path)
    in_pixels = False
    try:
        text = path.read_text(encoding="ascii")
    except UnicodeDecodeError as err:
        raise MapError(f"{path.relative_to(ROOT)}: maps are plain ASCII ({err.reason} "
                       f"at byte {err.start})") from None
    for lineno, raw in enumerate(text.splitlines(), 1):
        where = f"{path.relative_to(ROOT)}:{lineno}"
        line = raw.rstrip()
        if in_pixels:
            # Inside the grid '#' is no comment, only a blank line ends it.
            if not line:
                in_pixels = False
                continue
            art.rows.append((line, where))
            continue
        if not line or line.lstrip().startswith("#"):
            continue
        words = line.split()
        key = words[0]
        if key == "output" and len(words) == 2:
            name = words[1]
            if "/" in name or "\\" in name or pathlib.PurePath(name).suffix not in FORMATS:
                raise MapError(f"{where}: output must be a plain name ending in "
                               + " or ".join(sorted(FORMATS)))
            art.output = name
        elif key == "size" and len(words) == 3:
            try:
                art.width, art.height = int(words[1]), int(words[2])
            except ValueError:
                raise MapError(f"{where}: size wants two numbers") from None
        elif key == "legend" and len(words) >= 3:
            char, value = words[1], words[2]
            if len(char) != 1:
                raise MapError(f"{where}: a legend key is one character, got {char!r}")
            if char in art.legend:
                raise MapError(f"{where}: {char!r} is already in the legend")
            if value == "transparent":
                art.legend[char] = TRANSPARENT
            else:
                try:
                    art.legend[char] = int(value)
                except ValueError:
                    raise MapError(f"{where}: legend value must be a palette "
                                   "index or 'transparent'") from None
        elif key == "pixels" and len(words) == 1:
            if art.rows:
                raise MapError(f"{where}: only one pixel grid per map")
            in_pixels = True
        else:
            raise MapError(f"{where}: cannot read {line!r}")

    name = path.relative_to(ROOT)
    if art.output is None or art.width is None:
        raise MapError(f"{name}: needs 'output' and 'size' lines")
    bpp, palette = FORMATS[pathlib.PurePath(art.output).suffix]
    for char, index in art.legend.items():
        if index == TRANSPARENT:
            if bpp == 1:
                raise MapError(f"{name}: {art.output} cannot be transparent")
        elif not 0 <= index < len(palette):
            raise MapError(f"{name}: index {index} for {char!r} is outside "
                           f"the {len(palette)}-colour palette")
    if len(art.rows) != art.height:
        raise MapError(f"{name}: size says {art.height} rows, grid has {len(art.rows)}")
    for row, where in art.rows:
        if len(row) != art.width:
            raise MapError(f"{where}: row is {len(row)} wide, size says {art.width}")
        for char in row:
            if char not in art.legend:
                raise MapError(f"{where}: {char!r} is not in the legend")
    art.rows = [row for row, _ in art.rows]
    return art


def row_stride(width, bpp):
    # DIB rows are padded to a 32-bit boundary.
    return (width * bpp + 31) // 32 * 4


def pack_rows(rows, bpp):
    """Pack top-down rows of small ints into a bottom-up DIB bit array."""
    width = len(rows[0])
    stride = row_stride(width, bpp)
    per_byte = 8 // bpp
    out = bytearray()
    for row in reversed(rows):
        packed = bytearray(stride)
        for x, value in enumerate(row):
            shift = 8 - bpp * (x % per_byte + 1)
            packed[x // per_byte] |= value << shift
        out += packed
    return bytes(out)


def info_header(width, height, bpp, image_size, colours):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0,
                       image_size, 0, 0, colours, 0)


def rgbquads(palette):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)


def build_bmp(art):
    bits = pack_rows(art.pixels(), art.bpp)
    head = info_header(art.width, art.height, art.bpp, len(bits), len(art.palette))
    head += rgbquads(art.palette)
    offset = 14 + len(head)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    return file_header + head + bits


def build_ico(art):
    if art.width > 255 or art.height > 255:
        raise MapError(f"{art.output}: icon too big for a directory entry")
    pixels = art.pixels()
    # Transparent pixels are black in the colour image and set in the mask,
    # so the screen shows through unchanged.
    colour = [[0 if v == TRANSPARENT else v for v in row] for row in pixels]
    mask = [[1 if v == TRANSPARENT else 0 for v in row] for row in pixels]
    xor_bits = pack_rows(colour, art.bpp)
    and_bits = pack_rows(mask, 1)
    image = info_header(art.width, art.height * 2, art.bpp,
                        len(xor_bits) + len(and_bits), 0)
    image += rgbquads(art.palette) + xor_bits + and_bits
    icondir = struct.pack("<HHH", 0, 1, 1)
    colours = 0 if art.bpp >= 8 else 1 << art.bpp
    entry = struct.pack("<BBBBHHII", art.width % 256, art.height % 256, colours,
                        0, 1, art.bpp, len(image), 6 + 16)
    return icondir + entry + image


BUILDERS = {".bmp": build_bmp, ".ico": build_ico}


def build(art):
    return BUILDERS[pathlib.PurePath(art.output).suffix](art)


# --- reading back -------------------------------------------------------
# Decoding goes by the header fields rather than by what the map says, so a
# wrong size, stride or row order in the writer shows up as a mismatch.

def unpack_rows(bits, offset, width, height, bpp):
    stride = row_stride(width, bpp)
    per_byte = 8 // bpp
    mask = (1 << bpp) - 1
    rows = []
    for y in range(height):
        start = offset + y * stride
        line = bits[start:start + stride]
        if len(line) != stride:
            raise MapError("pixel data is truncated")
        rows.append([(line[x // per_byte] >> (8 - bpp * (x % per_byte + 1))) & mask
                     for x in range(width)])
    rows.reverse()
    return rows


def read_dib(data, offset, bits_offset=None, icon=False):
    (size, width, height, planes, bpp, compression, _, _, _, used, _
     ) = struct.unpack_from("<IiiHHIIiiII", data, offset)
    if size != 40 or planes != 1 or compression != 0:
        raise MapError("not a plain uncompressed BITMAPINFOHEADER image")
    if icon:
        height //= 2
    colours = used or (1 << bpp)
    pal_at = offset + size
    palette = [struct.unpack_from("<BBBB", data, pal_at + 4 * i)[2::-1]
               for i in range(colours)]
    if bits_offset is None:
        bits_offset = pal_at + 4 * colours
    rows = unpack_rows(data, bits_offset, width, height, bpp)
    if icon:
        and_at = bits_offset + row_stride(width, bpp) * height
        mask = unpack_rows(data, and_at, width, height, 1)
        if and_at + row_stride(width, 1) * height != len(data):
            raise MapError("icon image has trailing or missing bytes")
        rows = [[TRANSPARENT if m else v for v, m in zip(r, mr)]
                for r, mr in zip(rows, mask)]
    return width, height, bpp, [tuple(c) for c in palette], rows


def decode(path):
    data = path.read_bytes()
    if path.suffix == ".bmp":
        magic, file_size, _, _, bits_at = struct.unpack_from("<2sIHHI", data, 0)
        if magic != b"BM" or file_size != len(data):
            raise MapError("bad BITMAPFILEHEADER")
        return read_dib(data, 14, bits_at)
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1 or count != 1:
        raise MapError("expected an icon file with one image")
    w, h, colours, _, planes, bpp, length, at = struct.unpack_from("<BBBBHHII", data, 6)
    if at + length != len(data) or planes != 1:
        raise MapError("bad icon directory entry")
    width, height, dib_bpp, palette, rows = read_dib(data[at:], 0, icon=True)
    if (w, h, bpp, colours) != (width % 256, height % 256, dib_bpp, 1 << dib_bpp):
        raise MapError("icon directory entry disagrees with the image")
    return width, height, dib_bpp, palette, rows


def colours(path):
    """A committed picture as rows of (r, g, b)."""
    _, _, _, palette, rows = decode(ROOT / path)
    return [[palette[i] for i in row] for row in rows]


def preview(path):
    """Writes what the window shows for each of the six frames, side by side, as a PPM: the
    stage from (3, 3), the frame at (55, 40) with black see-through, notes of both bands ANDed
    in, and a blank bar where the track list lies."""
    stage, sheet, notes = colours("assets/stage.bmp"), colours("assets/velto.bmp"), colours("res/notes.bmp")
    views = []
    for frame in range(6):
        view = [row[3:147] for row in stage[3:107]]
        for y, x in ((y, x) for y in range(60) for x in range(40)):
            if sheet[y][40 * frame + x] != (0, 0, 0):
                view[40 + y][55 + x] = sheet[y][40 * frame + x]
        for glyph, band, left, top in ((frame, 0, 38, 55), ((frame + 2) % 6, 19, 96, 40), ((frame + 4) % 6, 19, 30, 24)):
            for y, x in ((y, x) for y in range(19) for x in range(12)):
                ink, under = notes[band + y][12 * glyph + x], view[top + y][left + x]
                view[top + y][left + x] = tuple(a & b for a, b in zip(ink, under))
        for y, x in ((y, x) for y in range(20) for x in range(144)):
            view[y][x] = (128, 128, 128) if y in (0, 19) or x in (0, 143) else (255, 255, 255)
        views.append(view)
    rows = [sum((view[y] + [(0, 0, 0)] * 4 for view in views), []) for y in range(104)]
    pathlib.Path(path).write_bytes(b"P6 %d 104 255\n" % len(rows[0]) + bytes(v for row in rows for c in row for v in c))


def check(arts):
    failures = 0
    for art in arts:
        label = art.target.relative_to(ROOT)
        try:
            if not art.target.exists():
                raise MapError("missing; run the generator")
            if art.target.read_bytes() != build(art):
                raise MapError(f"stale; regenerate from {art.source.relative_to(ROOT)}")
            width, height, bpp, palette, rows = decode(art.target)
            if (width, height, bpp) != (art.width, art.height, art.bpp):
                raise MapError(f"decodes as {width}x{height}x{bpp}")
            if palette != list(art.palette):
                raise MapError("palette differs")
            if rows != art.pixels():
                raise MapError("pixels differ from the source")
            art.verify(palette, rows)
        except (MapError, ValueError, struct.error) as err:
            print(f"{label}: {err}", file=sys.stderr)
            failures += 1
        else:
            print(f"{label}: ok")
    return failures


def load_all():
    arts = [parse_map(p) for p in sorted(ART_DIR.glob("*.txt"))]
    if not arts:
        raise MapError(f"no maps in {ART_DIR.relative_to(ROOT)}")
    seen = {}
    for art in arts:
        if art.output in seen:
            raise MapError(f"{art.source.name} and {seen[art.output]} both write {art.output}")
        seen[art.output] = art.source.name
    return arts + [Drawn(*picture) for picture in scene.PICTURES]


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true",
                        help="verify the committed images instead of writing them")
    parser.add_argument("--preview", metavar="FILE.ppm",
                        help="write what the window shows with each frame, to look at")
    args = parser.parse_args(argv)
    if args.preview:
        preview(args.preview)
        return 0
    try:
        arts = load_all()
    except MapError as err:
        print(f"artgen: {err}", file=sys.stderr)
        return 2
    if args.check:
        return 1 if check(arts) else 0
    for art in arts:
        data = build(art)
        label = art.target.relative_to(ROOT)
        # Leave unchanged files alone so their timestamps don't trigger rebuilds.
        if art.target.exists() and art.target.read_bytes() == data:
            print(f"{label}: unchanged")
            continue
        art.target.parent.mkdir(exist_ok=True)
        art.target.write_bytes(data)
        print(f"{label}: written ({len(data)} bytes)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
