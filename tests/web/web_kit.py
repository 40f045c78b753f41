"""The web view's tests: a call file and a users file of their own, the server
started on a free loopback port and stopped at the end."""

import http.cookiejar
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.parse
import urllib.request

LINES = ["201", "202", "203"]
PROGRAMS = {"201": "11", "202": "12", "203": "13"}
NUMBERS = ["", "8123456789", "0123456", "2345678", "89161234567", "810441234567", "112"]


def fail(what):
    print("FAIL: " + what, file=sys.stderr)
    sys.exit(1)


def calls(month="2026-11"):
    """60 calls of three lines over the month: (start, line, number) each."""
    year, mon = (int(p) for p in month.split("-"))
    made = []
    for i in range(60):
        start = (year, mon, 1 + i % 28, 8 + i % 10, (i * 7) % 60, i % 60)
        line = LINES[i % 3]
        number = NUMBERS[i % len(NUMBERS)]
        made.append({"start": start, "seconds": 30 + i * 17, "line": line,
                     "trunk": str(1 + i % 4), "number": number})
    return made


def call_line(call):
    y, m, d, hh, mm, ss = call["start"]
    s = call["seconds"]
    return (f"{d:02}-{m:02}-{y} {hh:02}:{mm:02}:{ss:02}   "
            f"{s // 3600:02}:{s // 60 % 60:02}:{s % 60:02}   "
            f"{call['line']}({PROGRAMS[call['line']]:>4})   {call['trunk']:>5}     "
            f"{call['number']:<21}")


def start_text(call):
    y, m, d, hh, mm, ss = call["start"]
    return f"{y}-{m:02}-{d:02} {hh:02}:{mm:02}:{ss:02}"


class Kit:
    def __init__(self, web, report, source_dir):
        self.web = web
        self.report = report
        self.tariffs = os.path.join(source_dir, "examples", "tariffs.csv")
        self.work = tempfile.mkdtemp(prefix="tallyvox-web-test-")
        self.servers = []

    def close(self):
        for server in self.servers:
            if server.poll() is None:
                server.kill()
                server.wait()
        shutil.rmtree(self.work, ignore_errors=True)

    def path(self, name):
        return os.path.join(self.work, name)

    def write_calls(self, made):
        with open(self.path("calls.txt"), "wb") as f:
            for call in made:
                f.write((call_line(call) + "\r\n").encode("cp1251"))
        return self.path("calls.txt")

    def hash_of(self, password):
        out = subprocess.run([self.web, "--hash-password"], input=password + "\n",
                             capture_output=True, text=True, timeout=30, check=True)
        return out.stdout.strip()

    def write_users(self, text):
        with open(self.path("users.toml"), "w", encoding="utf-8") as f:
            f.write(text)
        return self.path("users.toml")

    def start(self, *extra, log="web.log", source=None):
        """Starts tallyvox-web on a free loopback port (on the call file unless
        source says otherwise); its base URL."""
        log_file = open(self.path(log), "w")
        server = subprocess.Popen(
            [self.web, *(source or ["--calls", self.path("calls.txt")]), "--tariffs", self.tariffs,
             "--users", self.path("users.toml"), "--listen", "127.0.0.1:0", *extra],
            stderr=log_file)
        self.servers.append(server)
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            with open(self.path(log)) as f:
                found = re.search(r"listening on (https?://[0-9.]+:[0-9]+)", f.read())
            if found:
                return server, found.group(1)
            if server.poll() is not None:
                fail("tallyvox-web ended with " + str(server.returncode) + ": " +
                     open(self.path(log)).read())
            time.sleep(0.05)
        fail("tallyvox-web did not start listening")

    def report_csv(self, *selection):
        """What tallyvox-report writes as the calls CSV for the same filter."""
        out = self.path("report.csv")
        subprocess.run([self.report, self.path("calls.txt"), "--tariffs", self.tariffs,
                        *selection, "--csv", "calls=" + out], check=True, timeout=60)
        with open(out, "rb") as f:
            return f.read()


class NoRedirect(urllib.request.HTTPRedirectHandler):
    def redirect_request(self, *args, **kwargs):
        return None


class Browser:
    """A client with its own cookies that does not follow redirects."""

    def __init__(self, base, context=None):
        self.base = base
        self.cookies = http.cookiejar.CookieJar()
        handlers = [urllib.request.HTTPCookieProcessor(self.cookies), NoRedirect()]
        if context is not None:
            handlers.append(urllib.request.HTTPSHandler(context=context))
        self.opener = urllib.request.build_opener(*handlers)

    def request(self, path, form=None):
        """(status, headers, body bytes)."""
        data = urllib.parse.urlencode(form).encode() if form is not None else None
        try:
            with self.opener.open(self.base + path, data=data, timeout=30) as answer:
                return answer.status, answer.headers, answer.read()
        except urllib.error.HTTPError as error:
            return error.code, error.headers, error.read()

    def sign_in(self, user, password):
        return self.request("/login", {"user": user, "password": password})

    def form_token(self):
        status, _, body = self.request("/dashboard")
        found = re.search(rb'name="csrf" value="([0-9a-f]+)"', body)
        if status != 200 or not found:
            fail("the dashboard shows no sign-out form: " + str(status))
        return found.group(1).decode()


def stop(server, within=10):
    """SIGTERM; the exit status, failing when it takes longer than within seconds."""
    began = time.monotonic()
    server.send_signal(signal.SIGTERM)
    try:
        status = server.wait(timeout=within)
    except subprocess.TimeoutExpired:
        fail("tallyvox-web did not stop within %d s of SIGTERM" % within)
    return status, time.monotonic() - began
