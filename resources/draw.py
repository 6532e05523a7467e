#!/usr/bin/env python3
"""Draws the program's small pictures as XPM text files, and its desktop icon
as SVG and PNG in the usual theme sizes (run once; the results are committed:
the XPM files are compiled into the program, the icons installed with it)."""
import math, os, struct, zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def write_xpm(name, rows, palette):
    used = sorted({c for r in rows for c in r})
    lines = ['/* XPM */', 'static const char *%s[] = {' % name.replace('-', '_'),
             '"%d %d %d 1",' % (len(rows[0]), len(rows), len(used))]
    for c in used:
        lines.append('"%s c %s",' % (c, palette[c]))
    lines += ['"%s",' % r for r in rows]
    lines[-1] = lines[-1].rstrip(',')
    lines.append('};')
    with open(os.path.join(HERE, name + '.xpm'), 'w') as f:
        f.write('\n'.join(lines) + '\n')


def canvas(fn, n=32):
    return [''.join(fn(x, y) for x in range(n)) for y in range(n)]


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
    if not (5 <= x <= 26 and 2 <= y <= 29):
        return ' '
    if x in (5, 26) or y in (2, 29):
        return 'k'
    if 12 <= y <= 24 and (y - 12) % 4 == 0 and 9 <= x <= 22:
        return 'b'
    if (abs((y - 21) - (x - 9)) <= 1 and 9 <= x <= 13) or \
       (abs((y - 25) + (x - 13)) <= 1 and 13 <= x <= 24 and y >= 8):
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
    if left <= x <= left + 11 and top <= y <= top + 8:
        if x in (left, left + 11) or y in (top, top + 8):
            return 'k'
        return 'c' if left + 2 <= x <= left + 9 and top + 2 <= y <= top + 6 else 'g'
    if left + 5 <= x <= left + 6 and y == top + 9:
        return 'd'
    if left + 2 <= x <= left + 9 and y == top + 10:
        return 'k'
    return None


def linked_computers(x, y):
    # Two computers joined by a cable: the connection settings.
    for left, top in ((1, 2), (19, 19)):
        c = computer(x, y, left, top)
        if c:
            return c
    if (y == 13 and 6 <= x <= 24) or (x == 6 and 12 <= y <= 13) or (x == 24 and 13 <= y <= 18):
        return 'o'
    return ' '


def telephone(x, y):
    # A desk telephone: the handset across the top, a dial on the base.
    if 3 <= x <= 28 and 4 <= y <= 8 and not (9 <= x <= 22 and y >= 7):
        return 'k'
    if (4 <= x <= 8 or 23 <= x <= 27) and 9 <= y <= 11:
        return 'k'
    if 11 <= x <= 20 and 9 <= y <= 12:
        return 'd'
    if 5 <= y <= 28 and y >= 13 and abs(x - 15.5) <= 6 + (y - 13) * 0.45:
        d = math.hypot(x - 15.5, y - 20.5)
        if d < 1.6:
            return 'k'
        if d < 5.5:
            return 'w' if d > 3.2 and (math.atan2(y - 20.5, x - 15.5) * 4) % 1.5 < 0.9 else 'g'
        return 'r'
    return ' '


# The desktop icon: the sheet above, as shapes on a 32-unit square (x, y,
# width, height), so that every size is drawn from the same figure.
ICON_SHEET = (5, 2, 22, 28)
ICON_BORDER = 1
ICON_RULES = [(9, y, 14, 1) for y in (12, 16, 20, 24)]
ICON_CHECK = [(9.5, 21.5), (13.5, 25.5), (24.5, 14.5)]
ICON_CHECK_WIDTH = 2.6
ICON_COLOURS = {'border': (0, 0, 0), 'paper': (255, 255, 255),
                'rule': (128, 128, 128), 'check': (255, 128, 0)}
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
ICON_NAME = 'fr.tarvel.questionnaire'


def segment_distance(px, py, a, b):
    (ax, ay), (bx, by) = a, b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def icon_colour(x, y):
    """The colour at a point of the 32-unit square, None outside the sheet."""
    left, top, w, h = ICON_SHEET
    if not (left <= x < left + w and top <= y < top + h):
        return None
    if min(x - left, left + w - x, y - top, top + h - y) < ICON_BORDER:
        return ICON_COLOURS['border']
    if any(segment_distance(x, y, a, b) <= ICON_CHECK_WIDTH / 2
           for a, b in zip(ICON_CHECK, ICON_CHECK[1:])):
        return ICON_COLOURS['check']
    if any(rx <= x < rx + rw and ry <= y < ry + rh for rx, ry, rw, rh in ICON_RULES):
        return ICON_COLOURS['rule']
    return ICON_COLOURS['paper']


def write_png(path, size, samples=4):
    """Renders the icon at size x size pixels, each pixel the mean of
    samples x samples points, as an RGBA PNG."""
    rows = []
    step = 32.0 / size / samples
    for j in range(size):
        row = bytearray([0])
        for i in range(size):
            r = g = b = a = 0
            for sj in range(samples):
                for si in range(samples):
                    c = icon_colour((i * samples + si + 0.5) * step,
                                    (j * samples + sj + 0.5) * step)
                    if c:
                        r, g, b, a = r + c[0], g + c[1], b + c[2], a + 1
            row += bytes((r // a, g // a, b // a, 255 * a // samples ** 2) if a else (0, 0, 0, 0))
        rows.append(bytes(row))

    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data +
                struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff))
    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' +
                chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)) +
                chunk(b'IDAT', zlib.compress(b''.join(rows), 9)) + chunk(b'IEND', b''))


def write_svg(path):
    def rgb(name):
        return '#%02X%02X%02X' % ICON_COLOURS[name]
    left, top, w, h = ICON_SHEET
    half = ICON_BORDER / 2
    parts = ['<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">',
             '  <rect x="%g" y="%g" width="%g" height="%g" fill="%s" stroke="%s" stroke-width="%g"/>'
             % (left + half, top + half, w - ICON_BORDER, h - ICON_BORDER, rgb('paper'),
                rgb('border'), ICON_BORDER)]
    parts += ['  <rect x="%g" y="%g" width="%g" height="%g" fill="%s"/>' % (x, y, rw, rh, rgb('rule'))
              for x, y, rw, rh in ICON_RULES]
    parts.append('  <polyline points="%s" fill="none" stroke="%s" stroke-width="%g" '
                 'stroke-linecap="round" stroke-linejoin="round"/>'
                 % (' '.join('%g,%g' % p for p in ICON_CHECK), rgb('check'), ICON_CHECK_WIDTH))
    parts.append('</svg>')
    with open(path, 'w') as f:
        f.write('\n'.join(parts) + '\n')


def write_icons():
    folder = os.path.join(HERE, 'desktop', 'icons')
    os.makedirs(folder, exist_ok=True)
    write_svg(os.path.join(folder, ICON_NAME + '.svg'))
    for size in ICON_SIZES:
        write_png(os.path.join(folder, '%d.png' % size), size)


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

if __name__ == '__main__':
    write_xpm('close', canvas(close_sign), PALETTE)
    write_xpm('sheet', canvas(sheet_icon), PALETTE)
    write_xpm('hand', HAND, PALETTE)
    write_xpm('cancel', canvas(cancel_sign), PALETTE)
    write_xpm('computers', canvas(linked_computers), PALETTE)
    write_xpm('telephone', canvas(telephone), PALETTE)
    write_icons()
