"""End-to-end cases of the server check: the real program against a loopback HTTPS server that
stands in for the maker's web service (tests/win/net/check_server.py), reached through the
endpoint variable set for the program alone, with the server's test CA trusted in the prefix for
the case. The request's headers, the update prompt in each of its styles, the notice line at 96
and 144 DPI, server addresses that must never be opened, and a server that refuses connections.

ctest gives each case RAMBROOM_CHECK_SERVER (the server's folder, where its certificates are
kept between cases) and RAMBROOM_TRUST_CA (rambroom_trust_ca.exe of this build). Screenshots
stay in e2e-artifacts/ as update-*.png."""

import contextlib
import json
import os
import re
import socket
import struct
import subprocess
import sys
import time
from pathlib import Path

from harness import case, check, translated, wait_until, windows_path, wine_loader

ROOT = Path(__file__).resolve().parents[2]
CHECK_SERVER = ROOT / "tests" / "win" / "net" / "check_server.py"
# The endpoint variable (update/Links.h) and the control identifiers of the prompt's extras and of
# the notice line (update/UpdatePrompt_win.h, update/UpdateStatus_win.h), as the program has them.
URL_VARIABLE = re.search(r'kServerUrlVariable = L"([^"]+)"', (ROOT / "update" / "Links.h").read_text())[1]
IDS = {name: int(value, 16) for name, value in re.findall(
    r"inline constexpr int (k\w+Id) = (0x[0-9A-Fa-f]+);",
    (ROOT / "update" / "UpdatePrompt_win.h").read_text() + (ROOT / "update" / "UpdateStatus_win.h").read_text())}
SEPARATOR, HOLD_BOX, NOTE_LINK, STATUS_LINE = (IDS[n] for n in ("kPromptSeparatorId", "kPromptHoldBoxId",
                                                               "kPromptNoteLinkId", "kUpdateStatusId"))
STATUS_HEIGHT = 28  # the notice line at 96 DPI
IDYES, IDNO = 6, 7
UID_KEY = r"HKCU\Software\Brenwick"
# The prompt's message, Yes and No by language: the program's own texts, not the catalog's.
PROMPT_TEXTS = {
    "ko": ("업데이트 정보가 있습니다.\r\r안정적으로 사용하기 위해 업데이트를 하시길 권장합니다.\r\r"
           "다운로드 받으시겠습니까?", "예", "아니오"),
    "en": ("This program has been updated.\r\rIt is recommended to download and execute new for stable use.\r\r"
           "Do you want to download it?", "Yes", "No"),
    "fr": ("Ce programme a été mis à jour.\r\rIl est recommandé de télécharger et d'exécuter la nouvelle version "
           "pour une utilisation stable.\r\rVoulez-vous le télécharger?", "Oui", "Non"),
    "ja": ("このプログラムがアップデートされました。\r\r安定的に使用するために新しくダウンロード·実行することをお勧めします。"
           "\r\rダウンロードしますか。", "はい", "いいえ"),
}
LOCALES = {"ko": "ko_KR.UTF-8", "en": "en_US.UTF-8", "fr": "fr_FR.UTF-8", "ja": "ja_JP.UTF-8", "ru": "ru_RU.UTF-8"}
WHITE, SEPARATOR_GREY, LINK_BLUE, RED = (255, 255, 255), (204, 204, 204), (0, 0, 255), (255, 0, 0)
DOWNLOAD = "https://localhost/rambroom/download?v=2"
NOTICE = "https://localhost/rambroom/notice?id=7"
# What a server address must never make the program do: a command file the shell would run,
# leaving a marker behind.
MARKER_COMMAND = "rambroom-e2e-opened.cmd"
MARKER = "rambroom-e2e-opened.txt"


def prefix():
    return Path(os.environ["WINEPREFIX"])


def answer_text(fields):
    """An answer as the field reader takes it: no blanks around the colons, non-ASCII escaped."""
    return json.dumps(fields, separators=(",", ":"))


def file_version(exe):
    """The four numbers of the file version in the executable's VS_FIXEDFILEINFO."""
    data = Path(exe).read_bytes()
    at = data.find(struct.pack("<I", 0xFEEF04BD))
    check(at >= 0, f"{exe} has no version resource")
    most, least = struct.unpack_from("<II", data, at + 8)
    return f"{most >> 16}.{most & 0xFFFF}.{least >> 16}.{least & 0xFFFF}"


def scaled(value, dpi):
    return (value * dpi + 48) // 96


class Server:
    """check_server.py started for the case, its CA trusted in the prefix while it runs."""

    def __init__(self, s):
        self.s = s
        self.folder = Path(os.environ.get("RAMBROOM_CHECK_SERVER", s.artifacts.parent / "e2e-check-server"))
        self.trust_tool = Path(os.environ.get("RAMBROOM_TRUST_CA", ""))
        check(self.trust_tool.is_file(), f"rambroom_trust_ca.exe not found ({self.trust_tool}): run through ctest")
        self.port = None

    def _server(self, command):
        done = subprocess.run([sys.executable, str(CHECK_SERVER), command, str(self.folder)], stdin=subprocess.DEVNULL,
                              stdout=self.s.log, stderr=self.s.log, timeout=60)
        check(done.returncode == 0, f"check_server.py {command} failed (see {self.s.log.name})")

    def _trust(self, what):
        done = subprocess.run(wine_loader(self.trust_tool) + [str(self.trust_tool), what,
                                                             windows_path(self.folder / "ca.der")],
                              stdin=subprocess.DEVNULL, stdout=self.s.log, stderr=self.s.log, env=self.s.env,
                              timeout=60)
        return done.returncode == 0

    def __enter__(self):
        ca = self.folder / "ca.der"
        if ca.exists() and time.time() - ca.stat().st_mtime > 7 * 86400:
            ca.unlink()  # the server makes its certificates afresh: they last 30 days
        self._server("start")
        try:
            self.port = int((self.folder / "ports").read_text().split()[0])
            check(self._trust("add"), "the test CA could not be trusted in the prefix")
        except BaseException:
            self._server("stop")
            raise
        return self

    def __exit__(self, *error):
        # The program is left running: the session keeps the evidence of a failure first.
        try:
            check(self._trust("remove"), "the test CA could not be removed from the prefix")
        finally:
            self._server("stop")
        return False

    @property
    def url(self):
        return f"https://localhost:{self.port}/api.init.php"

    def answer(self, text):
        """What /api.init.php answers from now on; the requests recorded so far are forgotten."""
        (self.folder / "api-answer.txt").write_bytes(text.encode("utf-8"))
        (self.folder / "log" / "api.txt").unlink(missing_ok=True)

    def requests(self):
        """The requests to /api.init.php since the last answer(): each a list of (name, value) in
        the order the headers arrived."""
        log = self.folder / "log" / "api.txt"
        requests = []
        for line in (log.read_text(encoding="utf-8").splitlines() if log.exists() else []):
            if line.startswith("REQUEST "):
                requests.append([])
            elif line != "END" and requests:
                name, _, value = line.partition(": ")
                requests[-1].append((name, value))
        return requests

    def wait_requests(self, count, timeout_s=30):
        check(wait_until(lambda: len(self.requests()) >= count, timeout_s),
              f"{len(self.requests())} requests reached the server, {count} expected")
        return self.requests()

    def launch(self, *args, answer="{}", **options):
        """Starts the program against this server, which gives it `answer`."""
        self.answer(answer)
        return self.s.launch(*args, env={URL_VARIABLE: self.url}, **options)


def user_headers(request):
    """The program's own headers, in order (User-Agent is the HTTP stack's)."""
    return [(name, value) for name, value in request
            if name.lower().startswith("user-") and name.lower() != "user-agent"]


def status_line(s):
    """The notice line among the main window's children, or None."""
    window = s.drive("dump", met=False)
    return next((c for c in window["children"] if c["id"] == STATUS_LINE), None)


def wait_status_line(s, timeout_s=30):
    line = wait_until(lambda: status_line(s), timeout_s, interval_s=0.3)
    check(line, "the notice line did not appear")
    return line


def prompt(s, timeout_s=30):
    """The update prompt once it shows: the message box exists before it is made over."""
    box = wait_until(lambda: (box := s.drive("msgbox", 0, met=False))["found"] and box["visible"] and box,
                     timeout_s, interval_s=0.3)
    check(box, "the update prompt did not appear")
    check(box["count"] == 1, f"{box['count']} message boxes are open")
    return box


def child(box, control_id):
    return next((c for c in box["children"] if c["id"] == control_id), None)


def check_prompt_texts(box, language):
    message, yes, no = PROMPT_TEXTS[language]
    caption = translated("RamBroom", language)
    check(box["caption"] == caption, f"{language}: prompt caption {box['caption']!r}, expected {caption!r}")
    check(box["text"].split("\n")[0] == message, f"{language}: prompt message {box['text']!r}")
    buttons = {b["id"]: (b["text"], b["default"]) for b in box["buttons"] if b["id"] in (IDYES, IDNO)}
    check(buttons == {IDYES: (yes, True), IDNO: (no, False)},
          f"{language}: buttons {box['buttons']}, expected Yes {yes!r} (default) and No {no!r}")


def check_extras(box, style_control):
    """The grey line and the style's control below the buttons, inside the prompt; None: no extras."""
    ids = {c["id"] for c in box["children"]}
    if style_control is None:
        check(not ids & {SEPARATOR, HOLD_BOX, NOTE_LINK}, f"a prompt without a style has extras: {box['children']}")
        return
    separator, extra, yes = child(box, SEPARATOR), child(box, style_control), child(box, IDYES)
    check(separator and extra, f"the prompt lacks its grey line or its {style_control:#x}: {box['children']}")
    bx, by, bw, bh = box["screen"]
    # The line's place is fixed from the prompt's bottom; Wine's message box keeps its buttons
    # so low that it runs along their lower edge.
    middle, bottom = yes["screen"][1] + yes["screen"][3] // 2, yes["screen"][1] + yes["screen"][3]
    check(middle < separator["screen"][1] < extra["screen"][1] and bottom <= extra["screen"][1],
          f"not below the buttons (at {yes['screen']}): line {separator['screen']}, {extra['screen']}")
    x, y, w, h = extra["screen"]
    check(bx <= x and y + h <= by + bh, f"{extra['screen']} sticks out of the prompt at {box['screen']}")
    check(ids.isdisjoint({SEPARATOR, HOLD_BOX, NOTE_LINK} - {SEPARATOR, style_control}),
          f"the other style's control is there too: {box['children']}")


def pixels(picture, rect):
    x0, y0, w, h = rect
    return [picture.pixel(x, y) for y in range(y0, y0 + h) for x in range(x0, x0 + w)]


def prompt_look(s, name, box, style_control=None, icon=False):
    """A screenshot of the prompt, sampled: white behind everything; the grey line; the link's blue;
    the program's green icon at the left of the title bar, or none there."""
    picture = s.picture(name)
    bx, by, bw, bh = box["screen"]
    title_icon = [(r, g, b) for r, g, b in pixels(picture, (bx + 2, by + 2, 24, 20)) if g > r + 40 and g > b + 40]
    check(bool(title_icon) == icon, f"{name}.png: {len(title_icon)} green pixels where the title bar's icon goes, "
          f"{'an icon' if icon else 'none'} expected")
    yes = child(box, IDYES)["screen"]
    # Beside the Yes button, where some systems paint a grey band behind the buttons.
    left_of_yes = picture.pixel(bx + 12, yes[1] + yes[3] // 2)
    check(left_of_yes == WHITE, f"{name}.png: {left_of_yes} beside the buttons, white expected")
    if style_control is not None:
        line = child(box, SEPARATOR)["screen"]
        seen = picture.pixel(line[0] + line[2] // 2, line[1])
        check(seen == SEPARATOR_GREY, f"{name}.png: the grey line is {seen}")
    if style_control == NOTE_LINK:
        link = child(box, NOTE_LINK)["screen"]
        check(LINK_BLUE in pixels(picture, link), f"{name}.png: no blue in the link line at {link}")


def click_centre(s, rect):
    x, y, w, h = rect
    s.input.click(x + w // 2, y + h // 2)


def check_running(s, process, what):
    check(process.poll() is None and s.count() == (1, 1), f"{what}: the program ended: {s.count()}")


def check_ends(s, process, what, timeout_s=15):
    code = s.returns(process, timeout_s)
    check(code == 0, f"{what}: exit code {code}")
    check(wait_until(lambda: s.count() == (0, 0), 10), f"{what}: still running: {s.count()}")


def new_urls(s, before):
    return s.opened_urls()[before:]


def wait_opened(s, before, url, what):
    opened = wait_until(lambda: new_urls(s, before), 15)
    time.sleep(0.5)  # a second page from the same action would show up by now
    check(opened and new_urls(s, before) == [url], f"{what} opened {new_urls(s, before)}, expected [{url!r}]")


@case
def update_request_headers(s):
    """The check's request carries User-Version (the executable's file version), User-Language
    (the user's language), User-Debug and User-Union (the identifier the program stored on its
    first check), in that order; a later start sends the same identifier."""
    s.reg("delete", UID_KEY, "/v", "WrenUID", "/f")
    version = file_version(s.app)
    with Server(s) as server:
        seen = []
        for language in ("ko", "ru"):
            s.kill_all()
            s.use_locale(LOCALES[language])
            server.launch()
            requests = server.wait_requests(1)
            stored = (s.key_values(UID_KEY) or {}).get("WrenUID")
            check(stored and stored[0] == "REG_SZ", f"WrenUID after the check: {stored}")
            uid = stored[1]
            expected = [("User-Version", version), ("User-Language", language), ("User-Debug", "false"),
                        ("User-Union", uid)]
            check(user_headers(requests[0]) == expected,
                  f"{language}: headers {user_headers(requests[0])}, expected {expected}")
            time.sleep(1.0)
            check(len(server.requests()) == 1, f"{language}: {len(server.requests())} requests for one check")
            seen.append(uid)
    check(seen[0] == seen[1], f"the identifier changed between starts: {seen}")
    today = [time.strftime("%y%m%d", time.localtime(time.time() - back)) for back in (0, 86400)]
    check(re.fullmatch(r"[0-9A-F]{8}\d{6}[0-9A-F]{4}\d{6}[0-9A-F]{8}", seen[0]) and seen[0][8:14] in today,
          f"identifier {seen[0]!r}: not eight hex digits, today's date, four hex, the time, eight hex")


@case
def update_prompt_no(s):
    """The update prompt without a style (Korean) and with the hold box (English): the texts of
    the user's language, the extras below the buttons; No keeps the program and opens nothing; a
    ticked hold box sends the hold command with only the version."""
    version = file_version(s.app)
    before = len(s.opened_urls())
    with Server(s) as server:
        process = server.launch(answer=answer_text({"update": DOWNLOAD}))
        box = prompt(s)
        check_prompt_texts(box, "ko")
        check_extras(box, None)
        check(not box["topmost"] and box["owner"] == "main", f"plain prompt: topmost {box['topmost']}, "
              f"owner {box['owner']!r}")
        prompt_look(s, "update-prompt-plain", box)
        s.drive("answer", "no", 10000)
        time.sleep(1.0)
        check_running(s, process, "No")
        check(s.drive("window")["enabled"], "the main window stayed disabled after the prompt")
        check(len(server.requests()) == 1, f"No without the box sent {len(server.requests()) - 1} more requests")

        s.kill_all()
        s.use_locale(LOCALES["en"])
        hold_text = "Don\u2019t remind me of this version"
        process = server.launch(answer=answer_text({"update": DOWNLOAD, "info": {"style": "hold", "text": hold_text}}))
        box = prompt(s)
        check_prompt_texts(box, "en")
        check_extras(box, HOLD_BOX)
        hold = child(box, HOLD_BOX)
        check(hold["text"] == hold_text and hold.get("checked") == 0, f"hold box {hold}")
        server.wait_requests(1)
        prompt_look(s, "update-prompt-hold", box)
        x, y, _, h = hold["screen"]
        s.input.click(x + 6, y + h // 2)  # on the box itself
        check(wait_until(lambda: child(s.drive("msgbox", 0), HOLD_BOX).get("checked") == 1, 5),
              "a click did not tick the hold box")
        s.screenshot("update-prompt-hold-ticked")
        s.drive("answer", "no", 10000)
        requests = server.wait_requests(2, 15)
        check(user_headers(requests[1]) == [("User-Version", version), ("User-Command", "hold")],
              f"hold command: {user_headers(requests[1])}")
        time.sleep(1.0)
        check(len(server.requests()) == 2, f"{len(server.requests())} requests: one hold command expected")
        check_running(s, process, "No with the box ticked")
    check(not new_urls(s, before), f"No opened {new_urls(s, before)}")


@case
def update_prompt_yes(s):
    """The update prompt with a link line (French): a click on the link opens its page and leaves
    the prompt open; stay-on-top (Japanese) while the window is hidden in the notification area: on
    top, with no owner and an icon of its own. Yes opens the download page and the program ends."""
    with Server(s) as server:
        s.use_locale(LOCALES["fr"])
        note_text, note_url = "Nouveaut\u00e9s de la version", "https://localhost/rambroom/notes?v=2"
        process = server.launch(answer=answer_text(
            {"update": DOWNLOAD, "info": {"style": "note", "text": note_text, "url": note_url}}))
        box = prompt(s)
        check_prompt_texts(box, "fr")
        check_extras(box, NOTE_LINK)
        link = child(box, NOTE_LINK)
        check(link["text"] == note_text and box["text"].split("\n")[-1] == note_text, f"link line {link}")
        prompt_look(s, "update-prompt-note", box, NOTE_LINK)
        before = len(s.opened_urls())
        click_centre(s, link["screen"])
        wait_opened(s, before, note_url, "the link line")
        check(s.drive("msgbox", 0, met=False)["found"], "the prompt closed after a click on its link")
        before = len(s.opened_urls())
        s.drive("answer", "yes", 10000)
        wait_opened(s, before, DOWNLOAD, "Yes")
        check_ends(s, process, "Yes on the note prompt")

        s.use_locale(LOCALES["ja"])
        process = server.launch("/start", answer=answer_text(
            {"update": DOWNLOAD, "info": {"style": "", "flag": "beta,stayontop"}}))
        box = prompt(s)
        check(not s.drive("window")["visible"], "the window showed with the prompt")
        check_prompt_texts(box, "ja")
        check_extras(box, None)
        check((box["topmost"], box["owner"]) == (True, ""),
              f"stay-on-top prompt of a hidden window: topmost {box['topmost']}, owner {box['owner']!r}")
        prompt_look(s, "update-prompt-stayontop", box, icon=True)
        before = len(s.opened_urls())
        s.drive("answer", "yes", 10000)
        wait_opened(s, before, DOWNLOAD, "Yes")
        check_ends(s, process, "Yes on the stay-on-top prompt")


def controls_at(dump, shift=0):
    """Each control's place, on the screen as it would be with the window `shift` pixels lower."""
    return {c["name"]: (c["rect"], [c["screen"][0], c["screen"][1] + shift, *c["screen"][2:]], c["visible"])
            for c in dump["controls"]}


def line_look(s, name, line, dpi):
    """The notice line on the screen: red text centred on the face colour; a screenshot kept."""
    picture = s.picture(name)
    x, y, w, h = line["screen"]
    area = pixels(picture, line["screen"])
    counts = {}
    for colour in area:
        counts[colour] = counts.get(colour, 0) + 1
    background = max(counts, key=counts.get)
    red = [(i % w, i // w) for i, colour in enumerate(area) if colour == RED]
    check(red, f"{name}.png: no red in the notice line at {line['screen']} (background {background})")
    check(background != RED and background != WHITE, f"{name}.png: the line's background is {background}")
    left, right = min(px for px, _ in red), max(px for px, _ in red)
    top, bottom = min(py for _, py in red), max(py for _, py in red)
    slack = scaled(3, dpi)
    check(abs((left + right) - w) <= 2 * slack and abs((top + bottom) - h) <= 2 * slack,
          f"{name}.png: the text spans x {left}..{right}, y {top}..{bottom} of {w}x{h}: not centred")
    check(bottom - top >= scaled(6, dpi), f"{name}.png: the red text is {bottom - top + 1} px high")


def check_notice_line(s, server, language, dpi, name):
    """An answer with an update and a notice: the prompt first, then (after No) the notice line
    at the bottom; the window grew by the line and every control kept its place."""
    process = server.launch(answer=answer_text({"update": DOWNLOAD, "notify": NOTICE}))
    prompt(s)
    before = s.drive("dump")
    check(status_line(s) is None, "the notice line came before the prompt was answered")
    s.drive("answer", "no", 10000)
    line = wait_status_line(s)
    after = s.drive("dump")
    window, grown = before["window"], after["window"]
    check(window["dpi"] == dpi, f"the window runs at {window['dpi']} DPI")
    height = scaled(STATUS_HEIGHT, dpi)
    check(grown["client"] == [window["client"][0], window["client"][1] + height],
          f"client {window['client']} -> {grown['client']}: {height} px taller expected")
    # The window grows downwards, and moves up only as far as it must to stay in the work area.
    x, y, w, h = window["screen"]
    wx, wy, ww, wh = grown["work"]
    kept_top = y if y + h + height <= wy + wh else max(wy, wy + wh - (h + height))
    check(grown["screen"] == [x, kept_top, w, h + height],
          f"the window went from {window['screen']} to {grown['screen']} (work area {grown['work']})")
    shift = kept_top - y
    places, now = controls_at(before, shift), controls_at(after)
    moved = {name: (places[name], now[name]) for name in places if now[name] != places[name]}
    check(not moved, f"controls moved in the window when the line came: {moved}")
    # Client origin from any control: its screen rectangle less its client one.
    probe = after["controls"][0]
    origin = (probe["screen"][0] - probe["rect"][0], probe["screen"][1] - probe["rect"][1])
    expected = [origin[0], origin[1] + window["client"][1], grown["client"][0], height]
    check(line["screen"] == expected and line["visible"], f"notice line at {line['screen']}, expected {expected}")
    check(line["class"].lower() == "msctls_statusbar32", f"notice line class {line['class']!r}")
    s.input.park()
    time.sleep(0.5)
    line_look(s, name, line, dpi)
    return process, line


@case
def update_notice_line(s):
    """The notice line (Korean, 96 DPI) after the prompt: at the bottom, the window taller by it,
    the content where it was, red text; its tool tip is the notice page, a click opens it."""
    with Server(s) as server:
        process, line = check_notice_line(s, server, "ko", 96, "update-notice-96dpi")
        x, y, w, h = line["screen"]
        s.input.move(x + w // 2, y + h // 2)
        tip = s.drive("tooltip", "hint", 5000, met=False)
        check([t["text"] for t in tip["tips"]] == [NOTICE], f"tool tip over the line: {tip}")
        before = len(s.opened_urls())
        s.input.click(x + w // 4, y + h // 2)
        wait_opened(s, before, NOTICE, "a click on the notice line")
        check_running(s, process, "the notice line's click")


@case
def update_notice_line_144dpi(s):
    """The notice line at 144 DPI (Russian): one and a half times as high, red text, the content
    where it was."""
    s.set_dpi(144)
    s.use_locale(LOCALES["ru"])
    with Server(s) as server:
        check_notice_line(s, server, "ru", 144, "update-notice-144dpi")


def marker_command():
    """A command file that leaves MARKER behind when anything runs it."""
    (prefix() / "drive_c" / MARKER).unlink(missing_ok=True)
    (prefix() / "drive_c" / MARKER_COMMAND).write_text(f"@echo opened > C:\\{MARKER}\r\n", encoding="ascii")


# Server addresses that are no web pages: each must be neither opened nor offered.
OTHER_SCHEMES = (f"file:///C:/{MARKER_COMMAND}", "javascript:alert(1)", f"C:\\{MARKER_COMMAND}", "")


def check_nothing_opened(s, process, before, what):
    time.sleep(1.0)
    check(not new_urls(s, before), f"{what}: opened {new_urls(s, before)}")
    check(not (prefix() / "drive_c" / MARKER).exists(), f"{what}: the shell ran {MARKER_COMMAND}")
    check_running(s, process, what)


@case
def update_other_schemes_update(s):
    """An "update" that is no web address (file:, javascript:, a path, empty) is not offered:
    no prompt before the notice line, nothing opened, the program runs on."""
    marker_command()
    before = len(s.opened_urls())
    with Server(s) as server:
        for target in OTHER_SCHEMES:
            s.kill_all()
            process = server.launch(answer=answer_text({"update": target, "notify": NOTICE}))
            # A prompt would hold the handler until answered: the line comes only if none was shown.
            wait_status_line(s)
            check(not s.drive("msgbox", 0, met=False)["found"], f"update {target!r}: a prompt is open")
            check_nothing_opened(s, process, before, f"update {target!r}")


@case
def update_other_schemes_notify(s):
    """A "notify" or a link line's "url" that is no web address (file:, javascript:, a path,
    empty): a click on the link opens nothing, and no notice line comes after the prompt."""
    marker_command()
    before = len(s.opened_urls())
    with Server(s) as server:
        for target in OTHER_SCHEMES:
            s.kill_all()
            process = server.launch(answer=answer_text(
                {"update": DOWNLOAD, "info": {"style": "note", "text": "Notes", "url": target}, "notify": target}))
            box = prompt(s)
            window = s.drive("window")
            click_centre(s, child(box, NOTE_LINK)["screen"])
            time.sleep(1.0)
            check(s.drive("msgbox", 0, met=False)["found"], f"url {target!r}: the prompt closed on the link's click")
            s.drive("answer", "no", 10000)
            check_nothing_opened(s, process, before, f"notify and url {target!r}")
            check(status_line(s) is None, f"notify {target!r}: a notice line appeared")
            check(s.drive("window")["client"] == window["client"], f"notify {target!r}: the window changed size")


def closed_port():
    """A loopback port nobody listens on: connections to it are refused at once."""
    with contextlib.closing(socket.socket(socket.AF_INET, socket.SOCK_STREAM)) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


@case
def update_server_refused(s):
    """A server that refuses connections: the window answers at once, and quitting while the check
    waits to try again (the quit question, then "/uninst") ends the program within seconds."""
    url = f"https://localhost:{closed_port()}/api.init.php"
    for how in ("question", "/uninst"):
        process = s.launch(env={URL_VARIABLE: url})
        s.drive("wait", "visible", 20000)
        started = time.monotonic()
        s.drive("click", "BtnConfig")
        check(wait_until(lambda: s.visible("Card2"), 5), "the window did not answer a click within 5 s")
        if how == "question":
            s.drive("menu", "BtnClose")
            s.drive("msgbox", 10000)
            s.drive("answer", "yes", 10000)
        else:
            check(s.returns(s.launch("/uninst"), 15) == 0, "/uninst failed")
        quitting = time.monotonic()
        check_ends(s, process, f"quit through {how}", timeout_s=5)
        print(f"{how}: quit {quitting - started:.1f} s after the window showed, ended "
              f"{time.monotonic() - quitting:.1f} s later")
