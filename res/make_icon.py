#!/usr/bin/env python3
"""Draws the application icon: a printer whose queue is being cleared (a
sheet leaving the tray, a green tick badge) and writes it as a one-image,
64 x 64, 32-bit .ico.  Regenerate with:  python3 res/make_icon.py res/kestrafen.ico
Only the standard library is used, so the output is the same on every machine."""
import struct
import sys

SIZE = 64
SUB = 4  # supersampling per axis for smooth edges


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def thick_polyline(points, half_width):
    def dist2(px, py, ax, ay, bx, by):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
        qx, qy = ax + t * dx, ay + t * dy
        return (px - qx) ** 2 + (py - qy) ** 2
    segments = list(zip(points, points[1:]))
    return lambda x, y: any(dist2(x, y, *a, *b) <= half_width ** 2 for a, b in segments)


# Back to front: (shape, RGBA).
LAYERS = [
    (rounded_rect(16, 4, 48, 24, 2), (250, 250, 250, 255)),            # paper waiting on top
    (rounded_rect(16, 4, 48, 24, 2), None),                             # outline pass below
    (rounded_rect(4, 18, 60, 46, 6), (58, 76, 99, 255)),                # printer body
    (rounded_rect(8, 22, 56, 30, 2), (86, 108, 136, 255)),              # top highlight
    (circle(51, 26, 2.2), (120, 220, 120, 255)),                        # power light
    (rounded_rect(14, 38, 50, 42, 1), (30, 40, 54, 255)),               # output slot
    (rounded_rect(17, 40, 47, 62, 2), (255, 255, 255, 255)),            # sheet leaving
    (thick_polyline([(21, 47), (37, 47)], 1.1), (170, 180, 195, 255)),  # printed lines
    (thick_polyline([(21, 52), (33, 52)], 1.1), (170, 180, 195, 255)),
    (circle(46, 46, 15), (255, 255, 255, 255)),                         # badge ring
    (circle(46, 46, 13), (34, 160, 72, 255)),                           # green badge
    (thick_polyline([(39, 46.5), (44.5, 52), (53.5, 40.5)], 2.6), (255, 255, 255, 255)),  # tick
]


def paper_outline(x, y):
    return LAYERS[0][0](x, y) and not rounded_rect(17, 5, 47, 23, 1.5)(x, y)


def render():
    pixels = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied
            for sy in range(SUB):
                for sx in range(SUB):
                    x = px + (sx + 0.5) / SUB
                    y = py + (sy + 0.5) / SUB
                    r = g = b = a = 0.0
                    for shape, colour in LAYERS:
                        if colour is None:
                            hit, colour = paper_outline(x, y), (150, 160, 175, 255)
                        else:
                            hit = shape(x, y)
                        if hit:
                            ca = colour[3] / 255.0
                            r = colour[0] * ca + r * (1 - ca)
                            g = colour[1] * ca + g * (1 - ca)
                            b = colour[2] * ca + b * (1 - ca)
                            a = ca + a * (1 - ca)
                    acc = [acc[0] + r, acc[1] + g, acc[2] + b, acc[3] + a]
            n = SUB * SUB
            alpha = acc[3] / n
            if alpha > 0:
                colour = [round(c / n / alpha) for c in acc[:3]]
            else:
                colour = [0, 0, 0]
            row.append((*colour, round(alpha * 255)))
        pixels.append(row)
    return pixels


def ico_bytes(pixels):
    xor = bytearray()
    for row in reversed(pixels):  # DIBs are stored bottom-up
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_stride = ((SIZE + 31) // 32) * 4
    and_mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        and_mask += bits
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 32, 0,
                         len(xor) + len(and_mask), 0, 0, 0, 0)
    image = header + bytes(xor) + bytes(and_mask)
    icondir = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    return icondir + entry + image


if __name__ == '__main__':
    out = sys.argv[1] if len(sys.argv) > 1 else 'kestrafen.ico'
    with open(out, 'wb') as f:
        f.write(ico_bytes(render()))
