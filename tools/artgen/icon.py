"""The program's icon, drawn in code at every size it ships in.

Shapes are signed distances in pixels (negative inside); a pixel's coverage is
how far its centre lies inside the edge, so straight edges on pixel boundaries
stay crisp and everything else gets a soft, anti-aliased edge. Each size has
its own layout: the small ones snap the note to whole pixels.
"""

import math

SIZES = (16, 20, 24, 32, 48, 256)

RIM = (104, 108, 120)
EDGE = (246, 247, 250)
HUB = (236, 238, 242)
HOLE_RING = (128, 132, 142)
NOTE_DARK = (84, 0, 72)
MAGENTA = (236, 36, 196)
SHADOW = (0, 0, 0)


# --- distances ----------------------------------------------------------------

def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def box(x0, y0, x1, y1):
    cx, cy, hx, hy = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2, (y1 - y0) / 2

    def d(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0)
    return d


def ellipse(cx, cy, rx, ry, degrees=0):
    co, si = math.cos(math.radians(degrees)), math.sin(math.radians(degrees))

    def d(x, y):
        # Good enough near the edge, which is all coverage needs.
        u, v = (x - cx) * co + (y - cy) * si, -(x - cx) * si + (y - cy) * co
        k0 = math.hypot(u / rx, v / ry)
        k1 = math.hypot(u / (rx * rx), v / (ry * ry))
        return k0 * (k0 - 1) / k1 if k1 else -min(rx, ry)
    return d


def segment(ax, ay, bx, by, r):
    dx, dy = bx - ax, by - ay
    length = dx * dx + dy * dy or 1

    def d(x, y):
        t = min(1, max(0, ((x - ax) * dx + (y - ay) * dy) / length))
        return math.hypot(x - ax - t * dx, y - ay - t * dy) - r
    return d


def tapered_curve(p0, p1, p2, p3, r0, r1, steps=16):
    """A cubic Bezier stroke whose radius runs from r0 to r1."""
    def at(t):
        m = 1 - t
        return tuple(m ** 3 * a + 3 * m * m * t * b + 3 * m * t * t * c + t ** 3 * e
                     for a, b, c, e in zip(p0, p1, p2, p3))
    pts = [at(i / steps) for i in range(steps + 1)]
    parts = [segment(*pts[i], *pts[i + 1], r0 + (r1 - r0) * (i + 0.5) / steps)
             for i in range(steps)]
    return union(*parts)


def union(*shapes):
    return lambda x, y: min(s(x, y) for s in shapes)


def grown(shape, w):
    return lambda x, y: shape(x, y) - w


def moved(shape, dx, dy):
    return lambda x, y: shape(x - dx, y - dy)


# --- canvas -------------------------------------------------------------------

class Canvas:
    """Premultiplied RGBA in floats, 0..1."""

    def __init__(self, size, levels=None):
        # Coverage in a few steps keeps the big image's edges repetitive, so
        # its PNG stays small; the eye cannot tell at that size.
        self.size, self.levels = size, levels
        self.px = [[(0.0, 0.0, 0.0, 0.0)] * size for _ in range(size)]

    def paint(self, colour, shape, opacity=1.0, soft=1.0, erase=False, crisp=False):
        """colour is an (r, g, b) or a function of the point that gives one;
        soft widens the edge for shadows; crisp takes whole pixels only, by
        their centres."""
        for py, row in enumerate(self.px):
            y = py + 0.5
            for px in range(self.size):
                x = px + 0.5
                d = shape(x, y)
                cover = (d < 0 if crisp else min(1.0, max(0.0, 0.5 - d / soft))) * opacity
                if self.levels:
                    cover = round(cover * self.levels) / self.levels
                if cover <= 0:
                    continue
                r, g, b, a = row[px]
                keep = 1 - cover
                if erase:
                    row[px] = (r * keep, g * keep, b * keep, a * keep)
                    continue
                cr, cg, cb = colour(x, y) if callable(colour) else colour
                row[px] = (cr / 255 * cover + r * keep, cg / 255 * cover + g * keep,
                           cb / 255 * cover + b * keep, cover + a * keep)

    def rgba(self):
        """Rows top-down of straight (r, g, b, a) bytes."""
        out = []
        for row in self.px:
            line = []
            for r, g, b, a in row:
                alpha = round(a * 255)
                if alpha == 0:
                    line.append((0, 0, 0, 0))
                    continue
                line.append(tuple(min(255, round(v / a * 255)) for v in (r, g, b)) + (alpha,))
            out.append(line)
        return out


# --- the icon -----------------------------------------------------------------

def silver(cx, cy, facets):
    """The disc's face: grey, lit in two opposite sectors, with a faint
    rainbow fringe where the light meets the grey. The light turns in
    flat facets, like the sheen on a real disc and cheap to compress."""
    def colour(x, y):
        theta = math.atan2(y - cy, x - cx)
        if facets:
            theta = round(theta / (2 * math.pi) * facets) * 2 * math.pi / facets
        phase = (2 * (theta + math.radians(135)) + math.pi) % (2 * math.pi) - math.pi
        lit = math.exp(-(phase / 0.75) ** 2)
        cyan = math.exp(-((phase - 1.1) / 0.35) ** 2)
        pink = math.exp(-((phase + 1.1) / 0.35) ** 2)
        grey = 178 + 72 * lit
        return (min(255, grey - 60 * cyan + 22 * pink),
                min(255, grey + 8 * cyan - 34 * pink),
                min(255, grey + 26 * cyan + 12 * pink))
    return colour


# Per size: the disc's margin, rim and edge widths, hole, hole ring and hub
# radii as fractions of the disc's radius, the note's outline width and, for
# the sizes drawn on whole pixels, the stem's width. A 1-pixel stem is a thin
# dark stroke, and its flag is set pixel by pixel: per row down from the top
# of the stem, the columns it covers counted from the stem.
LAYOUT = {
    16: dict(pad=0, rim=1, edge=1, hole=0.16, ring=0.26, hub=0.40, outline=1, stem=1,
             flag=((0, 2), (0, 3), (2, 3), (2, 3), (2, 3))),
    20: dict(pad=0, rim=1, edge=1, hole=0.15, ring=0.24, hub=0.38, outline=1, stem=1,
             flag=((0, 2), (0, 3), (1, 4), (3, 4), (3, 4), (3, 4))),
    24: dict(pad=0, rim=1, edge=1, hole=0.14, ring=0.22, hub=0.36, outline=1, stem=3),
    32: dict(pad=0.5, rim=1, edge=1, hole=0.14, ring=0.21, hub=0.36, outline=1, stem=3),
    48: dict(pad=1, rim=1.25, edge=1.25, hole=0.13, ring=0.18, hub=0.36, outline=1.25,
             stem=None),
    256: dict(pad=8, rim=3.5, edge=4, hole=0.13, ring=0.15, hub=0.36, outline=6, stem=None),
}


def note(size, pad, outline, stem_px, stairs):
    """The quaver: its whole shape, drawn dark, and the part filled magenta."""
    u = (size - 2 * pad) / 16
    at = lambda v: pad + v * u
    head = ellipse(at(9.0), at(12.35), 3.1 * u, 2.25 * u, -24)
    if stem_px:
        right, top = round(at(12.05)), round(at(3.0))
        left = right - stem_px
        r0 = stem_px / 2
    else:
        right, top = at(12.05), at(2.6)
        left = right - 1.25 * u
        r0 = 0.7 * u
    stem = box(left, top, right, at(12.0))
    flag = tapered_curve(((left + right) / 2, top + r0), (at(13.2), at(3.8)),
                         (at(14.4), at(5.4)), (at(13.5), at(8.2)), r0, r0 * 0.45)
    if stairs:
        flag = union(*(box(left + a, top + y, left + b, top + y + 1)
                       for y, (a, b) in enumerate(stairs)))
        return union(head, stem, flag), grown(head, -outline)
    body = union(head, stem, flag)
    return body, grown(body, -outline)


def draw(size):
    lay = LAYOUT[size]
    c = Canvas(size, 8 if size >= 256 else None)
    mid = size / 2
    radius = mid - lay["pad"]
    disc = circle(mid, mid, radius)
    # Below 24 pixels only the outline is smoothed; inside, rings of whole
    # pixels read better than blurred ones.
    crisp = size < 24
    c.paint(RIM, disc)
    c.paint(EDGE, grown(disc, -lay["rim"]), crisp=crisp)
    c.paint(silver(mid, mid, 16 if size >= 256 else 0), grown(disc, -lay["rim"] - lay["edge"]), crisp=crisp)
    hub = circle(mid, mid, lay["hub"] * radius)
    big = size >= 48
    if big:
        # The clear plastic round the hole lets a little of the desktop through.
        c.paint(None, hub, erase=True)
    c.paint(HUB, hub, opacity=0.82 if big else 1, crisp=crisp)
    c.paint(HOLE_RING, circle(mid, mid, lay["ring"] * radius), crisp=crisp)
    c.paint(None, circle(mid, mid, lay["hole"] * radius), erase=True, crisp=crisp)

    body, fill = note(size, lay["pad"], lay["outline"], lay["stem"], lay.get("flag"))
    if big:
        c.paint(SHADOW, moved(body, size / 48, size / 40), opacity=0.35, soft=size / 24)
    c.paint(NOTE_DARK, body, crisp=crisp)
    c.paint(MAGENTA, fill, crisp=crisp)
    if big:
        u = (size - 2 * lay["pad"]) / 16
        at = lambda v: lay["pad"] + v * u
        c.paint((255, 255, 255), ellipse(at(8.1), at(11.9), 1.0 * u, 0.45 * u, -24),
                opacity=0.55)
    return c.rgba()
