#!/usr/bin/env python3
"""Draws the program's small pictures as XPM text files, each twice: at
32 x 32 (name.xpm) and at 64 x 64 for screens of two device pixels to the
pixel (name@2x.xpm).  Run once; the results are committed and compiled into
the program.

It also writes the desktop icon as SVG and renders it as PNG in the usual
theme sizes with rsvg-convert; both are installed with the program.

A drawing is a function of a point in pixels of the 32 x 32 picture, pixel
centres on whole numbers.  The 64 x 64 picture samples the same function at
the centres of its own, finer pixels, so that it is drawn again rather than
magnified; the hand, drawn pixel by pixel, is doubled with Scale2x."""
import math, os

HERE = os.path.dirname(os.path.abspath(__file__))


def write_xpm(name, rows, palette):
    used = sorted({c for r in rows for c in r})
    lines = ['/* XPM */', 'static const char *%s[] = {' % name.replace('@', '_'),
             '"%d %d %d 1",' % (len(rows[0]), len(rows), len(used))]
    for c in used:
        lines.append('"%s c %s",' % (c, palette[c]))
    lines += ['"%s",' % r for r in rows]
    lines[-1] = lines[-1].rstrip(',')
    lines.append('};')
    with open(os.path.join(HERE, name + '.xpm'), 'w') as f:
        f.write('\n'.join(lines) + '\n')


def canvas(fn, n=32, scale=1):
    at = lambda i: (i + 0.5) / scale - 0.5
    return [''.join(fn(at(x), at(y)) for x in range(n * scale)) for y in range(n * scale)]


def near(v, k):
    # On the pixel row or column k.
    return abs(v - k) < 0.5


def within(v, a, b):
    # On one of the pixels a to b.
    return a - 0.5 <= v < b + 0.5


def scale2x(rows):
    # Doubles a pixel drawing, rounding its diagonal steps (Scale2x).
    h, w = len(rows), len(rows[0])
    px = lambda x, y: rows[min(max(y, 0), h - 1)][min(max(x, 0), w - 1)]
    out = []
    for y in range(h):
        top, bottom = [], []
        for x in range(w):
            p, a, b, c, d = px(x, y), px(x, y - 1), px(x + 1, y), px(x - 1, y), px(x, y + 1)
            if c == a and c != d and a != b:
                e0 = a
            else:
                e0 = p
            e1 = b if a == b and a != c and b != d else p
            e2 = c if d == c and d != b and c != a else p
            e3 = d if b == d and b != a and d != c else p
            top += [e0, e1]
            bottom += [e2, e3]
        out += [''.join(top), ''.join(bottom)]
    return out


def close_sign(x, y):
    # A red disc with a white cross, on a transparent ground.
    cx = cy = 15.5
    d = math.hypot(x - cx, y - cy)
    if d > 15:
        return ' '
    if d > 13.6:
        return 'k'
    u, v = x - cx, y - cy
    if abs(u - v) < 2.2 and d < 10 or abs(u + v) < 2.2 and d < 10:
        return 'w'
    return 'r'


def sheet_icon(x, y):
    # A white sheet with ruled lines and an orange check mark.
    if not (within(x, 5, 26) and within(y, 2, 29)):
        return ' '
    if near(x, 5) or near(x, 26) or near(y, 2) or near(y, 29):
        return 'k'
    if within(y, 12, 24) and (y - 12 + 0.5) % 4 < 1 and within(x, 9, 22):
        return 'b'
    if (abs((y - 21) - (x - 9)) <= 1 and within(x, 9, 13)) or \
       (abs((y - 25) + (x - 13)) <= 1 and within(x, 13, 24) and y >= 7.5):
        return 'o'
    return 'w'


def cancel_sign(x, y):
    # A white disc in a red ring, crossed out in red: leave without sending.
    cx = cy = 15.5
    d = math.hypot(x - cx, y - cy)
    if d > 15:
        return ' '
    if d > 14:
        return 'k'
    if d > 11:
        return 'r'
    u, v = x - cx, y - cy
    if abs(u - v) < 2.0 or abs(u + v) < 2.0:
        return 'r'
    return 'w'


def computer(x, y, left, top):
    # A monitor of 12 x 9 on a foot, its top-left corner at (left, top).
    if within(x, left, left + 11) and within(y, top, top + 8):
        if near(x, left) or near(x, left + 11) or near(y, top) or near(y, top + 8):
            return 'k'
        return 'c' if within(x, left + 2, left + 9) and within(y, top + 2, top + 6) else 'g'
    if within(x, left + 5, left + 6) and near(y, top + 9):
        return 'd'
    if within(x, left + 2, left + 9) and near(y, top + 10):
        return 'k'
    return None


def linked_computers(x, y):
    # Two computers joined by a cable: the connection settings.
    for left, top in ((1, 2), (19, 19)):
        c = computer(x, y, left, top)
        if c:
            return c
    if (near(y, 13) and within(x, 6, 24)) or (near(x, 6) and within(y, 12, 13)) or \
       (near(x, 24) and within(y, 13, 18)):
        return 'o'
    return ' '


def telephone(x, y):
    # A desk telephone: the handset across the top, a dial on the base.
    if within(x, 3, 28) and within(y, 4, 8) and not (within(x, 9, 22) and y >= 6.5):
        return 'k'
    if (within(x, 4, 8) or within(x, 23, 27)) and within(y, 9, 11):
        return 'k'
    if within(x, 11, 20) and within(y, 9, 12):
        return 'd'
    if within(y, 13, 28) and abs(x - 15.5) <= 6 + (y - 13) * 0.45:
        d = math.hypot(x - 15.5, y - 20.5)
        if d < 1.6:
            return 'k'
        if d < 5.5:
            return 'w' if d > 3.2 and (math.atan2(y - 20.5, x - 15.5) * 4) % 1.5 < 0.9 else 'g'
        return 'r'
    return ' '


# The desktop icon: the sheet above, as shapes on a 32-unit square (x, y,
# width, height), so that every size is drawn from the same figure.
# The desktop icon: a sheet with a folded corner, a heading, rules and a
# check mark well inside the page, as vector art.  The large drawing serves
# every size from 22 pixels up; 16 pixels has a drawing of its own on the
# pixel grid, so that it stays sharp.
ICON_NAME = 'fr.tarvel.questionnaire'
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
ICON_INK, ICON_FOLD, ICON_RULE = '#3A3A3A', '#DADADA', '#9A9A9A'
ICON_TITLE, ICON_CHECK = '#3060C0', '#FF8000'

ICON_LARGE = """<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">
  <path d="M54 26H182L218 62V238H54Z" fill="#000000" fill-opacity="0.18"/>
  <path d="M48 20H176L212 56V232H48Z" fill="#FFFFFF" stroke="{ink}" stroke-width="6" stroke-linejoin="round"/>
  <path d="M176 20V56H212Z" fill="{fold}" stroke="{ink}" stroke-width="6" stroke-linejoin="round"/>
  <rect x="72" y="44" width="84" height="14" rx="7" fill="{title}"/>
  <rect x="72" y="84" width="116" height="8" rx="4" fill="{rule}"/>
  <rect x="72" y="108" width="116" height="8" rx="4" fill="{rule}"/>
  <rect x="72" y="132" width="80" height="8" rx="4" fill="{rule}"/>
  <polyline points="84,180 112,206 178,148" fill="none" stroke="{check}" stroke-width="22" stroke-linecap="round" stroke-linejoin="round"/>
</svg>
"""

ICON_SMALL = """<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16" viewBox="0 0 16 16">
  <path d="M2.5 1.5H10.5L13.5 4.5V14.5H2.5Z" fill="#FFFFFF" stroke="{ink}" stroke-width="1"/>
  <path d="M10.5 1.5V4.5H13.5Z" fill="{fold}" stroke="{ink}" stroke-width="1"/>
  <rect x="4" y="3" width="5" height="1" fill="{title}"/>
  <rect x="4" y="6" width="8" height="1" fill="{rule}"/>
  <polyline points="5,10.5 7,12.5 11,8.5" fill="none" stroke="{check}" stroke-width="2"/>
</svg>
"""


def write_icons():
    """The scalable icon and its renderings in the theme sizes, drawn by
    rsvg-convert (Debian's librsvg2-bin) from the two drawings above."""
    import subprocess, tempfile
    colours = dict(ink=ICON_INK, fold=ICON_FOLD, rule=ICON_RULE, title=ICON_TITLE,
                   check=ICON_CHECK)
    folder = os.path.join(HERE, 'desktop', 'icons')
    os.makedirs(folder, exist_ok=True)
    large = os.path.join(folder, ICON_NAME + '.svg')
    with open(large, 'w') as f:
        f.write(ICON_LARGE.format(**colours))
    with tempfile.NamedTemporaryFile('w', suffix='.svg') as small:
        small.write(ICON_SMALL.format(**colours))
        small.flush()
        for size in ICON_SIZES:
            source = small.name if size == 16 else large
            subprocess.run(['rsvg-convert', '-w', str(size), '-h', str(size), '-o',
                            os.path.join(folder, '%d.png' % size), source], check=True)


# A pointing hand, index finger up; the fingertip is the hot spot (12, 1).
HAND = [
    "            kk                  ",
    "           kwwk                 ",
    "           kwwk                 ",
    "           kwwk                 ",
    "           kwwk                 ",
    "           kwwkkk               ",
    "           kwwkwwkkk            ",
    "           kwwkwwkwwkk          ",
    "       kk  kwwkwwkwwkwk         ",
    "      kwwk kwwwwwwwwkwwk        ",
    "      kwwwkkwwwwwwwwwwwk        ",
    "       kwwwkwwwwwwwwwwwk        ",
    "        kwwwwwwwwwwwwwwk        ",
    "        kwwwwwwwwwwwwwwk        ",
    "         kwwwwwwwwwwwwk         ",
    "          kwwwwwwwwwwwk         ",
    "          kwwwwwwwwwwk          ",
    "           kwwwwwwwwwk          ",
    "           kwwwwwwwwwk          ",
    "           kkkkkkkkkkk          ",
] + [" " * 32] * 12

PALETTE = {' ': 'None', 'k': '#000000', 'w': '#FFFFFF', 'r': '#C00000',
           'b': '#808080', 'o': '#FF8000', 'c': '#3060C0', 'g': '#C0C0C0',
           'd': '#505050'}

DRAWINGS = {'close': close_sign, 'sheet': sheet_icon, 'cancel': cancel_sign,
            'computers': linked_computers, 'telephone': telephone}

if __name__ == '__main__':
    for name, fn in DRAWINGS.items():
        write_xpm(name, canvas(fn), PALETTE)
        write_xpm(name + '@2x', canvas(fn, scale=2), PALETTE)
    write_xpm('hand', HAND, PALETTE)
    write_xpm('hand@2x', scale2x(HAND), PALETTE)
    write_icons()
