"""End-to-end cases of the settings page: what a fresh profile shows, what each change stores
at once, what a restart shows again, values stored with a wrong type, and the logon task."""

from pathlib import Path
import os

from harness import case, check, wait_until

RULE_ROWS = (("ChkUsagePhys", "EditUsagePhys"), ("ChkUsagePage", "EditUsagePage"),
             ("ChkUsageWork", "EditUsageWork"), ("ChkMinute", "EditMinute"))
# The values a fresh profile loads with: no box ticked, the lists at "90", "90", "90" and "30".
DEFAULT_SHOWN = {"EditUsagePhys": "90", "EditUsagePage": "90", "EditUsageWork": "90", "EditMinute": "30"}
# Wine keeps a registered task's settings in a file of this name (without its trigger).
TASK_FILE = Path("drive_c/windows/system32/tasks/RamBroomTaskMachine")


def open_settings(s):
    s.drive("click", "BtnConfig")
    check(wait_until(lambda: s.visible("Card2"), 10), "the settings page did not show")


def shown(s):
    """The page as the user sees it: each box's tick, each list's enabled state and item."""
    controls = {c["name"]: c for c in s.drive("dump")["controls"]}
    page = {}
    for box, edit in RULE_ROWS:
        items = controls[edit]["items"]
        selected = controls[edit]["selected"]
        page[box] = controls[box]["checked"] == 1
        page[edit] = (controls[edit]["enabled"], items[selected] if 0 <= selected < len(items) else None)
    for box in ("ChkAutoStart", "ChkCleanOnTray"):
        page[box] = controls[box]["checked"] == 1
    return page


def default_page():
    page = {box: False for box, _ in RULE_ROWS}
    page.update({edit: (False, DEFAULT_SHOWN[edit]) for _, edit in RULE_ROWS})
    page.update({"ChkAutoStart": False, "ChkCleanOnTray": False})
    return page


def dword(value):
    return ("REG_DWORD", hex(value))


def wait_stored(s, name, expected):
    check(wait_until(lambda: (s.settings() or {}).get(name) == expected, 10),
          f"{name}: {(s.settings() or {}).get(name)} stored, {expected} expected")


@case
def settings_defaults(s):
    """A fresh profile: boxes unticked, lists disabled at "90", "90", "90" and "30"; the load
    creates the empty key and stores nothing."""
    check(s.settings() is None, "the settings key exists before the first start")
    s.start_shown()
    open_settings(s)
    page = shown(s)
    check(page == default_page(), f"a fresh profile shows {page}")
    check(s.settings() == {}, f"the first load stored {s.settings()}")
    s.screenshot("settings-defaults")


@case
def settings_stored(s):
    """Each tick and pick is stored at once as the page's value names and forms; unticking a box
    disables its list and keeps its item; a restart shows everything again."""
    s.start_shown()
    open_settings(s)
    s.drive("click", "ChkUsagePhys")
    wait_stored(s, "enabled_usage_phys", dword(1))
    check(s.control("EditUsagePhys")["enabled"], "ticking the box left its list disabled")
    s.drive("choose", "EditUsagePhys", "70")
    wait_stored(s, "limit_usage_phys", dword(4))
    s.drive("choose", "EditMinute", "60")
    wait_stored(s, "limit_minute", dword(6))
    s.drive("click", "ChkMinute")
    wait_stored(s, "enabled_minute", dword(1))
    s.drive("click", "ChkUsageWork")
    wait_stored(s, "enabled_usage_work", dword(1))
    s.drive("click", "ChkUsageWork")
    wait_stored(s, "enabled_usage_work", dword(0))
    check(not s.control("EditUsageWork")["enabled"], "unticking the box left its list enabled")
    s.drive("click", "ChkCleanOnTray")
    wait_stored(s, "cleanontray", dword(1))
    stored = s.settings()
    check(set(stored) == {"enabled_usage_phys", "limit_usage_phys", "limit_minute", "enabled_minute",
                          "enabled_usage_work", "cleanontray"}, f"stored {sorted(stored)}")

    expected = default_page()
    expected.update({"ChkUsagePhys": True, "EditUsagePhys": (True, "70"), "ChkMinute": True,
                     "EditMinute": (True, "60"), "ChkCleanOnTray": True})
    before = shown(s)
    check(before == expected, f"the page shows {before}, {expected} expected")

    s.kill_all()
    s.start_shown()
    open_settings(s)
    after = shown(s)
    check(after == expected, f"after a restart the page shows {after}, {expected} expected")
    # The boxes that loaded ticked stored their values again, unchanged.
    check(s.settings() == stored, f"the restart changed the stored values: {s.settings()} from {stored}")
    s.screenshot("settings-after-restart")


# Each value and a stored form of the wrong type for it: reg.exe's REG_SZ of two characters
# (more than 4 bytes, as an integer read refuses it), a REG_BINARY of 8 bytes.
WRONG_TYPES = {
    "enabled_usage_phys": ("REG_SZ", "on"), "enabled_usage_page": ("REG_BINARY", "0100000000000000"),
    "enabled_usage_work": ("REG_SZ", "on"), "limit_usage_phys": ("REG_SZ", "70"),
    "limit_usage_page": ("REG_BINARY", "0400000000000000"), "limit_usage_work": ("REG_SZ", "70"),
    "enabled_minute": ("REG_SZ", "on"), "limit_minute": ("REG_BINARY", "0600000000000000"),
    "cleanontray": ("REG_SZ", "on"),
}
# Every value stored well, none at its default: ticked boxes, lists at "70" and "60".
GOOD_VALUES = {"enabled_usage_phys": 1, "enabled_usage_page": 1, "enabled_usage_work": 1, "limit_usage_phys": 4,
               "limit_usage_page": 4, "limit_usage_work": 4, "enabled_minute": 1, "limit_minute": 6,
               "cleanontray": 1}
BOX_OF = {"enabled_usage_phys": "ChkUsagePhys", "enabled_usage_page": "ChkUsagePage",
          "enabled_usage_work": "ChkUsageWork", "enabled_minute": "ChkMinute", "cleanontray": "ChkCleanOnTray"}
LIST_OF = {"limit_usage_phys": "EditUsagePhys", "limit_usage_page": "EditUsagePage",
           "limit_usage_work": "EditUsageWork", "limit_minute": "EditMinute"}


def page_for(values):
    """What the page shows for stored values, a value missing from `values` at its default."""
    items = {4: "70", 6: "90"}
    minutes = {3: "30", 6: "60"}
    page = {"ChkAutoStart": False, "ChkCleanOnTray": values.get("cleanontray", 0) == 1}
    for (box, edit), name in zip(RULE_ROWS, ("usage_phys", "usage_page", "usage_work", "minute")):
        enabled = values.get(f"enabled_{name}", 0) == 1
        limit = values.get(f"limit_{name}", 3 if name == "minute" else 6)
        page[box] = enabled
        page[edit] = (enabled, (minutes if name == "minute" else items)[limit])
    return page


def check_wrong_types(s, names):
    """A value stored with a type the page does not read still lets the program start: that value
    takes its default, the others load, and it stays as stored (nothing rewrites it)."""
    for name in names:
        kind, data = WRONG_TYPES[name]
        s.kill_all()
        s.forget_settings()
        values = {other: ("REG_DWORD", value) for other, value in GOOD_VALUES.items() if other != name}
        s.store_settings(dict(values, **{name: (kind, data)}))
        s.start_shown()
        open_settings(s)
        expected = page_for({k: v for k, v in GOOD_VALUES.items() if k != name})
        page = shown(s)
        check(page == expected, f"with {name} stored as {kind}: the page shows {page}, {expected} expected")
        stored = s.settings()
        check(stored is not None, "the settings key is gone")
        check(stored.get(name) == (kind, data), f"{name} was rewritten: {stored.get(name)}")


# In two cases, each well inside its time limit where the 32-bit program runs emulated.
@case
def settings_wrong_types_boxes(s):
    """The ticks stored with a wrong type: each alone takes its default, the rest load."""
    check_wrong_types(s, [name for name in WRONG_TYPES if name in BOX_OF])


@case
def settings_wrong_types_lists(s):
    """The list positions stored with a wrong type: each alone takes its default, the rest load."""
    check_wrong_types(s, [name for name in WRONG_TYPES if name in LIST_OF])


@case
def autostart_box(s):
    """Ticking "start at logon" and unticking it leaves no task; "/inst" starts the program as usual.
    (Wine has no logon trigger, so its scheduler keeps no task of ours either way.)"""
    task = Path(os.environ["WINEPREFIX"]) / TASK_FILE
    s.start_shown("/inst")
    open_settings(s)
    check(not task.exists(), "a task file after the start with /inst")
    # The box waits, greyed, until the start has read the task's state beside the window.
    check(wait_until(lambda: s.control("ChkAutoStart")["enabled"], 20), "the box stayed greyed")
    s.drive("click", "ChkAutoStart")
    check(wait_until(lambda: s.control("ChkAutoStart")["checked"] == 1, 10), "the box did not tick")
    s.drive("click", "ChkAutoStart")
    check(wait_until(lambda: s.control("ChkAutoStart")["checked"] == 0, 10), "the box did not untick")
    check(not task.exists(), "a task file is left after ticking and unticking")
    check(s.settings() == {}, f"the logon box stored {s.settings()} in the registry")
