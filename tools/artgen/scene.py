"""The pictures of the stage window, drawn in code.

Shapes are tests on pixel centres, so sizes are in pixels and may be
fractional. The stage is laid out in view coordinates: (0, 0) is the first
pixel the window shows, which is (3, 3) in the picture.
"""

# --- drawing kit ----------------------------------------------------------


def ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1


def capsule(ax, ay, bx, by, r):
    dx, dy = bx - ax, by - ay
    length = dx * dx + dy * dy or 1

    def inside(x, y):
        t = min(1, max(0, ((x - ax) * dx + (y - ay) * dy) / length))
        return (x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2 <= r * r
    return inside


def polygon(*points):
    edges = list(zip(points, points[1:] + points[:1]))

    def inside(x, y):
        hit = False
        for (ax, ay), (bx, by) in edges:
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                hit = not hit
        return hit
    return inside


class Canvas:
    def __init__(self, width, height, colour, origin=(0, 0)):
        self.ox, self.oy = origin
        self.rows = [[colour] * width for _ in range(height)]

    def paint(self, colour, shape):
        """colour is an (r, g, b) or a function of the point that gives one."""
        for py, row in enumerate(self.rows):
            y = py - self.oy + 0.5
            for px in range(len(row)):
                x = px - self.ox + 0.5
                if shape(x, y):
                    row[px] = colour(x, y) if callable(colour) else colour



def indexed(rows):
    """RGB rows -> (palette, index rows); the palette is sorted, so black comes first."""
    palette = sorted({c for row in rows for c in row})
    if len(palette) > 256:
        raise ValueError(f"{len(palette)} colours do not fit an 8-bit palette")
    index = {c: i for i, c in enumerate(palette)}
    return palette, [[index[c] for c in row] for row in rows]


# --- the stage --------------------------------------------------------------

WALL, WALL_STRIPE = (214, 172, 222), (204, 160, 214)
BEAM, BEAMS = (250, 230, 204), (255, 246, 226)
WOOD, WOOD_SEAM, WOOD_LIT = (196, 124, 70), (156, 92, 52), (232, 170, 104)
SHADOW, LIP, BULB = (150, 88, 50), (112, 58, 34), (255, 236, 120)
VELVET = [(104, 14, 34), (146, 24, 46), (186, 40, 60)]
GOLD, GOLD_DARK = (244, 196, 70), (188, 130, 40)
LAMP, LENS = (64, 62, 76), (255, 250, 200)

FLOOR_TOP = 86      # the back edge of the boards, in view rows
LIP_TOP = 101       # the front edge of the stage
SPOT = (75, 97)     # where Velto's feet are
NOTE_AREA = (24, 24, 120, 86)   # left, top, right, bottom: where notes float


def curtain_edge(y):
    """Inner edge of the left curtain: swept aside to a tie-back at row 60."""
    if y < 60:
        return 9 + 15 * ((60 - y) / 42) ** 2
    return 9 + 8 * ((y - 60) / 41) ** 1.5


def velvet(x, y):
    fold = ((x + 3) / (curtain_edge(y) + 3) * 4.5) % 1      # folds gather at the tie-back
    return VELVET[0 if fold < 0.25 else 2 if 0.45 < fold < 0.7 else 1]


def beam(lx):
    return polygon((lx - 3, 30), (lx + 3, 30), (SPOT[0] + 26, 97), (SPOT[0] - 26, 97))


def hem(x):
    """Lower edge of the valance: a row of swags hanging between gold points."""
    t = ((x + 3) % 24) / 12 - 1
    return 18 + 4 * (1 - t * t) ** 0.5


def draw_stage():
    c = Canvas(152, 112, WALL, origin=(3, 3))
    c.paint(WALL_STRIPE, lambda x, y: int(x + 3) // 6 % 2)
    lamps = (18, 126)       # over the curtains, out of the notes' way
    for lx in lamps:
        c.paint(BEAM, beam(lx))
    c.paint(BEAMS, lambda x, y: all(beam(lx)(x, y) for lx in lamps))

    def boards(x, y):
        lane = (x - 72) / (y - 20) * 9
        lit = ellipse(SPOT[0], SPOT[1] - 1, 36, 8)(x, y)
        return WOOD_SEAM if lane % 1 < 0.12 else WOOD_LIT if lit else WOOD
    c.paint(boards, lambda x, y: y >= FLOOR_TOP)
    c.paint(WOOD_SEAM, lambda x, y: FLOOR_TOP <= y < FLOOR_TOP + 1)
    c.paint(SHADOW, ellipse(SPOT[0], SPOT[1] + 2, 15, 2.5))
    c.paint(LIP, lambda x, y: y >= LIP_TOP)
    for bx in range(8, 144, 16):
        c.paint(BULB, ellipse(bx, LIP_TOP + 3, 3, 2.5))

    edge = curtain_edge(60)
    for m in (lambda f: f, lambda f: lambda x, y: f(144 - x, y)):   # left, then its mirror image
        c.paint(m(velvet), m(lambda x, y: y < LIP_TOP and x < curtain_edge(y)))
        c.paint(GOLD_DARK, m(capsule(-4, 58, edge, 61, 2.2)))
        c.paint(GOLD, m(capsule(-4, 58, edge, 61, 1.3)))

    for lx in lamps:
        c.paint(LAMP, lambda x, y: lx - 1 <= x < lx + 1 and y < 25)
        c.paint(LAMP, ellipse(lx, 27, 4.5, 3.5))
        c.paint(LENS, ellipse(lx, 29.6, 3, 1.3))
    c.paint(lambda x, y: VELVET[1 + int(hem(x) - y) // 3 % 2], lambda x, y: y < hem(x))
    c.paint(GOLD, lambda x, y: hem(x) <= y < hem(x) + 1.5)
    return indexed(c.rows)


# --- what artgen writes and checks --------------------------------------------


def need(ok, problem):
    if not ok:
        raise ValueError(problem)


def check_size(rows, width, height):
    need(len(rows) == height and all(len(r) == width for r in rows), f"is not {width} x {height}")


def check_stage(palette, rows):
    check_size(rows, 152, 112)
    # Notes are ANDed onto the stage beside and above Velto; there it must stay light.
    left, top, right, bottom = NOTE_AREA
    dark = [(x, y) for y in range(top, bottom) for x in range(left, right)
            if min(palette[rows[y + 3][x + 3]]) < 128]
    need(not dark, f"too dark for the notes at view {dark[:1]}")


PICTURES = [
    ("assets/stage.bmp", draw_stage, check_stage),
]
