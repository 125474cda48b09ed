#!/usr/bin/env python3
"""Soak of the real RamBroom.exe under Wine, driven the whole time; run by bench/soak.sh, which
builds the program and the driver and sets up the display and the prefix.

    soak.py --app RamBroom.exe --driver rambroom_driver.exe --minutes N --cleans N
            --csv FILE --artifacts DIR

Rounds follow one another at a steady pace until the time is up. Each round starts with the
window shown on the home page, nothing open and no clean running; it samples the program there
(always the same state, so the figures compare), then: cleans with the clean button, switches to
the settings page and back, opens the tray icon's menu (closed with Escape, or with a click
elsewhere on alternate rounds, when the window is hidden), hides the window (WM_CLOSE, as the
close button), cleans with a click on the tray icon with "clean on tray click" ticked, and shows
the window again with a click on the icon. A round takes two cleans; when the rounds fall behind
the clean count asked for, the clean button is pressed more often.

A clean counts once the program has started its cleaning worker (Wine's thread-name trace) and
its clean button is back to idle. A step the program does not answer within its time fails the
soak, as a leak does.
"""

import argparse
import csv
import json
import math
import statistics
import subprocess
import sys
import threading
import time
from pathlib import Path

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
from harness import WORKERS, Failure, Session, check, wait_until, wine_loader  # noqa: E402

# Minutes 0-1 are the program's warm-up (Wine's caches fill as each path runs once: the first
# opening of the menu alone adds 16 GDI objects for good). Growth is judged from there on: the
# median over the last 10 minutes against the median over minutes 1-5. Medians, because the
# counts' noise is rare and one-sided: a sample taken while a status tick paints through its
# off-screen DC holds a memory DC, a bitmap and a region more (4 of 126 samples of a 15-minute
# soak), and now and then the program holds 2-3 handles more for a moment (1 of those 126, 3 of
# 400 back-to-back samples of the idle window). A maximum would need a margin as large as the
# largest such spike; a median does not move for them, and moves with a single leaked object.
WARM_UP_S = 60
BASELINE_S = 4 * 60  # minutes 1-5
FINAL_S = 10 * 60  # the last 10 minutes
# How far the last median may lie above the first. The counts: nothing (measured: their medians
# never moved after the first minute). The resident set: 512 KiB, as Wine's heap takes pages now
# and then: +16 KiB from minute 1 to minute 15 of a 15-minute soak, not a page between 400
# back-to-back samples of the idle window; a leak of 1 KiB a clean adds 1 MiB over an hour.
FIGURES = [
    # key, label, margin
    ("rss_kb", "resident KiB", 512),
    ("gdi", "GDI objects", 0),
    ("handles", "handles", 0),
    ("threads", "threads", 0),
    ("windows", "windows", 0),
]
CLEAN_TIMEOUT_S = 15
STEP_TIMEOUT_S = 10
TRACE_CHANNELS = "-all,warn+threadname"


class Program:
    """RamBroom.exe as the soak started it: its Linux process (resident memory from /proc) and the
    cleaning workers it has started, counted from Wine's thread-name trace on its stderr."""

    def __init__(self, s):
        s.log.write("--- launch (soak)\n")
        s.log.flush()
        self.process = subprocess.Popen(wine_loader(s.app) + [str(s.app)], stdin=subprocess.DEVNULL, stdout=s.log,
                                        stderr=subprocess.PIPE, env=dict(s.env, WINEDEBUG=TRACE_CHANNELS),
                                        cwd=s.app.parent)
        s.launches.append(self.process)
        self.cleans = 0
        self._changed = threading.Condition()
        self._marker = f'renamed to L"{WORKERS["kCleaningWorker"]}"'.encode()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stderr:
            if self._marker in line:
                with self._changed:
                    self.cleans += 1
                    self._changed.notify_all()

    def wait_for_cleans(self, count, timeout_s):
        with self._changed:
            return self._changed.wait_for(lambda: self.cleans >= count, timeout_s)

    def rss_kb(self):
        # The loader's process is the Windows process (wine64 / wine, never the start.exe wrapper).
        status = Path(f"/proc/{self.process.pid}/status").read_text()
        return int(next(line.split()[1] for line in status.splitlines() if line.startswith("VmRSS:")))


class Soak:
    def __init__(self, s, program, minutes, cleans, csv_path):
        self.s = s
        self.program = program
        self.duration_s = minutes * 60
        self.target = cleans
        self.rounds = max(1, math.ceil(cleans / 2))
        self.period_s = self.duration_s / self.rounds
        self.csv_path = csv_path
        self.samples = []
        self.start = None
        self.icon = None
        self.menus = 0
        self.busy_s = 0.0  # how long the last round's steps took, against the round's period

    def elapsed(self):
        return time.monotonic() - self.start

    # --- sampling

    def sample(self, round_number):
        answer = self.s.drive("resources")
        windows = answer["windows"]
        row = {"t_s": round(self.elapsed(), 1), "round": round_number, "busy_s": round(self.busy_s, 1),
               "cleans": self.program.cleans,
               "rss_kb": self.program.rss_kb(), "gdi": answer["gdi"], "handles": answer["handles"],
               "threads": answer["threads"], "windows": windows["total"], "windows_top": windows["top"],
               "windows_child": windows["child"], "windows_message": windows["message"],
               "gdi_kinds": json.dumps(answer.get("gdi_kinds", {}), separators=(",", ":"))}
        # A count of nothing means the driver looked in the wrong place (another Wine may keep its GDI
        # handle table elsewhere): better to stop than to pass on zeros.
        for key in ("gdi", "handles", "windows"):
            check(row[key], f"the driver counted no {key} for the program: {answer}")
        self.samples.append(row)
        with open(self.csv_path, "a", newline="") as f:
            writer = csv.DictWriter(f, fieldnames=list(row))
            if f.tell() == 0:
                writer.writeheader()
            writer.writerow(row)

    # --- steps

    def idle_button(self):
        button = self.s.control("BtnClean")
        return button["enabled"] and button["text"] == self.s.texts["CleanIdle"]

    def clean(self, start, how):
        before = self.program.cleans
        start()
        check(self.program.wait_for_cleans(before + 1, CLEAN_TIMEOUT_S),
              f"clean {before + 1} ({how}): no cleaning worker started within {CLEAN_TIMEOUT_S} s")
        check(wait_until(self.idle_button, CLEAN_TIMEOUT_S),
              f"clean {before + 1} ({how}): the clean button stayed busy")

    def clean_by_button(self):
        self.clean(lambda: self.s.drive("click", "BtnClean"), "clean button")

    def clean_by_tray(self):
        self.s.drive("setcheck", "ChkCleanOnTray", 1)
        self.clean(lambda: self.click_icon(), "tray icon")
        self.s.drive("setcheck", "ChkCleanOnTray", 0)

    def click_icon(self, button=1):
        self.s.input.click(*self.icon.centre, button=button)
        self.s.input.park()

    def switch_pages(self):
        for button, page in (("BtnConfig", "Card2"), ("BtnHome", "Card1")):
            self.s.drive("click", button)
            check(wait_until(lambda: self.s.visible(page), STEP_TIMEOUT_S), f"{button} did not show {page}")

    def menu(self, shown):
        """Opens the icon's menu and closes it without choosing: with Escape while the window
        is shown, with a click on the desktop while it is hidden (keys go astray then)."""
        self.click_icon(button=3)
        check(self.s.drive("popup", STEP_TIMEOUT_S * 1000, met=False)["found"],
              "a right click on the icon opened no menu")
        if shown:
            self.s.input.key("Escape")
        else:
            self.s.input.click(2, 2)
        check(wait_until(lambda: not self.s.drive("popup", 0, met=False)["found"], STEP_TIMEOUT_S),
              f"the menu stayed open after {'Escape' if shown else 'a click elsewhere'}")
        self.menus += 1

    def hide(self):
        self.s.drive("close")
        self.s.drive("wait", "hidden", STEP_TIMEOUT_S * 1000)

    def show_by_tray(self):
        self.click_icon()
        check(self.s.drive("wait", "visible", STEP_TIMEOUT_S * 1000, met=False)["met"],
              "a click on the icon did not show the window")

    # --- the run

    def cleans_due(self, at_s):
        return min(self.target, math.floor(self.target * min(at_s, self.duration_s) / self.duration_s))

    def run(self):
        s = self.s
        s.drive("wait", "visible", 30000)
        self.icon = s.tray_icon("soak-icon", colour="green")
        check(self.icon, "no green icon in the notification area (soak-icon.png)")
        s.drive("setcheck", "ChkCleanOnTray", 0)
        self.start = time.monotonic()
        for number in range(self.rounds):
            round_end = (number + 1) * self.period_s
            self.sample(number)
            began = time.monotonic()
            last = number == self.rounds - 1
            # The button's share of the round: what the schedule wants by the round's end, less
            # the tray clean to come; the last round makes up the whole count.
            due = self.target if last else self.cleans_due(round_end)
            for _ in range(max(1, due - self.program.cleans - 1)):
                self.clean_by_button()
            self.switch_pages()
            shown_menu = number % 2 == 0
            if shown_menu:
                self.menu(shown=True)
            self.hide()
            if not shown_menu:
                self.menu(shown=False)
            if self.program.cleans < self.target:
                self.clean_by_tray()
            self.show_by_tray()
            self.busy_s = time.monotonic() - began
            pause = round_end - self.elapsed()
            if pause > 0:
                time.sleep(pause)
        self.sample(self.rounds)


# --- the verdict

def window(samples, start_s, end_s):
    return [row for row in samples if start_s <= row["t_s"] <= end_s]


def judge(samples, duration_s):
    """Rows of the table and the list of failures. After the warm-up, the span is split so that
    the first and last windows never overlap on a short run."""
    after = duration_s - WARM_UP_S
    baseline = window(samples, WARM_UP_S, WARM_UP_S + min(BASELINE_S, after / 2))
    final = window(samples, duration_s - min(FINAL_S, after / 2), math.inf)
    rows, failures = [], []
    warmed = next((row for row in samples if row["t_s"] >= WARM_UP_S), None)
    for key, label, margin in FIGURES:
        values = [row[key] for row in samples]
        row = {"label": label, "first": values[0], "warm": warmed[key] if warmed else None, "last": values[-1],
               "max": max(values), "base": None, "final": None, "margin": None, "verdict": "too short"}
        if baseline and final:
            row["base"] = statistics.median(r[key] for r in baseline)
            row["final"] = statistics.median(r[key] for r in final)
            row["margin"] = margin
            grew = row["final"] - row["base"]
            row["verdict"] = "ok" if grew <= row["margin"] else "GREW"
            if grew > row["margin"]:
                failures.append(f"{label} grew by {grew:g} after the first minute: median {row['final']:g} over the "
                                f"last window against {row['base']:g} over the first (margin {margin})")
        rows.append(row)
    return rows, failures, baseline, final


def report(rows, baseline, final, duration_s, soak):
    span = lambda rows_: f"{rows_[0]['t_s'] / 60:.1f}-{rows_[-1]['t_s'] / 60:.1f} min" if rows_ else "none"
    print(f"\nRamBroom soak: {duration_s / 60:g} min, {soak.program.cleans} cleans, {len(soak.samples)} samples, "
          f"{soak.menus} menus; CSV {soak.csv_path}")
    print(f"rule: the median over the last window ({span(final)}) may exceed the median over the first window "
          f"after the first minute ({span(baseline)}) by the margin at most")
    header = ["figure", "first", "at 1 min", "last", "max", "median 1st", "median last", "margin", "verdict"]
    table = [header] + [[r["label"], *("" if r[k] is None else f"{r[k]:g}" for k in
                                       ("first", "warm", "last", "max", "base", "final", "margin")), r["verdict"]]
                        for r in rows]
    widths = [max(len(line[i]) for line in table) for i in range(len(header))]
    for line in table:
        print("  ".join(cell.ljust(widths[0]) if i == 0 else cell.rjust(widths[i]) for i, cell in enumerate(line)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--app", required=True)
    parser.add_argument("--driver", required=True)
    parser.add_argument("--minutes", type=float, default=60)
    parser.add_argument("--cleans", type=int, default=1000)
    parser.add_argument("--csv", required=True)
    parser.add_argument("--artifacts", required=True)
    args = parser.parse_args()
    Path(args.csv).unlink(missing_ok=True)

    failures = []
    soak = None
    try:
        with Session("soak", args.app, args.driver, args.artifacts) as s:
            soak = Soak(s, Program(s), args.minutes, args.cleans, args.csv)
            soak.run()
    except Failure as error:
        failures.append(f"the soak stopped at {soak.elapsed() / 60 if soak and soak.start else 0:.1f} min: {error}")
    if soak and soak.samples:
        # The rounds end on the clean count, so a slow machine runs a little over the time asked.
        duration_s = soak.samples[-1]["t_s"]
        rows, grown, baseline, final = judge(soak.samples, duration_s)
        report(rows, baseline, final, duration_s, soak)
        failures += grown
    if failures:
        for failure in failures:
            print(f"FAIL: {failure}")
        return 1
    print("PASS: no figure grew after the first minute")
    return 0


if __name__ == "__main__":
    sys.exit(main())
