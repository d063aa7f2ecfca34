"""Where the main window's controls land on the skin, in skin pixels, so
that each button picture can be drawn over the part of the skin it
covers. The window lays its dialog-unit template out on a 600 x 337 frame;
these numbers follow that arithmetic for the usual dialog font (base
units 6 x 13) and a one-pixel border. Other fonts move a control by a
pixel at most."""

BASE_X, BASE_Y = 6, 13
DESIGN_W, DESIGN_H = 600, 337
TEMPLATE_W, TEMPLATE_H = 349, 209


def _pixels(units, base, divisor):
    return (units * base + divisor // 2) // divisor


def control_origin(x_units, y_units):
    client_w = _pixels(TEMPLATE_W, BASE_X, 4)
    client_h = _pixels(TEMPLATE_H, BASE_Y, 8)
    screen_x = 1 + _pixels(x_units, BASE_X, 4)
    screen_y = 1 + _pixels(y_units, BASE_Y, 8)
    x = int(screen_x / (client_w / DESIGN_W)) - 1
    y = int(screen_y / (client_h / DESIGN_H)) - 1
    return x, y


def control_rect(x_units, y_units, w_units, h_units):
    left, top = control_origin(x_units, y_units)
    right, bottom = control_origin(x_units + w_units, y_units + h_units)
    return left, top, right, bottom


# Template positions (dialog units) and picture sizes (pixels).
BUTTONS = {
    "SCAN": ((11, 40), (180, 33)),
    "DOWNLOAD": ((189, 40), (180, 33)),
    "X": ((290, 3), (21, 21)),
    "OK": ((128, 177), (92, 24)),
    "DLINK": ((61, 133), (350, 43)),
    "ULINK": ((32, 177), (350, 28)),
    "TESSARYLOGO": ((241, 174), (100, 36)),
}

STATICS = {
    "family label": (31, 25, 244, 11),
    "title line": (9, 71, 290, 14),
    "search caption": (16, 70, 268, 11),
    "notice line": (6, 103, 292, 11),
    "membership line": (6, 136, 292, 10),
    "status frame": (16, 81, 276, 29),
    "list frame": (16, 111, 276, 58),
}


def button_origin(name):
    (x, y), _ = BUTTONS[name]
    return control_origin(x, y)


if __name__ == "__main__":
    for name, ((x, y), (w, h)) in BUTTONS.items():
        left, top = control_origin(x, y)
        print(f"{name:12} {left:4} {top:4} {left + w:4} {top + h:4}")
    for name, rect in STATICS.items():
        print(f"{name:16}", control_rect(*rect))
