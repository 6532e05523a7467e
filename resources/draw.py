#!/usr/bin/env python3
"""Draws the program's small pictures as XPM text files (run once; the
results are committed and compiled into the program as resources)."""
import math, os

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
