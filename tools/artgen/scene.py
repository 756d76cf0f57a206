"""The pictures of the stage window, drawn in code.

Shapes are tests on pixel centres, so sizes are in pixels and may be
fractional. The stage is laid out in view coordinates: (0, 0) is the first
pixel the window shows, which is (3, 3) in the picture.
"""

from collections import namedtuple

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

    def dots(self, colour, points):
        for x, y in points:
            self.rows[y + self.oy][x + self.ox] = colour


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


# --- Velto, the dancer ------------------------------------------------------

SEE_THROUGH = (0, 0, 0)
INK = (40, 40, 48)        # outlines: pure black would be see-through
SKIN, BLUSH = (255, 214, 172), (250, 150, 150)
HAIR, SHIRT, SHORTS = (132, 78, 44), (255, 128, 60), (70, 104, 210)
SHOES, PHONES, WHITE = (226, 54, 64), (60, 196, 200), (255, 255, 255)
MOUTH = (170, 40, 60)

# Where each part sits when Velto rests; a frame is 40 x 60.
HEAD = (20, 18, 11.5, 10.5)            # centre x, y and radii
BODY = (20, 37, 7.5, 8.5)
SHOULDERS = ((14, 32), (26, 32))
HIPS = ((16.5, 44), (23.5, 44))

# A pose: how far the body sinks (+) or rises (-), how far body and head sway
# right, the elbow and hand of each arm relative to its shoulder, the knee of
# each leg relative to its hip and the heel relative to where the hip is at
# rest (so a sinking body bends its knees), and the face.
Pose = namedtuple("Pose", "sink sway lean arms legs face")
STILL_LEGS = (((0, 6), (0, 12)), ((0, 6), (0, 12)))
POSES = {
    1: Pose(0, 0, 0, (((-3, 5), (-3, 11)), ((3, 5), (3, 11))), STILL_LEGS, "smile"),
    2: Pose(1, 1, 1, (((-4, 5), (-3, 10)), ((5, 2), (3, -3))),
            (((-1, 6), (0, 12)), ((2, 5), (2, 11))), "smile"),
    3: Pose(1, 2, 2, (((-5, 4), (-2, 8)), ((5, -4), (7, -10))),
            (((-2, 6), (0, 12)), ((4, 5), (6, 9))), "sing"),
    4: Pose(-2, 0, 0, (((-5, -4), (-8, -10)), ((5, -4), (8, -10))),
            (((-2, 5), (-1, 11)), ((2, 5), (1, 11))), "joy"),
}


def mirrored(p):
    flip = lambda pts: tuple((-x, y) for x, y in pts)
    return p._replace(sway=-p.sway, lean=-p.lean, arms=tuple(map(flip, p.arms[::-1])),
                      legs=tuple(map(flip, p.legs[::-1])))


POSES[5], POSES[0] = mirrored(POSES[3]), mirrored(POSES[2])


def outlined(c, parts):
    """Paint (colour, shape-maker) parts over one shared outline, so they read as one."""
    for grow in (1, 0):
        for colour, make in parts:
            c.paint(INK if grow else colour, make(grow))


def limb(a, b, c, r, skin, cloth, cloth_r):
    """Two skin segments a-b-c; the half of a-b nearest the body is clothed."""
    mid = ((a[0] + b[0]) / 2, (a[1] + b[1]) / 2)
    return [(skin, lambda g: capsule(*a, *b, r + g)), (skin, lambda g: capsule(*b, *c, r + g)),
            (cloth, lambda g: capsule(*a, *mid, cloth_r + g))]


def draw_figure(p):
    c = Canvas(40, 60, SEE_THROUGH)
    dx, dy = p.sway, p.sink
    for (hx, hy), ((kx, ky), (fx, fy)) in zip(HIPS, p.legs):
        toes = -1.5 if hx < 20 else 1.5
        shoe = (SHOES, lambda g, x=hx + fx + toes, y=hy + fy + 1.5: ellipse(x, y, 3.5 + g, 2 + g))
        leg = limb((hx + dx, hy + dy), (hx + dx + kx, hy + dy + ky), (hx + fx, hy + fy),
                   2.1, SKIN, SHORTS, 2.6)
        outlined(c, leg + [shoe])
    bx, by, brx, bry = BODY
    shirt = lambda g: ellipse(bx + dx, by + dy, brx + g, bry + g)
    outlined(c, [(SHIRT, shirt),
                 (SHORTS, lambda g: lambda x, y: shirt(g)(x, y) and y > by + dy + 3)])
    nx, ny = int(bx + dx), int(by + dy) - 2       # a little quaver on the shirt
    c.dots(WHITE, [(nx, ny - 2), (nx, ny - 1), (nx + 1, ny - 1), (nx, ny), (nx - 2, ny + 1),
                   (nx - 1, ny + 1), (nx, ny + 1), (nx - 2, ny + 2), (nx - 1, ny + 2)])
    draw_head(c, p, dx + p.lean, dy)
    for (sx, sy), ((ex, ey), (hx, hy)) in zip(SHOULDERS, p.arms):
        sx, sy = sx + dx, sy + dy
        hand = (SKIN, lambda g, x=sx + hx, y=sy + hy: ellipse(x, y, 2.2 + g, 2.2 + g))
        outlined(c, limb((sx, sy), (sx + ex, sy + ey), (sx + hx, sy + hy), 1.8, SKIN, SHIRT, 2.3) + [hand])
    return c.rows


def draw_head(c, p, dx, dy):
    hx, hy, rx, ry = HEAD
    hx, hy = hx + dx, hy + dy
    head = lambda g: ellipse(hx, hy, rx + g, ry + g)
    hair = lambda g: lambda x, y: head(g)(x, y) and y < hy - 3 + 2.5 * abs(((x - hx) % 5) / 2.5 - 1)
    tuft = lambda g: capsule(hx + 1, hy - ry + 0.5, hx + 3.5, hy - ry - 2.5, 1.2 + g)
    band = lambda g: lambda x, y: (ellipse(hx, hy, rx + 1.8 + g, ry + 1.8 + g)(x, y)
                                   and not ellipse(hx, hy, rx + 0.2 - g, ry + 0.2 - g)(x, y)
                                   and y < hy)
    cups = [(PHONES, lambda g, s=s: ellipse(hx + s * (rx + 0.5), hy + 1, 2.5 + g, 4 + g)) for s in (-1, 1)]
    outlined(c, [(HAIR, tuft), (SKIN, head), (HAIR, hair)])
    outlined(c, [(PHONES, band)] + cups)
    ex, ey = int(hx), int(hy) + 1
    if p.face == "joy":     # eyes squeezed shut into happy arcs
        c.dots(INK, [(ex - 6, ey + 1), (ex - 5, ey), (ex - 4, ey + 1),
                     (ex + 3, ey + 1), (ex + 4, ey), (ex + 5, ey + 1)])
    else:
        c.dots(INK, [(ex + x, ey + y) for x in (-5, -4, 3, 4) for y in (0, 1, 2)])
        c.dots(WHITE, [(ex - 5, ey), (ex + 3, ey)])
    c.dots(BLUSH, [(ex - 8, ey + 3), (ex - 7, ey + 3), (ex + 6, ey + 3), (ex + 7, ey + 3)])
    if p.face == "smile":
        c.dots(INK, [(ex - 2, ey + 4), (ex - 1, ey + 5), (ex, ey + 5), (ex + 1, ey + 4)])
    else:
        c.dots(MOUTH, [(ex + x, ey + y) for x in (-2, -1, 0, 1) for y in (4, 5)] + [(ex - 1, ey + 6), (ex, ey + 6)])


def draw_dancer():
    sheet = [[SEE_THROUGH] * 240 for _ in range(105)]
    for k in range(6):
        for y, row in enumerate(draw_figure(POSES[k])):
            sheet[y][40 * k:40 * k + 40] = row
    return indexed(sheet)


# --- the notes ----------------------------------------------------------------

# Six 12 x 19 glyphs side by side: a quaver, a crotchet, two beamed quavers,
# a rest, a flat and a sharp. They rise fresh in black, then fade to grey.
GLYPHS = """
............ ............ ............ ............ ............ ............
......X..... .......X.... ........XXX. ....X....... ...X........ ............
......XX.... .......X.... .....XXXXXX. ....XX...... ...X........ .......X....
......XXX... .......X.... ....XXXXXXX. .....XX..... ...X........ ....X..X....
......X.XX.. .......X.... ....XXXX..X. .....XXX.... ...X........ ....X..X....
......X..XX. .......X.... ....X.....X. ....XXXX.... ...X........ ....X..X.XX.
......X...X. .......X.... ....X.....X. ...XXXX..... ...X........ ....X.XXXXX.
......X...X. .......X.... ....X.....X. ...XXX...... ...X........ ..XXXXXXX...
......X..X.. .......X.... ....X.....X. ....XX...... ...X.XXX.... .XXXXX.X....
......X..X.. .......X.... ....X.....X. .....XX..... ...XXX.XX... ....X..X....
......X..... .......X.... ....X.....X. .....XXX.... ...XX...XX.. ....X..X.XX.
......X..... .......X.... ....X...XXX. ....XXXX.... ...X....XX.. ....X.XXXXX.
......X..... .......X.... ....X..XXXX. ...XXX...... ...X...XX... ..XXXXXXX...
....XXX..... .....XXX.... ..XXX.XXXXX. ..XXX....... ...X..XX.... .XXXXX.X....
..XXXXX..... ...XXXXX.... .XXXX.XXXX.. ..XX........ ...X.XX..... ....X..X....
.XXXXXX..... ..XXXXXX.... .XXXX..XX... ..XXXXX..... ...XXX...... ....X.......
.XXXXX...... ..XXXXX..... ..XX........ ...XXXX..... ...XX....... ............
..XXX....... ...XXX...... ............ ............ ............ ............
............ ............ ............ ............ ............ ............
"""
GREYS = [(255, 255, 255), (233, 233, 233), (180, 180, 180), (128, 128, 128), (0, 0, 0)]
PAPER, FRESH, OLD = 0, 4, 3


def draw_notes():
    shape = [[ch == "X" for ch in line.replace(" ", "")] for line in GLYPHS.strip().splitlines()]
    rows = [[FRESH if ink else PAPER for ink in line] for line in shape]
    rows += [[OLD if ink else PAPER for ink in line] for line in shape]
    return GREYS, rows + [[PAPER] * 72]


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


def check_dancer(palette, rows):
    check_size(rows, 240, 105)
    black = [[palette[v] == (0, 0, 0) for v in row] for row in rows]
    need(all(all(row) for row in black[60:]), "rows 60 and below are not all black")
    for k in range(6):
        # Black is see-through: any black Velto shows must reach the frame's edge.
        cell = [row[40 * k:40 * k + 40] for row in black[:60]]
        todo = [(x, y) for y in range(60) for x in range(40)
                if cell[y][x] and (x in (0, 39) or y in (0, 59))]
        seen = set(todo)
        while todo:
            x, y = todo.pop()
            for n in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
                if 0 <= n[0] < 40 and 0 <= n[1] < 60 and cell[n[1]][n[0]] and n not in seen:
                    seen.add(n)
                    todo.append(n)
        holes = [(x, y) for y in range(60) for x in range(40) if cell[y][x] and (x, y) not in seen]
        need(not holes, f"frame {k} has a see-through hole at {holes[:1]}")


def check_notes(palette, rows):
    need(palette == GREYS, "palette is not the five greys")
    check_size(rows, 72, 39)
    white, grey, black = (255, 255, 255), (128, 128, 128), (0, 0, 0)
    fresh = [[palette[v] for v in row] for row in rows[:19]]
    need({c for row in fresh for c in row} <= {white, black}, "fresh glyphs are not black on white")
    need([[palette[v] for v in row] for row in rows[19:38]]
         == [[grey if c == black else c for c in row] for row in fresh],
         "older glyphs are not the fresh ones in grey 128")
    need({palette[v] for v in rows[38]} == {white}, "the last row is not white")
    cells = [tuple(tuple(row[12 * g:12 * g + 12]) for row in fresh) for g in range(6)]
    need(all({*c[0], *c[-1], *(r[0] for r in c), *(r[-1] for r in c)} == {white} for c in cells),
         "a glyph touches the edge of its cell")
    need(len(set(cells)) == 6, "two glyphs are the same")


PICTURES = [
    ("assets/stage.bmp", draw_stage, check_stage),
    ("assets/velto.bmp", draw_dancer, check_dancer),
    ("res/notes.bmp", draw_notes, check_notes),
]
