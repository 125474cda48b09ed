"""End-to-end case of the instance name held by another process: the driver, running as a
squatter, takes the name as a kernel object or registers the window class.
"""

import shutil
import tempfile
from pathlib import Path

from harness import case, check, check_brought_back, stays_hidden, wait_until


def one_instance_under(s, squatter, what, first_app):
    """The first launch starts, later launches hand over to it (its window, not the squatter's),
    and "/uninst" ends it: one window and one process throughout."""
    s.launch(app=first_app)
    window = s.drive("wait", "visible", 20000)
    check(s.count() == (1, 1), f"{what}: the first launch gave (windows, processes) = {s.count()}")
    for args, shows in (((), True), (("/start",), False)):
        s.drive("close")
        s.drive("wait", "hidden", 10000)
        launch = s.launch(*args)
        check(wait_until(lambda: launch.poll() is not None, 20),
              f"{what}: second launch {args} runs on: (windows, processes) = {s.count()}")
        check(launch.returncode == 0, f"{what}: second launch {args} exit code {launch.returncode}")
        if shows:
            check_brought_back(s, f"{what}: second launch {args}", window["client"])
        else:
            check(stays_hidden(s, 1.0), f"{what}: second launch {args} showed the window")
        check(s.count() == (1, 1), f"{what}: after second launch {args}: (windows, processes) = {s.count()}")

    code = s.returns(s.launch("/uninst"), 15)
    check(code == 0, f"{what}: /uninst exit code {code}")
    check(wait_until(lambda: s.count() == (0, 0), 10), f"{what}: /uninst left the instance running: {s.count()}")
    report = squatter.received()
    check(report["received_count"] == 0, f"{what}: the squatter's window got control messages {report['received']}")
    if "window" in squatter.taken:
        check(report["alive"], f"{what}: the squatter's window is gone")


@case
def squatted_name(s):
    """Another process holding the instance name as an event or a file mapping neither splits
    the program into two instances nor keeps it from starting; its window of the class gets no
    control message, whether it is above the program's or the program was started from a copy
    elsewhere. Holding it as a mutex keeps the program from starting."""
    with tempfile.TemporaryDirectory(prefix="rambroom-elsewhere-") as elsewhere:
        copy = Path(elsewhere) / s.app.name.swapcase()  # another folder, the name in other letter case
        shutil.copy2(s.app, copy)
        for what, first_app in ((("event",), None), (("window",), copy), (("mapping", "window"), None)):
            with s.squatting(*what) as squatter:
                one_instance_under(s, squatter, " and ".join(what) + " squatted", first_app)
            s.kill_all()

    with s.squatting("mutex"):
        code = s.returns(s.launch(), 20)
        check(code == 0, f"mutex squatted: exit code {code}")
        check(s.count() == (0, 0), f"mutex squatted: the program started: {s.count()}")
