#!/usr/bin/env python3
"""A loopback HTTPS server for the server check's tests, standing in for the maker's web service.

    check_server.py start DIR   make a test CA and certificates in DIR (openssl), start the
                                server in the background, return once it listens
    check_server.py stop DIR    stop the server started in DIR

It listens on loopback only (127.0.0.1 and ::1, the addresses "localhost" may resolve to), with
a certificate for the name localhost signed by the test CA (DIR/ca.der, which the network tests
trust in the Wine prefix for their run, and rambroom_trust_ca.exe for RamBroom.exe), and on a second port with a self-signed certificate nobody trusts. DIR/ports
holds the two port numbers. Every request is recorded, in order, with its headers in the order
they arrived, in DIR/log/<token>.txt:

    REQUEST <port> <path>
    <name>: <value>
    END

Paths are /t/<token>/<scenario>[?query]; the scenario decides the answer:

    echo?status=N&type=T&body=B&wait=S
                                  after S seconds (0), status N (200), Content-Type T
                                  (JSON, UTF-8), body B (UTF-8)
    bytes?hex=H                   the bytes H, declared as ISO-8859-1
    garbage                       64 KiB of random bytes, NULs and broken UTF-8 among them
    huge                          10 MiB of filler, no field
    slow?stall=S                  part of the body, then nothing for S seconds (5), then a close
    truncated                     part of the body, then a close, short of its Content-Length
    close                         the connection closed without an answer
    redirect/N                    a chain of N redirects to echo?body=arrived

/later?delay=S reserves a port and answers its number; the port refuses connections until S
seconds later, then serves like the first one (a server that is down, then up). /api.init.php
(the path of the program's own endpoint) answers the bytes of DIR/api-answer.txt, "{}" without
it, and is recorded under the token "api".
"""

import os
import random
import shutil
import signal
import socket
import ssl
import subprocess
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from pathlib import Path
from urllib.parse import parse_qs, urlsplit

HUGE_SIZE = 10 * 1024 * 1024
PARTIAL = b'{"notify":"https://example.com/' + b"x" * 100


def make_certificates(folder: Path):
    """The test CA, the server's certificate for localhost signed by it, and a self-signed one."""
    if (folder / "ca.der").exists() and (folder / "untrusted.pem").exists():
        return

    def openssl(*args):
        subprocess.run(["openssl", *args], cwd=folder, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)

    (folder / "server.ext").write_text(
        "basicConstraints=critical,CA:FALSE\n"
        "keyUsage=critical,digitalSignature,keyEncipherment\n"
        "extendedKeyUsage=serverAuth\n"
        "subjectAltName=DNS:localhost\n")
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem",
            "-days", "30", "-subj", "/CN=RamBroom Test CA",
            "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    openssl("x509", "-in", "ca.pem", "-outform", "DER", "-out", "ca.der")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "server.key", "-out", "server.csr",
            "-subj", "/CN=localhost")
    openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-set_serial", "2",
            "-days", "30", "-extfile", "server.ext", "-out", "server.pem")
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "untrusted.key",
            "-out", "untrusted.pem", "-days", "30", "-subj", "/CN=localhost",
            "-addext", "subjectAltName=DNS:localhost")


class Recorder:
    def __init__(self, folder: Path):
        self.folder = folder / "log"
        self.folder.mkdir(exist_ok=True)
        self.lock = threading.Lock()

    def record(self, token, port, path, headers):
        lines = [f"REQUEST {port} {path}"] + [f"{name}: {value}" for name, value in headers] + ["END"]
        with self.lock, open(self.folder / f"{token}.txt", "a", encoding="utf-8") as log:
            log.write("\n".join(lines) + "\n")


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):
        pass

    def answer(self, status, body, content_type="application/json; charset=utf-8", headers=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)
        self.close_connection = True

    def do_GET(self):
        server = self.server
        url = urlsplit(self.path)
        query = {key: values[0] for key, values in parse_qs(url.query, keep_blank_values=True).items()}
        parts = url.path.split("/")
        if url.path == "/later":
            self.answer(200, str(server.owner.listen_later(float(query.get("delay", "3")))).encode())
            return
        if url.path == "/api.init.php":
            server.owner.recorder.record("api", server.port, self.path, self.headers.items())
            answer = server.owner.folder / "api-answer.txt"
            self.answer(200, answer.read_bytes() if answer.exists() else b"{}")
            return
        if len(parts) < 4 or parts[1] != "t":
            self.answer(404, b"<html><body>unknown</body></html>", "text/html")
            return
        token, scenario = parts[2], parts[3]
        server.owner.recorder.record(token, server.port, self.path, self.headers.items())
        if scenario == "echo":
            time.sleep(float(query.get("wait", "0")))
            self.answer(int(query.get("status", "200")), query.get("body", "").encode("utf-8"),
                        query.get("type", "application/json; charset=utf-8"))
        elif scenario == "bytes":
            self.answer(200, bytes.fromhex(query.get("hex", "")), "text/plain; charset=iso-8859-1")
        elif scenario == "garbage":
            self.answer(200, random.Random(12).randbytes(64 * 1024), "application/octet-stream")
        elif scenario == "huge":
            self.answer(200, b"{\"pad\":\"" + b"x" * (HUGE_SIZE - 10) + b"\"}")
        elif scenario in ("slow", "truncated"):
            self.send_response(200)
            self.send_header("Content-Type", "application/json")
            self.send_header("Content-Length", str(len(PARTIAL) * 10))
            self.end_headers()
            self.wfile.write(PARTIAL)
            self.wfile.flush()
            if scenario == "slow":
                time.sleep(float(query.get("stall", "5")))
            self.close_connection = True
        elif scenario == "close":
            self.close_connection = True
        elif scenario == "redirect":
            left = int(parts[4]) if len(parts) > 4 else 0
            if left > 0:
                self.answer(302, b"", "text/plain", [("Location", f"/t/{token}/redirect/{left - 1}")])
            else:
                self.answer(200, b"arrived")
        else:
            self.answer(404, b"<html><body>unknown scenario</body></html>", "text/html")


class TlsServer(ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, owner, family, address, context):
        self.address_family = family
        super().__init__(address, Handler, bind_and_activate=False)
        self.owner = owner
        self.context = context
        self.port = address[1]

    def bind_port(self):
        self.server_bind()
        self.port = self.socket.getsockname()[1]

    def finish_request(self, request, client_address):
        # The handshake happens on the request's own thread: a client that gives up on the
        # certificate holds up nobody else.
        try:
            request = self.context.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError):
            return
        super().finish_request(request, client_address)

    def handle_error(self, request, client_address):
        pass  # clients that hang up early are part of the tests


class Service:
    def __init__(self, folder: Path):
        self.folder = folder
        self.recorder = Recorder(folder)
        self.trusted = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        self.trusted.load_cert_chain(folder / "server.pem", folder / "server.key")
        self.untrusted = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        self.untrusted.load_cert_chain(folder / "untrusted.pem", folder / "untrusted.key")

    def bind(self, context):
        """Servers bound on 127.0.0.1 and, where it exists, ::1, on one port; not listening yet."""
        for _ in range(20):
            first = TlsServer(self, socket.AF_INET, ("127.0.0.1", 0), context)
            first.bind_port()
            servers = [first]
            try:
                second = TlsServer(self, socket.AF_INET6, ("::1", first.port), context)
                second.bind_port()
                servers.append(second)
            except OSError as error:
                if error.errno == 98:  # EADDRINUSE: try another port
                    first.server_close()
                    continue
                # no IPv6 loopback here: 127.0.0.1 alone
            return servers
        raise RuntimeError("no free port on both loopback addresses")

    @staticmethod
    def serve(servers):
        for server in servers:
            server.server_activate()
            threading.Thread(target=server.serve_forever, daemon=True).start()

    def listen_later(self, delay):
        # Bound but not listening: connections are refused until then, and nobody else takes the port.
        servers = self.bind(self.trusted)
        threading.Timer(delay, self.serve, [servers]).start()
        return servers[0].port

    def run(self):
        main = self.bind(self.trusted)
        untrusted = self.bind(self.untrusted)
        self.serve(main)
        self.serve(untrusted)
        ports = self.folder / "ports"
        ports.with_suffix(".tmp").write_text(f"{main[0].port} {untrusted[0].port}\n")
        ports.with_suffix(".tmp").replace(ports)
        signal.sigwait([signal.SIGTERM, signal.SIGINT])
        os._exit(0)  # the serving threads end with the process


def start(folder: Path):
    stop(folder)
    folder.mkdir(parents=True, exist_ok=True)
    make_certificates(folder)
    (folder / "ports").unlink(missing_ok=True)
    shutil.rmtree(folder / "log", ignore_errors=True)  # each run records afresh
    with open(folder / "server.log", "w") as log:
        # A session of its own, and no output shared with ctest: ctest would wait for it.
        child = subprocess.Popen([sys.executable, __file__, "serve", str(folder)], stdin=subprocess.DEVNULL,
                                 stdout=log, stderr=log, start_new_session=True, close_fds=True)
    (folder / "pid").write_text(f"{child.pid}\n")
    for _ in range(100):
        if (folder / "ports").exists():
            print(f"check server {child.pid} on ports {(folder / 'ports').read_text().strip()}")
            return 0
        if child.poll() is not None:
            break
        time.sleep(0.1)
    print((folder / "server.log").read_text(), file=sys.stderr)
    return 1


def stop(folder: Path):
    pid_file = folder / "pid"
    if not pid_file.exists():
        return 0
    pid = int(pid_file.read_text())
    try:
        # Only our own server, not a process that took its number since.
        if b"check_server.py" not in Path(f"/proc/{pid}/cmdline").read_bytes():
            raise ProcessLookupError
        os.kill(pid, signal.SIGTERM)
        for _ in range(50):
            if "\nState:\tZ" in Path(f"/proc/{pid}/status").read_text():
                break  # ended, not yet reaped
            time.sleep(0.05)
    except (ProcessLookupError, FileNotFoundError):
        pass
    pid_file.unlink(missing_ok=True)
    return 0


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("start", "stop", "serve"):
        print(__doc__, file=sys.stderr)
        return 2
    folder = Path(sys.argv[2]).resolve()
    if sys.argv[1] == "serve":
        signal.pthread_sigmask(signal.SIG_BLOCK, [signal.SIGTERM, signal.SIGINT])
        Service(folder).run()
        return 0
    return start(folder) if sys.argv[1] == "start" else stop(folder)


if __name__ == "__main__":
    sys.exit(main())
