#!/usr/bin/env python3
"""Draws the program's stock artwork and writes it as 8-bit RGB/RGBA PNG files.

Usage: make_artwork.py OUTPUT_DIR

Everything is computed from geometry (no fonts, no randomness beyond a fixed
linear congruential sequence), so every machine produces the same pixels and
screenshot references stay valid.
"""
import math
import os
import struct
import sys
import zlib

from png_encoding import SIGNATURE, chunk, filter_row


class Image:
    def __init__(self, width, height, alpha, fill=(0, 0, 0, 0)):
        self.width, self.height, self.alpha = width, height, alpha
        self.px = [list(fill) for _ in range(width * height)]

    def blend(self, x, y, colour, coverage):
        """Paints colour (r, g, b, a) over the pixel with the given coverage."""
        if coverage <= 0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        p = self.px[y * self.width + x]
        a = (colour[3] / 255.0) * min(coverage, 1.0)
        da = p[3] / 255.0
        out_a = a + da * (1 - a)
        if out_a <= 0:
            return
        for i in range(3):
            p[i] = (colour[i] * a + p[i] * da * (1 - a)) / out_a
        p[3] = out_a * 255.0

    def paste(self, other, ox, oy):
        for y in range(other.height):
            for x in range(other.width):
                q = other.px[y * other.width + x]
                self.blend(ox + x, oy + y, (q[0], q[1], q[2], q[3]), 1.0)

    def rows(self):
        bpp = 4 if self.alpha else 3
        for y in range(self.height):
            row = bytearray()
            for x in range(self.width):
                p = self.px[y * self.width + x]
                row.extend(max(0, min(255, int(round(v)))) for v in p[:bpp])
            yield row


def write_png(path, image):
    """Chooses each row's filter by the smallest sum of signed residuals, as
    common encoders do, so the artwork uses all five filters."""
    bpp = 4 if image.alpha else 3
    raw = bytearray()
    prev = None
    for row in image.rows():
        best = None
        for kind in range(5):
            f = filter_row(kind, row, prev, bpp)
            score = sum(v if v < 128 else 256 - v for v in f)
            if best is None or score < best[0]:
                best = (score, kind, f)
        raw.append(best[1])
        raw.extend(best[2])
        prev = row

    header = struct.pack(">IIBBBBB", image.width, image.height, 8, 6 if image.alpha else 2, 0, 0, 0)
    data = SIGNATURE + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b"")
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def mix(c0, c1, t):
    return tuple(c0[i] + (c1[i] - c0[i]) * t for i in range(len(c0)))


def disc(image, cx, cy, r, colour_at):
    """Anti-aliased disc; colour_at(dx, dy) gives the colour at an offset."""
    for y in range(int(cy - r - 1), int(cy + r + 2)):
        for x in range(int(cx - r - 1), int(cx + r + 2)):
            dx, dy = x + 0.5 - cx, y + 0.5 - cy
            cov = clamp(r - math.hypot(dx, dy) + 0.5)
            if cov > 0:
                image.blend(x, y, colour_at(dx, dy), cov)


def segment(image, x0, y0, x1, y1, width, colour):
    lx, ly = x1 - x0, y1 - y0
    length2 = lx * lx + ly * ly
    for y in range(int(min(y0, y1) - width - 1), int(max(y0, y1) + width + 2)):
        for x in range(int(min(x0, x1) - width - 1), int(max(x0, x1) + width + 2)):
            px, py = x + 0.5 - x0, y + 0.5 - y0
            t = clamp((px * lx + py * ly) / length2) if length2 else 0.0
            d = math.hypot(px - t * lx, py - t * ly)
            image.blend(x, y, colour, clamp(width / 2 - d + 0.5))


def rounded_rect(image, x0, y0, x1, y1, radius, colour_at):
    for y in range(int(y0), int(math.ceil(y1))):
        for x in range(int(x0), int(math.ceil(x1))):
            cx = clamp(x + 0.5, x0 + radius, x1 - radius)
            cy = clamp(y + 0.5, y0 + radius, y1 - radius)
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            cov = clamp(radius - d + 0.5) if radius > 0 else 1.0
            image.blend(x, y, colour_at(x - x0, y - y0), cov)


class Noise:
    """A fixed linear congruential sequence: the same grain everywhere."""

    def __init__(self, seed):
        self.state = seed

    def next(self):
        self.state = (self.state * 1103515245 + 12345) & 0x7FFFFFFF
        return self.state / 0x7FFFFFFF


def knob_strip(size, frames):
    strip = Image(size, size * frames, True)
    r = size * 0.42
    c = size / 2.0
    for k in range(frames):
        frame = Image(size, size, True)
        # shadow, body with light from the upper left, rim
        disc(frame, c + 0.8, c + 1.2, r + 0.6, lambda dx, dy: (0, 0, 0, 110))
        disc(frame, c, c, r, lambda dx, dy: mix((120, 120, 124, 255), (36, 36, 40, 255), clamp((dx + dy) / (2.4 * r) + 0.5)))
        disc(frame, c, c, r * 0.72, lambda dx, dy: mix((84, 84, 90, 255), (52, 52, 58, 255), clamp((dx + dy) / (2 * r) + 0.5)))
        angle = math.radians(-135 + 270 * k / (frames - 1))
        sx, sy = math.sin(angle), -math.cos(angle)
        segment(frame, c + sx * r * 0.25, c + sy * r * 0.25, c + sx * r * 0.9, c + sy * r * 0.9, max(1.6, size / 14), (255, 187, 0, 255))
        strip.paste(frame, 0, k * size)
    return strip


def slider_thumb(width, height):
    img = Image(width, height, True)
    rounded_rect(img, 0.5, 0.5, width - 0.5, height - 0.5, 2.0,
                 lambda x, y: mix((210, 210, 214, 255), (110, 110, 116, 255), y / max(1, height - 1)))
    segment(img, 2.5, height / 2, width - 2.5, height / 2, 1.2, (204, 150, 0, 255))
    return img


def slider_track(width, height):
    img = Image(width, height, True)
    mid = width / 2
    rounded_rect(img, mid - 2, 3, mid + 2, height - 3, 2.0, lambda x, y: (16, 16, 18, 230))
    for i in range(11):
        y = 5 + (height - 10) * i / 10.0
        segment(img, 1, y, mid - 4, y, 1.0, (150, 150, 150, 200))
        segment(img, mid + 4, y, width - 1, y, 1.0, (150, 150, 150, 200))
    return img


def button_face(width, height, state):
    img = Image(width, height, True)
    top, bottom = [((96, 96, 100), (58, 58, 62)), ((124, 124, 130), (72, 72, 78)), ((40, 40, 44), (72, 72, 78))][state]
    rounded_rect(img, 0.5, 0.5, width - 0.5, height - 0.5, 3.0,
                 lambda x, y: mix(top + (255,), bottom + (255,), y / max(1, height - 1)))
    lamp = (255, 187, 0, 255) if state == 2 else (92, 70, 20, 255)
    disc(img, width / 2.0, height / 2.0, min(width, height) * 0.18, lambda dx, dy: lamp)
    return img


def meter_cells():
    """Six cells of 6 x 16: low, middle, top segment colours, unlit then lit."""
    cells = Image(36, 16, False, (0, 0, 0, 255))
    colours = [(0, 240, 0), (240, 240, 0), (240, 0, 0)]
    for lit in range(2):
        for i, colour in enumerate(colours):
            base = colour if lit else tuple(v // 8 + 63 for v in colour)
            x0 = (lit * 3 + i) * 6
            for y in range(16):
                for x in range(x0, x0 + 6):
                    edge = x in (x0, x0 + 5) or y in (0, 15)
                    c = tuple(min(255, v + v // 4) for v in base) if edge and lit else base
                    cells.blend(x, y, c + (255,), 1.0)
    return cells


def brushed_panel(width, height, seed, tint):
    img = Image(width, height, False, (0, 0, 0, 255))
    noise = Noise(seed)
    grain = [noise.next() for _ in range(height)]
    for y in range(height):
        for x in range(width):
            shade = 0.82 + 0.18 * (1 - y / max(1, height - 1)) + 0.05 * (grain[y] - 0.5) + 0.03 * (noise.next() - 0.5)
            img.blend(x, y, tuple(clamp(v * shade / 255.0) * 255 for v in tint) + (255,), 1.0)
    for x in range(width):
        img.blend(x, 0, (255, 255, 255, 60), 1.0)
        img.blend(x, height - 1, (0, 0, 0, 90), 1.0)
    return img


def about_picture(width, height):
    img = Image(width, height, False, (0, 0, 0, 255))
    for y in range(height):
        for x in range(width):
            t = y / (height - 1)
            base = mix((22, 22, 28), (46, 40, 30), t)
            glow = math.exp(-(((x - width * 0.7) / 150.0) ** 2 + ((y - height * 0.3) / 90.0) ** 2))
            img.blend(x, y, tuple(clamp((base[i] + glow * (204, 150, 0)[i] * 0.45) / 255.0) * 255 for i in range(3)) + (255,), 1.0)
    # a stylised wave over the upper half, a frame for the text below
    pts = [(x, height * 0.28 + math.sin(x / 28.0) * 26 * math.exp(-((x - width / 2) / 180.0) ** 2)) for x in range(20, width - 20, 3)]
    for (x0, y0), (x1, y1) in zip(pts, pts[1:]):
        segment(img, x0, y0, x1, y1, 2.2, (255, 187, 0, 255))
    rounded_rect(img, 16, 206, width - 16, height - 16, 4.0, lambda x, y: (0, 0, 0, 120))
    return img


def app_icon(size):
    """The program's icon: a dark tile with the amber wave of the about box."""
    img = Image(size, size, True)
    k = size / 64.0
    rounded_rect(img, 2 * k, 2 * k, size - 2 * k, size - 2 * k, 10 * k,
                 lambda x, y: tuple(mix((46, 40, 30), (22, 22, 28), y / size)) + (255,))
    pts = [(x, size * 0.5 + math.sin((x - size / 2) / (6.0 * k)) * 14 * k * math.exp(-((x - size / 2) / (18.0 * k)) ** 2))
           for x in [8 * k + i * 0.5 for i in range(int(96 * k) + 1)]]
    for (x0, y0), (x1, y1) in zip(pts, pts[1:]):
        segment(img, x0, y0, x1, y1, 3.2 * k, (255, 187, 0, 255))
    return img


def editor_panel(width, height, frames, seed):
    """A machine editor's face: graphite with a fine grain, an amber rule
    along the top and darker inset frames for the control groups."""
    img = brushed_panel(width, height, seed, (74, 76, 82))
    for x in range(width):
        for y in range(3):
            img.blend(x, y, (204, 150, 0, 255), 0.9 - 0.25 * y)
    for (x0, y0, x1, y1) in frames:
        rounded_rect(img, x0, y0, x1, y1, 4.0, lambda x, y: (18, 18, 22, 120))
        rounded_rect(img, x0 + 1, y0 + 1, x1 - 1, y1 - 1, 3.0, lambda x, y: (40, 41, 46, 200))
    return img


# Group frames of the DudeRivi editor: left, right in slider columns of the
# editor's grid (20 px pitch from x 12), for its two rows.
DUDERIVI_ROWS = [[(0, 10), (10, 14), (14, 27), (27, 32)], [(0, 14), (14, 41)]]


def duderivi_panel():
    frames = []
    for row, groups in enumerate(DUDERIVI_ROWS):
        top = 34 + row * 128
        for gi, (a, b) in enumerate(groups):
            x0 = 8 + a * 20 + gi * 10
            frames.append((x0, top, x0 + (b - a) * 20 + 4, top + 120))
    frames.append((700, 34, 864, 154))  # the display
    return editor_panel(872, 298, frames, 23)


def transposed(image):
    """The picture mirrored across its diagonal: a vertical part made
    horizontal."""
    out = Image(image.height, image.width, image.alpha)
    for y in range(image.height):
        for x in range(image.width):
            out.px[x * out.width + y] = list(image.px[y * image.width + x])
    return out


def drumkit_panel():
    frames = [(8 + v * 64 + 2, 30, 8 + v * 64 + 62, 188) for v in range(11)]
    return editor_panel(720, 196, frames, 29)


def mixer_panel():
    frames = [(6, 26, 66, 300)] + [(70 + c * 56, 26, 70 + c * 56 + 53, 300) for c in range(10)]
    return editor_panel(632, 306, frames, 31)


ARTWORK = {
    "icon.png": lambda: app_icon(64),
    "about.png": lambda: about_picture(492, 312),
    "panel.png": lambda: brushed_panel(240, 140, 7, (150, 152, 160)),
    "toolbar.png": lambda: brushed_panel(64, 30, 11, (110, 112, 118)),
    "knob.png": lambda: knob_strip(32, 64),
    "knob_small.png": lambda: knob_strip(20, 64),
    "slider_thumb.png": lambda: slider_thumb(16, 10),
    "slider_track.png": lambda: slider_track(16, 110),
    "button_up.png": lambda: button_face(28, 18, 0),
    "button_hover.png": lambda: button_face(28, 18, 1),
    "button_down.png": lambda: button_face(28, 18, 2),
    "meter_cells.png": meter_cells,
    "shaper_panel.png": lambda: editor_panel(336, 128, [(8, 10, 218, 120), (216, 8, 328, 120)], 17),
    "duderivi_panel.png": duderivi_panel,
    "slider_track_short.png": lambda: slider_track(16, 74),
    "slider_thumb_h.png": lambda: transposed(slider_thumb(16, 10)),
    "slider_track_h.png": lambda: transposed(slider_track(16, 48)),
    "drumkit_panel.png": drumkit_panel,
    "reverb_panel.png": lambda: editor_panel(484, 222, [(8, 26, 198, 216), (202, 26, 410, 216), (414, 26, 476, 216)], 37),
    "filter_panel.png": lambda: editor_panel(360, 150, [(8, 26, 352, 144)], 41),
    "mixer_panel.png": mixer_panel,
}


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_artwork.py OUTPUT_DIR")
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, draw in ARTWORK.items():
        write_png(os.path.join(out, name), draw())


if __name__ == "__main__":
    main()
