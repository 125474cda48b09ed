"""Runs the real RamBroom.exe and rambroom_driver.exe under Wine for the end-to-end cases.

The display and the prefix come from the environment (DISPLAY, WINEPREFIX), as ./test sets
them up: a virtual desktop with a taskbar, Korean fonts and the browser-capture script.
"""

import json
import os
import struct
import subprocess
import time
from pathlib import Path

WINE64 = "/usr/lib/wine/wine64"
WINE32 = "/usr/lib/wine/wine"
# The program runs in Korean, so its captions are the design texts of the form table.
LOCALE = "ko_KR.UTF-8"
DRIVER_TIMEOUT_S = 60


class Failure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wine_loader(exe):
    """The loader for a PE file: /usr/bin/wine would wrap an x64 program in start.exe."""
    if os.name == "nt":
        return []
    with open(exe, "rb") as f:
        header = f.read(4096)
    pe = struct.unpack_from("<I", header, 0x3C)[0]
    machine = struct.unpack_from("<H", header, pe + 4)[0]
    return [WINE64 if machine == 0x8664 else WINE32]


def wait_until(condition, timeout_s, interval_s=0.1):
    """Polls `condition` until it returns something true; returns that, or None on timeout."""
    deadline = time.monotonic() + timeout_s
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            return None
        time.sleep(interval_s)


class Session:
    """One case: starts from no running instance and ends every instance it caused."""

    def __init__(self, case, app, driver, artifacts):
        if os.name != "nt":
            for name in ("DISPLAY", "WINEPREFIX"):
                check(os.environ.get(name), f"{name} is not set: run the end-to-end tests through ./test")
            locales = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.lower().split()
            check("ko_kr.utf8" in locales, "the ko_KR.UTF-8 locale is missing (tools/deps.sh generates it)")
        self.case = case
        self.app = Path(app).resolve()
        self.driver = Path(driver).resolve()
        self.artifacts = Path(artifacts)
        self.artifacts.mkdir(parents=True, exist_ok=True)
        self.env = dict(os.environ, LC_ALL=LOCALE, LANG=LOCALE)
        self.env.setdefault("WINEDEBUG", "-all")
        self.launches = []
        self.log = None

    def __enter__(self):
        self.log = open(self.artifacts / f"{self.case}.log", "w", encoding="utf-8")
        self.kill_all()
        self.set_dpi(None)  # a case stopped half-way may have left its DPI behind
        count = self.drive("count")
        check(count["processes"] == 0 and count["windows"] == 0, f"an instance is still running: {count}")
        return self

    def __exit__(self, kind, error, trace):
        try:
            if kind is not None:
                self.keep_evidence()
        finally:
            self.kill_all()
            self.set_dpi(None)
            self.log.close()
        return False

    # --- the driver

    def drive(self, *args, met=True):
        """Runs one driver command and returns its JSON answer. With met=True, a request the
        driver could not meet (exit 1) fails the case; the answer then carries "_met"."""
        command = wine_loader(self.driver) + [str(self.driver), *map(str, args)]
        try:
            done = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=self.log,
                                  env=self.env, timeout=DRIVER_TIMEOUT_S)
        except subprocess.TimeoutExpired:
            raise Failure(f"driver {' '.join(map(str, args))}: no answer within {DRIVER_TIMEOUT_S} s")
        text = done.stdout.decode("utf-8", errors="replace")
        try:
            answer = json.loads(text)
        except json.JSONDecodeError:
            raise Failure(f"driver {' '.join(map(str, args))}: exit {done.returncode}, no JSON: {text!r}")
        check(done.returncode != 2, f"driver {' '.join(map(str, args))}: {answer}")
        answer["_met"] = done.returncode == 0
        if met:
            check(answer["_met"], f"driver {' '.join(map(str, args))} not met: {answer}")
        return answer

    def control(self, name):
        return self.drive("control", name)

    def visible(self, name):
        return self.control(name)["visible"]

    def set_dpi(self, dpi):
        """Sets the DPI that Wine programs started from now on use; None: back to the default (96)."""
        if os.name == "nt":
            return
        key = r"HKCU\Control Panel\Desktop"
        if dpi is None:
            command = ["reg", "delete", key, "/v", "LogPixels", "/f"]
        else:
            command = ["reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f"]
        subprocess.run([WINE64, *command], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, env=self.env, timeout=DRIVER_TIMEOUT_S)

    # --- the program

    def launch(self, *args):
        """Starts RamBroom.exe with `args`; returns the process (the loader is the Windows process)."""
        self.log.write(f"--- launch {' '.join(args) or '(no arguments)'}\n")
        self.log.flush()
        process = subprocess.Popen(wine_loader(self.app) + [str(self.app), *args], stdin=subprocess.DEVNULL,
                                   stdout=self.log, stderr=self.log, env=self.env, cwd=self.app.parent)
        self.launches.append(process)
        return process

    def returns(self, process, timeout_s):
        """Waits for a launch to end; fails the case if it does not, else gives its exit code."""
        try:
            return process.wait(timeout=timeout_s)
        except subprocess.TimeoutExpired:
            raise Failure(f"launch {process.args[2:]} still running after {timeout_s} s")

    def start_shown(self, *args):
        process = self.launch(*args)
        window = self.drive("wait", "visible", 20000)
        return process, window

    def count(self):
        answer = self.drive("count")
        return answer["windows"], answer["processes"]

    def kill_all(self):
        self.drive("kill", met=False)
        for process in self.launches:
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        self.launches.clear()

    # --- what the user would see

    def screenshot(self, name):
        path = self.artifacts / f"{name}.png"
        subprocess.run(["import", "-window", "root", str(path)], stdin=subprocess.DEVNULL, stdout=self.log,
                       stderr=self.log, env=self.env, timeout=30, check=True)
        return path

    def opened_urls(self):
        """URLs the program handed to the browser, in order (tools/browser-capture.sh)."""
        log = Path(os.environ.get("WINEPREFIX", "")) / "browser-urls.txt"
        return log.read_text(encoding="utf-8").splitlines() if log.exists() else []

    def keep_evidence(self):
        try:
            self.screenshot(f"{self.case}-failure")
            dump = self.drive("dump", met=False)
            (self.artifacts / f"{self.case}-failure.json").write_text(
                json.dumps(dump, ensure_ascii=False, indent=1), encoding="utf-8")
        except Exception as error:  # the evidence is a bonus; the case's own failure is what counts
            print(f"(could not keep the evidence: {error})")
