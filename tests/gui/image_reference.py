#!/usr/bin/env python3
"""Checks a picture the editor saved against a plain reference computed from the original.

    image_reference.py ORIGINAL.bmp RESULT.bmp OPERATION [ARGUMENTS]

Operations: same, fliph, flipv, cw, ccw, r180, nearest W H, smooth W H (within 1 per
channel of bilinear sampling through pixel centres), canvas W H ANCHOR RRGGBB (anchor 0..8,
row-major from top-left), crop L T R B (inclusive), within W H (the result is W x H and lies
somewhere in the original, pixel for pixel). Exits 1 on the first difference.

    image_reference.py locate PICTURE.bmp SCREEN.bmp

prints the screen position "X Y" of the picture's top-left pixel (shown at zoom 1).
"""
import struct
import sys


def read_bmp(path):
    data = open(path, "rb").read()
    if data[:2] != b"BM":
        sys.exit(f"{path}: not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    bits = struct.unpack_from("<H", data, 28)[0]
    if bits != 24:
        sys.exit(f"{path}: {bits} bits per pixel, not 24")
    stride = (width * 3 + 3) // 4 * 4
    rows = []
    for r in range(abs(height)):
        start = offset + r * stride
        rows.append(data[start:start + width * 3])
    if height > 0:
        rows.reverse()
    return width, abs(height), rows


def pixel(img, x, y):
    w, h, rows = img
    return tuple(rows[y][x * 3:x * 3 + 3])


def expect(result, w, h, source_of, tolerance=0):
    rw, rh, _ = result
    if (rw, rh) != (w, h):
        sys.exit(f"MISMATCH: size {rw} x {rh}, expected {w} x {h}")
    for y in range(h):
        for x in range(w):
            want = source_of(x, y)
            got = pixel(result, x, y)
            if any(abs(a - b) > tolerance for a, b in zip(got, want)):
                sys.exit(f"MISMATCH at {x},{y}: {got} expected {want}")


def bilinear(img, sx, sy):
    w, h, _ = img
    sx = min(max(sx, 0.0), w - 1.0)
    sy = min(max(sy, 0.0), h - 1.0)
    x0, y0 = int(sx), int(sy)
    x1, y1 = min(x0 + 1, w - 1), min(y0 + 1, h - 1)
    fx, fy = sx - x0, sy - y0
    p00, p10 = pixel(img, x0, y0), pixel(img, x1, y0)
    p01, p11 = pixel(img, x0, y1), pixel(img, x1, y1)
    return tuple((p00[k] * (1 - fx) + p10[k] * fx) * (1 - fy) +
                 (p01[k] * (1 - fx) + p11[k] * fx) * fy for k in range(3))


def locate(picture, screen):
    _, _, prows = picture
    sw, sh, srows = screen
    key = prows[0][:8 * 3]
    for y in range(sh - len(prows) + 1):
        start = srows[y].find(key)
        while start >= 0:
            if start % 3 == 0 and all(srows[y + k][start:start + 24] == prows[k][:24]
                                      for k in range(8)):
                print(start // 3, y)
                return
            start = srows[y].find(key, start + 1)
    sys.exit("the picture is not on the screen")


def main():
    if sys.argv[1] == "locate":
        locate(read_bmp(sys.argv[2]), read_bmp(sys.argv[3]))
        return
    original = read_bmp(sys.argv[1])
    result = read_bmp(sys.argv[2])
    op, args = sys.argv[3], sys.argv[4:]
    w, h, _ = original
    if op == "same":
        expect(result, w, h, lambda x, y: pixel(original, x, y))
    elif op == "fliph":
        expect(result, w, h, lambda x, y: pixel(original, w - 1 - x, y))
    elif op == "flipv":
        expect(result, w, h, lambda x, y: pixel(original, x, h - 1 - y))
    elif op == "cw":
        expect(result, h, w, lambda x, y: pixel(original, y, h - 1 - x))
    elif op == "ccw":
        expect(result, h, w, lambda x, y: pixel(original, w - 1 - y, x))
    elif op == "r180":
        expect(result, w, h, lambda x, y: pixel(original, w - 1 - x, h - 1 - y))
    elif op == "nearest":
        nw, nh = int(args[0]), int(args[1])
        expect(result, nw, nh, lambda x, y: pixel(
            original, (2 * x + 1) * w // (2 * nw), (2 * y + 1) * h // (2 * nh)))
    elif op == "smooth":
        nw, nh = int(args[0]), int(args[1])
        expect(result, nw, nh, lambda x, y: bilinear(
            original, (x + 0.5) * w / nw - 0.5, (y + 0.5) * h / nh - 0.5), tolerance=1)
    elif op == "canvas":
        nw, nh, anchor = int(args[0]), int(args[1]), int(args[2])
        rgb = int(args[3], 16)
        paper = (rgb & 0xFF, (rgb >> 8) & 0xFF, rgb >> 16)  # bytes blue, green, red
        def offset(old, new, a):
            d = new - old
            return 0 if a == 0 else d if a == 2 else int(d / 2)
        ox, oy = offset(w, nw, anchor % 3), offset(h, nh, anchor // 3)
        def source(x, y):
            sx, sy = x - ox, y - oy
            return pixel(original, sx, sy) if 0 <= sx < w and 0 <= sy < h else paper
        expect(result, nw, nh, source)
    elif op == "crop":
        l, t, r, b = map(int, args)
        expect(result, r - l + 1, b - t + 1, lambda x, y: pixel(original, x + l, y + t))
    elif op == "within":
        nw, nh = int(args[0]), int(args[1])
        rw, rh, rrows = result
        if (rw, rh) != (nw, nh):
            sys.exit(f"MISMATCH: size {rw} x {rh}, expected {nw} x {nh}")
        _, _, orows = original
        for oy in range(h - nh + 1):
            for ox in range(w - nw + 1):
                if all(orows[oy + y][ox * 3:(ox + nw) * 3] == rrows[y] for y in range(nh)):
                    print(f"ok within at {ox},{oy}")
                    return
        sys.exit("MISMATCH: the result is no part of the original")
    else:
        sys.exit(f"unknown operation {op}")
    print(f"ok {op} {' '.join(args)}")


if __name__ == "__main__":
    main()
