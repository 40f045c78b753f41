"""tallyvox-report --mail against a real SMTP server (aiosmtpd) on loopback:
one message with the workbook attached and the same grand total in the body,
with the period's alerts and gaps in capture;
each department's manager gets only their department's calls, and the
messages' totals add up to the office's; a message the log says went out is not
sent twice; a server that is down gives status 75 and a "failed" log line, and
the next run sends it; --dry-run needs no server.

From the store (with a server folder and tallyvox-forward): the site's calls
go out in one message, and the store's log keeps a second run from sending it
again.

Usage: mail_test.py tallyvox-report SOURCE-DIR [STORE-FOLDER tallyvox-forward]
"""
import email
import email.policy
import io
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "web"))
from web_kit import call_line, calls, fail  # noqa: E402

try:
    from aiosmtpd.controller import Controller
except ImportError:
    print("report mail: python3-aiosmtpd is missing (scripts/install-deps.sh); skipped")
    sys.exit(77)

PERIOD = ["--from", "2026-11-01", "--to", "2026-11-30"]


class Inbox:
    """An SMTP server on loopback that keeps what it takes."""

    def __init__(self):
        self.messages = []
        inbox = self

        class Handler:
            async def handle_DATA(self, server, session, envelope):
                inbox.messages.append((sorted(envelope.rcpt_tos),
                                       email.message_from_bytes(envelope.original_content,
                                                                policy=email.policy.default)))
                return "250 OK"

        self.handler = Handler()

        probe = socket.socket()
        probe.bind(("127.0.0.1", 0))
        self.port = probe.getsockname()[1]
        probe.close()
        self.running = False

    def start(self):
        # A controller's loop ends with it: a server started again is a new one.
        self.controller = Controller(self.handler, hostname="127.0.0.1", port=self.port)
        self.controller.start()
        self.running = True

    def stop(self):
        if self.running:
            self.controller.stop()
            self.running = False

    def take(self):
        taken, self.messages = self.messages, []
        return taken


def total_of(text):
    """The grand total in hundredths, from a text or HTML (tags dropped)."""
    found = re.search(r"Итого:?\s*([0-9 ]+,[0-9][0-9])", re.sub(r"<[^>]+>", " ", text))
    if not found:
        fail("no grand total in: " + text[:400])
    return int(found.group(1).replace(" ", "").replace(",", ""))


def parts(message):
    """(plain text body, HTML body, the workbook's XML texts)."""
    text = message.get_body(("plain",)).get_content()
    html = message.get_body(("html",)).get_content()
    books = [p for p in message.iter_attachments() if p.get_filename().endswith(".xlsx")]
    if len(books) != 1:
        fail("not one workbook attached")
    with zipfile.ZipFile(io.BytesIO(books[0].get_content())) as book:
        strings = "".join(book.read(name).decode("utf-8") for name in book.namelist()
                          if name.endswith(".xml"))
    return text, html, strings


class Run:
    def __init__(self, report, source_dir):
        self.report = report
        self.tariffs = os.path.join(source_dir, "examples", "tariffs.csv")
        self.work = tempfile.mkdtemp(prefix="tallyvox-mail-test-")
        self.calls = os.path.join(self.work, "calls.txt")
        night = {"start": (2026, 11, 28, 3, 12, 0), "seconds": 1330, "line": "201",
                 "trunk": "2", "number": "810441234567"}
        with open(self.calls, "wb") as f:
            for call in calls("2026-11") + [night]:
                f.write((call_line(call) + "\r\n").encode("cp1251"))
        # The collector's journal: the line was down for two and a half hours.
        reading = "\treading\tserial=1234\tmodel=Arden\tfill=10\tcapacity=2000\toffset=0\tfile=1\r\n"
        with open(self.calls + ".coverage", "w", newline="") as f:
            f.write("2026-11-01 00:00:05" + reading +
                    "2026-11-10 09:00:00\tgap\treason=line-down\trecords=5\tdetail=no answer\r\n" +
                    "2026-11-10 11:30:00" + reading)

    def write(self, name, text):
        path = os.path.join(self.work, name)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        return path

    def __call__(self, *options, expect=0):
        done = subprocess.run([self.report, self.calls, "--tariffs", self.tariffs, *options],
                              capture_output=True, text=True, timeout=120)
        if done.returncode != expect:
            fail(f"{' '.join(options)}: status {done.returncode}, not {expect}\n"
                 f"{done.stdout}{done.stderr}")
        return done

    def log(self):
        with open(self.calls + ".mail", encoding="utf-8") as f:
            return f.read().splitlines()


def check_one_message(run, inbox, settings, rules):
    run(*PERIOD, "--mail", settings, "--alerts", rules)
    taken = inbox.take()
    if [to for to, _ in taken] != [["boss@example.org"]]:
        fail("not one message to [mail] to: " + repr([to for to, _ in taken]))
    message = taken[0][1]
    if "Офис на Ленина" not in message["Subject"] or "01.11.2026 – 30.11.2026" not in message["Subject"]:
        fail("the subject names no site or period: " + message["Subject"])
    text, html, strings = parts(message)
    total = total_of(strings)
    if total_of(text) != total or total_of(html) != total or total == 0:
        fail(f"the body's total is not the workbook's {total}")
    if not re.search(r"Международные вне рабочего времени +28\.11\.2026 03:12:00", text) or \
            "line-down" not in text.split("Пропуски в записи звонков")[1]:
        fail("the body lacks the night call's alert or the gap in capture:\n" + text)
    if total_of(run(*PERIOD).stdout) != total:
        fail("the workbook's total is not the report's")
    if len(run.log()) != 1 or "\tsent\t" not in run.log()[0]:
        fail("the send is not logged: " + repr(run.log()))
    # Tried again (a timer after a failure): what went out does not go twice.
    again = run(*PERIOD, "--mail", settings)
    if inbox.take() or "already sent" not in again.stdout:
        fail("a message the log says went out was sent again")
    return total


def check_departments(run, inbox, settings, directory, whole):
    run(*PERIOD, "--mail", settings, "--directory", directory, "--by-department")
    taken = {tuple(to): message for to, message in inbox.take()}
    expected = {("sales@example.org",): "201", ("accounts@example.org",): "202",
                ("boss@example.org",): "203"}
    if sorted(taken) != sorted(expected):
        fail("the department messages went to " + repr(sorted(taken)))
    totals = 0
    for to, line in expected.items():
        text, _, strings = parts(taken[to])
        totals += total_of(strings)
        shown = set(re.findall(r"^\s+(20[0-9])\s", text.split("Дольше всех говорили")[1], re.M))
        if shown != {line}:
            fail(f"{to[0]} sees the lines {sorted(shown)}, not only {line}")
    if totals != whole:
        fail(f"the departments' totals add up to {totals}, not the office's {whole}")
    if "Склад" not in taken[("boss@example.org",)]["Subject"]:
        fail("the department without an address is not named to [mail] to")
    # A directory's address a server would refuse on every try: nothing goes out.
    wrong = run.write("wrong.csv", open(directory, encoding="utf-8").read().replace(
        "sales@example.org", "sales example.org"))
    refused = run(*PERIOD, "--mail", settings, "--directory", wrong, "--by-department",
                  "--resend", expect=1)
    if inbox.take() or "is not a mail address" not in refused.stderr:
        fail("a wrong address in the directory was not refused before sending")


def check_failure_and_retry(run, inbox, settings):
    inbox.stop()
    failed = run("--from", "2026-11-02", "--to", "2026-11-08", "--mail", settings, expect=75)
    if "was not sent" not in failed.stderr or "\tfailed\t" not in run.log()[-1]:
        fail("a stopped server is not told and logged: " + failed.stderr + repr(run.log()[-1:]))
    inbox.start()
    run("--from", "2026-11-02", "--to", "2026-11-08", "--mail", settings)
    if len(inbox.take()) != 1 or "\tsent\t" not in run.log()[-1]:
        fail("the run after a failure did not send what had failed")


def check_dry_run(run, settings):
    folder = os.path.join(run.work, "dry")
    done = run(*PERIOD, "--mail", settings, "--dry-run", folder, "--mail-to", "me@example.org")
    with open(os.path.join(folder, "01.eml"), "rb") as f:
        message = email.message_from_bytes(f.read(), policy=email.policy.default)
    if message["To"] != "me@example.org" or "01.eml" not in done.stdout:
        fail("--dry-run did not write the message for --mail-to")
    parts(message)


def check_store(run, inbox, settings, folder, forward):
    server = f"host={folder} user=tallyvox dbname="
    for sql in ("DROP DATABASE IF EXISTS mail WITH (FORCE)", "CREATE DATABASE mail"):
        subprocess.run(["psql", "-q", server + "postgres", "-c", sql], check=True, timeout=60,
                       capture_output=True)
    subprocess.run([forward, "--store", server + "mail", "--site", "kiev", "--once", run.calls],
                   check=True, timeout=60, capture_output=True)
    store = ["--store", server + "mail", "--site", "kiev"]
    done = subprocess.run([run.report, *store, *PERIOD, "--tariffs", run.tariffs, "--mail", settings],
                          capture_output=True, text=True, timeout=120)
    taken = inbox.take()
    if done.returncode != 0 or len(taken) != 1 or "kiev" not in taken[0][1]["Subject"]:
        fail("the store's report was not sent: " + done.stderr)
    again = subprocess.run([run.report, *store, *PERIOD, "--tariffs", run.tariffs, "--mail",
                            settings], capture_output=True, text=True, timeout=120)
    if inbox.take() or "already sent" not in again.stdout:
        fail("the store's log did not keep the report from going twice: " + again.stderr)


def main():
    report, source_dir = sys.argv[1], sys.argv[2]
    run = Run(report, source_dir)
    inbox = Inbox()
    inbox.start()
    try:
        settings = run.write("mail.toml", f"""
[office]
site = "Офис на Ленина"

[mail]
server = "smtp://127.0.0.1:{inbox.port}"
from = "tallyvox@example.org"
to = ["boss@example.org"]

[departments]
"Бухгалтерия" = "accounts@example.org"
""")
        directory = run.write("directory.csv", "line;name;department;email\n"
                              "201;Иванова Анна;Продажи;sales@example.org\n"
                              "202;Сидорова Вера;Бухгалтерия;\n"
                              "203;Кладовщик;Склад;\n")
        if len(sys.argv) > 3:
            check_store(run, inbox, settings, sys.argv[3], sys.argv[4])
            print("report mail from the store: ok")
            return
        whole = check_one_message(run, inbox, settings,
                                  os.path.join(source_dir, "examples", "alerts.toml"))
        check_departments(run, inbox, settings, directory, whole)
        check_failure_and_retry(run, inbox, settings)
        check_dry_run(run, settings)
    finally:
        inbox.stop()
        shutil.rmtree(run.work, ignore_errors=True)
    print("report mail: ok")


if __name__ == "__main__":
    main()
