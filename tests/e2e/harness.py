"""Runs the real RamBroom.exe and rambroom_driver.exe under Wine for the end-to-end cases.

The display and the prefix come from the environment (DISPLAY, WINEPREFIX), as ./test sets
them up: a virtual desktop with a taskbar, Korean fonts and the browser-capture script.
"""

import contextlib
import json
import os
import re
import struct
import subprocess
import time
from pathlib import Path

import screen
from wine_trace import CHANNELS, Trace

WINE64 = "/usr/lib/wine/wine64"
WINE32 = "/usr/lib/wine/wine"
# The program runs in Korean unless a case asks for another locale (Session.use_locale), so its
# captions are the design texts of the form table and its other texts those of app/Texts.h
# (Session.texts).
LOCALE = "ko_KR.UTF-8"
# The translation catalog the program carries, read here on its own to say what a user of
# another language should see (translated()).
CATALOG = Path(__file__).resolve().parents[2] / "resources" / "translate.txt"
DRIVER_TIMEOUT_S = 60
# The program's worker-thread names by constant (base/Workers.h).
WORKERS = dict(re.findall(r'inline constexpr std::wstring_view (\w+) = L"([^"]*)";',
                          (Path(__file__).resolve().parents[2] / "base" / "Workers.h").read_text(encoding="utf-8")))

# The SDK's names (winnt.h, winuser.h).
IMAGE_FILE_MACHINE_AMD64 = 0x8664
# Where the program keeps its settings.
SETTINGS_KEY = r"HKCU\Software\Brenwick\RamBroom"
USER_DEFAULT_SCREEN_DPI = 96


def feature_threads(trace):
    """The threads the program named (wine_trace), but the two workers every start has: the server
    check's and the logon task's load."""
    every_start = {WORKERS["kServerCheckWorker"], WORKERS["kAutoStartWorker"]}
    return [n for n in trace.named_threads() if n.name not in every_start]


# The cases by name, in the order they were defined (e2e.py and the cases_*.py modules).
CASES = {}


def _ascii_folded(text):
    return "".join(chr(ord(c) + 32) if "A" <= c <= "Z" else c for c in text)


def catalog_blocks():
    """The catalog's blocks, each a dict language code -> text, in file order."""
    blocks, block = [], {}
    for line in re.split(r"\r\n|\r|\n", CATALOG.read_bytes().decode("utf-8-sig")):
        if not line:
            if block:
                blocks.append(block)
            block = {}
            continue
        code, _, text = line.partition("=")
        block.setdefault(code, text)
    if block:
        blocks.append(block)
    return blocks


def translated(text, language):
    """`text` as a user of `language` reads it: the row of that language in the first block that
    holds `text` in any language (letters A-Z without case), else the block's English row, else
    `text` as it is."""
    for block in catalog_blocks():
        if any(_ascii_folded(row) == _ascii_folded(text) for row in block.values()):
            answer = block.get(language, block.get("en"))
            return text if answer is None else answer.replace("\\n", "\r")
    return text


def case(function):
    CASES[function.__name__] = function
    return function


class Failure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def pe_machine(exe):
    """The machine field of a PE file: IMAGE_FILE_MACHINE_AMD64 for x64, IMAGE_FILE_MACHINE_I386 for x86."""
    with open(exe, "rb") as f:
        header = f.read(4096)
    pe = struct.unpack_from("<I", header, 0x3C)[0]
    return struct.unpack_from("<H", header, pe + 4)[0]


def wine_loader(exe):
    """The loader for a PE file: /usr/bin/wine would wrap an x64 program in start.exe."""
    if os.name == "nt":
        return []
    return [WINE64 if pe_machine(exe) == IMAGE_FILE_MACHINE_AMD64 else WINE32]


def windows_path(path):
    """A Linux path as Wine's drive Z: shows it."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


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


def stays_hidden(s, seconds=2.0):
    """Samples the window over `seconds`: true when it existed and never showed."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        window = s.drive("window", met=False)
        if not window["found"] or window["visible"]:
            return False
        time.sleep(0.1)
    return True


def minimise(s):
    """Minimises the window as its title bar's button does, then lets the desktop take the
    foreground, so whatever brings the window back has to bring it to the front as well."""
    s.drive("minimize")
    check(wait_until(lambda: s.drive("window")["iconic"], 5), "the window did not minimise")
    s.input.click(2, 2)
    check(wait_until(lambda: not s.drive("window")["foreground"], 5), "the minimised window kept the foreground")


def check_brought_back(s, what, client):
    """Waits for the window to be shown, not minimised and in the foreground, at `client` size."""
    def back():
        window = s.drive("window")
        return window["visible"] and not window["iconic"] and window["foreground"] and window

    window = wait_until(back, 10) or s.drive("window")
    state = {key: window[key] for key in ("visible", "iconic", "foreground")}
    check(state == {"visible": True, "iconic": False, "foreground": True},
          f"{what} did not bring the window back to the front: {state}")
    check(window["client"] == client, f"{what}: client {window['client']}, {client} before")


class Squatter:
    """The driver holding the instance name (Session.squatting); `taken` says as what."""

    def __init__(self, process, answer):
        self.process = process
        self.taken = answer["taken"]

    def received(self):
        """The wParams of the WM_USER messages its window received so far, and whether that
        window still exists: {"received": [...], "received_count": N, "alive": bool}."""
        self.process.stdin.write(b"\n")
        self.process.stdin.flush()
        line = self.process.stdout.readline()
        check(line, "driver squat: no answer")
        return json.loads(line)


class Session:
    """One case: starts from no running instance and ends every instance it caused."""

    def __init__(self, case, app, driver, artifacts, installer=None):
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
        self.installer = Path(installer).resolve() if installer else None
        self.env = dict(os.environ, LC_ALL=LOCALE, LANG=LOCALE)
        self.env.setdefault("WINEDEBUG", "-all")
        self.launches = []
        self.traces = []
        self.log = None
        self._input = None
        self._texts = None

    def __enter__(self):
        self.log = open(self.artifacts / f"{self.case}.log", "w", encoding="utf-8")
        self.kill_all()
        self.set_dpi(None)  # a case stopped half-way may have left its DPI behind
        self.forget_settings()  # each case starts from a fresh profile
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
            for trace in self.traces:
                trace.close()
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

    @property
    def texts(self):
        """The texts the program's code shows, by their names in app/Texts.h without the "k"
        ("QuitQuestion", "CleanBusy", ...), as the driver has them compiled in."""
        if self._texts is None:
            self._texts = self.drive("texts")
        return self._texts

    def visible(self, name):
        return self.control(name)["visible"]

    def use_locale(self, locale):
        """Runs the program and the driver from now on under `locale` ("ja_JP.UTF-8"). Wine keeps
        the user locale in the prefix's registry, and each new process under another LC_ALL
        writes its own there: the driver runs under the program's locale."""
        generated = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.lower().split()
        # Wine would fall back to en-US without a word.
        check(locale.lower().replace("-", "") in generated, f"the {locale} locale is missing (tools/deps.sh)")
        self.env = dict(self.env, LC_ALL=locale, LANG=locale)

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

    # --- the stored settings (HKCU\Software\Brenwick\RamBroom), through Wine's reg.exe

    def reg(self, *args):
        """Runs Wine's reg.exe with `args`; returns its exit code and its output. A run that fails
        is written to the case's log with what reg.exe and the loader printed."""
        done = subprocess.run([WINE64, "reg", *args], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, env=self.env, timeout=DRIVER_TIMEOUT_S)
        out = done.stdout.decode("utf-8", errors="replace")
        if done.returncode != 0:
            self.log.write(f"--- reg {' '.join(args)}: exit {done.returncode}\n{out}"
                           f"{done.stderr.decode('utf-8', errors='replace')}\n")
            self.log.flush()
        return done.returncode, out

    def key_values(self, key):
        """The values of a registry key by name: (type, data as reg.exe prints it, "0x1" for a
        REG_DWORD 1); None when the key does not exist.

        reg.exe's message for a missing key is translated with the case's locale, so a failed
        query is asked once more before it counts as a missing key. On a loaded machine one query
        failed while the key was there (the program deletes no key), and it read as "no settings"."""
        code, out = self.reg("query", key)
        if code != 0:
            time.sleep(0.5)
            code, out = self.reg("query", key)
        if code != 0:
            return None
        values = {}
        for line in out.splitlines():
            fields = line.strip().split(None, 2)
            if len(fields) >= 2 and fields[1].startswith("REG_"):
                values[fields[0]] = (fields[1], fields[2] if len(fields) == 3 else "")
        return values

    def settings(self):
        """The stored settings (key_values of the program's key)."""
        return self.key_values(SETTINGS_KEY)

    def store_setting(self, name, kind, data):
        """Stores one value as the program would not: any reg.exe type and data."""
        code, _ = self.reg("add", SETTINGS_KEY, "/v", name, "/t", kind, "/d", str(data), "/f")
        check(code == 0, f"reg add {name} {kind} {data} failed")

    def store_settings(self, values):
        """Stores several values in one reg.exe run (each run of a Wine program costs a start):
        `values` maps names to (type, data) as store_setting takes them; REG_DWORD, REG_SZ and
        REG_BINARY (data as hex digits)."""
        lines = ["REGEDIT4", "", f"[{SETTINGS_KEY.replace('HKCU', 'HKEY_CURRENT_USER')}]"]
        for name, (kind, data) in values.items():
            if kind == "REG_DWORD":
                lines.append(f'"{name}"=dword:{int(data):08x}')
            elif kind == "REG_SZ":
                lines.append(f'"{name}"="{data}"')
            elif kind == "REG_BINARY":
                lines.append(f'"{name}"=hex:' + ",".join(data[i:i + 2] for i in range(0, len(data), 2)))
            else:
                raise Failure(f"store_settings: no .reg form for {kind}")
        file = Path(os.environ["WINEPREFIX"]) / "drive_c" / "rambroom-e2e-settings.reg"
        file.write_text("\r\n".join(lines) + "\r\n", encoding="ascii")
        code, _ = self.reg("import", r"C:\rambroom-e2e-settings.reg")
        check(code == 0, f"reg import of {values} failed")

    def forget_settings(self):
        if os.name != "nt":
            self.reg("delete", SETTINGS_KEY, "/f")

    # --- the program

    def launch(self, *args, traced=False, env=None, app=None):
        """Starts RamBroom.exe with `args`; returns the process (the loader is the Windows process).

        traced: its Wine debug output (wine_trace.CHANNELS) is read into process.trace.
        env: variables added to the case's environment for this launch only.
        app: another copy of the program to start instead."""
        app = Path(app) if app else self.app
        self.log.write(f"--- launch {' '.join(args) or '(no arguments)'}{' (traced)' if traced else ''}"
                       f"{f' ({app})' if app != self.app else ''}\n")
        self.log.flush()
        launch_env = dict(self.env, **(env or {}))
        if traced:
            launch_env["WINEDEBUG"] = CHANNELS
        process = subprocess.Popen(wine_loader(app) + [str(app), *args], stdin=subprocess.DEVNULL,
                                   stdout=self.log, stderr=subprocess.PIPE if traced else self.log, env=launch_env,
                                   cwd=app.parent)
        process.trace = self._trace(process.stderr) if traced else None
        self.launches.append(process)
        return process

    def _trace(self, stream):
        trace = Trace(stream, self.artifacts / f"{self.case}-trace{len(self.traces) + 1}.log")
        self.traces.append(trace)
        return trace

    def launch_without_shell(self, *args):
        """Starts RamBroom.exe, traced, on a desktop where no shell runs (the driver's spawn-noshell).
        Returns the driver's answer and the trace."""
        self.log.write(f"--- launch without a shell {' '.join(args)}\n")
        self.log.flush()
        command = wine_loader(self.driver) + [str(self.driver), "spawn-noshell", f"rambroom-e2e-{os.getpid()}",
                                              windows_path(self.app), *args]
        # The program inherits the driver's stderr: the pipe stays open after the driver is gone.
        driver = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                  env=dict(self.env, WINEDEBUG=CHANNELS), cwd=self.app.parent)
        trace = self._trace(driver.stderr)
        try:
            driver.wait(timeout=DRIVER_TIMEOUT_S)
        except subprocess.TimeoutExpired:
            driver.kill()
            raise Failure("driver spawn-noshell: no answer")
        return json.loads(driver.stdout.read().decode("utf-8", errors="replace")), trace

    @contextlib.contextmanager
    def held_job(self, start=None):
        """Holds the next cleaning worker (the thread named so) before its purge, for the length of the with-block;
        another worker started meanwhile passes.

        Without `start` the driver clicks BtnClean; else start() is to make the program start
        the job. Yields the driver's answer once the worker is held ("busy": the clean button
        then); on leaving, releases it and adds "after" (the button back as before)."""
        command = wine_loader(self.driver) + [str(self.driver), "hold", "BtnClean", "wait" if start else "click",
                                              "15000"]
        holder = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=self.log,
                                  env=self.env)
        answer = {}
        try:
            if start:
                armed = holder.stdout.readline()
                check(b"armed" in armed, f"driver hold: not armed: {armed!r}")
                start()
            line = holder.stdout.readline()
            check(line, "driver hold: no answer")
            answer = json.loads(line)
            check(answer["entered"], f"the driver's spy did not get into the program: {answer}")
            # A thread named as another worker, started in the program after the spy was armed.
            decoy = answer["decoy"]
            check(decoy["thread"] and decoy["passed"], f"the hold did not let another worker pass: {answer}")
            check(answer["held"], f"no cleaning worker started: {answer}")
            check(answer["thread"] != decoy["thread"], f"the hold caught another worker: {answer}")
            yield answer
        finally:
            try:
                out, _ = holder.communicate(b"release\n", timeout=DRIVER_TIMEOUT_S)
                last = out.decode("utf-8", errors="replace").strip().splitlines()
                answer.update(json.loads(last[-1]) if last else {})
            except subprocess.TimeoutExpired:
                holder.kill()
                holder.wait()

    @contextlib.contextmanager
    def squatting(self, *what):
        """For the length of the with-block, the driver (a process that is not RamBroom.exe) holds
        the instance name as each of `what`: "event", "semaphore", "mapping", "mutex", or "window"
        (a hidden window of the class, above the program's). Yields a Squatter."""
        command = wine_loader(self.driver) + [str(self.driver), "squat", *what]
        squatter = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=self.log,
                                    env=self.env)
        try:
            line = squatter.stdout.readline()
            check(line, f"driver squat {' '.join(what)}: no answer")
            answer = json.loads(line)
            check(all(answer["taken"].values()), f"driver squat {' '.join(what)}: the name is not free: {answer}")
            yield Squatter(squatter, answer)
        finally:
            try:
                squatter.communicate(timeout=DRIVER_TIMEOUT_S)
            except subprocess.TimeoutExpired:
                squatter.kill()
                squatter.wait()

    def returns(self, process, timeout_s):
        """Waits for a launch to end; fails the case if it does not, else gives its exit code."""
        try:
            return process.wait(timeout=timeout_s)
        except subprocess.TimeoutExpired:
            raise Failure(f"launch {process.args[2:]} still running after {timeout_s} s")

    def start_shown(self, *args, **launch_options):
        process = self.launch(*args, **launch_options)
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

    def shifted_clock_env(self, offset_file):
        """Environment that has the program's wall clock (GetLocalTime) follow `offset_file` ("+301"
        moves it 301 s ahead), read at every call, while tick counts and timers keep real time:
        clock_shift.so, built beside the driver for its bitness, preloaded into the Wine loader."""
        library = self.driver.parent / "clock_shift.so"
        check(library.exists(), f"{library} is missing (built with the driver)")
        return {"LD_PRELOAD": str(library), "RB_CLOCK_SHIFT_FILE": str(offset_file)}

    @property
    def input(self):
        if self._input is None:
            self._input = screen.Input(self.env)
        return self._input

    def picture(self, name):
        """A screenshot kept as an artifact, as pixels in Wine's screen coordinates."""
        return screen.Picture(self.screenshot(name), self.input.origin)

    def taskbar(self):
        """The taskbar's screen rectangle, once Wine's explorer has laid it out."""
        def laid_out():
            answer = self.drive("tray", met=False)
            return answer["taskbar"] and answer["visible"] and min(answer["screen"][2:]) > 0 and answer["screen"]

        rect = wait_until(laid_out, 10)
        check(rect, "there is no taskbar (Shell_TrayWnd): the prefix's desktop has no shell")
        return rect

    def tray_icon(self, name, colour=None, timeout_s=10):
        """Takes screenshots (the last kept as `name`) until the notification area shows a drawing,
        of `colour` ("green", "grey") if given; returns it (screen.Drawing) or None."""
        taskbar = self.taskbar()
        self.input.park()

        def look():
            drawing = screen.tray_drawing(self.picture(name), taskbar)
            return drawing if drawing and colour in (None, drawing.colour) else None

        return wait_until(look, timeout_s, interval_s=0.2)

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
