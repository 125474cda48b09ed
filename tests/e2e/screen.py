"""The X screen under Wine's virtual desktop: where the desktop sits, real mouse and keyboard
input (xdotool), looking at screenshots (ImageMagick turns them into raw pixels here), and
rapid captures of one rectangle straight from the X server.

Wine 8 draws the notification area's icons on the taskbar itself, without a window per icon,
so the tray icon is found by looking: the drawing at the right end of the taskbar.
"""

import ctypes
import ctypes.util
import subprocess
import time
from dataclasses import dataclass

# How far apart two colours may be and still count as the same (sum of the channel differences).
_SAME_COLOUR = 40
# Where to look for the icons: this much of the taskbar's right end.
_NOTIFICATION_AREA_WIDTH = 120


def _run(args, env, timeout=30):
    return subprocess.run(args, stdin=subprocess.DEVNULL, capture_output=True, text=True, env=env,
                          timeout=timeout, check=True).stdout


def desktop_origin(env):
    """Top-left corner of Wine's virtual desktop on the X screen: Wine's screen coordinates start there."""
    window = _run(["xdotool", "search", "--limit", "1", "--name", " - Wine desktop$"], env).split()[0]
    geometry = dict(line.split("=", 1) for line in _run(["xdotool", "getwindowgeometry", "--shell", window],
                                                         env).split())
    return int(geometry["X"]), int(geometry["Y"])


class Input:
    """The real pointer and keyboard, in Wine's screen coordinates."""

    def __init__(self, env):
        self.env = env
        self.origin = desktop_origin(env)

    def move(self, x, y):
        _run(["xdotool", "mousemove", str(self.origin[0] + x), str(self.origin[1] + y)], self.env)

    def click(self, x, y, button=1):
        _run(["xdotool", "mousemove", str(self.origin[0] + x), str(self.origin[1] + y), "click", str(button)],
             self.env)

    def key(self, *names):
        _run(["xdotool", "key", *names], self.env)

    def park(self):
        """The pointer to the desktop's top-left corner, away from tool tips and the taskbar."""
        self.move(2, 2)


class _XImage(ctypes.Structure):
    # The leading fields of Xlib's XImage, as far as they are read here.
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


class Grabber:
    """Captures of one screen rectangle straight from the X server (XGetImage), a fraction of a
    millisecond each: ImageMagick's import takes about a quarter of a second per capture."""

    _Z_PIXMAP = 2
    _ALL_PLANES = 0xFFFFFFFF

    def __init__(self, env, origin, rect):
        x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XDefaultRootWindow.restype = ctypes.c_ulong
        x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x11.XGetImage.restype = ctypes.POINTER(_XImage)
        x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                  ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x11.XFree.argtypes = [ctypes.c_void_p]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self._x11 = x11
        self._display = x11.XOpenDisplay(env["DISPLAY"].encode())
        if not self._display:
            raise RuntimeError(f"cannot open the display {env['DISPLAY']}")
        self._root = x11.XDefaultRootWindow(self._display)
        x, y, self.width, self.height = rect
        self._x, self._y = x + origin[0], y + origin[1]

    def close(self):
        self._x11.XCloseDisplay(self._display)

    def grab(self):
        """One capture: `height` rows of `width` pixels, 4 bytes each (blue, green, red, unused)."""
        image = self._x11.XGetImage(self._display, self._root, self._x, self._y, self.width, self.height,
                                    self._ALL_PLANES, self._Z_PIXMAP)
        if not image:
            raise RuntimeError("XGetImage failed")
        try:
            fields = image.contents
            if fields.bits_per_pixel != 32:
                raise RuntimeError(f"{fields.bits_per_pixel} bits per pixel: the screen is not 24-bit colour")
            data = ctypes.string_at(fields.data, fields.bytes_per_line * self.height)
            return b"".join(data[row * fields.bytes_per_line:row * fields.bytes_per_line + self.width * 4]
                            for row in range(self.height))
        finally:
            self._x11.XFree(image.contents.data)
            self._x11.XFree(image)

    def changes(self, seconds, pause_s=0.001):
        """Captures for `seconds` as fast as the server answers (with a breath between, so the
        program under test gets the processor too); returns (captures, each different capture
        in order of appearance)."""
        frames, count = [], 0
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            frame = self.grab()
            count += 1
            if not frames or frames[-1] != frame:
                frames.append(frame)
            time.sleep(pause_s)
        return count, frames


@dataclass
class Ink:
    """What is drawn in a capture: pixels off its background, and the columns they span."""
    pixels: int
    left: int
    right: int


def ink(frame, width, height):
    """The ink of a capture (Grabber.grab), against its most common colour; None when blank."""
    pixels = [frame[i:i + 3] for i in range(0, width * height * 4, 4)]
    counts = {}
    for pixel in pixels:
        counts[pixel] = counts.get(pixel, 0) + 1
    background = max(counts, key=counts.get)
    columns = [i % width for i, pixel in enumerate(pixels) if _distance(pixel, background) > _SAME_COLOUR]
    return Ink(len(columns), min(columns), max(columns)) if columns else None


def save_frames(frames, width, height, png):
    """The captures one under another, a grey rule between, as a picture for a person to look at."""
    rule = b"\x80\x80\x80\x00" * width
    data = rule.join(frames)
    subprocess.run(["convert", "-size", f"{width}x{len(frames) * (height + 1) - 1}", "-depth", "8", "bgra:-",
                    "-alpha", "off", str(png)], input=data, capture_output=True, timeout=30, check=True)


class Picture:
    """A screenshot as RGB pixels, addressed in Wine's screen coordinates."""

    def __init__(self, png, origin):
        data = subprocess.run(["convert", str(png), "-depth", "8", "ppm:-"], capture_output=True, timeout=30,
                              check=True).stdout
        magic, width, height, maxval, rest = data.split(maxsplit=4)
        assert magic == b"P6" and maxval == b"255", "convert gave no 8-bit PPM"
        self.width, self.height = int(width), int(height)
        self.pixels = rest
        self.origin = origin

    def pixel(self, x, y):
        x, y = x + self.origin[0], y + self.origin[1]
        i = (y * self.width + x) * 3
        return tuple(self.pixels[i:i + 3])


def _distance(a, b):
    return sum(abs(p - q) for p, q in zip(a, b))


@dataclass
class Drawing:
    """What is drawn in part of a picture: its bounding box and a rough sense of its colours."""
    x: int
    y: int
    width: int
    height: int
    greenish: int  # pixels where green clearly leads
    neutral: int   # grey pixels (no channel leads), background excluded

    @property
    def centre(self):
        return self.x + self.width // 2, self.y + self.height // 2

    @property
    def colour(self):
        drawn = self.greenish + self.neutral
        if self.greenish > drawn // 2:
            return "green"
        if self.neutral > drawn // 2:
            return "grey"
        return "mixed"


def drawing_in(picture, left, top, width, height):
    """The drawing on the background (the area's most common colour), or None when it is blank."""
    counts = {}
    area = [(x, y) for y in range(top, top + height) for x in range(left, left + width)]
    for x, y in area:
        colour = picture.pixel(x, y)
        counts[colour] = counts.get(colour, 0) + 1
    background = max(counts, key=counts.get)
    drawn = [(x, y, picture.pixel(x, y)) for x, y in area if _distance(picture.pixel(x, y), background) > _SAME_COLOUR]
    if not drawn:
        return None
    xs = [x for x, _, _ in drawn]
    ys = [y for _, y, _ in drawn]
    greenish = sum(1 for _, _, (r, g, b) in drawn if g > r + _SAME_COLOUR and g > b + _SAME_COLOUR)
    neutral = sum(1 for _, _, (r, g, b) in drawn if max(r, g, b) - min(r, g, b) < _SAME_COLOUR // 2)
    return Drawing(min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1, greenish, neutral)


def tray_drawing(picture, taskbar):
    """The drawing in the notification area: the right end of the taskbar (x, y, width, height)."""
    x, y, width, height = taskbar
    area = min(_NOTIFICATION_AREA_WIDTH, width)
    return drawing_in(picture, x + width - area, y, area, height)


def menu_rows(picture, rect):
    """The rows of an open popup menu from top to bottom: ("item", centre y) for each line of
    text, ("separator", y) for each rule across it. rect: the menu window (x, y, width, height)."""
    left, top, width, height = rect
    border = 3
    inner = range(left + border, left + width - border)
    background = picture.pixel(left + width // 2, top + border)
    ink = [sum(1 for x in inner if _distance(picture.pixel(x, y), background) > _SAME_COLOUR)
           for y in range(top + border, top + height - border)]
    rows, start = [], None
    for offset, count in enumerate(ink + [0]):
        if count and start is None:
            start = offset
        elif not count and start is not None:
            band = ink[start:offset]
            rule = len(band) <= 2 and max(band) > len(inner) * 0.7
            rows.append(("separator" if rule else "item", top + border + (start + offset - 1) // 2))
            start = None
    return rows
