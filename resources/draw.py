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
           'b': '#808080', 'o': '#FF8000'}

if __name__ == '__main__':
    write_xpm('close', canvas(close_sign), PALETTE)
    write_xpm('sheet', canvas(sheet_icon), PALETTE)
    write_xpm('hand', HAND, PALETTE)
