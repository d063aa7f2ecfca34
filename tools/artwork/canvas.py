"""A small anti-aliased drawing surface. Shapes are described by signed
distance functions (negative inside); a pixel's coverage is how far its
centre lies inside the edge, clamped to one pixel, which gives clean
edges without supersampling."""

import math


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def clamp01(v):
    return 0.0 if v < 0.0 else 1.0 if v > 1.0 else v


class Mask:
    """Coverage in [0, 1] per pixel; shapes are added (union) or cut."""

    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.values = [[0.0] * width for _ in range(height)]
        self.box = None

    def _grow(self, x0, y0, x1, y1):
        if self.box is None:
            self.box = [x0, y0, x1, y1]
        else:
            self.box = [min(self.box[0], x0), min(self.box[1], y0), max(self.box[2], x1), max(self.box[3], y1)]

    def _range(self, bbox, pad):
        x0 = max(0, int(math.floor(bbox[0] - pad)))
        y0 = max(0, int(math.floor(bbox[1] - pad)))
        x1 = min(self.width, int(math.ceil(bbox[2] + pad)) + 1)
        y1 = min(self.height, int(math.ceil(bbox[3] + pad)) + 1)
        return x0, y0, x1, y1

    def add(self, sdf, bbox):
        x0, y0, x1, y1 = self._range(bbox, 2)
        if x0 >= x1 or y0 >= y1:
            return
        self._grow(x0, y0, x1, y1)
        for y in range(y0, y1):
            row = self.values[y]
            for x in range(x0, x1):
                c = clamp01(0.5 - sdf(x + 0.5, y + 0.5))
                if c > row[x]:
                    row[x] = c

    def cut(self, sdf, bbox):
        x0, y0, x1, y1 = self._range(bbox, 2)
        for y in range(y0, y1):
            row = self.values[y]
            for x in range(x0, x1):
                c = clamp01(0.5 - sdf(x + 0.5, y + 0.5))
                if c > 0:
                    row[x] = min(row[x], 1.0 - c)


class Canvas:
    def __init__(self, width, height, colour=(255, 255, 255)):
        self.width = width
        self.height = height
        self.rows = [[tuple(float(v) for v in colour)] * width for _ in range(height)]

    def fill_rect(self, x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(self.height, y1)):
            row = self.rows[y]
            for x in range(max(0, x0), min(self.width, x1)):
                row[x] = colour

    def vertical_gradient(self, x0, y0, x1, y1, top, bottom):
        span = max(1, y1 - y0 - 1)
        for y in range(max(0, y0), min(self.height, y1)):
            colour = mix(top, bottom, (y - y0) / span)
            row = self.rows[y]
            for x in range(max(0, x0), min(self.width, x1)):
                row[x] = colour

    def paint(self, mask, colour):
        """colour: (r, g, b), or a function of (x, y) giving one."""
        if mask.box is None:
            return
        x0, y0, x1, y1 = mask.box
        paint_at = colour if callable(colour) else None
        for y in range(y0, y1):
            row = self.rows[y]
            coverage = mask.values[y]
            for x in range(x0, x1):
                c = coverage[x]
                if c <= 0.0:
                    continue
                ink = paint_at(x + 0.5, y + 0.5) if paint_at else colour
                row[x] = ink if c >= 1.0 else mix(row[x], ink, c)

    def blit(self, other, left, top):
        for y in range(other.height):
            if 0 <= top + y < self.height:
                for x in range(other.width):
                    if 0 <= left + x < self.width:
                        self.rows[top + y][left + x] = other.rows[y][x]

    def crop(self, left, top, width, height):
        piece = Canvas(width, height)
        for y in range(height):
            source_y = min(max(top + y, 0), self.height - 1)
            for x in range(width):
                source_x = min(max(left + x, 0), self.width - 1)
                piece.rows[y][x] = self.rows[source_y][source_x]
        return piece

    def pixels(self):
        return [[tuple(int(round(min(255.0, max(0.0, v)))) for v in p) for p in row] for row in self.rows]


# Signed distance functions.

def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ellipse(cx, cy, rx, ry):
    # Scaled distance: exact enough for the gentle ellipses used here.
    scale = min(rx, ry)
    return lambda x, y: (math.hypot((x - cx) / rx, (y - cy) / ry) - 1.0) * scale


def rounded_rect(x0, y0, x1, y1, r):
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hx, hy = (x1 - x0) / 2.0 - r, (y1 - y0) / 2.0 - r

    def sdf(x, y):
        qx = abs(x - cx) - hx
        qy = abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r

    return sdf


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length = dx * dx + dy * dy
    t = 0.0 if length == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def strokes(segments, half_width):
    """Round-capped strokes along a list of segments (ax, ay, bx, by)."""

    def sdf(x, y):
        best = 1e9
        for ax, ay, bx, by in segments:
            d = segment_distance(x, y, ax, ay, bx, by)
            if d < best:
                best = d
        return best - half_width

    return sdf


def polygon(points, round_by=0.0):
    edges = [(points[i], points[(i + 1) % len(points)]) for i in range(len(points))]

    def sdf(x, y):
        best = 1e9
        inside = False
        for (ax, ay), (bx, by) in edges:
            best = min(best, segment_distance(x, y, ax, ay, bx, by))
            if (ay > y) != (by > y) and x < (bx - ax) * (y - ay) / (by - ay) + ax:
                inside = not inside
        return (-best if inside else best) - round_by

    return sdf


def bbox_of_segments(segments, pad=0.0):
    xs = [v for s in segments for v in (s[0], s[2])]
    ys = [v for s in segments for v in (s[1], s[3])]
    return (min(xs) - pad, min(ys) - pad, max(xs) + pad, max(ys) + pad)
