#!/usr/bin/env python3
"""Draws the program's artwork into a folder: the skin (156), the button
pictures named after their captions, the message pictures (152-155) and
the program icon (128). Plain Python, no image libraries.

    generate.py OUTPUT_FOLDER [--preview]   (--preview also writes PNGs)
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from canvas import Canvas, Mask, circle, mix, polygon, rounded_rect, strokes  # noqa: E402
from image_files import quantize, write_bmp24, write_bmp8, write_ico, write_png  # noqa: E402
from layout import BUTTONS, button_origin  # noqa: E402
from stroke_font import TextStyle, text_mask, text_width  # noqa: E402

SKIN_W, SKIN_H = 527, 338
BAND = (2, 77, 246)          # the family label paints its cells in exactly this blue
BAND_BOTTOM = 61
BODY = (207, 233, 254)       # also the message dialog's background
PANEL = (255, 255, 255)
PANEL_EDGE = (154, 193, 240)
PANEL_BOX = (6, 104, 520, 277)
FOOTER_TOP = 279
FOOTER_TOP_COLOUR = (2, 77, 246)
FOOTER_BOTTOM_COLOUR = (1, 36, 138)
FRAME = (6, 20, 66)
NAVY = (12, 34, 92)
WHITE = (255, 255, 255)
LIT_TOP, LIT_BOTTOM, LIT_EDGE = (255, 178, 64), (238, 118, 6), (196, 88, 0)
MESSAGE_BACKGROUND = (207, 233, 254)


# ---------------------------------------------------------------- pieces

def shield_points(left, top, width, height):
    """A shield outline: flat shoulders, curved flanks, pointed foot."""
    points = [(left + width * 0.5, top), (left + width, top + height * 0.14)]
    steps = 10
    for i in range(1, steps + 1):
        t = i / steps
        x = left + width - width * 0.5 * (t ** 1.6)
        y = top + height * 0.14 + (height * 0.86) * (1 - (1 - t) ** 1.35)
        points.append((x, y))
    mirrored = [(2 * left + width - x, y) for x, y in reversed(points[1:-1])]
    return points + mirrored


def draw_shield(canvas, left, top, width, height, body_top, body_bottom, edge, mark=WHITE, edge_width=1.0):
    outline = shield_points(left, top, width, height)
    box = (left, top, left + width, top + height)
    outer = Mask(canvas.width, canvas.height)
    outer.add(polygon(outline), box)
    canvas.paint(outer, edge)
    inner = Mask(canvas.width, canvas.height)
    inner.add(polygon(outline, -edge_width), box)
    canvas.paint(inner, lambda x, y: mix(body_top, body_bottom, (y - top) / height))
    # A check mark: the tool removes and the machine is clean again.
    s = width / 24.0
    tick = [(left + 6.5 * s, top + 14.5 * s, left + 10.5 * s, top + 18.5 * s),
            (left + 10.5 * s, top + 18.5 * s, left + 18 * s, top + 9 * s)]
    ink = Mask(canvas.width, canvas.height)
    ink.add(strokes(tick, 1.6 * s), box)
    canvas.paint(ink, mark)


def centred_text(canvas, text, style, colour, box, dy=0.0):
    left, top, right, bottom = box
    width = text_width(text, style)
    x = left + (right - left - width) / 2.0
    baseline = top + (bottom - top + style.cap) / 2.0 + dy
    canvas.paint(text_mask(canvas.width, canvas.height, text, style, x, baseline), colour)
    return x, x + width


def fill_rounded(canvas, box, radius, colour):
    mask = Mask(canvas.width, canvas.height)
    mask.add(rounded_rect(*box, radius), box)
    canvas.paint(mask, colour)


def gradient(top_colour, bottom_colour, top, bottom):
    return lambda x, y: mix(top_colour, bottom_colour, max(0.0, min(1.0, (y - top) / (bottom - top))))


# ---------------------------------------------------------------- skin

def draw_skin():
    skin = Canvas(SKIN_W, SKIN_H, BODY)
    skin.fill_rect(0, 0, SKIN_W, BAND_BOTTOM, BAND)
    skin.fill_rect(0, BAND_BOTTOM, SKIN_W, BAND_BOTTOM + 1, (1, 52, 176))
    skin.fill_rect(0, BAND_BOTTOM + 1, SKIN_W, BAND_BOTTOM + 2, (178, 212, 252))

    # The product's name on the title band.
    draw_shield(skin, 12, 8, 20, 24, (84, 150, 255), (2, 60, 210), WHITE, mark=WHITE, edge_width=1.2)
    name_style = TextStyle(13, 2.5, tracking=1.6)
    skin.paint(text_mask(SKIN_W, SKIN_H, "BRUVANE", name_style, 40, 26), WHITE)
    tag_left = 40 + text_width("BRUVANE", name_style) + 9
    skin.paint(text_mask(SKIN_W, SKIN_H, "Gorvex removal tool", TextStyle(9, 1.4), tag_left, 26), (176, 206, 255))

    # The white panel that holds the texts and, during a scan, the list.
    left, top, right, bottom = PANEL_BOX
    fill_rounded(skin, (left + 1, top + 2, right + 1, bottom + 2), 5, (186, 214, 246))  # soft shadow
    fill_rounded(skin, PANEL_BOX, 5, PANEL_EDGE)
    fill_rounded(skin, (left + 1, top + 1, right - 1, bottom - 1), 4, PANEL)

    # The gradient footer that carries the links, the logo and OK/Cancel.
    skin.fill_rect(0, FOOTER_TOP - 1, SKIN_W, FOOTER_TOP, (120, 170, 250))
    skin.vertical_gradient(0, FOOTER_TOP, SKIN_W, SKIN_H, FOOTER_TOP_COLOUR, FOOTER_BOTTOM_COLOUR)

    # The window's own border covers the left and top edges; the outline
    # cuts the skin one pixel inside its right and bottom edges.
    skin.fill_rect(SKIN_W - 2, 0, SKIN_W, SKIN_H, FRAME)
    skin.fill_rect(0, SKIN_H - 2, SKIN_W, SKIN_H, FRAME)
    return skin


# ---------------------------------------------------------------- buttons

def background_for(skin, name):
    left, top = button_origin(name)
    _, (width, height) = BUTTONS[name]
    return skin.crop(left, top, width, height)


def push_button(base, face_top, face_bottom, edge, text, text_colour, icon=None, icon_colour=WHITE):
    """A rounded, gradient-filled button with a bevel line at the top."""
    w, h = base.width, base.height
    button = base.crop(0, 0, w, h)
    box = (1, 1, w - 1, h - 2)
    fill_rounded(button, (box[0] + 0.5, box[1] + 1.5, box[2] + 0.5, box[3] + 1.5), 6, mix(BODY, (90, 120, 170), 0.35))
    fill_rounded(button, box, 6, edge)
    inner = (box[0] + 1, box[1] + 1, box[2] - 1, box[3] - 1)
    mask = Mask(w, h)
    mask.add(rounded_rect(*inner, 5), inner)
    button.paint(mask, gradient(face_top, face_bottom, inner[1], inner[3]))
    shine = Mask(w, h)
    shine.add(rounded_rect(inner[0] + 2, inner[1] + 1, inner[2] - 2, inner[1] + (inner[3] - inner[1]) * 0.48, 4),
              inner)
    button.paint(shine, lambda x, y: mix(face_top, WHITE, 0.28))
    style = TextStyle(11, 2.1, tracking=1.8)
    text_w = text_width(text, style)
    gap = 10 if icon else 0
    icon_w = 16 if icon else 0
    start = (w - text_w - icon_w - gap) / 2.0
    if icon:
        icon(button, start, h / 2.0 - 0.5, icon_colour)
    baseline = (h + style.cap) / 2.0 - 0.5
    button.paint(text_mask(w, h, text, style, start + icon_w + gap, baseline), text_colour)
    return button


def magnifier(canvas, left, middle, colour):
    ring = Mask(canvas.width, canvas.height)
    cx, cy = left + 6.5, middle - 2
    ring.add(lambda x, y: abs(circle(cx, cy, 5.0)(x, y)) - 1.1, (cx - 7, cy - 7, cx + 7, cy + 7))
    ring.add(strokes([(cx + 3.9, cy + 3.9, cx + 8.8, cy + 8.8)], 1.7), (cx, cy, cx + 11, cy + 11))
    canvas.paint(ring, colour)


def down_arrow(canvas, left, middle, colour):
    arrow = Mask(canvas.width, canvas.height)
    cx = left + 8
    arrow.add(strokes([(cx, middle - 8, cx, middle + 3), (cx - 5, middle - 1.5, cx, middle + 3.5),
                       (cx + 5, middle - 1.5, cx, middle + 3.5), (cx - 7, middle + 7.5, cx + 7, middle + 7.5)], 1.1),
              (cx - 9, middle - 10, cx + 9, middle + 10))
    canvas.paint(arrow, colour)


def main_buttons(skin):
    pictures = {}
    scan_bg = background_for(skin, "SCAN")
    pictures["SCAN_NOTFOCUS"] = push_button(scan_bg, (52, 134, 255), (2, 70, 226), (1, 46, 160), "SCAN NOW", WHITE,
                                            magnifier)
    pictures["SCAN_FOCUS"] = push_button(scan_bg, LIT_TOP, LIT_BOTTOM, LIT_EDGE, "SCAN NOW", WHITE, magnifier)
    pictures["SCAN_DISABLE"] = push_button(scan_bg, (196, 210, 228), (170, 186, 208), (140, 158, 184), "SCAN NOW",
                                           (238, 243, 250), magnifier, (238, 243, 250))
    down_bg = background_for(skin, "DOWNLOAD")
    pictures["DOWNLOAD_NOTFOCUS"] = push_button(down_bg, (96, 196, 76), (34, 146, 46), (22, 110, 32), "DOWNLOAD",
                                                WHITE, down_arrow)
    pictures["DOWNLOAD_FOCUS"] = push_button(down_bg, LIT_TOP, LIT_BOTTOM, LIT_EDGE, "DOWNLOAD", WHITE, down_arrow)
    pictures["DOWNLOAD_DISABLE"] = push_button(down_bg, (196, 210, 228), (170, 186, 208), (140, 158, 184), "DOWNLOAD",
                                               (238, 243, 250), down_arrow, (238, 243, 250))
    x_bg = background_for(skin, "X")
    pictures["X_NOTFOCUS"] = close_button(x_bg, (38, 108, 255), (12, 82, 240))
    pictures["X_FOCUS"] = close_button(x_bg, (246, 92, 72), (206, 40, 28))
    pictures["DLINK_NOTFOCUS"] = product_link(background_for(skin, "DLINK"), False)
    pictures["DLINK_FOCUS"] = product_link(background_for(skin, "DLINK"), True)
    pictures["ULINK_NOTFOCUS"] = tools_link(background_for(skin, "ULINK"), False)
    pictures["ULINK_FOCUS"] = tools_link(background_for(skin, "ULINK"), True)
    pictures["TESSARYLOGO_NOTFOCUS"] = logo(background_for(skin, "TESSARYLOGO"), False)
    pictures["TESSARYLOGO_FOCUS"] = logo(background_for(skin, "TESSARYLOGO"), True)
    return pictures


def close_button(base, face_top, face_bottom):
    button = base.crop(0, 0, base.width, base.height)
    w, h = button.width, button.height
    fill_rounded(button, (1, 1, w - 1, h - 1), 4, (1, 44, 150))
    mask = Mask(w, h)
    mask.add(rounded_rect(2, 2, w - 2, h - 2, 3), (2, 2, w - 2, h - 2))
    button.paint(mask, gradient(face_top, face_bottom, 2, h - 2))
    cross = Mask(w, h)
    cross.add(strokes([(7, 7, w - 7, h - 7), (w - 7, 7, 7, h - 7)], 1.25), (0, 0, w, h))
    button.paint(cross, WHITE)
    return button


def product_link(base, lit):
    link = base.crop(0, 0, base.width, base.height)
    draw_shield(link, 8, 5, 28, 33, (84, 150, 255), (2, 60, 210), (1, 44, 150))
    title = "Get Wardmont Antivirus 2000"
    title_style = TextStyle(11, 2.0, tracking=1.0)
    colour = (222, 104, 0) if lit else BAND
    link.paint(text_mask(link.width, link.height, title, title_style, 48, 19), colour)
    if lit:
        underline = Mask(link.width, link.height)
        right = 48 + text_width(title, title_style)
        underline.add(strokes([(48, 22.5, right, 22.5)], 0.6), (46, 20, right + 2, 25))
        link.paint(underline, colour)
    link.paint(text_mask(link.width, link.height, "Full-time protection against new threats  >", TextStyle(8, 1.3),
                         48, 35), (84, 96, 122))
    return link


def tools_link(base, lit):
    link = base.crop(0, 0, base.width, base.height)
    text = "More free virus removal tools  >"
    style = TextStyle(9, 1.55, tracking=1.1)
    colour = (255, 214, 96) if lit else WHITE
    baseline = 18
    link.paint(text_mask(link.width, link.height, text, style, 4, baseline), colour)
    if lit:
        underline = Mask(link.width, link.height)
        right = 4 + text_width(text, style)
        underline.add(strokes([(4, baseline + 3.5, right, baseline + 3.5)], 0.6), (2, baseline + 1, right + 2, baseline + 6))
        link.paint(underline, colour)
    return link


def logo(base, lit):
    picture = base.crop(0, 0, base.width, base.height)
    # The maker's mark: a rounded diamond with a notch of light.
    cx, cy = 14, 18
    mark_colour = (255, 214, 96) if lit else WHITE
    diamond = Mask(picture.width, picture.height)
    diamond.add(polygon([(cx, cy - 10), (cx + 10, cy), (cx, cy + 10), (cx - 10, cy)], 1.2), (cx - 12, cy - 12, cx + 12, cy + 12))
    diamond.cut(polygon([(cx, cy - 4.5), (cx + 4.5, cy), (cx, cy + 4.5), (cx - 4.5, cy)]), (cx - 6, cy - 6, cx + 6, cy + 6))
    picture.paint(diamond, mark_colour)
    picture.paint(text_mask(picture.width, picture.height, "TESSARY", TextStyle(10, 2.0, tracking=0.9), 29, 20), WHITE)
    picture.paint(text_mask(picture.width, picture.height, "SOFTWARE", TextStyle(5, 0.9, tracking=2.05), 30, 29),
                  (176, 206, 255))
    return picture


def dialog_button(text, lit):
    """Square-cornered, edge to edge: it sits on the message dialog's
    pale blue as well as on the main window's dark footer."""
    w, h = 92, 24
    button = Canvas(w, h, (70, 110, 190) if not lit else (1, 40, 140))
    top, bottom = ((250, 252, 255), (208, 224, 248)) if not lit else ((40, 120, 255), (2, 66, 214))
    button.vertical_gradient(1, 1, w - 1, h - 1, top, bottom)
    button.fill_rect(1, 1, w - 1, 2, mix(top, WHITE, 0.6))
    centred_text(button, text, TextStyle(8, 1.7, tracking=1.5), WHITE if lit else NAVY, (0, 0, w, h), dy=-0.5)
    return button


def dialog_buttons():
    pictures = {}
    for caption, text in (("OK", "OK"), ("CANCEL", "CANCEL"), ("YES", "YES"), ("NO", "NO")):
        pictures[caption + "_NOTFOCUS"] = dialog_button(text, False)
        pictures[caption + "_FOCUS"] = dialog_button(text, True)
    return pictures


# ---------------------------------------------------------------- message pictures
# 42 x 40 on the dialog's background; the picture area usually shows the
# top-left 37 x 39 pixels, so the subject is centred there.

def speech_bubble(canvas):
    bubble = Mask(canvas.width, canvas.height)
    bubble.add(lambda x, y: (((x - 19) / 16.5) ** 2 + ((y - 16.5) / 13.5) ** 2) ** 0.5 * 13.5 - 13.5, (1, 1, 37, 31))
    bubble.add(polygon([(8, 24), (16, 28), (4.5, 35.5)]), (3, 22, 17, 37))
    edge = Mask(canvas.width, canvas.height)
    edge.add(lambda x, y: (((x - 19) / 17.5) ** 2 + ((y - 16.5) / 14.5) ** 2) ** 0.5 * 14.5 - 14.5, (0, 0, 38, 32))
    edge.add(polygon([(7, 23), (17, 28.5), (3.5, 37)]), (2, 21, 18, 38))
    canvas.paint(edge, (104, 150, 220))
    canvas.paint(bubble, gradient(WHITE, (232, 242, 255), 3, 31))


def information_picture():
    picture = Canvas(42, 40, MESSAGE_BACKGROUND)
    speech_bubble(picture)
    letter = Mask(42, 40)
    letter.add(circle(19, 8.8, 2.3), (15, 5, 23, 13))
    letter.add(rounded_rect(17.2, 12.8, 20.8, 25.5, 0.8), (16, 12, 22, 26))
    letter.add(rounded_rect(15.5, 12.8, 20.8, 15.0, 0.6), (15, 12, 22, 16))
    letter.add(rounded_rect(15.5, 23.6, 22.5, 25.6, 0.6), (15, 23, 23, 26))
    picture.paint(letter, BAND)
    return picture


def question_picture():
    picture = Canvas(42, 40, MESSAGE_BACKGROUND)
    speech_bubble(picture)
    style = TextStyle(17, 3.3)
    mark = text_mask(42, 40, "?", style, 19 - text_width("?", style) / 2.0, 25)
    picture.paint(mark, BAND)
    return picture


def warning_picture():
    picture = Canvas(42, 40, MESSAGE_BACKGROUND)
    outline = [(18.5, 2.5), (35.5, 34), (1.5, 34)]
    edge = Mask(42, 40)
    edge.add(polygon(outline, 1.6), (0, 0, 38, 37))
    picture.paint(edge, (178, 128, 0))
    body = Mask(42, 40)
    body.add(polygon(outline, 0.4), (0, 0, 38, 37))
    picture.paint(body, gradient((255, 226, 92), (250, 182, 16), 4, 34))
    mark = Mask(42, 40)
    mark.add(strokes([(18.5, 13, 18.5, 23.5)], 1.75), (15, 10, 22, 26))
    mark.add(circle(18.5, 28.6, 1.9), (15, 25, 22, 32))
    picture.paint(mark, (20, 20, 20))
    return picture


def error_picture():
    picture = Canvas(42, 40, MESSAGE_BACKGROUND)
    edge = Mask(42, 40)
    edge.add(circle(18.5, 19, 16.5), (0, 0, 38, 38))
    picture.paint(edge, (150, 22, 16))
    body = Mask(42, 40)
    body.add(circle(18.5, 19, 15.4), (0, 0, 38, 38))
    picture.paint(body, gradient((246, 96, 80), (196, 30, 22), 4, 34))
    cross = Mask(42, 40)
    cross.add(strokes([(12.5, 13, 24.5, 25), (24.5, 13, 12.5, 25)], 1.9), (9, 9, 28, 29))
    picture.paint(cross, WHITE)
    return picture


# ---------------------------------------------------------------- icon

def icon_image(size):
    canvas = Canvas(size, size, (255, 0, 255))
    pad = 1 if size <= 16 else 1.5
    draw_shield(canvas, pad, pad * 0.5, size - 2 * pad, size - pad, (84, 150, 255), (2, 60, 210), (1, 36, 120),
                edge_width=1.0 if size <= 16 else 1.4)
    pixels = canvas.pixels()
    coverage = Mask(size, size)
    coverage.add(polygon(shield_points(pad, pad * 0.5, size - 2 * pad, size - pad)),
                 (0, 0, size, size))
    mask = [[coverage.values[y][x] >= 0.5 for x in range(size)] for y in range(size)]
    # Half-covered edge pixels were blended with the magenta; blend them
    # with a neutral blue instead, since the mask shows them whole.
    for y in range(size):
        for x in range(size):
            c = coverage.values[y][x]
            if mask[y][x] and c < 1.0:
                r, g, b = pixels[y][x]
                pixels[y][x] = (min(r, 60), min(g, 90), max(b, 150)) if r > 200 and b > 200 else (r, g, b)
    return pixels, mask


# ---------------------------------------------------------------- output

def main(argv):
    if len(argv) < 2:
        print(__doc__)
        return 2
    out = argv[1]
    preview = "--preview" in argv
    os.makedirs(out, exist_ok=True)

    skin = draw_skin()
    skin_pixels = skin.pixels()
    mapped, palette = quantize(skin_pixels, 256, keep=(BAND, BODY, PANEL, (255, 0, 255)))
    # Shades that LR_LOADMAP3DCOLORS would swap for the system's 3-D
    # colours must not be in the skin's palette.
    assert not {(128, 128, 128), (192, 192, 192), (223, 223, 223)} & set(palette)
    write_bmp8(os.path.join(out, "skin.bmp"), mapped, palette)
    if preview:
        write_png(os.path.join(out, "skin.png"), mapped)

    pictures = main_buttons(skin)
    pictures.update(dialog_buttons())
    pictures["picture_information"] = information_picture()
    pictures["picture_question"] = question_picture()
    pictures["picture_warning"] = warning_picture()
    pictures["picture_error"] = error_picture()
    for name, picture in pictures.items():
        pixels = picture.pixels()
        write_bmp24(os.path.join(out, name.lower() + ".bmp"), pixels)
        if preview:
            write_png(os.path.join(out, name.lower() + ".png"), pixels)

    write_ico(os.path.join(out, "program.ico"), [icon_image(32), icon_image(16)])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
