#!/usr/bin/env python3
"""Build the program's images: the menu glyphs in res/ from the text pixel maps
in res/art/, the icon that icon.py draws and the pictures that scene.py draws.

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
import zlib

import icon
import scene

ROOT = pathlib.Path(__file__).resolve().parents[2]
ART_DIR = ROOT / "res" / "art"
RES_DIR = ROOT / "res"

TRANSPARENT = -1

MONO = [(0, 0, 0), (255, 255, 255)]

# Output extension -> (bits per pixel, palette). Menu glyphs are plain
# two-colour bitmaps; the icon is drawn by icon.py.
FORMATS = {
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
    """A picture drawn by scene.py, written as an 8-bit BMP; one that goes into the exe (the
    notes), in 4 bits a pixel, which its few colours fit."""

    def __init__(self, output, draw, verify):
        self.source = pathlib.Path(scene.__file__)
        self.output, self.target = output, ROOT / output
        self.palette, self.rows = draw()
        self.width, self.height = len(self.rows[0]), len(self.rows)
        self.verify = verify
        self.bpp = 4 if output.startswith("res/") and len(self.palette) <= 16 else 8

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


BUILDERS = {".bmp": build_bmp}


def build(art):
    if isinstance(art, Icon):
        return art.build()
    return BUILDERS[pathlib.PurePath(art.output).suffix](art)


# --- the icon -----------------------------------------------------------
# One file with every size icon.py draws, each a PNG: Vista and later, the
# oldest Windows the manifest names, read PNG images at any size, and so does
# Wine, and a PNG takes a fraction of the bytes of the same picture as a DIB.
# Each is 8-bit RGBA, the one form of PNG image every Windows icon loader takes.

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
PNG_FROM = 16  # a size below it would be a 32-bit DIB


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else b if pb <= pc else c


def png_filtered(line, prior, step):
    """The five PNG filters of one row of step-byte pixels, keyed by type."""
    left = bytes(step) + line[:-step]
    upleft = bytes(step) + prior[:-step]
    return {
        0: line,
        1: bytes((v - a) & 255 for v, a in zip(line, left)),
        2: bytes((v - b) & 255 for v, b in zip(line, prior)),
        3: bytes((v - (a + b) // 2) & 255 for v, a, b in zip(line, left, prior)),
        4: bytes((v - paeth(a, b, c)) & 255
                 for v, a, b, c in zip(line, left, prior, upleft)),
    }


def smallest_idat(lines, step):
    """The image data, filtered and deflated whichever way comes out smallest:
    one filter for every row, or per row the one with the least to say."""
    filtered = [png_filtered(line, prior, step) for line, prior in zip(lines, [bytes(len(lines[0]))] + lines)]
    least = [min(row, key=lambda kind: sum(min(v, 256 - v) for v in row[kind])) for row in filtered]
    choices = [[kind] * len(lines) for kind in range(5)] + [least]
    streams = [b"".join(bytes([kind]) + row[kind] for kind, row in zip(kinds, filtered)) for kinds in choices]
    packed = []
    for raw in streams:
        for strategy in (zlib.Z_DEFAULT_STRATEGY, zlib.Z_FILTERED):
            deflate = zlib.compressobj(9, zlib.DEFLATED, 15, 9, strategy)
            packed.append(deflate.compress(raw) + deflate.flush())
    return min(packed, key=len)


def build_png(rows):
    """An 8-bit RGBA PNG with nothing but what a loader needs."""
    width, height = len(rows[0]), len(rows)
    lines = [bytes(v for pixel in row for v in pixel) for row in rows]
    head = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (PNG_SIGNATURE + png_chunk(b"IHDR", head) + png_chunk(b"IDAT", smallest_idat(lines, 4))
            + png_chunk(b"IEND", b""))


def build_icon_dib(rows):
    size = len(rows)
    colour = b"".join(bytes(v for r, g, b, a in row for v in (b, g, r, a))
                      for row in reversed(rows))
    # Shells that ignore alpha still get the outline from the mask.
    mask = pack_rows([[1 if a == 0 else 0 for *_, a in row] for row in rows], 1)
    return info_header(size, 2 * size, 32, len(colour) + len(mask), 0) + colour + mask


class Icon:
    output = "app.ico"
    target = RES_DIR / output

    def __init__(self):
        self.source = pathlib.Path(icon.__file__)
        self.images = {size: icon.draw(size) for size in icon.SIZES}

    def build(self):
        blobs = [build_png(rows) if size >= PNG_FROM else build_icon_dib(rows)
                 for size, rows in self.images.items()]
        out = struct.pack("<HHH", 0, 1, len(blobs))
        at = 6 + 16 * len(blobs)
        for size, blob in zip(self.images, blobs):
            out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), at)
            at += len(blob)
        return out + b"".join(blobs)

    def verify_file(self, data):
        images = read_icon(data)
        if list(images) != list(self.images):
            raise MapError(f"holds sizes {list(images)}, icon.py draws {list(self.images)}")
        for size, rows in images.items():
            if rows != self.images[size]:
                raise MapError(f"the {size} x {size} image differs from what icon.py draws, as stored")

    @staticmethod
    def costs(data):
        """Bytes of each image in the file, to watch after changing the drawing."""
        count = struct.unpack_from("<H", data, 4)[0]
        entries = [struct.unpack_from("<B7xI", data, 6 + 16 * i) for i in range(count)]
        return ", ".join(f"{size or 256}: {length}" for size, length in entries)


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


def read_dib(data, offset, bits_offset=None):
    (size, width, height, planes, bpp, compression, _, _, _, used, _
     ) = struct.unpack_from("<IiiHHIIiiII", data, offset)
    if size != 40 or planes != 1 or compression != 0:
        raise MapError("not a plain uncompressed BITMAPINFOHEADER image")
    colours = used or (1 << bpp)
    pal_at = offset + size
    palette = [struct.unpack_from("<BBBB", data, pal_at + 4 * i)[2::-1]
               for i in range(colours)]
    if bits_offset is None:
        bits_offset = pal_at + 4 * colours
    rows = unpack_rows(data, bits_offset, width, height, bpp)
    return width, height, bpp, [tuple(c) for c in palette], rows


def read_png(blob):
    if blob[:8] != PNG_SIGNATURE:
        raise MapError("no PNG signature")
    at, chunks = 8, {}
    while at < len(blob):
        length, kind = struct.unpack_from(">I4s", blob, at)
        data = blob[at + 8:at + 8 + length]
        if struct.unpack_from(">I", blob, at + 8 + length)[0] != zlib.crc32(kind + data):
            raise MapError(f"bad CRC in PNG chunk {kind!r}")
        chunks[kind] = chunks.get(kind, b"") + data
        at += 12 + length
    width, height, depth, colour_type, _, _, interlace = struct.unpack(">IIBBBBB", chunks[b"IHDR"])
    if depth != 8 or colour_type != 6 or interlace or b"IEND" not in chunks:
        raise MapError("PNG is not plain 8-bit RGBA")
    step = 4
    raw, stride = zlib.decompress(chunks[b"IDAT"]), step * width
    if len(raw) != (stride + 1) * height:
        raise MapError("PNG image data has the wrong length")
    rows, prior = [], bytes(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        if kind > 4:
            raise MapError(f"PNG row {y} has filter type {kind}")
        for i in range(stride):
            a = line[i - step] if i >= step else 0
            b, c = prior[i], prior[i - step] if i >= step else 0
            line[i] = (line[i] + (0, a, b, (a + b) // 2, paeth(a, b, c))[kind]) & 255
        rows.append([tuple(line[x:x + 4]) for x in range(0, stride, 4)])
        prior = bytes(line)
    return width, height, rows


def read_icon_dib(blob):
    (head, width, height, planes, bpp, compression, image_size, _, _, used, _
     ) = struct.unpack_from("<IiiHHIIiiII", blob, 0)
    if (head, planes, bpp, compression, used) != (40, 1, 32, 0, 0) or height != 2 * width:
        raise MapError("not a 32-bit icon DIB with its height doubled")
    colour_at, mask_at = 40, 40 + 4 * width * width
    if mask_at + row_stride(width, 1) * width != len(blob) or image_size != len(blob) - 40:
        raise MapError("icon image has trailing or missing bytes")
    rows = []
    for y in reversed(range(width)):
        line = blob[colour_at + 4 * width * y:colour_at + 4 * width * (y + 1)]
        rows.append([(line[x + 2], line[x + 1], line[x], line[x + 3])
                     for x in range(0, 4 * width, 4)])
    mask = unpack_rows(blob, mask_at, width, width, 1)
    if any(m != (p[3] == 0) for mr, r in zip(mask, rows) for m, p in zip(mr, r)):
        raise MapError("the AND mask does not follow the alpha")
    return width, width, rows


def read_icon(data):
    """size -> rows of (r, g, b, a), checking the directory against each image."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1 or not count:
        raise MapError("not an icon file")
    images, end = {}, 6 + 16 * count
    for i in range(count):
        w, h, colours, zero, planes, bpp, length, at = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        if (colours, zero, planes, bpp) != (0, 0, 1, 32) or at != end or at + length > len(data):
            raise MapError(f"bad directory entry {i}")
        blob = data[at:at + length]
        end += length
        width, height, rows = read_png(blob) if blob[:4] == PNG_SIGNATURE[:4] else read_icon_dib(blob)
        if (width, height) != (w or 256, h or 256) or width != height:
            raise MapError(f"entry {i} says {w} x {h}, its image is {width} x {height}")
        if (width >= PNG_FROM) != (blob[:8] == PNG_SIGNATURE):
            raise MapError(f"the {width} x {width} image is stored the wrong way")
        images[width] = rows
    if end != len(data):
        raise MapError("trailing bytes after the last image")
    return images


def decode(path):
    data = path.read_bytes()
    magic, file_size, _, _, bits_at = struct.unpack_from("<2sIHHI", data, 0)
    if magic != b"BM" or file_size != len(data):
        raise MapError("bad BITMAPFILEHEADER")
    return read_dib(data, 14, bits_at)


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


def icon_preview(path):
    """Writes every size of the icon enlarged (8x up to 32, 4x at 48, 256 as it
    is) over a checkerboard, a light and a dark background, as a PNG."""
    images = Icon().images
    scale = {size: 8 if size <= 32 else 4 if size < 256 else 1 for size in images}
    width = sum(size * scale[size] + 8 for size in images) + 8
    sheet = [[(128, 128, 128, 255)] * width for _ in range(3 * 264 + 8)]
    left = 8
    for size, rows in images.items():
        k = scale[size]
        for band, ground in enumerate((None, (240, 240, 240), (32, 36, 40))):
            for y in range(size * k):
                for x in range(size * k):
                    *rgb, a = rows[y // k][x // k]
                    under = ground or ((204,) * 3 if (x // 8 + y // 8) % 2 else (255,) * 3)
                    sheet[8 + 264 * band + y][left + x] = tuple(
                        round((c * a + u * (255 - a)) / 255) for c, u in zip(rgb, under)) + (255,)
        left += size * k + 8
    pathlib.Path(path).write_bytes(build_png(sheet))


def check(arts):
    failures = 0
    for art in arts:
        label = art.target.relative_to(ROOT)
        try:
            if not art.target.exists():
                raise MapError("missing; run the generator")
            if art.target.read_bytes() != build(art):
                raise MapError(f"stale; regenerate from {art.source.relative_to(ROOT)}")
            if isinstance(art, Icon):
                art.verify_file(art.target.read_bytes())
                print(f"{label}: ok")
                continue
            width, height, bpp, palette, rows = decode(art.target)
            if (width, height, bpp) != (art.width, art.height, art.bpp):
                raise MapError(f"decodes as {width}x{height}x{bpp}")
            if palette != list(art.palette):
                raise MapError("palette differs")
            if rows != art.pixels():
                raise MapError("pixels differ from the source")
            art.verify(palette, rows)
        except (MapError, ValueError, struct.error, zlib.error) as err:
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
        if art.output in seen or art.output == Icon.output:
            raise MapError(f"{art.source.name} and {seen[art.output]} both write {art.output}")
        seen[art.output] = art.source.name
    return arts + [Icon()] + [Drawn(*picture) for picture in scene.PICTURES]


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true",
                        help="verify the committed images instead of writing them")
    parser.add_argument("--preview", metavar="FILE.ppm",
                        help="write what the window shows with each frame, to look at")
    parser.add_argument("--icon-preview", metavar="FILE.png",
                        help="write every size of the icon enlarged, to look at")
    args = parser.parse_args(argv)
    if args.preview:
        preview(args.preview)
        return 0
    if args.icon_preview:
        icon_preview(args.icon_preview)
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
        sizes = f"; by size {Icon.costs(data)}" if isinstance(art, Icon) else ""
        print(f"{label}: written ({len(data)} bytes{sizes})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
