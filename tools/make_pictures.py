#!/usr/bin/python3
"""Draws the window's pictures (tool bar buttons, arrow, help book, logo) with Cairo into
app/resources/; the program's own icon is made with the program (tools/make_program_icon.sh).
Run it again after a change; the PNGs are kept in the repository so that the build needs no
Python.

    /usr/bin/python3 tools/make_pictures.py [OUTPUT_DIR]
"""
import math
import os
import sys

import cairo

GREEN_LIGHT = (0.55, 0.85, 0.35)
GREEN = (0.22, 0.62, 0.18)
GREEN_DARK = (0.08, 0.33, 0.08)


def rounded_rect(cr, x, y, w, h, r):
    cr.new_sub_path()
    cr.arc(x + w - r, y + r, r, -math.pi / 2, 0)
    cr.arc(x + w - r, y + h - r, r, 0, math.pi / 2)
    cr.arc(x + r, y + h - r, r, math.pi / 2, math.pi)
    cr.arc(x + r, y + r, r, math.pi, 3 * math.pi / 2)
    cr.close_path()


def vertical_gradient(y0, y1, top, bottom):
    g = cairo.LinearGradient(0, y0, 0, y1)
    g.add_color_stop_rgb(0, *top)
    g.add_color_stop_rgb(1, *bottom)
    return g


def soft_shadow(cr, draw_shape, offset=6, alpha=0.25, steps=5):
    """A blurred-looking shadow from a few widening strokes of the shape."""
    cr.save()
    cr.translate(offset * 0.6, offset)
    for i in range(steps, 0, -1):
        draw_shape(cr)
        cr.set_source_rgba(0, 0, 0, alpha / steps)
        cr.set_line_width(i * 3)
        cr.stroke_preserve()
        cr.fill()
    cr.restore()


def photo(cr, x, y, w, h, angle, scene):
    """A white-bordered photograph centred on (x, y), turned by angle (degrees)."""
    cr.save()
    cr.translate(x, y)
    cr.rotate(math.radians(angle))
    shape = lambda c: c.rectangle(-w / 2, -h / 2, w, h)
    soft_shadow(cr, shape, offset=5, alpha=0.35)
    shape(cr)
    cr.set_source_rgb(0.99, 0.99, 0.97)
    cr.fill_preserve()
    cr.set_source_rgb(0.55, 0.55, 0.55)
    cr.set_line_width(1.5)
    cr.stroke()
    b = w * 0.07
    ix, iy, iw, ih = -w / 2 + b, -h / 2 + b, w - 2 * b, h - 2 * b - b * 0.6
    cr.rectangle(ix, iy, iw, ih)
    cr.clip()
    scene(cr, ix, iy, iw, ih)
    cr.restore()


def landscape(cr, x, y, w, h, sky=(0.35, 0.62, 0.95), hill=(0.30, 0.68, 0.25)):
    cr.set_source(vertical_gradient(y, y + h, sky, (0.85, 0.93, 1.0)))
    cr.paint()
    cr.arc(x + w * 0.75, y + h * 0.28, h * 0.14, 0, 2 * math.pi)
    cr.set_source_rgb(1.0, 0.85, 0.2)
    cr.fill()
    cr.move_to(x, y + h * 0.75)
    cr.curve_to(x + w * 0.3, y + h * 0.35, x + w * 0.55, y + h * 0.55, x + w, y + h * 0.6)
    cr.line_to(x + w, y + h)
    cr.line_to(x, y + h)
    cr.close_path()
    cr.set_source_rgb(*hill)
    cr.fill()
    cr.move_to(x, y + h * 0.9)
    cr.curve_to(x + w * 0.4, y + h * 0.7, x + w * 0.7, y + h * 0.85, x + w, y + h * 0.8)
    cr.line_to(x + w, y + h)
    cr.line_to(x, y + h)
    cr.close_path()
    cr.set_source_rgb(hill[0] * 0.7, hill[1] * 0.8, hill[2] * 0.7)
    cr.fill()


def sunset(cr, x, y, w, h):
    landscape(cr, x, y, w, h, sky=(0.95, 0.55, 0.25), hill=(0.45, 0.35, 0.55))


def photo_stack(cr, cx, cy, scale):
    photo(cr, cx - 14 * scale, cy + 4 * scale, 150 * scale, 115 * scale, -14, sunset)
    photo(cr, cx + 12 * scale, cy - 2 * scale, 150 * scale, 115 * scale, 9, landscape)
    photo(cr, cx, cy + 10 * scale, 160 * scale, 122 * scale, -2, landscape)


def draw_load(cr):
    photo_stack(cr, 124, 122, 1.18)


def draw_save(cr):
    x, y, s = 34, 30, 188
    cut = 26

    def body(c):
        c.move_to(x + 10, y)
        c.line_to(x + s - cut, y)
        c.line_to(x + s, y + cut)
        c.line_to(x + s, y + s - 10)
        c.arc(x + s - 10, y + s - 10, 10, 0, math.pi / 2)
        c.line_to(x + 10, y + s)
        c.arc(x + 10, y + s - 10, 10, math.pi / 2, math.pi)
        c.line_to(x, y + 10)
        c.arc(x + 10, y + 10, 10, math.pi, 3 * math.pi / 2)
        c.close_path()

    soft_shadow(cr, body, offset=7, alpha=0.4)
    body(cr)
    cr.set_source(vertical_gradient(y, y + s, (0.25, 0.38, 0.62), (0.10, 0.16, 0.32)))
    cr.fill_preserve()
    cr.set_source_rgb(0.05, 0.08, 0.18)
    cr.set_line_width(3)
    cr.stroke()
    # Metal shutter with its window.
    rounded_rect(cr, x + 44, y, 100, 64, 4)
    cr.set_source(vertical_gradient(y, y + 64, (0.92, 0.92, 0.94), (0.62, 0.64, 0.68)))
    cr.fill_preserve()
    cr.set_source_rgb(0.35, 0.36, 0.40)
    cr.set_line_width(2)
    cr.stroke()
    cr.rectangle(x + 108, y + 10, 22, 44)
    cr.set_source_rgb(0.10, 0.14, 0.26)
    cr.fill()
    # Paper label with lines.
    rounded_rect(cr, x + 24, y + 92, s - 48, s - 92, 6)
    cr.set_source(vertical_gradient(y + 92, y + s, (1, 1, 1), (0.88, 0.88, 0.86)))
    cr.fill()
    cr.set_source_rgb(0.55, 0.62, 0.80)
    cr.set_line_width(3)
    for i in range(4):
        ly = y + 118 + i * 20
        cr.move_to(x + 38, ly)
        cr.line_to(x + s - 38, ly)
        cr.stroke()
    cr.rectangle(x + 24, y + 92, s - 48, 12)
    cr.set_source_rgb(0.85, 0.25, 0.25)
    cr.fill()


def draw_about(cr):
    # Walls.
    def walls(c):
        c.rectangle(56, 118, 144, 108)

    def roof(c):
        c.move_to(28, 128)
        c.line_to(128, 34)
        c.line_to(228, 128)
        c.close_path()

    soft_shadow(cr, lambda c: (walls(c), roof(c)), offset=7, alpha=0.35)
    # Chimney behind the roof.
    cr.rectangle(168, 52, 24, 50)
    cr.set_source_rgb(0.55, 0.25, 0.18)
    cr.fill_preserve()
    cr.set_source_rgb(0.3, 0.12, 0.08)
    cr.set_line_width(3)
    cr.stroke()
    walls(cr)
    cr.set_source(vertical_gradient(118, 226, (0.99, 0.93, 0.78), (0.88, 0.78, 0.58)))
    cr.fill_preserve()
    cr.set_source_rgb(0.45, 0.35, 0.2)
    cr.set_line_width(3)
    cr.stroke()
    roof(cr)
    cr.set_source(vertical_gradient(34, 128, (0.92, 0.30, 0.22), (0.65, 0.12, 0.10)))
    cr.fill_preserve()
    cr.set_source_rgb(0.38, 0.06, 0.04)
    cr.set_line_width(4)
    cr.set_line_join(cairo.LINE_JOIN_ROUND)
    cr.stroke()
    # Door and window.
    rounded_rect(cr, 80, 152, 40, 74, 4)
    cr.set_source(vertical_gradient(152, 226, (0.55, 0.33, 0.16), (0.38, 0.2, 0.08)))
    cr.fill()
    cr.arc(111, 192, 3.5, 0, 2 * math.pi)
    cr.set_source_rgb(0.95, 0.8, 0.3)
    cr.fill()
    cr.rectangle(140, 146, 40, 38)
    cr.set_source(vertical_gradient(146, 184, (0.55, 0.8, 1.0), (0.3, 0.55, 0.9)))
    cr.fill_preserve()
    cr.set_source_rgb(1, 1, 1)
    cr.set_line_width(4)
    cr.stroke()
    cr.move_to(160, 146)
    cr.line_to(160, 184)
    cr.move_to(140, 165)
    cr.line_to(180, 165)
    cr.set_line_width(3)
    cr.stroke()


def draw_book(cr, w, h):
    """A small green book, drawn in a 38 x 37 box."""
    cr.scale(w / 38.0, h / 37.0)
    # Pages seen from the side.
    cr.move_to(9, 31)
    cr.line_to(33, 31)
    cr.line_to(33, 35)
    cr.line_to(9, 35)
    cr.close_path()
    cr.set_source_rgb(0.97, 0.97, 0.92)
    cr.fill_preserve()
    cr.set_source_rgb(0.45, 0.45, 0.40)
    cr.set_line_width(0.8)
    cr.stroke()
    # Cover.
    rounded_rect(cr, 6, 2, 28, 30, 2.5)
    cr.set_source(vertical_gradient(2, 32, (0.45, 0.80, 0.30), (0.15, 0.52, 0.12)))
    cr.fill_preserve()
    cr.set_source_rgb(*GREEN_DARK)
    cr.set_line_width(1.2)
    cr.stroke()
    # Spine.
    cr.rectangle(6, 2, 6, 33)
    cr.set_source_rgb(0.10, 0.42, 0.10)
    cr.fill()
    # Title plate.
    cr.rectangle(16, 8, 14, 6)
    cr.set_source_rgb(0.95, 0.98, 0.88)
    cr.fill()
    cr.set_source_rgb(0.25, 0.5, 0.2)
    cr.set_line_width(1)
    cr.move_to(18, 11)
    cr.line_to(28, 11)
    cr.stroke()


def draw_help(cr):
    draw_book(cr, 38, 37)


def draw_arrow(cr):
    def shape(c):
        c.move_to(24, 100)
        c.line_to(140, 100)
        c.line_to(140, 52)
        c.line_to(236, 128)
        c.line_to(140, 204)
        c.line_to(140, 156)
        c.line_to(24, 156)
        c.close_path()

    soft_shadow(cr, shape, offset=6, alpha=0.3)
    shape(cr)
    cr.set_source(vertical_gradient(52, 204, GREEN_LIGHT, GREEN_DARK))
    cr.fill_preserve()
    cr.set_line_join(cairo.LINE_JOIN_ROUND)
    cr.set_source_rgb(0.05, 0.28, 0.05)
    cr.set_line_width(5)
    cr.stroke()
    # A light stripe along the top for depth.
    cr.move_to(34, 108)
    cr.line_to(148, 108)
    cr.line_to(148, 70)
    cr.set_source_rgba(1, 1, 1, 0.45)
    cr.set_line_width(4)
    cr.stroke()


def trefoil(t, r):
    x = math.sin(t) + 2 * math.sin(2 * t)
    y = math.cos(t) - 2 * math.cos(2 * t)
    return x * r, y * r, -math.sin(3 * t)


def draw_knot(cr, cx, cy, r, width):
    n = 720
    ts = [2 * math.pi * i / n for i in range(n + 1)]
    pts = [trefoil(t, r) for t in ts]

    def tube(i0, i1, colour, w, cap=cairo.LINE_CAP_BUTT):
        cr.new_path()
        for k in range(i0, i1 + 1):
            x, y, _ = pts[k % n]
            (cr.move_to if k == i0 else cr.line_to)(cx + x, cy + y)
        cr.set_line_cap(cap)
        cr.set_line_join(cairo.LINE_JOIN_ROUND)
        cr.set_source(colour) if isinstance(colour, cairo.Pattern) else cr.set_source_rgb(*colour)
        cr.set_line_width(w)
        cr.stroke()

    def body(i0, i1, extra=0):
        tube(i0, i1, (0.04, 0.22, 0.04), width + 6)
        tube(i0 - extra, i1 + extra, GREEN, width)
        tube(i0 - extra, i1 + extra, GREEN_LIGHT, width * 0.35)

    body(0, n)
    # Over-crossings: where two far-apart parts of the curve meet, redraw the higher one.
    overs = []
    for i in range(0, n, 2):
        for j in range(i + n // 8, n - n // 8 + i, 2):
            jj = j % n
            dx = pts[i][0] - pts[jj][0]
            dy = pts[i][1] - pts[jj][1]
            if dx * dx + dy * dy < (r * 0.12) ** 2:
                overs.append(i if pts[i][2] > pts[jj][2] else jj)
    done = []
    span = n // 24
    for i in sorted(set(overs)):
        if any(min(abs(i - d), n - abs(i - d)) < span for d in done):
            continue
        done.append(i)
        body(i - span, i + span, extra=6)


def draw_logo(cr):
    photo_stack(cr, 128, 150, 0.95)
    draw_knot(cr, 128, 112, 27, 20)


def save(draw, path, w=256, h=256):
    surface = cairo.ImageSurface(cairo.FORMAT_ARGB32, w, h)
    cr = cairo.Context(surface)
    draw(cr)
    surface.write_to_png(path)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "app", "resources")
    os.makedirs(out, exist_ok=True)
    pictures = {
        "load.png": draw_load,
        "save.png": draw_save,
        "about.png": draw_about,
        "arrow.png": draw_arrow,
        "logo.png": draw_logo,
    }
    for name, draw in pictures.items():
        save(draw, os.path.join(out, name))
    save(draw_help, os.path.join(out, "help.png"), 38, 37)


if __name__ == "__main__":
    main()
