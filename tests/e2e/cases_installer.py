"""End-to-end cases of the setup program and the uninstaller (installer/RamBroom.nsi, built by
installer/build.sh): a silent installation and what it leaves behind, the program it starts,
"start at logon", an installation over a running copy, the uninstaller with and without a
running copy, and the wizard's pages in Korean and English.

The 64-bit Wine prefix counts as 64-bit Windows: the x64 program goes to C:\\Program Files."""

import os
import re
import shutil
import time
from pathlib import Path

from harness import IMAGE_FILE_MACHINE_AMD64, case, check, pe_machine, wait_until

UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\RamBroom"
INSTALL_DIR = Path("drive_c/Program Files/RamBroom")
SHORTCUT = Path("drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/RamBroom.lnk")
# Wine keeps a registered task as a file of its name (without its trigger).
TASK_FILE = Path("drive_c/windows/system32/tasks/RamBroomTaskMachine")
SETUP_TIMEOUT_S = 120
NEXT, CANCEL, YES, NO = 1, 2, 6, 7


def prefix():
    return Path(os.environ["WINEPREFIX"])


def installed(name=""):
    return prefix() / INSTALL_DIR / name


def version3():
    text = (Path(__file__).resolve().parents[2] / "CMakeLists.txt").read_text(encoding="utf-8")
    numbers = re.search(r"project\(RamBroom VERSION ([0-9.]+)", text)[1].split(".")
    return ".".join((numbers + ["0", "0"])[:3])


def setup_program(s):
    check(s.installer and s.installer.exists(),
          f"no setup program at {s.installer}: installer/build.sh makes it (./test runs it)")
    return s.installer


def run_setup(s, *args):
    """Runs the setup program with `args` and waits for it; its exit code."""
    return s.returns(s.launch(*args, app=setup_program(s)), SETUP_TIMEOUT_S)


def temporary_uninstallers():
    """NSIS's uninstaller copies itself into the temporary folder (~nsu*.tmp), starts the copy and
    ends: the copies still running. ("_?=" would keep it in place, but NSIS takes it only
    unquoted, and Wine quotes an argument with a blank.)"""
    return [args for args in running_command_lines() if any(re.search(r"\\~nsu[^\\]*\.tmp\\", a, re.I) for a in args)]


def run_uninstaller(s, *args, wait=True):
    """Runs the installed uninstaller with `args`; with `wait`, until its temporary copy ended too.
    The exit code of the first."""
    code = s.returns(s.launch(*args, app=installed("uninstall.exe")), SETUP_TIMEOUT_S)
    if wait:
        check(wait_until(lambda: not temporary_uninstallers(), SETUP_TIMEOUT_S), "the uninstaller did not end")
    return code


INSTALL_DIR_WINDOWS = r"C:\Program Files\RamBroom"


def uninstall_entry(s):
    """The uninstall entry's values by name (reg.exe's text), or None when there is no entry."""
    values = s.key_values(UNINSTALL_KEY)
    return None if values is None else {name: data for name, (_, data) in values.items()}


def running_command_lines():
    """The command lines of the processes of this case's Wine prefix, as Wine gives a Windows
    process's to Linux (a 32-bit one run through qemu-i386 has qemu's and the Wine loader's
    arguments first). Other prefixes on the machine may run programs of the same names."""
    ours = ("WINEPREFIX=" + os.environ["WINEPREFIX"]).encode()
    lines = []
    for process in Path("/proc").glob("[0-9]*"):
        try:
            if ours not in (process / "environ").read_bytes().split(b"\0"):
                continue
            args = [a for a in (process / "cmdline").read_bytes().decode("utf-8", "replace").split("\0") if a]
        except OSError:
            continue
        if args:
            lines.append(args)
    return lines


def program_command_lines():
    """The command lines of the running RamBroom.exe processes, from the program's path on."""
    lines = []
    for args in running_command_lines():
        starts = [i for i, a in enumerate(args) if re.match(r"[a-z]:\\", a, re.I) and a.lower().endswith("rambroom.exe")]
        if starts:
            lines.append(args[starts[0]:])
    return lines


def remove_installation(s):
    """Starts a case from a machine without RamBroom installed (an earlier case may have failed
    half-way)."""
    s.kill_all()
    if installed("uninstall.exe").exists():
        run_uninstaller(s, "/S")
    shutil.rmtree(installed(), ignore_errors=True)
    (prefix() / SHORTCUT).unlink(missing_ok=True)
    s.reg("delete", UNINSTALL_KEY, "/f")


def nothing_left(s):
    """What an uninstallation left of what the setup program installed."""
    left = []
    if installed().exists():
        left.append(f"{installed()}: {sorted(p.name for p in installed().iterdir())}")
    if (prefix() / SHORTCUT).exists():
        left.append("the Start-menu shortcut")
    if uninstall_entry(s) is not None:
        left.append("the uninstall entry")
    return left


def check_installation(s):
    exe = installed("RamBroom.exe")
    for name in ("RamBroom.exe", "uninstall.exe", "License.txt"):
        check(installed(name).exists(), f"{name} is not in {installed()}")
    check(pe_machine(exe) == IMAGE_FILE_MACHINE_AMD64, "64-bit Windows got the 32-bit program")
    link = (prefix() / SHORTCUT).read_bytes() if (prefix() / SHORTCUT).exists() else b""
    check(b"RamBroom.exe" in link or "RamBroom.exe".encode("utf-16-le") in link,
          f"no Start-menu shortcut to the program at {SHORTCUT}")
    entry = uninstall_entry(s)
    check(entry is not None, "no uninstall entry")
    expected = {
        "DisplayName": "RamBroom",
        "DisplayVersion": version3(),
        "Publisher": "Brenwick",
        "DisplayIcon": INSTALL_DIR_WINDOWS + r"\RamBroom.exe,0",
        "InstallLocation": INSTALL_DIR_WINDOWS,
        "UninstallString": f'"{INSTALL_DIR_WINDOWS}\\uninstall.exe"',
        "QuietUninstallString": f'"{INSTALL_DIR_WINDOWS}\\uninstall.exe" /S',
    }
    wrong = {name: entry.get(name) for name, value in expected.items() if entry.get(name) != value}
    check(not wrong, f"uninstall entry values {wrong}, expected {expected}")
    size_kb = int(entry.get("EstimatedSize", "0"), 0)
    check(size_kb >= exe.stat().st_size // 1024, f"EstimatedSize {size_kb} KB for a {exe.stat().st_size} byte program")


def wait_program(s, *args):
    """Waits for the installed program's window; checks it runs from the installation with `args`."""
    window = s.drive("wait", "visible", 30000, met=False)
    lines = wait_until(program_command_lines, 10)
    check(lines, "the installed program did not start")
    check(len(lines) == 1, f"more than one program runs: {lines}")
    check(lines[0][0].lower() == (INSTALL_DIR_WINDOWS + r"\RamBroom.exe").lower() and lines[0][1:] == list(args),
          f"the program runs as {lines[0]}, expected the installed one with {list(args)}")
    return window


@case
def installer_silent(s):
    """A silent installation: files, shortcut and uninstall entry; it starts the program; a silent
    uninstallation while that runs ends it, removes all it installed and keeps the settings."""
    remove_installation(s)
    s.store_setting("cleanontray", "REG_DWORD", 1)
    check(run_setup(s, "/S") == 0, "the silent installation failed")
    check_installation(s)
    window = wait_program(s)
    check(window["met"], "the installed program's window did not show")

    check(run_uninstaller(s, "/S") == 0, "the silent uninstallation failed")
    check(wait_until(lambda: s.count() == (0, 0), 10), f"the program still runs: {s.count()}")
    left = nothing_left(s)
    check(not left, f"left after the uninstallation: {left}")
    check((s.settings() or {}).get("cleanontray") == ("REG_DWORD", "0x1"),
          f"a silent uninstallation removed the settings: {s.settings()}")


@case
def installer_logon(s):
    """"Start at logon" (/LOGON in silent mode) starts the installed program with "/inst"; without
    it the program starts with no switch (installer_silent) and /NORUN starts nothing."""
    remove_installation(s)
    check(run_setup(s, "/S", "/LOGON") == 0, "the installation failed")
    wait_program(s, "/inst")
    remove_installation(s)
    check(run_setup(s, "/S", "/NORUN") == 0, "the installation failed")
    time.sleep(3)
    check(not program_command_lines(), f"/NORUN started {program_command_lines()}")
    remove_installation(s)


@case
def installer_over_running(s):
    """An installation over a running copy asks it to quit first and starts the new program: one
    instance afterwards, the settings and "start at logon" as they were."""
    remove_installation(s)
    check(run_setup(s, "/S") == 0, "the first installation failed")
    wait_program(s)
    first = s.drive("count")["pid"]
    s.store_setting("limit_minute", "REG_DWORD", 6)
    # The copy deletes its logon task as it quits for the upgrade: the task seen before makes the
    # upgrade choose "start at logon", so the new program registers it again.
    register_task()
    check(run_setup(s, "/S") == 0, "the installation over the running copy failed")
    wait_program(s, "/inst")
    check(wait_until(lambda: s.count() == (1, 1), 10), f"(windows, processes) = {s.count()} after the upgrade")
    check(s.drive("count")["pid"] != first, "the copy that ran before the upgrade still runs")
    check(s.settings().get("limit_minute") == ("REG_DWORD", "0x6"), f"the upgrade changed the settings: {s.settings()}")
    check_installation(s)
    remove_installation(s)


def register_task():
    """A logon task of the program's name, as the program registers it: Wine keeps only a file of
    it (and has no logon trigger, so the program itself registers none here)."""
    task = prefix() / TASK_FILE
    task.parent.mkdir(parents=True, exist_ok=True)
    task.write_text('<?xml version="1.0"?>\n<Task version="1.3" '
                    'xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task"><Actions><Exec><Command>'
                    + INSTALL_DIR_WINDOWS + r"\RamBroom.exe</Command><Arguments>/start</Arguments></Exec></Actions>"
                    "</Task>\n", encoding="utf-16")
    return task


@case
def installer_uninstall_not_running(s):
    """Without a running copy to delete it, the uninstaller deletes the logon task itself, so no
    elevated task is left pointing at a deleted program."""
    remove_installation(s)
    check(run_setup(s, "/S", "/NORUN") == 0, "the installation failed")
    task = register_task()
    check(run_uninstaller(s, "/S") == 0, "the silent uninstallation failed")
    check(not task.exists(), "the logon task is still registered after the uninstallation")
    left = nothing_left(s)
    check(not left, f"left after the uninstallation: {left}")


def wizard_page(s, title, name, expect=None):
    """Waits for the wizard (a dialog whose caption holds `title`) to show a page with a text that
    contains `expect`; keeps a screenshot `name`; the page's texts."""
    def shown():
        answer = s.drive("dialog", title, 2000, met=False)
        texts = " ".join(answer.get("texts", []))
        return answer if answer["found"] and (expect is None or expect in texts) else None

    page = wait_until(shown, 30)
    check(page, f"the wizard did not show {name!r} with {expect!r}: {s.drive('dialog', title, 100, met=False)}")
    time.sleep(0.5)  # drawn
    s.screenshot(name)
    return page


PAGE_TEXTS = {
    "ko": {"welcome": "설치를 시작합니다", "license": "Brenwick", "components": "구성 요소 선택",
           "folder": "Program Files", "finish": "지금 RamBroom 실행하기", "confirm": "제거"},
    "en": {"welcome": "Welcome to RamBroom Setup", "license": "Brenwick", "components": "Choose Components",
           "folder": "Program Files", "finish": "Start RamBroom now", "confirm": "Uninstall"},
}


def wizard_in(locale, language, title, remove):
    def pages(s):
        # A text that only the page has, in the page's language.
        expect = PAGE_TEXTS[language]
        remove_installation(s)
        s.use_locale(locale)
        s.store_setting("cleanontray", "REG_DWORD", 1)
        setup = s.launch(app=setup_program(s))
        wizard_page(s, title, f"installer-{language}-1-welcome", expect["welcome"])
        for step, name in ((2, "license"), (3, "components"), (4, "folder")):
            s.drive("press", title, NEXT, 10000)
            wizard_page(s, title, f"installer-{language}-{step}-{name}", expect[name])
        s.drive("press", title, NEXT, 10000)  # install
        wizard_page(s, title, f"installer-{language}-5-finish", expect["finish"])
        check(wait_until(lambda: installed("RamBroom.exe").exists(), 30), "the wizard installed nothing")
        s.drive("press", title, NEXT, 30000)  # finish, with "start now" ticked
        check(s.returns(setup, SETUP_TIMEOUT_S) == 0, "the setup program failed")
        wait_program(s)
        check_installation(s)

        uninstall_title = title.replace("Setup", "Uninstall").replace("설치", "제거")
        uninstaller = s.launch(app=installed("uninstall.exe"))
        wizard_page(s, uninstall_title, f"uninstaller-{language}-1-confirm", expect["confirm"])
        s.drive("press", uninstall_title, NEXT, 10000)
        question = wait_until(lambda: (lambda a: a if a["found"] and YES in [b["id"] for b in a["buttons"]] else None)(
            s.drive("dialog", "RamBroom", 2000, met=False)), 30)
        check(question, "the uninstaller did not ask about the settings")
        s.screenshot(f"uninstaller-{language}-2-settings-question")
        s.drive("press", "RamBroom", YES if remove else NO, 10000)
        s.drive("press", uninstall_title, NEXT, 30000)  # close
        check(s.returns(uninstaller, SETUP_TIMEOUT_S) == 0, "the uninstaller failed")
        check(wait_until(lambda: not temporary_uninstallers(), SETUP_TIMEOUT_S), "the uninstaller did not end")
        check(wait_until(lambda: s.count() == (0, 0), 10), f"the program still runs: {s.count()}")
        left = nothing_left(s)
        check(not left, f"left after the uninstallation: {left}")
        kept = (s.settings() or {}).get("cleanontray") == ("REG_DWORD", "0x1")
        check(kept != remove, f"answered {'Yes' if remove else 'No'} about the settings: {s.settings()}")

    pages.__name__ = f"installer_pages_{language}"
    pages.__doc__ = (f"The wizard under {locale} in its language: each page, a normal installation that starts "
                     "the program from the last page, and an uninstallation that asks about the settings "
                     f"({'Yes removes' if remove else 'No keeps'} them).")
    return pages


case(wizard_in("ko_KR.UTF-8", "ko", "RamBroom 설치", remove=False))
case(wizard_in("en_US.UTF-8", "en", "RamBroom Setup", remove=True))
