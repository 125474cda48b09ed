"""End-to-end cases of what another process or the system may throw at the program: quitting
while a modal loop is open, messages with parameters the program must not trust.
"""

import time

from harness import case, check, wait_until

WM_DPICHANGED = 0x02E0
# The UI hand-over's wake message and its neighbours.
WM_APP = 0x8000
HANDOVER_MESSAGES = [WM_APP + 0xFF, WM_APP + 0x100, WM_APP + 0x101]


def open_tray_menu(s):
    icon = s.tray_icon("hardening-icon", colour="green")
    check(icon, "no green icon in the notification area")
    s.input.click(*icon.centre, button=3)
    s.input.park()
    check(s.drive("popup", 5000, met=False)["found"], "a right click on the icon opened no menu")


def open_quit_question(s):
    s.drive("menu", "BtnClose")
    s.drive("msgbox", 10000)


def quit_by_uninst(s):
    code = s.returns(s.launch("/uninst"), 15)
    check(code == 0, f"/uninst exit code {code}")


def quit_by_endsession(s):
    # Posted: a modal loop may hold a sent message's answer back, and only the outcome matters.
    s.drive("post", 0x0011, 0, 0)  # WM_QUERYENDSESSION


@case
def quit_in_modal_loops(s):
    """Every quit path ends the process whatever modal loop is open (the tray icon's menu, the quit
    question), and the next launch starts a new instance."""
    for open_modal in (open_tray_menu, open_quit_question):
        for quit in (quit_by_uninst, quit_by_endsession):
            what = f"{quit.__name__} with {open_modal.__name__}"
            first, _ = s.start_shown()
            open_modal(s)
            quit(s)
            check(wait_until(lambda: s.count() == (0, 0), 10), f"{what}: still running: {s.count()}")
            check(s.returns(first, 10) == 0, f"{what}: exit code is not 0")
    # The mutex went with the last process: a launch is a first instance again.
    s.start_shown()
    check(s.count() == (1, 1), f"the launch after the quits: {s.count()}")


@case
def foreign_messages(s):
    """The UI hand-over's messages from another process, with any parameters, change nothing."""
    first, window = s.start_shown()
    for msg in HANDOVER_MESSAGES:
        for lparam in (0, 1, 0x1000, 0xDEADBEEF, -1):
            s.drive("post", msg, lparam, lparam)
            s.drive("send", msg, lparam, lparam, met=False)
    check(first.poll() is None, "the program ended after messages of the UI hand-over")
    check(not s.drive("msgbox", 0, met=False)["found"], "a message box (a crash dialog?) is open")
    # Still working: a clean runs to its end.
    s.drive("click", "BtnClean")
    idle = s.texts["CleanIdle"]
    check(wait_until(lambda: s.control("BtnClean")["text"] == idle and s.control("BtnClean")["enabled"], 10),
          f"the clean button after a clean: {s.control('BtnClean')}")
    check(s.count() == (1, 1), f"(windows, processes) = {s.count()}")


def window_state(s):
    window = s.drive("window")
    return window["client"], window["screen"], window["dpi"]


def on_desktop(screen_rect, desktop=(1024, 768)):
    x, y, w, h = screen_rect
    return 0 <= x and 0 <= y and x + w <= desktop[0] and y + h <= desktop[1]


@case
def dpi_messages(s):
    """WM_DPICHANGED with a DPI no monitor has, or a rectangle that is not one, changes nothing
    and never blocks; a DPI a monitor can have rescales the window, which stays on the desktop."""
    first, window = s.start_shown()
    client, screen, dpi = window_state(s)
    for wparam in (0, 1, 0x00010001, 0xFFFFFFFF, 0x00600090):  # 0, 1, 65535 (both halves), 96 x 144
        for lparam in (0, 0x1000, 0xDEADBEEF):
            for how in ("post", "send"):
                started = time.monotonic()
                s.drive(how, WM_DPICHANGED, wparam, lparam, met=False)
                took = time.monotonic() - started
                check(took < 5, f"{how} WM_DPICHANGED {wparam:#x}: {took:.1f} s")
    check(first.poll() is None, "the program ended after bogus WM_DPICHANGED messages")
    check(window_state(s) == (client, screen, dpi),
          f"bogus WM_DPICHANGED changed the window: {window_state(s)}, was {(client, screen, dpi)}")

    # 120 DPI (both halves) with a rectangle far off the desktop, in the program's memory.
    rect = s.drive("remote-rect", -32768, -32768, -32000, -32000)
    s.drive("send", WM_DPICHANGED, 0x00780078, rect["address"])
    changed = s.drive("window")
    # Wine draws the caption at the system DPI while the window sizes it for 120: a few pixels of
    # height more. The width is exact.
    width, height = changed["client"]
    check(width == (500 * 120 + 48) // 96 and abs(height - (450 * 120 + 48) // 96) <= 8,
          f"client at 120 DPI: {changed['client']}")
    check(on_desktop(changed["screen"]), f"the window left the desktop: {changed['screen']}")
    # The same DPI with lParam pointing nowhere: the window stays where it is.
    s.drive("send", WM_DPICHANGED, 0x00780078, 0xDEADBEEF)
    check(s.drive("window")["screen"] == changed["screen"], f"moved by an unreadable rectangle: {s.drive('window')}")
    s.screenshot("dpi-120")
