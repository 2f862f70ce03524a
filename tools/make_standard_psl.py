#!/usr/bin/env python3
"""Writes resources/STANDARD_PSL.psl, the built-in shape library "standard".

The text is Windows-1252 (plain ASCII here) with CR LF line ends. Every shape but "Circle" is
written out by hand; the circle's 60 points are computed and rounded to two decimals.
Run from the repository root: tools/make_standard_psl.py
"""

import math
import os

NO_KEYS = []

# (name, key lines, rings); a coordinate is a number text or an expression text.
SHAPES = [
    ("Triangulo", NO_KEYS, [[("-1.00", "1.00"), ("0.00", "-1.00"), ("1.00", "1.00")]]),
    ("Retangulo", NO_KEYS,
     [[("1.00", "-1.00"), ("-1.00", "-1.00"), ("-1.00", "1.00"), ("1.00", "1.00")]]),
    ("Losangle", NO_KEYS, [[("0.0", "1.0"), ("1.0", "0.0"), ("0.0", "-1.0"), ("-1.0", "0.0")]]),
    ("Pentagono", NO_KEYS,
     [[("0.00", "-1.00"), ("-0.95", "-0.31"), ("-0.59", "0.81"), ("0.59", "0.81"),
       ("0.95", "-0.31")]]),
    ("hexagono", NO_KEYS,
     [[("1.00", "0.00"), ("0.50", "-0.87"), ("-0.50", "-0.87"), ("-1.00", "0.00"),
       ("-0.50", "0.87"), ("0.50", "0.87")]]),
    ("octagono", NO_KEYS,
     [[("0.92", "-0.38"), ("0.38", "-0.92"), ("-0.38", "-0.92"), ("-0.92", "-0.38"),
       ("-0.92", "0.38"), ("-0.38", "0.92"), ("0.38", "0.92"), ("0.92", "0.38")]]),
    ("Circle", NO_KEYS, None),  # computed below
    ("Arrow", ["Key:0.2:0.3:-0.9:0.1:0.9:0.9:rmRect:"],
     [[("-1.0", "KeyY(0)"), ("KeyX(0)", "KeyY(0)"), ("KeyX(0)", "1.0"), ("1.0", "0.0"),
       ("KeyX(0)", "-1.0"), ("KeyX(0)", "-KeyY(0)"), ("-1.0", "-KeyY(0)")]]),
    ("Arrow H1K", ["Key:0.2:0.3:0.1:0.1:0.9:0.9:rmRect:"],
     [[("-1.0", "0.0"), ("-KeyX(0)", "1.0"), ("-KeyX(0)", "KeyY(0)"), ("KeyX(0)", "KeyY(0)"),
       ("KeyX(0)", "1.0"), ("1.0", "0.0"), ("KeyX(0)", "-1.0"), ("KeyX(0)", "-KeyY(0)"),
       ("-KeyX(0)", "-KeyY(0)"), ("-KeyX(0)", "-1.0")]]),
    ("Moldura", ["Key:0.8:0.8:0.1:0.1:0.9:0.9:rmRect:"],
     [[("1.0", "1.0"), ("1.0", "-1.0"), ("-1.0", "-1.0"), ("-1.0", "1.0")],
      [("KeyX(0)", "KeyY(0)"), ("KeyX(0)", "-KeyY(0)"), ("-KeyX(0)", "-KeyY(0)"),
       ("-KeyX(0)", "KeyY(0)")]]),
    ("Star 4", ["Key:0.25:0.25:0.1:0.1:0.9:0.9:rmLine:"],
     [[("0.0", "1.0"), ("KeyX(0)", "KeyY(0)"), ("1.0", "0.0"), ("KeyX(0)", "-KeyY(0)"),
       ("0.0", "-1.0"), ("-KeyX(0)", "-KeyY(0)"), ("-1.0", "0.0"), ("-KeyX(0)", "KeyY(0)")]]),
    ("Arrow H", ["Key:0.2:0.3:0.1:0.1:0.9:0.9:rmRect:", "Key:-0.2:0.3:-0.9:0.1:-0.1:0.9:rmRect:"],
     [[("-1.0", "0.0"), ("KeyX(1)", "1.0"), ("KeyX(1)", "KeyY(1)"), ("KeyX(0)", "KeyY(0)"),
       ("KeyX(0)", "1.0"), ("1.0", "0.0"), ("KeyX(0)", "-1.0"), ("KeyX(0)", "-KeyY(0)"),
       ("KeyX(1)", "-KeyY(1)"), ("KeyX(1)", "-1.0")]]),
]


def circle():
    points = []
    for k in range(60):
        t = math.radians(-(k + 0.5) * 6)
        points.append(("%.2f" % math.cos(t), "%.2f" % math.sin(t)))
    return [points]


def coord(text):
    mode = "cmExpr" if "Key" in text else "cmValue"
    return "%s:%s" % (mode, text)


def library_lines():
    lines = ["lib:standard:"]
    for name, keys, rings in SHAPES:
        lines.append("Shape:%s:" % name)
        lines.append("KeyPoints:")
        lines.extend(keys)
        lines.append("/KeyPoints:")
        for ring in rings if rings is not None else circle():
            lines.append("Polygon:")
            lines.extend("Point:%s:%s:" % (coord(x), coord(y)) for x, y in ring)
            lines.append("/Polygon:")
    return lines


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    path = os.path.join(root, "resources", "STANDARD_PSL.psl")
    with open(path, "wb") as f:
        f.write("".join(line + "\r\n" for line in library_lines()).encode("cp1252"))


if __name__ == "__main__":
    main()
