#!/usr/bin/env python3
"""End-to-end cases: the real RamBroom.exe under Wine, driven from outside.

    e2e.py CASE --app RamBroom.exe --driver rambroom_driver.exe --artifacts DIR
    e2e.py --list

The cases of the window and the process entry are here; cases_cleaning.py holds the cleaning
job, the status lines and automatic cleaning, cases_tray.py the notification-area icon,
cases_hardening.py what other processes and the system may throw at the program,
cases_squat.py the instance name held by another process, cases_settings.py the settings page,
cases_translate.py the window in other languages, cases_installer.py the setup program and
the uninstaller, cases_look.py the styled buttons, the accent line and the logo as the screen
shows them, cases_update.py the server check against a loopback server.
Each case starts with no instance running and ends every instance it caused. What the
window should hold (controls, parents, positions, captions, menu identifiers) comes from
the form table through the driver, never from copies here.
"""

import argparse
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
from harness import (CASES, USER_DEFAULT_SCREEN_DPI, Failure, Session, case, check, check_brought_back,  # noqa: E402
                     minimise, stays_hidden, wait_until)

IDYES, IDNO = 6, 7
# Control kinds whose window text is their design caption from the start; the status labels
# (empty in the table) are filled in by the program.
CAPTIONED_KINDS = {"ToolButton", "Label", "StyledButton", "GroupBox", "CheckBox"}


def control_problems(c, dpi):
    """What differs between one control's window and its row of the form table."""
    name = c["name"]
    if not c["found"]:
        return [f"{name}: no window with id {c['id']}"]
    problems = []
    if c["actual_parent"] != c["parent"]:
        problems.append(f"{name}: parent {c['actual_parent'] or 'window'!r}, table says {c['parent'] or 'window'!r}")
    # At 96 DPI the table's numbers are exact; scaled, each level of the parent chain rounds on its own.
    slack = 0 if dpi == USER_DEFAULT_SCREEN_DPI else c["depth"]
    (x, y, w, h), (ex, ey, ew, eh) = c["rect"], c["expected_rect"]
    off = [label for label, got, want in (("x", x, ex), ("y", y, ey), ("width", w, ew)) if abs(got - want) > slack]
    if c["kind"] == "Label":
        if h < eh - slack:  # a label may grow to its font's line height, never shrink
            off.append("height")
    elif c["kind"] != "ComboBox" and abs(h - eh) > slack:  # a closed drop-down list is as high as its font
        off.append("height")
    if off:
        problems.append(f"{name}: {', '.join(off)} off: at {c['rect']}, table {c['expected_rect']}")
    if c["kind"] in CAPTIONED_KINDS and c["design_caption"] and c["text"] != c["design_caption"]:
        problems.append(f"{name}: text {c['text']!r}, table {c['design_caption']!r}")
    if c["kind"] == "ComboBox" and c.get("items") != c["design_items"]:
        problems.append(f"{name}: items {c.get('items')}, table {c['design_items']}")
    if c["kind"] == "ToolButton" and c.get("checked") != int(c["design_down"]):
        problems.append(f"{name}: pressed {c.get('checked')}, table {int(c['design_down'])}")
    # The home page shows at start; the settings page's controls are on the hidden page.
    should_show = c["page"] != "Card2"
    if c["visible"] != should_show:
        problems.append(f"{name}: visible {c['visible']} on page {c['page'] or 'header'!r}")
    return problems


def shown_pages(s):
    return [page for page in ("Card1", "Card2") if s.visible(page)]


def pressed(s):
    return sorted(n for n in ("BtnHome", "BtnConfig", "BtnDonate") if s.control(n).get("checked") == 1)


def click_and_wait_for_page(s, button, page):
    s.drive("click", button)
    check(wait_until(lambda: shown_pages(s) == [page], 10), f"{button} did not show {page}: {shown_pages(s)}")


def window_region_varies(png, window):
    """True when the window's area of a screenshot is not one flat colour (it was drawn)."""
    x, y, w, h = window["screen"]
    done = subprocess.run(["convert", str(png), "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-format",
                           "%[fx:standard_deviation]", "info:"], capture_output=True, text=True, timeout=30)
    return done.returncode == 0 and float(done.stdout or 0) > 0.01


@case
def first_launch(s):
    """The window, its caption and size, and every control of the table where the table puts it."""
    process, window = s.start_shown()
    check((window["windows"], window["processes"]) == (1, 1), f"one window and one process expected: {window}")
    check(window["class"] == "TFrmRamBroom", f"class {window['class']!r}")
    check(window["caption"] == "RamBroom", f"caption {window['caption']!r}")
    check(window["client"] == window["expected_client"],
          f"client {window['client']} at {window['dpi']} DPI, expected {window['expected_client']}")
    if window["dpi"] == USER_DEFAULT_SCREEN_DPI:
        check(window["client"] == [500, 450], f"client {window['client']} at {USER_DEFAULT_SCREEN_DPI} DPI")
    check(window["foreground"], "the first launch's window is not in the foreground")
    frame = {key: window[key] for key in ("sizable", "minimize_box", "maximize_box")}
    check(frame == {"sizable": False, "minimize_box": True, "maximize_box": False}, f"frame {frame}")
    problems = [p for c in s.drive("dump")["controls"] for p in control_problems(c, window["dpi"])]
    check(not problems, "controls differ from the form table:\n  " + "\n  ".join(problems))
    check(process.poll() is None, "the first instance ended")


@case
def high_dpi(s):
    """At 144 DPI the window and every control of the table are scaled by one and a half."""
    s.set_dpi(144)
    _, window = s.start_shown()
    check(window["dpi"] == 144, f"the window runs at {window['dpi']} DPI")
    check(window["client"] == window["expected_client"],
          f"client {window['client']} at 144 DPI, expected {window['expected_client']}")
    problems = [p for c in s.drive("dump")["controls"] for p in control_problems(c, 144)]
    check(not problems, "controls differ from the form table at 144 DPI:\n  " + "\n  ".join(problems))
    s.screenshot("home-144dpi")


@case
def second_launch(s):
    """A later launch shows and raises the hidden or minimised window, or with "/start" leaves it
    alone."""
    first, window = s.start_shown()
    client = window["client"]
    launches = [
        ((), "close", True),
        (("/inst",), "close", True),     # "/inst" acts in a first instance only
        (("/START",), "close", True),    # switches match exactly: this is no switch
        (("/start",), "close", False),   # the logon task firing while an instance runs
        (("/x", "/start"), "close", True),  # only the first argument counts
        ((), "minimise", True),
    ]
    for args, put_away, shows in launches:
        if put_away == "close":
            s.drive("close")
            s.drive("wait", "hidden", 10000)
        else:
            minimise(s)
        code = s.returns(s.launch(*args), 20)
        check(code == 0, f"second launch {args} exit code {code}")
        if shows:
            check_brought_back(s, f"second launch {args} after {put_away}", client)
        else:
            check(stays_hidden(s, 1.0), f"second launch {args} showed the window")
        check(s.count() == (1, 1), f"after second launch {args}: (windows, processes) = {s.count()}")
    check(first.poll() is None, "the first instance ended")


@case
def first_launch_switches(s):
    """A first launch with "/start" creates the window but never shows it; other texts are no switch."""
    launches = [
        (("/start",), False),
        (("/START",), True),
        (("start",), True),
        (("/x", "/start"), True),
    ]
    for args, shows in launches:
        s.kill_all()
        s.launch(*args)
        s.drive("wait", "exists", 20000)
        if shows:
            check(s.drive("wait", "visible", 10000, met=False)["met"], f"first launch {args} shows no window")
        else:
            check(stays_hidden(s), f"first launch {args} showed the window")
        check(s.count() == (1, 1), f"first launch {args}: (windows, processes) = {s.count()}")


@case
def uninst(s):
    """"/uninst" makes the running instance quit before the launch returns; alone it does nothing."""
    code = s.returns(s.launch("/uninst"), 15)
    check(code == 0, f"/uninst with nothing running: exit code {code}")
    check(s.count() == (0, 0), f"/uninst with nothing running left {s.count()}")

    first, _ = s.start_shown()
    code = s.returns(s.launch("/uninst"), 15)
    check(code == 0, f"/uninst exit code {code}")
    check(not s.drive("window", met=False)["found"], "the window is still there when the /uninst launch returns")
    check(wait_until(lambda: s.count() == (0, 0), 10), f"the instance is still running: {s.count()}")
    check(s.returns(first, 10) == 0, "the instance did not exit with code 0")


@case
def ten_launches(s):
    """Ten launches at the same moment leave exactly one instance."""
    processes = [s.launch() for _ in range(10)]
    check(wait_until(lambda: sum(p.poll() is not None for p in processes) >= 9, 60),
          f"{sum(p.poll() is None for p in processes)} launches still running after 60 s")
    s.drive("wait", "visible", 20000)
    check(s.count() == (1, 1), f"(windows, processes) = {s.count()}")
    running = [p for p in processes if p.poll() is None]
    check(len(running) == 1, f"{len(running)} launches still running")
    codes = [p.returncode for p in processes if p.poll() is not None]
    check(all(code == 0 for code in codes), f"exit codes of the later launches: {codes}")


@case
def header_pages(s):
    """Home and Config switch pages and the pressed button; Donate only opens the donation page."""
    s.start_shown()
    check(shown_pages(s) == ["Card1"], f"pages showing at start: {shown_pages(s)}")
    check(pressed(s) == ["BtnHome"], f"pressed at start: {pressed(s)}")

    click_and_wait_for_page(s, "BtnConfig", "Card2")
    check(pressed(s) == ["BtnConfig"], f"pressed after Config: {pressed(s)}")

    before = len(s.opened_urls())
    s.drive("click", "BtnDonate")
    new_urls = wait_until(lambda: s.opened_urls()[before:], 15)
    check(new_urls, "Donate opened nothing")
    time.sleep(0.5)  # a second URL from the same click would show up by now
    new_urls = s.opened_urls()[before:]
    check(len(new_urls) == 1 and "donate" in new_urls[0], f"Donate opened {new_urls}")
    check(shown_pages(s) == ["Card2"], f"pages showing after Donate: {shown_pages(s)}")
    check(pressed(s) == ["BtnConfig"], f"pressed after Donate: {pressed(s)}")

    click_and_wait_for_page(s, "BtnHome", "Card1")
    check(pressed(s) == ["BtnHome"], f"pressed after Home: {pressed(s)}")


def one_question_in_front(s):
    """The message boxes once a further Quit had time to open one: a second box would show
    within this wait, and the first comes to the front within it."""
    in_front = wait_until(lambda: (box := s.drive("msgbox", 0, met=False))["count"] > 1 or box["foreground"], 5)
    time.sleep(0.5)
    box = s.drive("msgbox", 0, met=False)
    check(box["count"] == 1, f"{box['count']} quit questions are open")
    check(in_front and box["foreground"], "the open quit question was not brought to the front")
    return box


@case
def quit_question(s):
    """The menu's Quit asks first, one question at a time (a further Quit brings the open one to
    the front): No keeps the program, Yes ends it."""
    first, window = s.start_shown()
    s.drive("menu", "BtnClose")
    box = s.drive("msgbox", 10000)
    check(box["count"] == 1, f"{box['count']} message boxes for one Quit")
    check(box["text"] == s.texts["QuitQuestion"], f"question {box['text']!r}")
    check(box["caption"] == window["caption"], f"message box caption {box['caption']!r}")
    buttons = {b["id"]: b for b in box["buttons"]}
    check(sorted(buttons) == [IDYES, IDNO], f"buttons {box['buttons']}")
    check(buttons[IDNO]["default"], "No is not the default button")

    for request in (2, 3):
        s.input.click(2, 2)  # the desktop takes the foreground
        check(wait_until(lambda: not s.drive("msgbox", 0)["foreground"], 5),
              "the question kept the foreground over a click on the desktop")
        s.drive("menu", "BtnClose")
        box = one_question_in_front(s)
        check(box["text"] == s.texts["QuitQuestion"], f"after Quit {request}: {box['text']!r} is open")

    s.drive("answer", "no", 10000)
    check(s.count() == (1, 1), f"after No: (windows, processes) = {s.count()}")
    check(not s.drive("msgbox", 0, met=False)["found"], "a message box is still open after No")

    s.drive("menu", "BtnClose")
    check(s.drive("msgbox", 10000)["count"] == 1, "more than one question after a fresh Quit")
    s.drive("answer", "yes", 10000)
    check(wait_until(lambda: s.count() == (0, 0), 10), f"still running after Yes: {s.count()}")
    check(s.returns(first, 10) == 0, "exit code after Yes is not 0")


@case
def end_session(s):
    """Log-off: the program agrees, asks nothing and ends."""
    first, _ = s.start_shown()
    answer = s.drive("endsession")
    check(answer["result"] == 1, f"WM_QUERYENDSESSION answered {answer['result']}")
    check(not s.drive("msgbox", 0, met=False)["found"], "a message box appeared at log-off")
    check(wait_until(lambda: s.count() == (0, 0), 10), f"still running after log-off: {s.count()}")
    check(s.returns(first, 10) == 0, "exit code after log-off is not 0")


def window_state(s):
    """What a message or key that should change nothing must leave as it was."""
    window = s.drive("window")
    state = {key: window[key] for key in ("visible", "iconic", "foreground", "focus", "client", "screen")}
    return dict(state, pages=shown_pages(s), processes=window["processes"])


@case
def close_hides(s):
    """The close button hides the window to the tray; the program keeps running. Control
    messages it does not know answer 0 and change nothing, shown or hidden: among them wParam
    0, which IsDialogMessageW sends as DM_GETDEFID (no default button)."""
    first, _ = s.start_shown()
    before = window_state(s)
    for wparam in (0, 3):
        answer = s.drive("user", wparam)
        check(answer["result"] == 0, f"WM_USER {wparam} answered {answer['result']}")
    check(window_state(s) == before, f"WM_USER 0 and 3 changed the window: {before} -> {window_state(s)}")

    s.drive("close")
    s.drive("wait", "hidden", 10000)
    for wparam in (0, 3):
        answer = s.drive("user", wparam)
        check(answer["result"] == 0, f"WM_USER {wparam} to the hidden window answered {answer['result']}")
    check(stays_hidden(s, 1.0), "the hidden window came back")
    check(first.poll() is None and s.count() == (1, 1), f"closing ended the program: {s.count()}")


def press(s, key):
    """A real key press, to the foreground window; returns once the program had time for it."""
    s.input.key(key)
    time.sleep(0.5)
    s.drive("count")


def focus_on(s, name, presses=6):
    """Tabs through the window until `name` has the keyboard focus."""
    seen = [s.drive("window")["focus"]]
    while seen[-1] != name and len(seen) <= presses:
        s.input.key("Tab")
        seen.append(wait_until(lambda: (focus := s.drive("window")["focus"]) != seen[-1] and focus, 2) or seen[-1])
    check(seen[-1] == name, f"Tab never gave {name} the focus: {seen}")


@case
def keys(s):
    """F1 shows no help; Enter on the clean button cleans as a click does; Enter on the window
    itself or on a check box changes nothing."""
    process, window = s.start_shown(traced=True)
    trace = process.trace
    check(window["foreground"], "the window is not in the foreground for the keys")
    s.input.park()
    before = window_state(s)
    for key in ("F1", "Return"):
        press(s, key)
        check(not s.drive("msgbox", 0, met=False)["found"], f"{key} opened a message box")
        check(window_state(s) == before, f"{key} on {before['focus'] or 'nothing'} changed the window: "
              f"{before} -> {window_state(s)}")
    check(not trace.purge_requests(), "Enter on the window itself started a clean")

    focus_on(s, "BtnClean")
    press(s, "Return")
    cases_cleaning.check_one_purge(s, trace, cases_cleaning.wait_for_requests(trace, 6))
    check(wait_until(lambda: s.control("BtnClean")["enabled"], 5), "the clean button stayed disabled")

    click_and_wait_for_page(s, "BtnConfig", "Card2")
    focus_on(s, "ChkCleanOnTray", presses=12)
    box = s.control("ChkCleanOnTray")["checked"]
    before = window_state(s)
    press(s, "Return")
    check(s.control("ChkCleanOnTray")["checked"] == box, "Enter on a check box changed it")
    check(window_state(s) == before, f"Enter on a check box changed the window: {before} -> {window_state(s)}")
    check(len(trace.purge_requests()) == 6, f"{len(trace.purge_requests())} purge requests for one Enter on the "
          "clean button")


@case
def screenshots(s):
    """Pictures of both pages, kept for a person to look at; each shows a drawn window."""
    _, window = s.start_shown()
    time.sleep(1.5)  # the first status refresh and paint
    home = s.screenshot("home")
    check(window_region_varies(home, window), f"{home}: the window's area is blank")
    click_and_wait_for_page(s, "BtnConfig", "Card2")
    time.sleep(0.5)
    settings = s.screenshot("settings")
    check(window_region_varies(settings, window), f"{settings}: the window's area is blank")
    print(f"screenshots: {home} {settings}")


# The other groups of cases register themselves as they are imported (keys uses the purge
# helpers of cases_cleaning).
import cases_cleaning  # noqa: E402
import cases_squat  # noqa: E402,F401
import cases_tray  # noqa: E402,F401
import cases_hardening  # noqa: E402,F401
import cases_settings  # noqa: E402,F401
import cases_translate  # noqa: E402,F401
import cases_installer  # noqa: E402,F401
import cases_look  # noqa: E402,F401
import cases_update  # noqa: E402,F401


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("case", nargs="?", choices=sorted(CASES))
    parser.add_argument("--list", action="store_true", help="print the case names")
    parser.add_argument("--app")
    parser.add_argument("--driver")
    parser.add_argument("--artifacts", default="e2e-artifacts")
    parser.add_argument("--installer", help="the setup program (installer/build.sh), for the installer_* cases")
    args = parser.parse_args()
    if args.list:
        print("\n".join(CASES))
        return 0
    if not (args.case and args.app and args.driver):
        parser.error("CASE, --app and --driver are required")
    try:
        with Session(args.case, args.app, args.driver, args.artifacts, installer=args.installer) as session:
            CASES[args.case](session)
    except Failure as failure:
        print(f"FAIL {args.case}: {failure}")
        return 1
    print(f"PASS {args.case}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
