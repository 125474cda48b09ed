"""End-to-end cases of the translation: the window in each language of the catalog and in one it
lacks (German: English), what the code shows (the version box, the quit question, the clean
button while busy), and captions that came out longer than their controls, at 96 and 144 DPI."""

import time

from harness import case, check, translated, wait_until

# Control kinds whose window text is their translated design caption.
CAPTIONED_KINDS = {"ToolButton", "Label", "StyledButton", "GroupBox", "CheckBox"}
# The catalog's eight languages and one it does not have, by the user locale that selects them.
LOCALES = {"ko": "ko_KR.UTF-8", "en": "en_US.UTF-8", "ja": "ja_JP.UTF-8", "zh": "zh_CN.UTF-8",
           "ru": "ru_RU.UTF-8", "it": "it_IT.UTF-8", "fr": "fr_FR.UTF-8", "ar": "ar_SA.UTF-8",
           "de": "de_DE.UTF-8"}
# The languages whose captions came out longest for the settings page's two-box row.
LONG_CAPTIONS = ("ru", "fr")


def open_settings(s):
    s.drive("click", "BtnConfig")
    check(wait_until(lambda: s.visible("Card2"), 10), "the settings page did not show")


def caption_problems(controls, language):
    """Controls whose text or items are not what a user of `language` should read."""
    problems = []
    for c in controls:
        if c["kind"] in CAPTIONED_KINDS and c["design_caption"]:
            want = translated(c["design_caption"], language)
            if c["text"] != want:
                problems.append(f"{c['name']}: {c['text']!r}, expected {want!r}")
        if c["kind"] == "ComboBox":
            want = [translated(item, language) for item in c["design_items"]]
            if c["items"] != want or c["selected"] != c["design_selected"]:
                problems.append(f"{c['name']}: items {c['items']} at {c['selected']}, expected {want} at "
                                f"{c['design_selected']}")
    return problems


def overlap(a, b):
    (ax, ay, aw, ah), (bx, by, bw, bh) = a, b
    return ax < bx + bw and bx < ax + aw and ay < by + bh and by < ay + ah


def layout_problems(controls):
    """Siblings that cover each other, and controls that stick out of their parent (a grown caption
    must stay in the free space beside it)."""
    by_name = {c["name"]: c for c in controls}
    problems = []
    for c in controls:
        parent = by_name.get(c["parent"])
        if parent:
            x, y, w, h = c["screen"]
            px, py, pw, ph = parent["screen"]
            if x < px or y < py or x + w > px + pw or y + h > py + ph:
                problems.append(f"{c['name']}: at {c['screen']}, outside its parent {c['parent']} at {parent['screen']}")
        for other in controls:
            if (other["name"] != c["name"] and other["parent"] == c["parent"] and c["kind"] in CAPTIONED_KINDS
                    and overlap(c["screen"], other["screen"])):
                problems.append(f"{c['name']} at {c['screen']} covers {other['name']} at {other['screen']}")
    return problems


def window_in(language):
    def check_window(s):
        s.use_locale(LOCALES[language])
        _, window = s.start_shown()
        # The caption is English in every language but Korean; the catalog's first block is the name.
        check(window["caption"] == translated("RamBroom", "ko" if language == "ko" else "en"),
              f"caption {window['caption']!r}")
        controls = s.drive("dump")["controls"]
        problems = caption_problems(controls, language) + layout_problems(controls)
        check(not problems, f"{language}:\n  " + "\n  ".join(problems))
        time.sleep(1.5)  # the first status refresh and paint
        s.screenshot(f"translated-{language}-home")
        open_settings(s)
        version = s.control("EditInfo")["text"]
        check(version.startswith(translated("버전", language) + ": "), f"version box {version!r}")
        time.sleep(0.5)
        s.screenshot(f"translated-{language}-settings")

    check_window.__name__ = f"translated_window_{language}"
    check_window.__doc__ = (f"The window under the {LOCALES[language]} user locale: every caption, list and the "
                            "window caption as the catalog gives them; no caption covers another.")
    return check_window


for _language in LOCALES:
    case(window_in(_language))


@case
def translated_long_captions_144dpi(s):
    """At 144 DPI the longest translated captions still fit: a check box grows into the free space
    beside it instead of cutting its text, and covers nothing."""
    s.set_dpi(144)
    for language in LONG_CAPTIONS:
        s.use_locale(LOCALES[language])
        s.kill_all()
        _, window = s.start_shown()
        check(window["dpi"] == 144, f"the window runs at {window['dpi']} DPI")
        controls = s.drive("dump")["controls"]
        problems = caption_problems(controls, language) + layout_problems(controls)
        check(not problems, f"{language} at 144 DPI:\n  " + "\n  ".join(problems))
        # The right box of the two-box row moved left into the room its neighbour leaves.
        tray, table = s.control("ChkCleanOnTray")["rect"], s.control("ChkCleanOnTray")["expected_rect"]
        check(tray[0] < table[0] and tray[0] + tray[2] >= table[0] + table[2],
              f"{language}: ChkCleanOnTray at {tray}, table {table}: it did not grow")
        open_settings(s)
        time.sleep(0.5)
        s.screenshot(f"translated-{language}-settings-144dpi")


@case
def translated_messages(s):
    """What the code shows goes through the catalog too: the clean button idle and busy, and the
    quit question (French)."""
    s.use_locale(LOCALES["fr"])
    process, _ = s.start_shown()
    idle = {"text": translated("정리하기", "fr"), "enabled": True}
    with s.held_job() as held:
        check(held["before"] == idle, f"clean button before the click: {held['before']}")
        # The busy caption's own key ("정리중 ...") is in no block; the word's translation is shown.
        busy = {"text": translated("정리중", "fr"), "enabled": False}
        check(held["busy"] == busy, f"clean button while busy: {held['busy']}, expected {busy}")
    check(held["after"] == idle, f"clean button after the job: {held['after']}")

    s.drive("menu", "BtnClose")
    box = s.drive("msgbox", 10000)
    check(box["text"] == translated(s.texts["QuitQuestion"], "fr"), f"Quit asked {box['text']!r}")
    s.drive("answer", "no", 10000)
    check(s.count() == (1, 1), f"after No: (windows, processes) = {s.count()}")
    check(process.poll() is None, "the program ended after No")

