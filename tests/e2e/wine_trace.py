"""Wine's debug output of a process (WINEDEBUG channels on its stderr), read as it comes and
timestamped, so a case can see which calls the program made, from which thread, and when.

Lines look like "0574:fixme:ntdll:NtSetSystemInformation (0x00000015,0x245fc70,0x00000040) stub":
the Windows thread id in hex, the class, the channel, the function and its message. A process
that starts Wine's explorer hands it the same stderr, so explorer's lines may be mixed in; the
helpers here pick lines by what only the program calls.
"""

import re
import threading
import time
from dataclasses import dataclass

# The file-cache query of the status refresh (once a second on the UI thread), the purge
# requests of a clean, the notification-area calls, and the names threads are given
# (SetThreadDescription; Wine's "threadname" channel gives the named thread's id too).
CHANNELS = "-all,fixme+ntdll,+systray,warn+threadname"

_LINE = re.compile(r"^([0-9a-f]{4,8}):([a-z]+):([a-z0-9_]+):(\S+)\s?(.*)$")
_SET_INFO = re.compile(r"\((0x[0-9a-f]+),[^,]*,(0x[0-9a-f]+)\)")
_NOTIFY = re.compile(r"dwMessage = (\d+)")
_RENAMED = re.compile(r'^Thread ID ([0-9a-f]+) renamed to L"(.*)"$')

NIM_ADD, NIM_MODIFY, NIM_DELETE, NIM_SETVERSION = 0, 1, 2, 4


@dataclass(frozen=True)
class Entry:
    t: float  # time.monotonic() when the line arrived
    thread: int
    cls: str
    channel: str
    function: str
    message: str


@dataclass(frozen=True)
class NamedThread:
    t: float
    thread: int  # the named thread (not the one that named it)
    name: str


@dataclass(frozen=True)
class PurgeRequest:
    t: float
    thread: int
    info_class: int
    length: int


class Trace:
    def __init__(self, stream, log_path):
        self._entries = []
        self._lock = threading.Lock()
        self._log = open(log_path, "w", encoding="utf-8")
        self._reader = threading.Thread(target=self._read, args=(stream,), daemon=True)
        self._reader.start()

    def _read(self, stream):
        # Runs until every holder of the pipe is gone (explorer may hold it past the program).
        for raw in stream:
            now = time.monotonic()
            text = raw.decode("utf-8", errors="replace").rstrip("\r\n")
            match = _LINE.match(text)
            with self._lock:
                if not self._log.closed:
                    self._log.write(f"{now:12.3f} {text}\n")
                    self._log.flush()
                if match:
                    self._entries.append(Entry(now, int(match[1], 16), *match.groups()[1:]))

    def close(self):
        with self._lock:
            self._log.close()

    def entries(self):
        with self._lock:
            return list(self._entries)

    def wait_for(self, select, timeout_s):
        """Polls until select(self) gives something true; returns it, or None on timeout."""
        deadline = time.monotonic() + timeout_s
        while True:
            value = select(self)
            if value or time.monotonic() >= deadline:
                return value or None
            time.sleep(0.05)

    # --- what the program did

    def ticks(self):
        """Times and threads of the status refresh's file-cache queries, one per tick."""
        return [e for e in self.entries()
                if e.function == "NtQuerySystemInformation" and "SYSTEM_CACHE_INFORMATION" in e.message]

    def ui_threads(self):
        return {e.thread for e in self.ticks()}

    def purge_requests(self, since=0.0):
        requests = []
        for e in self.entries():
            if e.function == "NtSetSystemInformation" and e.t >= since:
                match = _SET_INFO.search(e.message)
                if match:
                    requests.append(PurgeRequest(e.t, e.thread, int(match[1], 16), int(match[2], 16)))
        return requests

    def notify_icon_calls(self):
        """(entry, message) of each Shell_NotifyIconW call, NIM_* as in shellapi.h."""
        calls = []
        for e in self.entries():
            match = _NOTIFY.search(e.message) if e.function == "Shell_NotifyIconW" else None
            if match:
                calls.append((e, int(match[1])))
        return calls

    def named_threads(self):
        """The names the program gave its threads (SetThreadDescription), in order."""
        named = []
        for e in self.entries():
            match = _RENAMED.match(e.message) if e.channel == "threadname" else None
            if match:
                named.append(NamedThread(e.t, int(match[1], 16), match[2]))
        return named
