#!/usr/bin/python3
"""make_interface_art.py - draws the four built-in pictures of the installer.

Writes art/interface.png (512 x 512 atlas), art/installer.png (1010 x 764),
art/ins_back_1.png and art/ins_back_2.png (1024 x 768, opaque). The build
compiles those PNG files into the program; it never runs this script.

Needs (Debian 12): python3-pil python3-numpy fonts-dejavu-core.
Run from the repository root with the system Python:
    /usr/bin/python3 tools/make_interface_art.py

Orientation: every PNG is stored upright, as a person looks at it. Drawing
code addresses the pictures in texels (s, t) with t counted upwards from the
bottom row, because the first row handed to GL is the bottom of the picture.
The build flips the rows when it turns a PNG into its array; here texel row t
of a picture of height H is PNG row H - 1 - t.

Sections: palette and helpers; cell table; glyph sheet; widget painters;
panels; installer pieces; backgrounds; main.
"""
import math
import os
import sys

import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FONT_DIR = "/usr/share/fonts/truetype/dejavu/"
SS = 4  # supersampling of shapes

# ---- palette --------------------------------------------------------------
NAVY_DEEP = (13, 27, 44)
NAVY = (26, 40, 58)
SLATE = (51, 67, 86)
SLATE_2 = (70, 90, 114)
STEEL = (120, 138, 160)
BORDER = (146, 158, 176)
BORDER_DARK = (96, 110, 130)
PANEL = (241, 244, 248)
PANEL_2 = (226, 232, 239)
WHITE = (255, 255, 255)
MINT = (127, 220, 175)
TEAL = (40, 166, 126)
TEAL_DARK = (24, 120, 92)
TEXT_DARK = (34, 41, 53)
SKY_TOP = (58, 108, 170)
SKY_LOW = (214, 230, 244)

# Interface colours that start-up reads from fixed atlas pixels (column, row):
# index: (column, row, r, g, b).
COLOUR_SAMPLES = {
    34: (319, 155, (51, 67, 86)),
    35: (319, 147, (78, 78, 73)),
    36: (319, 139, (13, 27, 44)),
    37: (319, 131, (125, 126, 121)),
    38: (319, 123, (255, 255, 255)),
    40: (319, 115, (238, 238, 238)),
    41: (319, 107, (13, 27, 44)),
    42: (319, 99, (93, 99, 110)),
    43: (319, 91, (34, 41, 53)),
    45: (319, 83, (39, 44, 52)),
    46: (319, 75, (36, 43, 53)),
    47: (319, 67, (127, 220, 175)),
    44: (395, 115, (220, 220, 220)),
}


def rgba(c, a=255):
    return (c[0], c[1], c[2], a)


def mix(a, b, f):
    return tuple(int(round(a[i] + (b[i] - a[i]) * f)) for i in range(3))


class Cell:
    """One rectangle of art, drawn upright at SS times its size."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.img = Image.new("RGBA", (w * SS, h * SS), (0, 0, 0, 0))

    def layer(self):
        return Image.new("RGBA", self.img.size, (0, 0, 0, 0))

    def put(self, layer):
        self.img = Image.alpha_composite(self.img, layer)

    @staticmethod
    def box(x0, y0, x1, y1):
        """Pixel edges in cell units -> inclusive supersampled box."""
        return [x0 * SS, y0 * SS, x1 * SS - 1, y1 * SS - 1]

    def rrect(self, x0, y0, x1, y1, r, fill, alpha=255):
        lay = self.layer()
        ImageDraw.Draw(lay).rounded_rectangle(self.box(x0, y0, x1, y1), r * SS, fill=rgba(fill, alpha))
        self.put(lay)

    def grad_rrect(self, x0, y0, x1, y1, r, top, bottom, alpha=255):
        """Rounded rectangle filled with a vertical gradient."""
        mask = Image.new("L", self.img.size, 0)
        ImageDraw.Draw(mask).rounded_rectangle(self.box(x0, y0, x1, y1), r * SS, fill=alpha)
        grad = Image.new("RGBA", self.img.size)
        gy0, gy1 = y0 * SS, y1 * SS
        px = []
        for y in range(self.img.size[1]):
            f = min(1.0, max(0.0, (y - gy0) / max(1, gy1 - gy0 - 1)))
            px.append(rgba(mix(top, bottom, f)))
        col = Image.new("RGBA", (1, self.img.size[1]))
        col.putdata(px)
        grad = col.resize(self.img.size, Image.NEAREST)
        lay = self.layer()
        lay.paste(grad, (0, 0), mask)
        self.put(lay)

    def framed(self, x0, y0, x1, y1, r, border, top, bottom, bw=1, alpha=255):
        """A bordered rounded rectangle: border colour outside, gradient inside."""
        self.rrect(x0, y0, x1, y1, r, border, alpha)
        self.grad_rrect(x0 + bw, y0 + bw, x1 - bw, y1 - bw, max(0, r - bw), top, bottom, alpha)

    def shadow(self, x0, y0, x1, y1, r, blur, alpha):
        lay = self.layer()
        ImageDraw.Draw(lay).rounded_rectangle(self.box(x0, y0, x1, y1), r * SS, fill=(0, 0, 0, alpha))
        self.put(lay.filter(ImageFilter.GaussianBlur(blur * SS)))

    def poly(self, pts, fill, alpha=255, outline=None, width=0):
        lay = self.layer()
        ImageDraw.Draw(lay).polygon([(x * SS, y * SS) for x, y in pts], fill=rgba(fill, alpha),
                                    outline=None if outline is None else rgba(outline),
                                    width=int(width * SS))
        self.put(lay)

    def lines(self, pts, fill, width, alpha=255):
        lay = self.layer()
        d = ImageDraw.Draw(lay)
        d.line([(x * SS, y * SS) for x, y in pts], fill=rgba(fill, alpha), width=int(round(width * SS)),
               joint="curve")
        r = width * SS / 2
        for x, y in (pts[0], pts[-1]):
            d.ellipse([x * SS - r, y * SS - r, x * SS + r, y * SS + r], fill=rgba(fill, alpha))
        self.put(lay)

    def ellipse(self, x0, y0, x1, y1, fill, alpha=255):
        lay = self.layer()
        ImageDraw.Draw(lay).ellipse([x0 * SS, y0 * SS, x1 * SS - 1, y1 * SS - 1], fill=rgba(fill, alpha))
        self.put(lay)

    def result(self):
        small = self.img.convert("RGBa").resize((self.w, self.h), Image.BOX)
        return small.convert("RGBA")


class Picture:
    """A whole picture addressed in texels, t upwards from the bottom row."""

    def __init__(self, w, h, opaque_fill=None):
        self.w, self.h = w, h
        fill = (0, 0, 0, 0) if opaque_fill is None else rgba(opaque_fill)
        self.img = Image.new("RGBA", (w, h), fill)

    def place(self, rect, art):
        s0, t0, s1, t1 = rect
        assert art.size == (s1 - s0, t1 - t0), (rect, art.size)
        self.img.alpha_composite(art, (s0, self.h - t1))

    def set_texel(self, s, t, colour):
        self.img.putpixel((s, self.h - 1 - t), colour)


def read_cells():
    cells = {}
    with open(os.path.join(ROOT, "art", "cells.txt")) as f:
        for line in f:
            line = line.split("#")[0].split()
            if not line:
                continue
            pic, name = line[0], line[1]
            cells[(pic, name)] = tuple(int(v) for v in line[2:6])
    return cells


def bleed(img, rounds=3):
    """Give transparent texels the colour of their visible neighbours, so that
    filtering at the edge of a shape never pulls in black."""
    a = np.asarray(img).astype(np.float32)
    rgb, alpha = a[..., :3].copy(), a[..., 3]
    known = alpha > 0
    for _ in range(rounds):
        acc = np.zeros_like(rgb)
        cnt = np.zeros(alpha.shape, np.float32)
        for dy in (-1, 0, 1):
            for dx in (-1, 0, 1):
                k = np.roll(np.roll(known, dy, 0), dx, 1)
                c = np.roll(np.roll(rgb, dy, 0), dx, 1)
                acc += c * k[..., None]
                cnt += k
        fill = (~known) & (cnt > 0)
        rgb[fill] = acc[fill] / cnt[fill][:, None]
        known = known | fill
    out = np.dstack([rgb, alpha]).clip(0, 255).astype(np.uint8)
    return Image.fromarray(out, "RGBA")


# ---- glyph sheet ----------------------------------------------------------
GLYPH_W, GLYPH_H, BASELINE = 14, 15, 4
SHEET = [
    [" "] + list("0123456789") + list("AaBbCcDdEe"),
    list("FfGgHhIiJjKkLlMmNnOoP"),
    ["p"] + list("QqRrSsTtUuVvWwXxYyZz"),
    list("!@#$%^&*()-_+=[]|\\':;"),
    list("<.>,?/`") + ["\u00b0"] + list("\u00c1\u00e1\u00c9\u00e9\u00cd\u00ed\u00d3\u00f3\u00da\u00fa\u00d1\u00f1\u00bf"),
]
WIDTHS = {
    2: ",.",
    3: " '/:;I\\`ijl|\u00b0",
    4: "!()-J[]frst",
    5: "c",
    6: "#$*0123456789?^_EFLPSTZaekvxyz\u00bf\u00c1\u00c9\u00cd\u00d1\u00d3\u00da\u00e1\u00e9\u00ed\u00f1\u00f3\u00fa",
    7: "+<=>BCKRVXYbdghnopqu",
    8: "&ADGHNU",
    9: "@OQw",
    10: "Mm",
    11: "%W",
}
ADVANCE = {ch: w for w, chars in WIDTHS.items() for ch in chars}

GLYPH_SIZE = 10.6   # pixel size of the interface font
GLYPH_HR = 8        # render glyphs at this many times their size


def glyph_image(ch, font):
    """One glyph, white with coverage in alpha, fitted into its advance."""
    adv = ADVANCE[ch]
    hr = GLYPH_HR
    big = Image.new("L", (40 * hr, 30 * hr), 0)
    ImageDraw.Draw(big).text((10 * hr, 20 * hr), ch, font=font, fill=255, anchor="ls")
    bb = big.getbbox()
    cell = Image.new("L", (GLYPH_W, GLYPH_H), 0)
    if bb is None:
        return cell
    x0, y0, x1, y1 = bb
    natural = (x1 - x0) / hr
    room = max(1, adv - 1)
    width = min(room, max(1, int(round(natural))))
    # vertical: keep the baseline on a texel edge and scale by hr exactly
    top = 20 * hr - y0          # ink above the baseline, high-res pixels
    bottom = y1 - 20 * hr       # ink below the baseline
    # round, not ceil: a curve's overshoot of a tenth of a texel must not put
    # a faint row under the baseline
    up = int(round(top / hr))
    down = max(0, int(round(bottom / hr)))
    crop = big.crop((x0, 20 * hr - up * hr, x1, 20 * hr + down * hr))
    small = crop.resize((width, up + down), Image.BOX)
    # firm up the antialiased edges a little: small type reads better crisp
    lut = [min(255, max(0, int((v - 20) * 1.35))) for v in range(256)]
    small = small.point(lut)
    left = (adv - width) // 2 if adv > width else 0
    top_row = GLYPH_H - BASELINE - up
    cell.paste(small, (left, max(0, top_row)))
    return cell


def draw_glyph_sheet(atlas):
    font = ImageFont.truetype(FONT_DIR + "DejaVuSansCondensed-Bold.ttf", int(round(GLYPH_SIZE * GLYPH_HR)))
    sheet = Image.new("RGBA", (21 * GLYPH_W, 5 * GLYPH_H), (255, 255, 255, 0))
    for row, chars in enumerate(SHEET):
        for col, ch in enumerate(chars):
            if ch == " ":
                continue
            g = glyph_image(ch, font)
            y = (4 - row) * GLYPH_H  # sheet row 0 is the bottom row
            glyph = Image.merge("RGBA", (Image.new("L", g.size, 255),) * 3 + (g,))
            sheet.paste(glyph, (col * GLYPH_W, y))
    atlas.place((0, 0, 21 * GLYPH_W, 5 * GLYPH_H), sheet)


# ---- frames and widgets of the atlas --------------------------------------
def rect_size(rect):
    return rect[2] - rect[0], rect[3] - rect[1]


def bar_art(rect, painter):
    w, h = rect_size(rect)
    c = Cell(w, h)
    painter(c, w, h)
    return c.result()


def push_button(lit):
    def paint(c, w, h):
        c.shadow(1, 3, w - 1, h - 2, 5, 0.6, 70)
        if lit:
            c.framed(1, 2, w - 1, h - 3, 5, TEAL_DARK, (208, 244, 228), (150, 214, 188))
        else:
            c.framed(1, 2, w - 1, h - 3, 5, BORDER, (255, 255, 255), (222, 228, 236))
        c.rrect(2, 3, w - 2, 4, 0, WHITE, 150)  # top highlight
    return paint


def dark_bar(top, bottom, line):
    def paint(c, w, h):
        # one row short of the cell: the cell's 26th row lies past the atlas
        c.grad_rrect(0, 1, w, h, 0, top, bottom)
        c.rrect(0, h - 1, w, h, 0, line)
        c.rrect(0, 1, w, 2, 0, (255, 255, 255), 40)
    return paint


def trough(c, w, h):
    c.framed(1, 1, w - 1, h - 1, 6, BORDER, (196, 205, 216), (232, 237, 243))


def fill_bar(c, w, h):
    c.framed(1, 1, w - 1, h - 1, 6, TEAL_DARK, (128, 224, 182), (38, 160, 120))
    c.rrect(3, 3, w - 3, 5, 1, WHITE, 90)


def slider_track(c, w, h):
    m = h // 2
    c.framed(2, m - 3, w - 2, m + 3, 3, BORDER_DARK, (190, 199, 211), (225, 231, 238))


def slider_fill(c, w, h):
    m = h // 2
    c.framed(1, m - 3, w - 1, m + 3, 3, TEAL_DARK, MINT, TEAL)


def text_field(c, w, h):
    c.framed(1, 2, w - 1, h - 2, 3, BORDER, (236, 240, 245), WHITE)
    c.rrect(2, 3, w - 2, 4, 0, (200, 208, 218), 255)  # inner shadow along the top


def popup_button(c, w, h):
    c.shadow(1, 2, w - 1, h - 1, 5, 0.6, 70)
    c.framed(1, 1, w - 1, h - 2, 5, NAVY_DEEP, SLATE_2, SLATE)
    c.rrect(w - 26, 4, w - 25, h - 5, 0, NAVY_DEEP, 200)
    cx, cy = w - 13, h / 2 - 0.5
    c.lines([(cx - 4, cy - 2), (cx, cy + 2), (cx + 4, cy - 2)], WHITE, 1.6)


def vertical_track(c, w, h):
    # the middle repeats along the track: no gradient along it
    m = w // 2
    c.framed(m - 3, 2, m + 3, h - 2, 3, BORDER_DARK, (205, 213, 223), (205, 213, 223))
    c.rrect(m - 2, 3, m - 1, h - 3, 0, (176, 186, 200))


def tab(chosen):
    def paint(c, w, h):
        if chosen:
            c.framed(1, 1, w - 1, h + 6, 6, BORDER, WHITE, PANEL)
        else:
            c.framed(2, 3, w - 2, h + 6, 6, BORDER, (214, 221, 230), (198, 207, 219))
            c.rrect(0, h - 1, w, h, 0, BORDER)
    return paint


def check_box(on):
    def paint(c, w, h):
        if on:
            c.framed(2, 2, w - 2, h - 2, 3, TEAL_DARK, (84, 200, 156), TEAL)
            c.lines([(5.2, 9.2), (8, 12), (13, 5.8)], WHITE, 2.0)
        else:
            c.framed(2, 2, w - 2, h - 2, 3, BORDER_DARK, (232, 237, 243), WHITE)
    return paint


def radio(on):
    def paint(c, w, h):
        if on:
            c.framed(2, 2, w - 2, h - 2, 7, TEAL_DARK, (84, 200, 156), TEAL)
            c.ellipse(6, 6, w - 6, h - 6, WHITE)
        else:
            c.framed(2, 2, w - 2, h - 2, 7, BORDER_DARK, (232, 237, 243), WHITE)
    return paint


def close_box(alt):
    def paint(c, w, h):
        face = (214, 84, 78) if alt else SLATE_2
        c.framed(2, 2, w - 2, h - 2, 7, NAVY_DEEP, mix(face, WHITE, 0.25), face)
        c.lines([(6.5, 6.5), (11.5, 11.5)], WHITE, 1.6)
        c.lines([(11.5, 6.5), (6.5, 11.5)], WHITE, 1.6)
    return paint


def chevron(up, size_w, size_h, colour=SLATE, plate=True):
    def paint(c, w, h):
        if plate:
            c.framed(1, 1, w - 1, h - 1, 3, BORDER, WHITE, PANEL_2)
        cx, cy = w / 2, h / 2
        d = 2.5 if up else -2.5
        c.lines([(cx - 4, cy + d), (cx, cy - d), (cx + 4, cy + d)], colour, 1.8)
    return paint


def vslider_thumb(c, w, h):
    c.shadow(2, 3, w - 2, h - 1, 4, 0.6, 80)
    c.framed(2, 2, w - 2, h - 2, 4, TEAL_DARK, (128, 224, 182), TEAL)
    for y in (9, 12, 15):
        c.rrect(6, y, w - 6, y + 1, 0, WHITE, 180)


def hslider_knob(c, w, h):
    c.shadow(3, 3, w - 3, h - 1, 5, 0.8, 90)
    c.framed(3, 2, w - 3, h - 3, 5, TEAL_DARK, (150, 230, 196), TEAL)
    for x in (7, 10, 13):
        c.rrect(x, 7, x + 1, h - 8, 0, WHITE, 180)


def dial(c, w, h):
    cx, cy, r = w / 2, h / 2, 25
    c.shadow(cx - r, cy - r + 1, cx + r, cy + r + 1, r, 1.0, 90)
    c.ellipse(cx - r, cy - r, cx + r, cy + r, BORDER_DARK)
    c.ellipse(cx - r + 1, cy - r + 1, cx + r - 1, cy + r - 1, NAVY)
    c.ellipse(cx - r + 3, cy - r + 3, cx + r - 3, cy + r - 3, SLATE)
    for deg in range(0, 360, 30):
        a = math.radians(deg)
        r0 = r - 7 if deg % 90 else r - 9
        p0 = (cx + math.sin(a) * r0, cy - math.cos(a) * r0)
        p1 = (cx + math.sin(a) * (r - 4), cy - math.cos(a) * (r - 4))
        c.lines([p0, p1], MINT if deg == 0 else (200, 210, 222), 1.4 if deg % 90 else 2.0)


def needle(alt):
    def paint(c, w, h):
        tip = MINT if not alt else (240, 170, 90)
        c.poly([(w / 2, 1), (w - 2, h / 2), (w / 2, h / 2 + 2), (2, h / 2)], tip)
        c.poly([(2, h / 2), (w / 2, h / 2 + 2), (w - 2, h / 2), (w / 2, h - 1)], (200, 210, 222))
        c.ellipse(w / 2 - 2, h / 2 - 2, w / 2 + 2, h / 2 + 2, WHITE)
    return paint


def browse(c, w, h):
    c.shadow(2, 3, w - 2, h - 1, 4, 0.6, 70)
    c.framed(2, 2, w - 2, h - 3, 4, BORDER, WHITE, PANEL_2)
    folder_shape(c, 6, 7, w - 12, h - 15, (236, 180, 70), (198, 140, 40))


def submenu_arrow(c, w, h):
    c.poly([(6, 4), (13, 9), (6, 14)], WHITE)


def folder_shape(c, x, y, w, h, face, edge):
    c.poly([(x, y + 1), (x + w * 0.4, y + 1), (x + w * 0.5, y + 2.5), (x + w, y + 2.5),
            (x + w, y + h), (x, y + h)], edge)
    c.poly([(x + 0.8, y + 3.5), (x + w - 0.8, y + 3.5), (x + w - 0.8, y + h - 0.8),
            (x + 0.8, y + h - 0.8)], face)


# file-kind icons, 12 x 12
def icon_folder(c, w, h):
    folder_shape(c, 0.5, 1, 11, 10, (240, 190, 80), (190, 135, 40))


def icon_acf(c, w, h):  # aeroplane
    col = SLATE
    c.poly([(5.4, 0.5), (6.6, 0.5), (6.9, 4.5), (11.5, 7), (11.5, 8), (6.9, 6.8), (6.6, 9.6), (8.4, 10.8),
            (8.4, 11.5), (3.6, 11.5), (3.6, 10.8), (5.4, 9.6), (5.1, 6.8), (0.5, 8), (0.5, 7), (5.1, 4.5)],
           col)


def icon_afl(c, w, h):  # wing section
    c.poly([(0.5, 6.5), (2.5, 4.2), (6, 3.6), (11.5, 5.8), (11.5, 6.6), (6, 8.2), (2.5, 8.4)], (60, 110, 170))


def icon_globe(c, w, h):
    c.ellipse(0.5, 0.5, 11.5, 11.5, (60, 130, 200))
    c.poly([(3, 2.5), (6, 2), (6.5, 5), (4, 6.5), (2, 5)], (90, 180, 110))
    c.poly([(7, 6.5), (10, 6), (9.5, 9.5), (7.5, 10)], (90, 180, 110))


def icon_wpn(c, w, h):  # missile, nose up and to the right
    body = [(1.5, 10.5), (9.5, 2.5)]
    c.lines(body, (120, 130, 146), 2.6)
    c.poly([(8.4, 1.8), (11.6, 0.4), (10.2, 3.6)], (200, 80, 60))
    c.poly([(0.4, 8.2), (3.2, 8.8), (2.2, 11.6), (0.4, 11.6)], (200, 80, 60))


def icon_sit(c, w, h):  # disc
    c.ellipse(0.5, 0.5, 11.5, 11.5, (150, 162, 180))
    c.ellipse(1.5, 1.5, 10.5, 10.5, (214, 222, 232))
    c.ellipse(4, 4, 8, 8, (150, 162, 180))
    c.ellipse(5, 5, 7, 7, WHITE)


def icon_smo(c, w, h):  # film reel
    c.ellipse(0.5, 0.5, 11.5, 11.5, SLATE)
    for a in range(0, 360, 72):
        r = math.radians(a)
        x, y = 6 + math.sin(r) * 3.2, 6 - math.cos(r) * 3.2
        c.ellipse(x - 1.4, y - 1.4, x + 1.4, y + 1.4, (220, 228, 238))


def icon_fms(c, w, h):  # screen
    c.rrect(0, 1, 12, 9, 1, SLATE)
    c.rrect(1, 2, 11, 8, 0, (120, 200, 170))
    c.rrect(5, 9, 7, 11, 0, SLATE)
    c.rrect(3, 11, 9, 12, 0, SLATE)


def icon_obj(c, w, h):  # building
    c.rrect(2, 1, 10, 12, 0, (110, 122, 140))
    for y in (3, 6, 9):
        for x in (3.5, 6.5):
            c.rrect(x, y, x + 2, y + 1.5, 0, (250, 220, 120))


# cursors, 30 x 30, light with a dark rim so they show on any background
def cursor(shape):
    def paint(c, w, h):
        shape(c, lambda pts, wd=0: c.lines(pts, NAVY_DEEP, 5.2), lambda pts, wd=0: c.lines(pts, WHITE, 2.6))
    return paint


def arrow_shape(direction):
    def shape(c, rim, face):
        if direction in ("up", "down"):
            s = -1 if direction == "up" else 1
            pts = [(15, 15 - 9 * s), (15, 15 + 9 * s)]
            head = [(9, 15 + 3 * s), (15, 15 + 9 * s), (21, 15 + 3 * s)]
        else:
            s = -1 if direction == "left" else 1
            pts = [(15 - 9 * s, 15), (15 + 9 * s, 15)]
            head = [(15 + 3 * s, 9), (15 + 9 * s, 15), (15 + 3 * s, 21)]
        rim(pts)
        rim(head)
        face(pts)
        face(head)
    return shape


def double_arrow_shape(vertical):
    def shape(c, rim, face):
        if vertical:
            parts = [[(15, 5), (15, 25)], [(10, 10), (15, 5), (20, 10)], [(10, 20), (15, 25), (20, 20)]]
        else:
            parts = [[(5, 15), (25, 15)], [(10, 10), (5, 15), (10, 20)], [(20, 10), (25, 15), (20, 20)]]
        for p in parts:
            rim(p)
        for p in parts:
            face(p)
    return shape


def rotate_shape(clockwise):
    """Three quarters of a circle with a head at its end; the counter-clockwise
    shape is the clockwise one mirrored."""
    def shape(c, rim, face):
        pts = []
        for i in range(27):
            th = math.radians(-200 + i * 10)  # y down: growing angles turn clockwise
            pts.append((15 + 8 * math.cos(th), 16 + 8 * math.sin(th)))
        th = math.radians(60)
        d = (-math.sin(th), math.cos(th))
        end = pts[-1]
        head = []
        for turn in (-40, 40):
            r = math.radians(180 + turn)
            hx = d[0] * math.cos(r) - d[1] * math.sin(r)
            hy = d[0] * math.sin(r) + d[1] * math.cos(r)
            head.append((end[0] + 6 * hx, end[1] + 6 * hy))
        head = [head[0], end, head[1]]
        if not clockwise:
            pts = [(30 - x, y) for x, y in pts]
            head = [(30 - x, y) for x, y in head]
        rim(pts)
        rim(head)
        face(pts)
        face(head)
    return shape


def plus_shape(plus):
    def shape(c, rim, face):
        parts = [[(8, 15), (22, 15)]] + ([[(15, 8), (15, 22)]] if plus else [])
        for p in parts:
            rim(p)
        for p in parts:
            face(p)
    return shape


def hand_shape(held, pointing):
    def shape(c, rim, face):
        if pointing:
            fingers = [[(13, 5), (13, 16)]] if not held else [[(13, 10), (13, 16)]]
            fingers += [[(16.5, 13), (16.5, 17)], [(20, 14), (20, 18)]]
        elif held:
            fingers = [[(x, 13), (x, 16)] for x in (10, 13.5, 17, 20.5)]
        else:
            fingers = [[(10, 9), (10, 16)], [(13.5, 6), (13.5, 16)], [(17, 6.5), (17, 16)], [(20.5, 9), (20.5, 16)]]
        palm = [[(10.5, 17), (20, 17), (19, 24), (12, 24), (10.5, 17)]]
        thumb = [[(9, 21), (6, 16)]]
        for p in fingers + palm + thumb:
            rim(p)
        for p in fingers + thumb:
            face(p)
        c.poly([(10.5, 16.5), (20.5, 16.5), (19.5, 24), (11.5, 24)], WHITE)
    return shape


def atlas_painters():
    bar = bar_art
    return {
        "frame1_0": lambda r: bar(r, dark_bar(SLATE_2, NAVY, NAVY_DEEP)),
        "frame1_1": lambda r: bar(r, dark_bar(SLATE_2, SLATE, NAVY)),
        "frame1_2": lambda r: bar(r, push_button(False)),
        "frame1_3": lambda r: bar(r, push_button(True)),
        "frame1_4": lambda r: bar(r, trough),
        "frame1_5": lambda r: bar(r, fill_bar),
        "frame1_7": lambda r: bar(r, slider_track),
        "frame1_8": lambda r: bar(r, slider_fill),
        "frame1_9": lambda r: bar(r, text_field),
        "frame1_10": lambda r: bar(r, popup_button),
        "frame0_6": lambda r: bar(r, vertical_track),
        "tab_chosen": lambda r: bar(r, tab(True)),
        "tab_other": lambda r: bar(r, tab(False)),
        "check_off": lambda r: bar(r, check_box(False)),
        "check_on": lambda r: bar(r, check_box(True)),
        "radio_off": lambda r: bar(r, radio(False)),
        "radio_on": lambda r: bar(r, radio(True)),
        "close_box": lambda r: bar(r, close_box(False)),
        "close_box_alt": lambda r: bar(r, close_box(True)),
        "digit_down": lambda r: bar(r, chevron(False, 14, 18)),
        "digit_up": lambda r: bar(r, chevron(True, 14, 18)),
        "vslider_up": lambda r: bar(r, chevron(True, 18, 22)),
        "vslider_down": lambda r: bar(r, chevron(False, 18, 22)),
        "vslider_thumb": lambda r: bar(r, vslider_thumb),
        "hslider_knob": lambda r: bar(r, hslider_knob),
        "dial": lambda r: bar(r, dial),
        "needle": lambda r: bar(r, needle(False)),
        "needle_alt": lambda r: bar(r, needle(True)),
        "browse": lambda r: bar(r, browse),
        "submenu_arrow": lambda r: bar(r, submenu_arrow),
        "icon_folder": lambda r: bar(r, icon_folder),
        "icon_acf": lambda r: bar(r, icon_acf),
        "icon_afl": lambda r: bar(r, icon_afl),
        "icon_globe": lambda r: bar(r, icon_globe),
        "icon_wpn": lambda r: bar(r, icon_wpn),
        "icon_sit": lambda r: bar(r, icon_sit),
        "icon_smo": lambda r: bar(r, icon_smo),
        "icon_fms": lambda r: bar(r, icon_fms),
        "icon_obj": lambda r: bar(r, icon_obj),
        "cursor_up": lambda r: bar(r, cursor(arrow_shape("up"))),
        "cursor_down": lambda r: bar(r, cursor(arrow_shape("down"))),
        "cursor_left": lambda r: bar(r, cursor(arrow_shape("left"))),
        "cursor_right": lambda r: bar(r, cursor(arrow_shape("right"))),
        "cursor_rotate_left": lambda r: bar(r, cursor(rotate_shape(False))),
        "cursor_rotate_right": lambda r: bar(r, cursor(rotate_shape(True))),
        "cursor_plus": lambda r: bar(r, cursor(plus_shape(True))),
        "cursor_minus": lambda r: bar(r, cursor(plus_shape(False))),
        "cursor_updown": lambda r: bar(r, cursor(double_arrow_shape(True))),
        "cursor_leftright": lambda r: bar(r, cursor(double_arrow_shape(False))),
        "cursor_hand": lambda r: bar(r, cursor(hand_shape(False, False))),
        "cursor_hand_held": lambda r: bar(r, cursor(hand_shape(True, False))),
        "cursor_point": lambda r: bar(r, cursor(hand_shape(False, True))),
        "cursor_point_held": lambda r: bar(r, cursor(hand_shape(True, True))),
    }


# ---- panels ----------------------------------------------------------------
# (ox, ob, ot) outsets: how far the drawn panel reaches beyond the caller's
# rectangle; the visible edge of the panel lies on the caller's rectangle and
# the outsets carry its shadow.
PANEL_OUTSETS = {
    11: (9, 14, 4), 12: (9, 14, 4), 13: (9, 14, 4), 14: (9, 14, 4), 15: (9, 14, 4),
    16: (2, 2, 2), 17: (8, 13, 2), 18: (8, 13, 2), 19: (6, 9, 4), 20: (1, 1, 1),
}


# (cap across, cap below, cap above) in texels: the middle between the caps
# repeats, so the panel's edges must lie inside the caps.
PANEL_CAPS = {
    11: (35, 30, 30), 12: (35, 30, 30), 13: (35, 30, 30), 14: (35, 30, 30), 15: (35, 30, 30),
    16: (23.8, 20.4, 20.4), 17: (20, 26, 14), 18: (14.7, 12.6, 12.6), 19: (15.4, 13.2, 13.2),
    20: (14.35, 12.3, 12.3),
}


def panel(style, look):
    """look: (border, top colour, bottom colour, title bar colour or None, alpha)."""
    border, top, bottom, title_bar, alpha = look
    ox, ob, ot = PANEL_OUTSETS[style]
    cx, cb, ct = PANEL_CAPS[style]
    ox, ob, ot = min(ox, int(cx) - 1), min(ob, int(cb) - 1), min(ot, int(ct) - 1)
    # rounded corners must end inside the caps too
    radius = max(2, min(6 if ox >= 6 else 3, int(cx) - ox - 1, int(cb) - ob - 1, int(ct) - ot - 1))

    def paint(c, w, h):
        x0, y0, x1, y1 = ox, ot, w - ox, h - ob
        r = radius
        if ob >= 9 and cx - ox >= 10:  # room for a soft shadow inside the caps
            c.shadow(x0 + 1, y0 + 3, x1 - 1, y1 + 4, r, 2.5, 110)
        c.rrect(x0, y0, x1, y1, r, border, alpha)
        c.rrect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, max(0, r - 1), top, alpha)
        if title_bar is not None:
            c.grad_rrect(x0 + 1, y0 + 1, x1 - 1, y0 + 22, max(0, r - 1), mix(title_bar, WHITE, 0.12), title_bar)
            c.rrect(x0 + 1, y0 + 22, x1 - 1, y0 + 23, 0, NAVY_DEEP)
    return paint


def panel_looks():
    dark = (NAVY_DEEP, NAVY, NAVY, None, 242)
    return {
        11: (BORDER_DARK, PANEL, PANEL, SLATE, 255),
        12: (BORDER_DARK, PANEL, PANEL, None, 255),
        13: (BORDER, WHITE, WHITE, None, 255),
        14: (SLATE_2, NAVY, NAVY, None, 240),
        15: dark,
        16: (BORDER, WHITE, WHITE, None, 255),
        17: (NAVY_DEEP, SLATE, SLATE, None, 245),
        18: (BORDER, PANEL, PANEL, None, 255),
        19: (BORDER, PANEL, PANEL, None, 255),
        20: ((176, 190, 208), (248, 250, 252), (248, 250, 252), None, 225),
    }


def draw_atlas(cells):
    atlas = Picture(512, 512)
    draw_glyph_sheet(atlas)
    painters = atlas_painters()
    looks = panel_looks()
    for (pic, name), rect in cells.items():
        if pic != "atlas" or name == "glyph_sheet":
            continue
        if name.startswith("frame2_"):
            art = bar_art(rect, panel(int(name[7:]), looks[int(name[7:])]))
        else:
            art = painters[name](rect)
        atlas.place(rect, art)
    img = bleed(atlas.img)
    atlas.img = img
    for col, row, rgb in COLOUR_SAMPLES.values():
        for dt in range(-2, 3):
            for ds in range(-2, 3):
                atlas.set_texel(col + ds, row + dt, rgba(rgb))
    return atlas.img


# ---- installer picture -------------------------------------------------------
def lettering(text, size=12):
    return ImageFont.truetype(FONT_DIR + "DejaVuSansCondensed-Bold.ttf", size * SS)


def image_button(text, look):
    """look 0 normal, 1 hover, 2 pressed: a translucent plate with capitals."""
    def paint(c, w, h):
        plates = [((34, 52, 74), (20, 33, 50), 205), ((226, 236, 246), (190, 206, 224), 235),
                  ((16, 28, 44), (28, 44, 64), 230)]
        inks = [(232, 236, 242), (30, 44, 62), (132, 160, 192)]
        top, bottom, alpha = plates[look]
        c.rrect(0, 0, w, h, 5, NAVY_DEEP if look != 1 else (120, 140, 165), alpha)
        c.grad_rrect(1, 1, w - 1, h - 1, 4, top, bottom, alpha)
        if look != 2:
            c.rrect(2, 1, w - 2, 2, 0, WHITE, 60)
        lay = c.layer()
        d = ImageDraw.Draw(lay)
        font = lettering(text)
        dy = 1 if look == 2 else 0
        d.text((w * SS / 2, (h / 2 + 0.5 + dy) * SS), text, font=font, fill=rgba(inks[look]), anchor="mm")
        c.put(lay)
    return paint


def disc_panel(c, w, h):
    c.shadow(1, 2, w - 1, h, 6, 1.2, 110)
    c.rrect(0, 0, w, h - 1, 6, NAVY_DEEP)
    c.grad_rrect(1, 1, w - 1, h - 2, 5, (226, 232, 240), (196, 206, 218))
    lay = c.layer()
    d = ImageDraw.Draw(lay)
    for y in range(3, h - 3, 3):  # fine stripes
        d.rectangle([2 * SS, y * SS, (w - 2) * SS - 1, y * SS + SS - 1], fill=(255, 255, 255, 70))
    c.put(lay)


def disc_icon(c, w, h):
    cx = cy = 32
    c.shadow(5, 7, 59, 61, 27, 2.0, 120)
    c.ellipse(4, 4, 60, 60, (150, 160, 176))
    # a soft sheen over the disc's face
    lay = c.layer()
    face = Image.new("RGBA", lay.size)
    fd = ImageDraw.Draw(face)
    for i, colr in enumerate([(196, 214, 236), (226, 206, 236), (206, 236, 226), (236, 226, 200)]):
        fd.pieslice([5 * SS, 5 * SS, 59 * SS, 59 * SS], -30 + 90 * i, 60 + 90 * i, fill=rgba(colr))
    face = face.filter(ImageFilter.GaussianBlur(6 * SS))
    mask = Image.new("L", lay.size, 0)
    ImageDraw.Draw(mask).ellipse([5 * SS, 5 * SS, 59 * SS - 1, 59 * SS - 1], fill=255)
    lay.paste(face, (0, 0), mask)
    c.put(lay)
    c.ellipse(cx - 11, cy - 11, cx + 11, cy + 11, (200, 208, 220))
    c.ellipse(cx - 9, cy - 9, cx + 9, cy + 9, (236, 240, 246))
    # the hole shows what lies behind
    hole = Image.new("L", c.img.size, 255)
    ImageDraw.Draw(hole).ellipse([(cx - 4) * SS, (cy - 4) * SS, (cx + 4) * SS - 1, (cy + 4) * SS - 1], fill=0)
    a = c.img.getchannel("A")
    c.img.putalpha(Image.fromarray(np.minimum(np.asarray(a), np.asarray(hole))))
    c.lines([(18, 22), (24, 16)], WHITE, 2.0, 150)


def installer_painters():
    words = {"btn_destination": "DESTINATION", "btn_install": "INSTALL", "btn_exit": "EXIT",
             "btn_buy_online": "BUY ONLINE", "btn_disagree": "DISAGREE", "btn_agree": "AGREE"}
    out = {}
    for key, text in words.items():
        out[key] = image_button(text, 0)
        out[key + "_hover"] = image_button(text, 1)
        out[key + "_pressed"] = image_button(text, 2)
    out["disc_panel"] = disc_panel
    out["icon_disc"] = disc_icon
    return out


def draw_installer(cells):
    pic = Picture(1010, 764)
    painters = installer_painters()
    looks = panel_looks()
    for (p, name), rect in cells.items():
        if p != "installer":
            continue
        if name == "frame2_20":
            art = bar_art(rect, panel(20, looks[20]))
        else:
            art = bar_art(rect, painters[name])
        pic.place(rect, art)
    return bleed(pic.img)


# ---- backgrounds -----------------------------------------------------------
def sky_gradient(w, h, top, low, power=1.6):
    f = np.linspace(0.0, 1.0, h)[:, None] ** power
    img = np.empty((h, w, 3), np.float32)
    for i in range(3):
        img[..., i] = top[i] + (low[i] - top[i]) * f
    return img


def cumulus(w, h, rng, count, y_range, size_range, shadow):
    """Cloud cover: coverage (0..1) and brightness (0..1) per pixel. Each cloud
    is a heap of round puffs over a flat base, lit from above."""
    field = np.zeros((h, w), np.float32)
    light = np.zeros((h, w), np.float32)
    for _ in range(count):
        cy = rng.uniform(*y_range)                        # the base line
        size = rng.uniform(*size_range) * (0.55 + 0.45 * cy / h)  # nearer the horizon, smaller
        cx = rng.uniform(-0.1 * w, 1.1 * w)
        width = size * rng.uniform(2.5, 5.0)
        x0, x1 = int(max(0, cx - width)), int(min(w, cx + width))
        y0, y1 = int(max(0, cy - 4.0 * size)), int(min(h, cy + 0.3 * size))
        if x1 <= x0 or y1 <= y0:
            continue
        yy, xx = np.mgrid[y0:y1, x0:x1].astype(np.float32)
        local = np.zeros_like(xx)
        for _ in range(int(rng.integers(10, 18))):
            px = cx + rng.uniform(-1.0, 1.0) * width * 0.55
            edge = 1.0 - abs(px - cx) / (width * 0.55)
            r = size * rng.uniform(0.55, 0.9) * (0.45 + 0.55 * edge)
            py = cy - r * rng.uniform(0.5, 1.0) * (0.5 + 0.7 * edge)
            local += np.exp(-((xx - px) ** 2 + (yy - py) ** 2) / (r * r))
        local = np.clip(local * 0.7, 0.0, 1.0)
        base = np.clip((cy - yy) / (0.25 * size) + 1.0, 0.0, 1.0)  # flat underside
        local *= base
        field[y0:y1, x0:x1] = np.maximum(field[y0:y1, x0:x1], local)
        lit = np.clip((cy - yy) / (1.3 * size), 0.0, 1.0) ** 0.8
        light[y0:y1, x0:x1] = np.where(local > field[y0:y1, x0:x1] - 1e-6, lit, light[y0:y1, x0:x1])
    cover = np.clip((field - 0.35) * 2.5, 0.0, 1.0)
    cover = np.asarray(Image.fromarray((cover * 255).astype(np.uint8)).filter(ImageFilter.GaussianBlur(2.0)),
                       np.float32) / 255.0
    bright = 1.0 - shadow * (1.0 - light)
    return cover, bright


def sky(w, h, top, low, seed, cloud_alpha, count=16, y_range=None, cloud_shade=(150, 166, 190)):
    """A sky gradient with a few calm fair-weather cumulus."""
    img = sky_gradient(w, h, top, low)
    rng = np.random.default_rng(seed)
    y_range = y_range or (h * 0.35, h * 0.85)
    cover, bright = cumulus(w, h, rng, count, y_range, (26, 48), 0.55)
    shade = np.array(cloud_shade, np.float32)
    colour = shade + (255.0 - shade) * bright[..., None]
    a = (cover * cloud_alpha)[..., None]
    return img * (1 - a) + colour * a


def stripes(w, h, base, step=3, delta=5):
    img = np.empty((h, w, 3), np.float32)
    img[:] = base
    img[::step] += delta
    return img


def draw_background_1():
    w, h = 1024, 768
    img = sky(w, h, SKY_TOP, SKY_LOW, 7, 0.78)
    top_band, bottom_band = 768 - 683, 107  # rows of the picture, t up from the bottom
    img[:top_band] = stripes(w, top_band, (226, 231, 238))
    img[top_band - 1] = (170, 182, 198)
    img[h - bottom_band:] = stripes(w, bottom_band, (226, 231, 238))
    img[h - bottom_band] = (170, 182, 198)
    img[top_band:h - bottom_band, :124] = SLATE
    img[top_band:h - bottom_band, 123] = (34, 48, 66)
    pic = Image.fromarray(img.clip(0, 255).astype(np.uint8), "RGB").convert("RGBA")
    draw_brand(pic, 1024 - 330, 20)
    return pic


def draw_brand(pic, x, y):
    """The product's own mark in the top band: an aircraft and its name."""
    c = Cell(310, 50)
    plane = [(8, 25), (38, 22), (50, 6), (58, 6), (54, 22), (78, 21), (86, 14), (91, 14), (89, 24),
             (91, 34), (86, 34), (78, 27), (54, 26), (58, 42), (50, 42), (38, 27), (8, 25)]
    c.poly([(x0 + 2, y0) for x0, y0 in plane], SLATE_2)
    lay = c.layer()
    d = ImageDraw.Draw(lay)
    font = ImageFont.truetype(FONT_DIR + "DejaVuSans-Bold.ttf", 28 * SS)
    d.text((104 * SS, 25 * SS), "SKYLUME", font=font, fill=rgba(SLATE), anchor="lm")
    c.put(lay)
    pic.alpha_composite(c.result(), (x, y))


def draw_background_2():
    """Dusk over a distant, hazy horizon: the same palette, no bands."""
    w, h = 1024, 768
    horizon = h - 150
    img = sky(w, h, (30, 46, 82), (232, 206, 188), 11, 0.55, count=12, y_range=(h * 0.3, h * 0.7),
              cloud_shade=(120, 120, 150))
    x = np.arange(w, dtype=np.float32)
    ridge = horizon + 6 * np.sin(x / 173.0) + 3 * np.sin(x / 41.0 + 1.3)
    y = np.arange(h, dtype=np.float32)[:, None]
    ground_f = np.clip((y - ridge[None, :]) / (h - horizon), 0.0, 1.0)
    far, near = np.array((96, 104, 128), np.float32), np.array((40, 52, 72), np.float32)
    ground = far + (near - far) * ground_f[..., None] ** 0.7
    edge = np.clip(y - ridge[None, :] + 0.5, 0.0, 1.0)[..., None]  # antialiased skyline
    img = img * (1 - edge) + ground * edge
    haze = np.exp(-((y - horizon) / 26.0) ** 2)[..., None] * 0.35  # glow along the horizon
    img = img * (1 - haze) + np.array((236, 210, 190), np.float32) * haze
    return Image.fromarray(img.clip(0, 255).astype(np.uint8), "RGB").convert("RGBA")


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "art")
    cells = read_cells()
    images = {
        "interface.png": draw_atlas(cells),
        "installer.png": draw_installer(cells),
        "ins_back_1.png": draw_background_1(),
        "ins_back_2.png": draw_background_2(),
    }
    for name, img in images.items():
        path = os.path.join(out, name)
        if name.startswith("ins_back"):
            img = img.convert("RGB")  # opaque: no alpha channel in the file
        img.save(path, optimize=True)
        print("wrote", path, img.size)


if __name__ == "__main__":
    main()
