"""Writers for the picture formats the resources need: BMP (24 bits, or
8 bits with a palette) and ICO (8 bits with a transparency mask). Pixels
are rows of (r, g, b) tuples, the top row first."""

import struct


def _rows_bottom_up(pixels):
    return list(reversed(pixels))


def write_bmp24(path, pixels):
    height = len(pixels)
    width = len(pixels[0])
    row_bytes = (width * 3 + 3) & ~3
    body = bytearray()
    for row in _rows_bottom_up(pixels):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += bytes(row_bytes - len(line))
        body += line
    _write_bmp(path, width, height, 24, b"", body, 0)


def write_bmp8(path, pixels, palette):
    """palette: up to 256 (r, g, b); every pixel must be one of them."""
    height = len(pixels)
    width = len(pixels[0])
    index = {colour: i for i, colour in enumerate(palette)}
    row_bytes = (width + 3) & ~3
    body = bytearray()
    for row in _rows_bottom_up(pixels):
        line = bytearray(index[colour] for colour in row)
        line += bytes(row_bytes - len(line))
        body += line
    table = bytearray()
    for r, g, b in palette:
        table += bytes((b, g, r, 0))
    _write_bmp(path, width, height, 8, bytes(table), body, len(palette))


def _write_bmp(path, width, height, bits, table, body, colours):
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(body), 2835, 2835, colours, 0)
    offset = 14 + len(info) + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(body), 0, 0, offset)
    with open(path, "wb") as out:
        out.write(header + info + table + body)


def quantize(pixels, limit=256, keep=()):
    """A palette of at most `limit` colours for the image, by median cut;
    colours in `keep` stay exact. Returns (pixels mapped, palette)."""
    counts = {}
    for row in pixels:
        for colour in row:
            counts[colour] = counts.get(colour, 0) + 1
    if len(counts) <= limit:
        palette = sorted(counts)
        return pixels, palette
    kept = [c for c in keep if c in counts]
    others = [c for c in counts if c not in kept]
    boxes = [others]
    while len(boxes) + len(kept) < limit:
        boxes.sort(key=lambda box: _box_spread(box)[0] * len(box), reverse=True)
        box = boxes.pop(0)
        if len(box) < 2:
            boxes.append(box)
            break
        channel = _box_spread(box)[1]
        box.sort(key=lambda c: c[channel])
        middle = len(box) // 2
        boxes += [box[:middle], box[middle:]]
    palette = list(kept)
    mapping = {c: c for c in kept}
    for box in boxes:
        weight = sum(counts[c] for c in box)
        mean = tuple(round(sum(c[i] * counts[c] for c in box) / weight) for i in range(3))
        palette.append(mean)
        for c in box:
            mapping[c] = mean
    palette = sorted(set(palette))
    return [[mapping[c] for c in row] for row in pixels], palette


def _box_spread(box):
    spreads = [max(c[i] for c in box) - min(c[i] for c in box) for i in range(3)]
    channel = spreads.index(max(spreads))
    return spreads[channel], channel


def write_ico(path, images):
    """images: list of (pixels, mask) with mask rows of booleans, True
    where the icon is opaque. Each image is stored with 8 bits per pixel."""
    entries = []
    blobs = []
    for pixels, mask in images:
        height = len(pixels)
        width = len(pixels[0])
        mapped, palette = quantize(pixels)
        palette = palette + [(0, 0, 0)] * (256 - len(palette))
        index = {colour: i for i, colour in enumerate(palette)}
        xor_row = (width + 3) & ~3
        and_row = ((width + 31) // 32) * 4
        blob = bytearray(struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 8, 0, 0, 0, 0, 256, 0))
        for r, g, b in palette:
            blob += bytes((b, g, r, 0))
        for y in range(height - 1, -1, -1):
            line = bytearray(index[c] if mask[y][x] else 0 for x, c in enumerate(mapped[y]))
            blob += line + bytes(xor_row - width)
        for y in range(height - 1, -1, -1):
            bits = bytearray(and_row)
            for x in range(width):
                if not mask[y][x]:
                    bits[x // 8] |= 0x80 >> (x % 8)
            blob += bits
        entries.append((width, height))
        blobs.append(bytes(blob))
    offset = 6 + 16 * len(images)
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    for (width, height), blob in zip(entries, blobs):
        out += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 8, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    with open(path, "wb") as f:
        f.write(out)


def write_png(path, pixels):
    """For previews of the artwork; the resources themselves are BMP."""
    import zlib

    height = len(pixels)
    width = len(pixels[0])
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for r, g, b in row:
            raw += bytes((r, g, b))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
                  + chunk(b"IEND", b""))
