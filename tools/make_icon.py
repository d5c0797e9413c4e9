#!/usr/bin/env python3
"""Draws the application icon and writes it as an ICO file.

    python3 tools/make_icon.py OUT.ico

The drawing (a closed cardboard box with a blue arrow pointing down into it)
is made of polygons defined below and rasterised here with anti-aliasing:
exact horizontal coverage on several sub-scanlines per pixel row. The file
holds 13 images: 32-bit BGRA at 16, 20, 24, 32, 40, 48, 64 and 256 pixels (the
256 one as PNG, the others as BMP with an AND mask), 8-bit palettised at 16,
32 and 48 and 4-bit at 16 and 32 (nearest colour of a fixed palette,
transparency through the AND mask). Standard library only; the same bytes on
every run.
"""

import math
import struct
import sys
import zlib

# The drawing is laid out on a 256 x 256 grid, y downwards.
GRID = 256.0

# Box corners: the top face, then the bottom corners that are visible.
TOP_BACK = (128.0, 70.0)
TOP_RIGHT = (222.0, 104.0)
TOP_FRONT = (128.0, 138.0)
TOP_LEFT = (34.0, 104.0)
BOTTOM_RIGHT = (222.0, 196.0)
BOTTOM_FRONT = (128.0, 234.0)
BOTTOM_LEFT = (34.0, 196.0)

# The arrow, pointing down onto the middle of the top face.
ARROW = [(108.0, 10.0), (148.0, 10.0), (148.0, 62.0), (178.0, 62.0),
         (128.0, 118.0), (78.0, 62.0), (108.0, 62.0)]

COLOUR_SHADOW = (0, 0, 0, 70)
COLOUR_OUTLINE = (92, 54, 22, 255)
COLOUR_TOP = (238, 192, 122, 255)
COLOUR_LEFT = (206, 146, 72, 255)
COLOUR_RIGHT = (170, 110, 48, 255)
COLOUR_TAPE = (250, 226, 170, 255)
COLOUR_EDGE = (122, 78, 34, 255)
COLOUR_ARROW_OUTLINE = (18, 62, 140, 255)
COLOUR_ARROW = (52, 132, 230, 255)
COLOUR_ARROW_LIGHT = (128, 190, 250, 255)

ICON_32BIT_SIZES = [16, 20, 24, 32, 40, 48, 64, 256]
ICON_8BIT_SIZES = [16, 32, 48]
ICON_4BIT_SIZES = [16, 32]

# ---- geometry -----------------------------------------------------------------


def signed_area(points):
    area = 0.0
    for i, (x0, y0) in enumerate(points):
        x1, y1 = points[(i + 1) % len(points)]
        area += x0 * y1 - x1 * y0
    return area / 2.0


def oriented(points):
    """Returns the contour turning one fixed way, so overlapping contours of a
    shape add up under the non-zero rule instead of cancelling."""
    return points if signed_area(points) >= 0 else list(reversed(points))


def ellipse(cx, cy, rx, ry, steps=64):
    return [(cx + rx * math.cos(2 * math.pi * i / steps),
             cy + ry * math.sin(2 * math.pi * i / steps)) for i in range(steps)]


def stroke(points, width, closed):
    """Contours covering a polyline drawn with a round pen of the given width:
    one rectangle per segment and one disc per corner."""
    half = width / 2.0
    steps = max(8, min(32, int(half * 4)))
    contours = []
    count = len(points)
    for i in range(count if closed else count - 1):
        (x0, y0), (x1, y1) = points[i], points[(i + 1) % count]
        length = math.hypot(x1 - x0, y1 - y0)
        if length == 0:
            continue
        nx, ny = -(y1 - y0) / length * half, (x1 - x0) / length * half
        contours.append(oriented([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny),
                                  (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)]))
    for x, y in points:
        contours.append(oriented(ellipse(x, y, half, half, steps)))
    return contours


def lerp(a, b, t):
    return (a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t)


def scene(size):
    """The shapes for one icon size, back to front, in pixel coordinates:
    a list of (colour, contours). Line widths keep a minimum size in pixels
    so small icons stay readable."""
    scale = size / GRID

    def px(points):
        # Small icons put corners on whole pixels, for crisp straight edges.
        if size <= 32:
            return [(round(x * scale), round(y * scale)) for x, y in points]
        return [(x * scale, y * scale) for x, y in points]

    def pen(grid_width, min_pixels):
        return max(grid_width * scale, min_pixels)

    silhouette = [TOP_BACK, TOP_RIGHT, BOTTOM_RIGHT, BOTTOM_FRONT, BOTTOM_LEFT, TOP_LEFT]
    top = [TOP_BACK, TOP_RIGHT, TOP_FRONT, TOP_LEFT]
    left = [TOP_LEFT, TOP_FRONT, BOTTOM_FRONT, BOTTOM_LEFT]
    right = [TOP_FRONT, TOP_RIGHT, BOTTOM_RIGHT, BOTTOM_FRONT]
    # Tape over the top face's middle and down the right face.
    tape_back = lerp(TOP_BACK, TOP_LEFT, 0.5)
    tape_front = lerp(TOP_RIGHT, TOP_FRONT, 0.5)
    tape_down = lerp(BOTTOM_RIGHT, BOTTOM_FRONT, 0.5)
    tape_down = lerp(tape_front, tape_down, 0.45)
    # A highlight on the left half of the arrow shaft and head.
    arrow_light = [(112.0, 14.0), (126.0, 14.0), (126.0, 104.0), (88.0, 66.0),
                   (112.0, 66.0)]

    shapes = [
        (COLOUR_SHADOW, [oriented(ellipse(128 * scale, 236 * scale, 100 * scale, 16 * scale))]),
        (COLOUR_OUTLINE, stroke(px(silhouette), pen(12, 1.6), True)),
        (COLOUR_TOP, [oriented(px(top))]),
        (COLOUR_LEFT, [oriented(px(left))]),
        (COLOUR_RIGHT, [oriented(px(right))]),
        (COLOUR_TAPE, stroke(px([tape_back, tape_front, tape_down]), pen(22, 2.0), False)),
        (COLOUR_EDGE, stroke(px([TOP_LEFT, TOP_FRONT, TOP_RIGHT]), pen(5, 0.9), False)
         + stroke(px([TOP_FRONT, BOTTOM_FRONT]), pen(5, 0.9), False)),
        (COLOUR_ARROW_OUTLINE, stroke(px(ARROW), pen(14, 1.8), True)
         + [oriented(px(ARROW))]),
        (COLOUR_ARROW, [oriented(px(ARROW))]),
    ]
    if size >= 32:
        shapes.append((COLOUR_ARROW_LIGHT, [oriented(px(arrow_light))]))
    return shapes

# ---- rasteriser ------------------------------------------------------------------


def coverage_rows(contours, size, subrows):
    """Yields (row, x_first, coverage list) for each pixel row the contours
    touch, the coverage of each pixel in 0..1 under the non-zero rule."""
    edges = []
    for contour in contours:
        for i, (x0, y0) in enumerate(contour):
            x1, y1 = contour[(i + 1) % len(contour)]
            if y0 == y1:
                continue
            direction = 1 if y1 > y0 else -1
            if y0 > y1:
                x0, y0, x1, y1 = x1, y1, x0, y0
            edges.append((y0, y1, x0, (x1 - x0) / (y1 - y0), direction))
    if not edges:
        return
    y_min = max(0, int(math.floor(min(e[0] for e in edges))))
    y_max = min(size - 1, int(math.ceil(max(e[1] for e in edges))))
    x_min = max(0, int(math.floor(min(min(c[0] for c in contour) for contour in contours))))
    x_max = min(size - 1, int(math.ceil(max(max(c[0] for c in contour) for contour in contours))))
    width = x_max - x_min + 1
    weight = 1.0 / subrows
    for row in range(y_min, y_max + 1):
        partial = [0.0] * (width + 1)
        full = [0.0] * (width + 1)
        touched = False
        for sub in range(subrows):
            y = row + (sub + 0.5) / subrows
            crossings = [(x0 + (y - y0) * slope, direction)
                         for y0, y1, x0, slope, direction in edges if y0 <= y < y1]
            if not crossings:
                continue
            crossings.sort()
            winding = 0
            start = 0.0
            for x, direction in crossings:
                before = winding
                winding += direction
                if before == 0 and winding != 0:
                    start = x
                    continue
                if before == 0 or winding != 0:
                    continue
                # The span from start to x is inside the shape.
                a = min(max(start - x_min, 0.0), float(width))
                b = min(max(x - x_min, 0.0), float(width))
                if b <= a:
                    continue
                touched = True
                ia, ib = int(a), int(b)
                if ia == ib:
                    partial[ia] += (b - a) * weight
                    continue
                partial[ia] += (ia + 1 - a) * weight
                full[ia + 1] += weight
                full[ib] -= weight
                if ib < width:
                    partial[ib] += (b - ib) * weight
        if not touched:
            continue
        coverage = []
        running = 0.0
        for i in range(width):
            running += full[i]
            coverage.append(min(1.0, running + partial[i]))
        yield row, x_min, coverage


def render(size):
    """Returns the drawing at one size as rows of straight (r, g, b, a) bytes."""
    subrows = 16 if size <= 64 else 5
    # Premultiplied colour in 0..1, four floats a pixel.
    canvas = [[0.0] * (4 * size) for _ in range(size)]
    for colour, contours in scene(size):
        r, g, b, a = (c / 255.0 for c in colour)
        for row, x_first, coverage in coverage_rows(contours, size, subrows):
            line = canvas[row]
            for i, cover in enumerate(coverage):
                if cover <= 0.0:
                    continue
                alpha = a * cover
                keep = 1.0 - alpha
                p = 4 * (x_first + i)
                line[p] = r * alpha + line[p] * keep
                line[p + 1] = g * alpha + line[p + 1] * keep
                line[p + 2] = b * alpha + line[p + 2] * keep
                line[p + 3] = alpha + line[p + 3] * keep
    image = []
    for line in canvas:
        pixels = []
        for p in range(0, 4 * size, 4):
            alpha = line[p + 3]
            a8 = int(round(alpha * 255.0))
            if a8 == 0:
                pixels.append((0, 0, 0, 0))
                continue
            pixels.append(tuple(min(255, int(round(line[p + k] / alpha * 255.0)))
                                for k in range(3)) + (a8,))
        image.append(pixels)
    return image

# ---- palettes ----------------------------------------------------------------------


def palette_256():
    """A 6 x 6 x 6 colour cube followed by 40 greys."""
    levels = [0, 51, 102, 153, 204, 255]
    colours = [(r, g, b) for r in levels for g in levels for b in levels]
    colours += [(v, v, v) for v in (int(round(i * 255 / 39)) for i in range(40))]
    return colours


PALETTE_16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def nearest(palette, colour, cache):
    found = cache.get(colour)
    if found is None:
        r, g, b = colour
        best = None
        for index, (pr, pg, pb) in enumerate(palette):
            d = 3 * (r - pr) ** 2 + 4 * (g - pg) ** 2 + 2 * (b - pb) ** 2
            if best is None or d < best:
                best, found = d, index
        cache[colour] = found
    return found

# ---- file formats --------------------------------------------------------------------


def opaque(pixel):
    return pixel[3] >= 128


def and_mask(image):
    """1 bit a pixel, set where the pixel is transparent; bottom-up rows
    padded to 4 bytes."""
    size = len(image)
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for pixels in reversed(image):
        row = bytearray(stride)
        for x, pixel in enumerate(pixels):
            if not opaque(pixel):
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def bitmap_header(size, bits, image_bytes, colours):
    # The height counts the colour bitmap and the AND mask.
    return struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, bits, 0, image_bytes,
                       0, 0, colours, 0)


def bmp_32(image):
    size = len(image)
    xor = bytearray()
    for pixels in reversed(image):
        for r, g, b, a in pixels:
            xor += bytes((b, g, r, a))
    mask = and_mask(image)
    return bitmap_header(size, 32, len(xor) + len(mask), 0) + bytes(xor) + mask


def bmp_indexed(image, palette, bits):
    size = len(image)
    cache = {}
    stride = ((size * bits + 31) // 32) * 4
    xor = bytearray()
    for pixels in reversed(image):
        row = bytearray(stride)
        for x, pixel in enumerate(pixels):
            index = nearest(palette, pixel[:3], cache) if opaque(pixel) else 0
            if bits == 8:
                row[x] = index
            else:
                row[x // 2] |= index << (4 if x % 2 == 0 else 0)
        xor += row
    mask = and_mask(image)
    table = b''.join(bytes((b, g, r, 0)) for r, g, b in palette)
    table += bytes(4 * ((1 << bits) - len(palette)))
    return (bitmap_header(size, bits, len(xor) + len(mask), 1 << bits) + table
            + bytes(xor) + mask)


def png(image):
    size = len(image)
    raw = bytearray()
    for pixels in image:
        raw.append(0)
        for pixel in pixels:
            raw += bytes(pixel)

    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data
                + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF))

    header = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header)
            + chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b''))


def ico(entries):
    """entries: (size, colour count, bits, image bytes)."""
    out = bytearray(struct.pack('<HHH', 0, 1, len(entries)))
    offset = 6 + 16 * len(entries)
    for size, colours, bits, data in entries:
        side = 0 if size >= 256 else size
        out += struct.pack('<BBBBHHII', side, side, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
    for _, _, _, data in entries:
        out += data
    return bytes(out)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write('usage: make_icon.py OUT.ico\n')
        return 2
    images = {size: render(size) for size in ICON_32BIT_SIZES}
    entries = []
    for size in ICON_32BIT_SIZES:
        data = png(images[size]) if size >= 256 else bmp_32(images[size])
        entries.append((size, 0, 32, data))
    palette = palette_256()
    for size in ICON_8BIT_SIZES:
        entries.append((size, 0, 8, bmp_indexed(images[size], palette, 8)))
    for size in ICON_4BIT_SIZES:
        entries.append((size, 16, 4, bmp_indexed(images[size], PALETTE_16, 4)))
    with open(argv[1], 'wb') as out:
        out.write(ico(entries))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
