"""End-to-end cases of the notification-area icon: clicked with the real pointer (xdotool) where
Wine's taskbar draws it, its hint, balloon and menu, and its appearance with and without a
taskbar.
"""

import re
import time

import screen
from cases_cleaning import check_one_purge, wait_for_requests
from harness import WORKERS, case, feature_threads, check, check_brought_back, minimise, stays_hidden, wait_until
from wine_trace import NIM_ADD

# The taskbar wait gives up after ten seconds; the icon then shows all the same.
SHELL_WAIT_S = 10.0


def shown_icon(s, name):
    icon = s.tray_icon(name, colour="green")
    check(icon, f"no green icon in the notification area (screenshot {name}.png)")
    return icon


def icon_added(trace, timeout_s):
    adds = trace.wait_for(lambda t: [e for e, message in t.notify_icon_calls() if message == NIM_ADD], timeout_s)
    check(adds, f"the program did not add its icon (Shell_NotifyIconW NIM_ADD) within {timeout_s} s")
    check(len(adds) == 1, f"the icon was added {len(adds)} times")
    return adds[0]


@case
def tray_icon(s):
    """With a taskbar, the icon is added at once (no ten-second wait), green, with the hint "RamBroom"."""
    process, _ = s.start_shown(traced=True)
    trace = process.trace
    added = icon_added(trace, 10)
    first_tick = trace.ticks()[0]
    check(added.t - first_tick.t < SHELL_WAIT_S / 2,
          f"the icon was added {added.t - first_tick.t:.1f} s after the start although the taskbar was there")
    check(not feature_threads(trace), f"threads started although the taskbar was there: {feature_threads(trace)}")
    icon = shown_icon(s, "tray-icon")

    s.input.move(*icon.centre)
    hint = s.drive("tooltip", "hint", 5000, met=False)
    s.input.park()
    check([tip["text"] for tip in hint["tips"]] == ["RamBroom"], f"hint of the icon: {hint['tips']}")


@case
def tray_click(s):
    """A left click shows the hidden or minimised window; with cleaning on tray clicks ticked it
    cleans instead and says so in a balloon titled with the window's caption; during that job a
    click does nothing."""
    process, window = s.start_shown(traced=True)
    trace = process.trace
    icon = shown_icon(s, "tray-click")

    s.drive("close")
    s.drive("wait", "hidden", 10000)
    s.input.click(*icon.centre)
    s.input.park()
    check_brought_back(s, "a click on the icon", window["client"])
    minimise(s)
    s.input.click(*icon.centre)
    s.input.park()
    check_brought_back(s, "a click on the icon after minimising", window["client"])
    time.sleep(0.5)
    check(not trace.purge_requests(), "a click on the icon cleaned with cleaning on tray clicks unticked")

    s.drive("setcheck", "ChkCleanOnTray", 1)
    s.drive("close")
    s.drive("wait", "hidden", 10000)
    with s.held_job(start=lambda: s.input.click(*icon.centre)) as held:
        check(held["busy"] == {"text": s.texts["CleanBusy"], "enabled": False}, f"clean button while busy: {held['busy']}")
        check(s.tray_icon("tray-click-busy", colour="grey", timeout_s=5), "the tray icon is not grey during the job")
        s.input.click(*icon.centre)
        s.input.park()
        # The program has taken the click once it answers the driver: both wait in its queue in turn.
        time.sleep(0.5)
        s.drive("count")
        check(stays_hidden(s, 1.0), "a click during the job showed the window")
    worker = check_one_purge(s, trace, wait_for_requests(trace, 6), worker=held["thread"])
    check(held["after"]["enabled"], f"clean button after the job: {held['after']}")

    # What the program asked the shell for, as the hold's spy saw it: Wine draws a balloon's
    # title but does not give it back.
    asked = wait_until(lambda: (answer := s.drive("balloons"))["count"] and answer, 5) or s.drive("balloons")
    check(asked["noting"], f"the spy could not watch the program's Shell_NotifyIconW: {asked}")
    check(asked["count"] == 1, f"{asked['count']} balloons asked for after one clean")
    check((asked["title"], asked["text"]) == (window["caption"], s.texts["Cleaned"]),
          f"balloon asked for: title {asked['title']!r}, text {asked['text']!r}")
    balloon = s.drive("tooltip", "balloon", 6000, met=False)
    s.screenshot("tray-balloon")
    check([tip["text"] for tip in balloon["tips"]] == [s.texts["Cleaned"]], f"balloon after the clean: {balloon['tips']}")
    check(stays_hidden(s, 0.5), "the window showed after a clean from the icon")
    requests = trace.purge_requests()
    check(len(requests) == 6, f"{len(requests)} purge requests: the click during the job started another clean "
          f"(threads {sorted({hex(r.thread) for r in requests} - {hex(worker)})})")


# The menu's rows as the form table has them (the menu has no window of its own to ask), and
# what each item does.
MENU_ROWS = ["item", "separator", "item", "item"]
OPEN, CREDIT, QUIT = 0, 2, 3


def open_menu(s, icon, screenshot):
    """Right-clicks the icon; returns the menu's rows (screen.menu_rows) once it is open."""
    s.input.click(*icon.centre, button=3)
    s.input.park()
    menu = s.drive("popup", 5000, met=False)
    check(menu["found"], "a right click on the icon opened no menu")
    rows = screen.menu_rows(s.picture(screenshot), menu["screen"])
    check([kind for kind, _ in rows] == MENU_ROWS, f"the menu's rows are {rows} (screenshot {screenshot}.png)")
    return menu["screen"], rows


def choose(s, menu, rows, index):
    """Clicks a row of the open menu, as a user would: keys go astray under Wine while the
    program's window is hidden."""
    x, _, width, _ = menu
    s.input.click(x + width // 2, rows[index][1])
    s.input.park()


@case
def tray_menu(s):
    """The icon's menu: its first item shows the hidden window, the credit opens the versioned
    product page, Quit asks first (No keeps running, Yes ends the program)."""
    first, _ = s.start_shown()
    icon = shown_icon(s, "tray-menu-icon")

    s.drive("close")
    s.drive("wait", "hidden", 10000)
    choose(s, *open_menu(s, icon, "tray-menu"), OPEN)
    check(s.drive("wait", "visible", 10000, met=False)["met"], "the menu's first item did not show the window")

    urls = len(s.opened_urls())
    choose(s, *open_menu(s, icon, "tray-menu-2"), CREDIT)
    opened = wait_until(lambda: s.opened_urls()[urls:], 15)
    check(opened and re.search(r"\d+\.\d+\.\d+$", opened[0]), f"the credit item opened {opened}")

    for answer in ("no", "yes"):
        choose(s, *open_menu(s, icon, "tray-menu-3"), QUIT)
        box = s.drive("msgbox", 10000)
        check(box["text"] == s.texts["QuitQuestion"], f"Quit asked {box['text']!r}")
        s.drive("answer", answer, 10000)
        if answer == "no":
            check(s.count() == (1, 1), f"after No: (windows, processes) = {s.count()}")
    check(wait_until(lambda: s.count() == (0, 0), 10), f"still running after Yes: {s.count()}")
    check(s.returns(first, 10) == 0, "exit code after Yes is not 0")


@case
def close_keeps_icon(s):
    """Closing hides the window and keeps the icon; a second launch brings the window to the front."""
    first, _ = s.start_shown()
    shown_icon(s, "close-before")
    s.drive("close")
    s.drive("wait", "hidden", 10000)
    shown_icon(s, "close-hidden")
    code = s.returns(s.launch(), 20)
    check(code == 0, f"second launch exit code {code}")
    window = s.drive("wait", "visible", 10000, met=False)
    check(window["met"] and window["foreground"], f"the second launch did not bring the window to the front: {window}")
    check(s.count() == (1, 1) and first.poll() is None, f"(windows, processes) = {s.count()}")


@case
def start_in_tray(s):
    """A first launch with "/start" shows only the icon."""
    s.launch("/start")
    s.drive("wait", "exists", 20000)
    shown_icon(s, "start-in-tray")
    check(stays_hidden(s, 1.0), "the window showed after /start")
    check(s.count() == (1, 1), f"(windows, processes) = {s.count()}")


@case
def no_taskbar(s):
    """Without any taskbar, the icon is added after the ten-second wait, not before."""
    answer, trace = s.launch_without_shell()
    check(answer["pid"], f"could not start the program without a shell: {answer}")
    check(not answer["taskbar"], "the desktop the program started on has a taskbar")
    added = icon_added(trace, SHELL_WAIT_S + 10)
    first_tick = trace.ticks()[0]
    waited = added.t - first_tick.t
    check(SHELL_WAIT_S - 0.5 <= waited <= SHELL_WAIT_S + 2, f"the icon was added {waited:.2f} s after the start")
    names = [n.name for n in feature_threads(trace)]
    check(names == [WORKERS["kTaskbarWaitWorker"]], f"threads named: {names}")
