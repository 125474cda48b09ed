"""End-to-end cases of the cleaning job, the usage lines (their figures and their drawing) and
automatic cleaning.

A clean is seen in the program's Wine trace: the purge asks NtSetSystemInformation six times,
which Wine answers with a "stub" line naming the thread, the information class and the length.
"""

import re
import subprocess
import threading
import time

import screen
from harness import IMAGE_FILE_MACHINE_AMD64, WORKERS, case, feature_threads, check, pe_machine, translated, wait_until

MIB = 1048576

# The purge, in order: trim the file cache (SYSTEM_FILECACHE_INFORMATION: 36 bytes in a 32-bit
# process, 64 in a 64-bit one), four memory-list commands, combine identical pages.
FILE_CACHE_INFORMATION, MEMORY_LIST_INFORMATION, COMBINE_PHYSICAL_MEMORY_INFORMATION = 0x15, 0x50, 0x82


def expected_purge(app):
    cache_length = 0x40 if pe_machine(app) == IMAGE_FILE_MACHINE_AMD64 else 0x24
    return ([(FILE_CACHE_INFORMATION, cache_length)] + [(MEMORY_LIST_INFORMATION, 4)] * 4 +
            [(COMBINE_PHYSICAL_MEMORY_INFORMATION, 0x18)])


def wait_for_requests(trace, count, timeout_s=10):
    requests = trace.wait_for(lambda t: len(t.purge_requests()) >= count and t.purge_requests(), timeout_s)
    got = len(requests or [])
    check(requests, f"{got} purge requests after {timeout_s} s, {count} expected")
    return requests


def check_one_purge(s, trace, requests, worker=None):
    """Six requests in order, all from one thread that is not the UI thread; returns that thread."""
    seen = [(r.info_class, r.length) for r in requests]
    check(seen == expected_purge(s.app), f"purge requests {[(hex(c), hex(n)) for c, n in seen]}, expected "
          f"{[(hex(c), hex(n)) for c, n in expected_purge(s.app)]}")
    threads = {r.thread for r in requests}
    check(len(threads) == 1, f"one clean's requests came from threads {sorted(map(hex, threads))}")
    thread = threads.pop()
    check(thread not in trace.ui_threads(), f"the purge ran on the UI thread {thread:#x}")
    if worker is not None:
        check(thread == worker, f"the purge ran on thread {thread:#x}, not on the worker {worker:#x} the click started")
    return thread


def button_state(s):
    button = s.control("BtnClean")
    return {"text": button["text"], "enabled": button["enabled"]}


@case
def clean_button(s):
    """The clean button: busy (caption, disabled, grey tray icon) while the job runs, the purge
    from a worker thread, then idle again; no notification."""
    process, _ = s.start_shown(traced=True)
    trace = process.trace
    idle = {"text": s.control("BtnClean")["design_caption"], "enabled": True}
    check(s.tray_icon("clean-idle", colour="green"), "no green icon in the notification area before the clean")

    with s.held_job() as held:
        # The worker waits before its purge: the busy state holds still to be looked at.
        check(held["before"] == idle, f"clean button before the click: {held['before']}")
        check(held["busy"] == {"text": s.texts["CleanBusy"], "enabled": False}, f"clean button while busy: {held['busy']}")
        check(s.tray_icon("clean-busy", colour="grey", timeout_s=5), "the tray icon is not grey while the job runs")
        check(not trace.purge_requests(), "purge requests before the worker ran")
    check(held["after"] == idle, f"clean button after the job: {held['after']}")
    first = check_one_purge(s, trace, wait_for_requests(trace, 6), worker=held["thread"])
    check(s.tray_icon("clean-done", colour="green", timeout_s=5), "the tray icon is not green again after the job")

    # Unheld, at Wine's own pace, a second job runs the same way.
    s.drive("click", "BtnClean")
    second = check_one_purge(s, trace, wait_for_requests(trace, 12)[6:])
    check(wait_until(lambda: button_state(s) == idle, 5), f"clean button after the second job: {button_state(s)}")

    # A balloon would be there about two seconds after its request.
    balloon = s.drive("tooltip", "balloon", 3000, met=False)
    check(not balloon["found"], f"the clean button showed a notification: {balloon['tips']}")
    asked = s.drive("balloons")
    check(asked["noting"] and asked["count"] == 0, f"the clean button asked for a balloon: {asked}")
    check(len(trace.purge_requests()) == 12, f"{len(trace.purge_requests())} purge requests for two clicks")
    # Each purge ran on a thread named as the cleaning worker before it ran.
    named = [(n.thread, n.name) for n in feature_threads(trace)]
    check(named == [(first, WORKERS["kCleaningWorker"]), (second, WORKERS["kCleaningWorker"])],
          f"threads named: {named}, purges on {first:#x} and {second:#x}")


# Each locale's separators as Wine's locale data has them, and its language: the physical line's
# format is translated (German has no rows in the catalog: English).
STATUS_LOCALES = [
    ("ko_KR.UTF-8", ",", ".", "ko"),
    ("en_US.UTF-8", ",", ".", "en"),
    ("de_DE.UTF-8", ".", ",", "de"),
    ("ru_RU.UTF-8", "\u00a0", ",", "ru"),
]


def line_template(format_text, *names):
    """One of the program's line formats ("%.0n" whole, "%n" two decimals, "%%") as a template
    with the fields named in order: "{used} MB ({pct}%)"."""
    fields = iter(names)
    return re.sub(r"%(?:\.0)?n|%%", lambda m: "%" if m[0] == "%%" else "{" + next(fields) + "}", format_text)


def status_templates(s, language="ko"):
    """The three lines' templates, from the program's formats as a user of `language` sees them
    (the page-file and file-cache lines are never translated)."""
    secondary = line_template(s.texts["SecondaryStatusFormat"], "used", "pct")
    physical = translated(s.texts["PhysStatusFormat"], language)
    return {"phys": line_template(physical, "used", "total", "pct"), "page": secondary, "work": secondary}


def line_pattern(template, thousand, decimal):
    """A line's regex: whole megabytes grouped by threes, percentages with exactly two decimals."""
    whole = rf"\d{{1,3}}(?:{re.escape(thousand)}\d{{3}})*"
    fields = {"used": f"(?P<used>{whole})", "total": f"(?P<total>{whole})",
              "pct": rf"(?P<pct>{whole}{re.escape(decimal)}\d\d)"}
    text = re.escape(template).replace(r"\{", "{").replace(r"\}", "}")
    return re.compile("^" + text.format(**fields) + "$")


def read_number(text, thousand, decimal):
    return float(text.replace(thousand, "").replace(decimal, "."))


def status_problems(lines, bar, before, after, thousand, decimal, templates):
    """What is wrong with one reading of the lines, against the driver's GlobalMemoryStatusEx
    just before and after (the program's tick was up to a second earlier)."""
    problems = []
    parsed = {}
    for key, template in templates.items():
        match = line_pattern(template, thousand, decimal).match(lines[key])
        if not match:
            return [f"{key} line {lines[key]!r} is not in the form {template!r} with {thousand!r} and {decimal!r}"]
        parsed[key] = {name: read_number(value, thousand, decimal) for name, value in match.groupdict().items()}

    # Used memory drifts between readings; a few megabytes of slack on either side. More free than
    # total (a 32-bit process under qemu-i386 is told the physical total modulo 4 GiB) shows as
    # nothing used.
    slack_mb = 16
    for key, total, avail in (("phys", "total_phys", "avail_phys"), ("page", "total_page", "avail_page")):
        used = [max(m[total] - m[avail], 0) / MIB for m in (before, after)]
        shown = parsed[key]["used"]
        if not min(used) - slack_mb <= shown <= max(used) + slack_mb:
            problems.append(f"{key}: {shown:.0f} MB used shown, {used[0]:.0f}..{used[1]:.0f} MB measured")
        total_mb = before[total] / MIB
        # The percentage of the same snapshot: used / total, within a megabyte's worth.
        expected_pct = shown * 100 / total_mb
        if abs(parsed[key]["pct"] - expected_pct) > 0.01 + 100 / total_mb:
            problems.append(f"{key}: {parsed[key]['pct']:.2f}% shown for {shown:.0f} MB of {total_mb:.0f} MB")
    if parsed["phys"]["total"] != round(before["total_phys"] / MIB):
        problems.append(f"phys: total {parsed['phys']['total']:.0f} MB, {before['total_phys'] / MIB:.1f} MB measured")
    if bar != round(parsed["phys"]["pct"]):
        problems.append(f"bar at {bar}, physical usage {parsed['phys']['pct']:.2f}%")
    return problems


@case
def status_lines(s):
    """The three usage lines and the bar show the machine's figures in the user's number format."""
    # The figures are those a process of the program's own bitness is told (under qemu-i386 a
    # 32-bit one is told another physical total): the probe is the driver of the same build.
    check(pe_machine(s.driver) == pe_machine(s.app), "the driver and the program are of different machine types")
    session_env = s.env
    try:
        for locale, thousand, decimal, language in STATUS_LOCALES:
            s.use_locale(locale)
            status_lines_in(s, locale, thousand, decimal, status_templates(s, language))
    finally:
        s.env = session_env


def read_status(s, thousand, decimal, templates, tries=8):
    """Reads the three lines and the bar until they agree with the machine's figures or `tries`
    readings a second apart did not; returns the last lines and what was wrong with them."""
    problems = ["never read"]
    for _ in range(tries):
        before = s.drive("memstatus")
        lines = {key: s.control(name)["text"]
                 for key, name in (("phys", "LblPhysStatus"), ("page", "LblVirtualStatus"),
                                   ("work", "LblWorkingStatus"))}
        bar = s.control("ProgressBar")["position"]
        after = s.drive("memstatus")
        problems = status_problems(lines, bar, before, after, thousand, decimal, templates)
        # A reading can straddle a tick or a jump in memory use: the next one is a second later.
        if not problems or "not in the form" in problems[0]:
            break
        time.sleep(1)
    return lines, problems


def status_lines_in(s, locale, thousand, decimal, templates):
    s.kill_all()
    s.launch()
    s.drive("wait", "visible", 20000)
    lines, problems = read_status(s, thousand, decimal, templates)
    check(not problems, f"{locale}: " + "; ".join(problems))
    # Wine has no file-cache figures: the query succeeds with every field 0.
    check(lines["work"] == f"0 MB (0{decimal}00%)", f"{locale}: file-cache line {lines['work']!r} under Wine")


def wait_ticks(trace, count):
    """Waits for `count` more ticks of the status refresh."""
    start = len(trace.ticks())
    check(trace.wait_for(lambda t: len(t.ticks()) >= start + count, count + 5),
          f"the status refresh stopped ticking: {len(trace.ticks()) - start} of {count} ticks")


def set_clock(offset_file, seconds):
    """Moves the program's wall clock `seconds` ahead of the real one; returns when it did."""
    offset_file.write_text(f"+{seconds}\n")
    return time.monotonic()


@case
def auto_clean(s):
    """A ticked threshold the usage meets: no clean for 300 s after the start and after each
    clean, one right after; none once unticked; never a notification."""
    clock = s.artifacts / f"{s.case}-clock.txt"
    set_clock(clock, 0)
    process = s.launch(traced=True, env=s.shifted_clock_env(clock))
    s.drive("wait", "visible", 20000)
    trace = process.trace
    # Any usage meets 0 %. The list is read at every tick; setting it sends the program no
    # notification, so the reference time stays the start.
    s.drive("pick", "EditUsagePhys", "0")
    s.drive("setcheck", "ChkUsagePhys", 1)

    wait_ticks(trace, 3)
    check(not trace.purge_requests(), "an automatic clean within the first seconds after the start")

    jumped = set_clock(clock, 301)
    first = wait_for_requests(trace, 6, timeout_s=5)
    check(first[0].t >= jumped, "the automatic clean started before the clock passed 300 s")
    check_one_purge(s, trace, first)

    wait_ticks(trace, 3)
    check(len(trace.purge_requests()) == 6, "a second automatic clean right after the first")

    jumped = set_clock(clock, 602)
    second = wait_for_requests(trace, 12, timeout_s=5)[6:]
    check(second[0].t >= jumped, "the second automatic clean started before 300 s had passed since the first")
    check_one_purge(s, trace, second)

    s.drive("setcheck", "ChkUsagePhys", 0)
    wait_ticks(trace, 1)
    set_clock(clock, 903)
    wait_ticks(trace, 3)
    check(len(trace.purge_requests()) == 12, "an automatic clean with every rule unticked")

    balloon = s.drive("tooltip", "balloon", 500, met=False)
    check(not balloon["found"], f"an automatic clean showed a notification: {balloon['tips']}")


def used_memory(megabytes):
    """A block of this process's memory with every page written, so the machine counts it as used."""
    block = bytearray(megabytes * MIB)
    block[::4096] = b"\1" * len(range(0, len(block), 4096))
    return block


@case
def lines_while_cleaning(s):
    """While a clean runs the status refresh keeps ticking: the lines and the bar follow the
    machine's figures as memory moves, and no second clean starts although a rule calls for one."""
    clock = s.artifacts / f"{s.case}-clock.txt"
    set_clock(clock, 0)
    process = s.launch(traced=True, env=s.shifted_clock_env(clock))
    s.drive("wait", "visible", 20000)
    trace = process.trace
    s.drive("pick", "EditUsagePhys", "0")
    s.drive("setcheck", "ChkUsagePhys", 1)
    numbers = s.drive("memstatus")  # the driver runs under the program's locale

    def read():
        return read_status(s, numbers["thousand"], numbers["decimal"], status_templates(s))

    with s.held_job():
        set_clock(clock, 301)  # the rule is due from now on, but a job runs
        wait_ticks(trace, 2)
        before, problems = read()
        check(not problems, "while a clean runs: " + "; ".join(problems))
        block = used_memory(256)
        wait_ticks(trace, 2)
        after, problems = read()
        del block
        check(not problems, "while a clean runs, after 256 MB more were used: " + "; ".join(problems))
        # Where the probe too sees more free than total memory, the physical line shows nothing
        # used whatever happens: then the page-file line shows the move.
        moved = "page" if numbers["avail_phys"] > numbers["total_phys"] else "phys"
        check(after[moved] != before[moved], f"the {moved} line stayed {before[moved]!r} while memory moved")
        wait_ticks(trace, 2)
        check(not trace.purge_requests(), "a clean ran while the held one had not purged yet")
    check_one_purge(s, trace, wait_for_requests(trace, 6))
    # The job's end resets the reference time: the rule waits another 300 s.
    wait_ticks(trace, 3)
    check(len(trace.purge_requests()) == 6, f"{len(trace.purge_requests())} purge requests for one clean")


class MemoryChurn:
    """Uses and frees memory by turns in the background, so the usage lines change at every tick."""

    def __init__(self, megabytes=128, period_s=0.5):
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._run, args=(megabytes, period_s), daemon=True)

    def _run(self, megabytes, period_s):
        while not self._stop.is_set():
            block = used_memory(megabytes)
            self._stop.wait(period_s)
            del block
            self._stop.wait(period_s)

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *_):
        self._stop.set()
        self._thread.join()


@case
def status_line_redraw(s):
    """The physical line, rewritten every second, is never seen blank or half drawn: captures of
    its rectangle straight from the X server, hundreds a second for five seconds while memory
    moves, each show a whole line."""
    s.start_shown()
    s.input.park()
    # Under qemu-i386 a 32-bit process is told more free than total physical memory, and the
    # physical line then stays at nothing used: the page-file line, a label of the same kind
    # drawn the same way, is the one that moves.
    numbers = s.drive("memstatus")
    label = "LblVirtualStatus" if numbers["avail_phys"] > numbers["total_phys"] else "LblPhysStatus"
    rect = s.control(label)["screen"]
    grabber = screen.Grabber(s.env, s.input.origin, rect)
    try:
        with MemoryChurn():
            captures, frames = grabber.changes(5.0)
    finally:
        grabber.close()
    width, height = rect[2], rect[3]
    screen.save_frames(frames, width, height, s.artifacts / "status-line-frames.png")
    s.log.write(f"status_line_redraw: {captures} captures, {len(frames)} different\n")
    # Five ticks with memory moving between them: the line showed several texts.
    check(len(frames) >= 4, f"the line changed {len(frames) - 1} times in 5 s ({captures} captures)")
    inks = [screen.ink(frame, width, height) for frame in frames]
    blank = [i for i, drawn in enumerate(inks) if drawn is None]
    check(not blank, f"captures {blank} of {len(frames)} show a blank line (status-line-frames.png)")
    # Numbers change the line's length by a digit or two; a half-drawn line is much shorter.
    typical = sorted(inks, key=lambda drawn: drawn.right)[len(inks) // 2]
    partial = [i for i, drawn in enumerate(inks)
               if abs(drawn.left - typical.left) > 2 or drawn.right < typical.right * 0.8 or
               drawn.pixels < typical.pixels * 0.7]
    check(not partial, f"captures {partial} of {len(frames)} show part of the line: "
          f"{[inks[i] for i in partial]}, typically {typical} (status-line-frames.png)")
