"""End-to-end cases of the look, read off the screen: the styled buttons in each of their states
and the accent line sampled against the button style family's colours, at 96 and 144 DPI. The
screenshots stay in e2e-artifacts/ (look-*.png), with side-by-side sheets of the states
(look-states.png) and of the two DPIs (look-dpi.png) for a person to look at.
"""

import subprocess
import time

from harness import USER_DEFAULT_SCREEN_DPI, case, check, wait_until

# The Brenwick family's colours (theme/ButtonStyles.cpp), as RGB.
ACCENT = (61, 132, 221)
ACCENT_LIGHTER = (80, 144, 224)
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
OUTLINE_DISABLED_BORDER = (215, 215, 215)
OUTLINE_DISABLED_TEXT = (179, 179, 179)


def scaled(value, dpi):
    """MulDiv(value, dpi, 96), as the program scales its lengths."""
    return (value * dpi + USER_DEFAULT_SCREEN_DPI // 2) // USER_DEFAULT_SCREEN_DPI


class Button:
    """Where to look at a styled button on the screen."""

    def __init__(self, s, name, dpi):
        self.name = name
        self.x, self.y, self.width, self.height = s.control(name)["screen"]
        self.ring_inset = max(2, scaled(3, dpi))  # widgets/ButtonFace.cpp
        self.border = max(1, scaled(1, dpi))

    @property
    def centre(self):
        return self.x + self.width // 2, self.y + self.height // 2

    def border_pixel(self, picture, row=0):
        return picture.pixel(self.x + self.width // 2, self.y + row)

    def inside_pixel(self, picture):
        """Inside the border and the focus ring, left of the caption."""
        return picture.pixel(self.x + self.width // 8, self.y + self.height // 2)

    def ring_pixel(self, picture):
        return picture.pixel(self.x + self.width // 2, self.y + self.ring_inset)

    def has(self, picture, colour):
        return any(picture.pixel(x, y) == colour for y in range(self.y, self.y + self.height)
                   for x in range(self.x, self.x + self.width))


def looks(s, name, expectations, timeout_s=5):
    """Screenshots (kept as look-NAME) until every expectation (what, function of the picture,
    expected value) holds; fails the case with what the screen showed otherwise."""
    seen = {}

    def all_met():
        picture = s.picture(f"look-{name}")
        seen.clear()
        seen.update({what: get(picture) for what, get, _ in expectations})
        return all(seen[what] == want for what, _, want in expectations)

    met = wait_until(all_met, timeout_s, interval_s=0.3)
    wanted = {what: want for what, _, want in expectations}
    check(met, f"look-{name}.png: {seen}, expected {wanted}")


def xdotool(s, *args):
    subprocess.run(["xdotool", *map(str, args)], env=s.env, timeout=30, check=True)


def point_at(s, x, y):
    s.input.move(x, y)


def tab_to(s, name, presses=8):
    """Tabs until `name` has the keyboard focus."""
    for _ in range(presses):
        if s.drive("window")["focus"] == name:
            return
        s.input.key("Tab")
        time.sleep(0.3)
    check(s.drive("window")["focus"] == name, f"Tab never gave {name} the focus")


def sheet(s, name, rows):
    """A picture of screen areas, each row side by side: parts are (screenshot name, x, y, width,
    height) in Wine's screen coordinates."""
    ox, oy = s.input.origin
    command = ["convert", "-background", "#808080"]
    for parts in rows:
        command.append("(")
        for shot, x, y, width, height in parts:
            command += ["(", str(s.artifacts / f"{shot}.png"), "-crop", f"{width}x{height}+{x + ox}+{y + oy}",
                        "+repage", "-bordercolor", "#808080", "-border", "2", ")"]
        command += ["-gravity", "west", "+append", "+gravity", ")"]
    path = s.artifacts / f"{name}.png"
    subprocess.run(command + ["-append", str(path)], env=s.env, timeout=60, check=True)
    return path


@case
def look_button_states(s):
    """The clean button and the header's buttons in every state they take, and the accent line
    while the window is active and while it is not, sampled against the family's colours."""
    _, window = s.start_shown()
    dpi = window["dpi"]
    s.input.park()
    clean, home, config = (Button(s, name, dpi) for name in ("BtnClean", "BtnHome", "BtnConfig"))
    header_x, header_y, header_width, _ = s.control("PnlHead")["screen"]
    line_height = max(2, scaled(2, dpi))

    def line(row):
        return lambda p: p.pixel(header_x + header_width // 2, header_y + row)

    looks(s, "normal", [
        ("clean border", clean.border_pixel, ACCENT),
        ("clean inside", clean.inside_pixel, WHITE),
        ("clean caption", lambda p: clean.has(p, BLACK), True),
        ("home inside (down)", home.inside_pixel, ACCENT),
        ("config border", config.border_pixel, BLACK),
        ("config inside", config.inside_pixel, WHITE),
        ("accent line", line(0), ACCENT),
        ("accent line, last row", line(line_height - 1), ACCENT),
        ("below the line", line(line_height), WHITE),
    ])

    point_at(s, *clean.centre)
    looks(s, "clean-hot", [("clean inside", clean.inside_pixel, ACCENT_LIGHTER),
                           ("clean border", clean.border_pixel, ACCENT),
                           ("clean caption", lambda p: clean.has(p, WHITE), True)])
    point_at(s, *config.centre)
    looks(s, "header-hot", [("config inside", config.inside_pixel, ACCENT),
                            ("clean inside", clean.inside_pixel, WHITE)])

    # Held down, then let go away from the button: pressed while held, and no click.
    point_at(s, *clean.centre)
    xdotool(s, "mousedown", 1)
    try:
        looks(s, "clean-pressed", [("clean inside", clean.inside_pixel, ACCENT)])
    finally:
        s.input.park()
        xdotool(s, "mouseup", 1)
    time.sleep(0.5)
    check(s.control("BtnClean")["text"] == s.control("BtnClean")["design_caption"],
          "letting go away from the clean button cleaned")

    # The keyboard's focus shows: the Selected set and the ring; a click's focus does not (the
    # press above left the focus on the clean button).
    looks(s, "clean-clicked", [("clean inside", clean.inside_pixel, WHITE)])
    tab_to(s, "BtnHome")
    tab_to(s, "BtnClean")
    looks(s, "clean-focused", [("clean inside", clean.inside_pixel, ACCENT_LIGHTER),
                               ("clean ring", clean.ring_pixel, WHITE)])
    tab_to(s, "BtnHome")
    looks(s, "home-focused", [("home inside", home.inside_pixel, ACCENT),
                              ("home ring", home.ring_pixel, WHITE)])
    s.input.key("Right")
    looks(s, "config-focused", [("config inside", config.inside_pixel, ACCENT_LIGHTER),
                                ("config ring", config.ring_pixel, WHITE),
                                ("home ring", home.ring_pixel, ACCENT)])
    check(s.control("BtnHome")["checked"] == 1 and s.visible("Card1"), "an arrow key changed the page")
    s.input.click(*home.centre)
    s.input.park()
    looks(s, "home-clicked", [("home ring", home.ring_pixel, ACCENT),
                              ("config inside", config.inside_pixel, WHITE)])

    # Busy: the button is disabled while its job is held.
    with s.held_job():
        looks(s, "clean-disabled", [("clean border", clean.border_pixel, OUTLINE_DISABLED_BORDER),
                                    ("clean inside", clean.inside_pixel, WHITE),
                                    ("clean caption", lambda p: clean.has(p, OUTLINE_DISABLED_TEXT), True)])

    # Another window active: the line turns the grey of grey text.
    s.input.click(2, 2)
    looks(s, "inactive", [("accent line is grey", lambda p: len(set(line(0)(p))) == 1 and line(0)(p) != WHITE, True),
                          ("accent line, last row", lambda p: line(line_height - 1)(p) == line(0)(p), True)])
    s.input.click(*s.control("LblTitle")["screen"][:2])
    looks(s, "active-again", [("accent line", line(0), ACCENT)])

    wx, wy, ww, _ = window["screen"]
    button = (clean.x - 4, clean.y - 4, clean.width + 8, clean.height + 8)
    header = (home.x - 4, home.y - 4, config.x + config.width * 2 - home.x + 8, home.height + 8)
    top = (wx, wy, ww, home.y + home.height + 8 - wy)
    rows = [[(f"look-{shot}", *button) for shot in ("normal", "clean-hot", "clean-pressed", "clean-focused",
                                                     "clean-disabled")],
            [(f"look-{shot}", *header) for shot in ("normal", "header-hot", "home-focused", "config-focused")],
            [(f"look-{shot}", *top) for shot in ("normal", "inactive")]]
    print(f"states: {sheet(s, 'look-states', rows)}")


def window_look(s, dpi):
    """The window at `dpi`: the clean button's border, the accent line and the logo, as thick and
    as large as the DPI makes them."""
    s.set_dpi(dpi)
    _, window = s.start_shown()
    check(window["dpi"] == dpi, f"the window runs at {window['dpi']} DPI")
    s.input.park()
    time.sleep(1.0)  # the first status refresh and paint
    clean, home = Button(s, "BtnClean", dpi), Button(s, "BtnHome", dpi)
    header_x, header_y, header_width, _ = s.control("PnlHead")["screen"]
    line_height = max(2, scaled(2, dpi))
    logo_x, logo_y, logo_width, logo_height = s.control("SVGIconImage1")["screen"]

    def logo_span(picture):
        """The width of what is drawn in the logo's box, to the nearest 10 %."""
        columns = [x for x in range(logo_x, logo_x + logo_width)
                   if any(picture.pixel(x, y) != WHITE for y in range(logo_y, logo_y + logo_height))]
        return round((columns[-1] - columns[0] + 1) / scaled(112, dpi), 1) if columns else 0

    name = f"{dpi}dpi"
    expectations = [(f"clean border row {row}", lambda p, r=row: clean.border_pixel(p, r), ACCENT)
                    for row in range(clean.border)]
    expectations += [
        ("clean inside the border", lambda p: clean.border_pixel(p, clean.border), WHITE),
        ("home inside (down)", home.inside_pixel, ACCENT),
        ("accent line, last row", lambda p: p.pixel(header_x + header_width // 2, header_y + line_height - 1), ACCENT),
        ("below the line", lambda p: p.pixel(header_x + header_width // 2, header_y + line_height), WHITE),
        ("the logo's width in its box", logo_span, 1.0),
        ("the logo's blue", lambda p: any(p.pixel(x, y) == ACCENT for y in range(logo_y, logo_y + logo_height)
                                          for x in range(logo_x, logo_x + logo_width)), True),
    ]
    looks(s, name, expectations)
    s.drive("kill")
    return window["screen"]


@case
def look_dpi(s):
    """The window at 96 and at 144 DPI: borders, the accent line and the logo scaled with it and
    drawn for the DPI, not blown up."""
    parts = [(f"look-{dpi}dpi", *window_look(s, dpi)) for dpi in (USER_DEFAULT_SCREEN_DPI, 144)]
    print(f"dpi: {sheet(s, 'look-dpi', [parts])}")
