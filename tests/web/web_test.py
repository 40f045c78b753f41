"""tallyvox-web as an office runs it, over loopback: each user sees exactly the
calls of their scope, whatever the URL asks; no session is refused; wrong
passwords repeated are slowed down; a form without its token is refused; the
CSV export equals tallyvox-report's; HTTPS with a Secure cookie; a faulty users
file is refused whole; SIGTERM stops it within seconds.
Usage: web_test.py TALLYVOX-WEB TALLYVOX-REPORT SOURCE-DIR"""

import io
import json
import os
import re
import ssl
import subprocess
import sys
import time
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from web_kit import Browser, Kit, call_line, calls, fail, start_text, stop  # noqa: E402

MONTH = "from=2026-11-01&to=2026-11-30"


def api_calls(browser, query):
    status, _, body = browser.request("/api/calls?" + query)
    if status != 200:
        fail("/api/calls?%s answers %d: %s" % (query, status, body))
    return json.loads(body)


def shown(answer):
    return sorted((c["start"], c["line"]) for c in answer)


def expected(made, lines):
    return sorted((start_text(c), c["line"]) for c in made if c["line"] in lines)


def main():
    kit = Kit(*sys.argv[1:4])
    try:
        run(kit)
    finally:
        kit.close()
    print("web test passed")


def run(kit):
    made = calls()
    kit.write_calls(made)
    # The collector's journal beside the file: the line was down for two and a half hours.
    reading = "\treading\tserial=1234\tmodel=Arden\tfill=10\tcapacity=2000\toffset=0\tfile=1\r\n"
    with open(kit.path("calls.txt.coverage"), "w", newline="") as f:
        f.write("2026-11-01 00:00:05" + reading +
                "2026-11-10 09:00:00\tgap\treason=line-down\trecords=5\tdetail=no answer\r\n" +
                "2026-11-10 11:30:00" + reading)
    password = kit.hash_of("пароль-1")
    kit.write_users(f"""
[[user]]
name = "director"
password_hash = "{password}"
role = "admin"

[[user]]
name = "anna"
password_hash = "{password}"
role = "person"
lines = ["201"]

[[user]]
name = "boris"
password_hash = "{password}"
role = "person"
lines = ["202"]
mask_digits = 3

[[user]]
name = "sales"
password_hash = "{password}"
role = "department"
department = "Продажи"
""")
    server, base = kit.start()

    # No session: 401 from the API, the sign-in page in the browser.
    nobody = Browser(base)
    status, _, _ = nobody.request("/api/calls?" + MONTH)
    if status != 401:
        fail("the API without a session answers %d" % status)
    status, _, body = nobody.request("/dashboard")
    if status != 401 or b'action="/login"' not in body:
        fail("the dashboard without a session answers %d without the sign-in form" % status)

    # Each role sees exactly its calls, whatever the URL asks for.
    scopes = [("director", LINE_SET_ALL, ""), ("anna", {"201"}, ""), ("anna", set(), "&line=202"),
              ("boris", {"202"}, ""), ("sales", set(), "")]
    browsers = {}
    for user, lines, query in scopes:
        browser = browsers.setdefault(user, Browser(base))
        if not browser.cookies:
            status, headers, _ = browser.sign_in(user, "пароль-1")
            cookie = headers.get("Set-Cookie", "")
            if status != 303 or "HttpOnly" not in cookie or "SameSite=Strict" not in cookie:
                fail("%s signs in with %d, cookie %r" % (user, status, cookie))
        got = api_calls(browser, MONTH + query)
        if shown(got) != expected(made, lines):
            fail("%s with %r sees %s" % (user, query, shown(got)))
    boris = api_calls(browsers["boris"], MONTH)
    if not all(c["number"].endswith("***") for c in boris if len(c["number"]) >= 3):
        fail("boris's numbers are not masked: %s" % [c["number"] for c in boris])
    priced = [c for c in api_calls(browsers["anna"], MONTH) if c["cost"] is not None]
    if not priced or any(not c["cost"].replace(".", "").isdigit() for c in priced):
        fail("anna's calls carry no costs")
    # A masked user cannot find the hidden digits with a prefix.
    probe = "&prefix=8123456789"
    if api_calls(browsers["boris"], MONTH + probe):
        fail("boris finds calls by their hidden digits")

    # The CSV export is tallyvox-report's CSV of the same filter.
    status, _, csv = browsers["director"].request(
        "/calls.csv?" + MONTH + "&line=201&prefix=8")
    if status != 200 or csv != kit.report_csv("--from", "2026-11-01", "--to", "2026-11-30",
                                              "--hardware", "201", "--prefix", "8"):
        fail("the CSV export (%d) differs from tallyvox-report's" % status)
    # The workbook of the same filter holds the same calls.
    status, _, book = browsers["director"].request(
        "/calls.xlsx?" + MONTH + "&line=201&prefix=8")
    with zipfile.ZipFile(io.BytesIO(book)) as opened:
        sheet = opened.read("xl/worksheets/sheet1.xml").decode("utf-8")
    numbers = [row.split(";")[6].strip('="') for row in csv.decode("utf-8-sig").splitlines()[1:]
               if row.count(";") > 6]
    if status != 200 or not numbers or [n for n in numbers if n and n not in sheet]:
        fail("the workbook export (%d) lacks calls of the CSV's" % status)

    # A call the collector appends is shown at the next request.
    late = dict(made[0], start=(2026, 11, 30, 23, 59, 59))
    with open(kit.path("calls.txt"), "ab") as f:
        f.write((call_line(late) + "\r\n").encode("cp1251"))
    if shown(api_calls(browsers["anna"], MONTH)) != expected(made + [late], {"201"}):
        fail("the call appended to the file is not shown")

    # The report's views are narrowed too: anna's line totals hold her line alone.
    status, _, body = browsers["anna"].request("/views?" + MONTH + "&kind=lines")
    if status != 200 or set(re.findall(rb"<td>(\d{3})</td>", body)) != {b"201"}:
        fail("anna's line totals (%d) show other lines" % status)
    # Its charts: a bar for each hour and each day of the month, of her calls.
    hours = re.findall(r"<g><title>\d\d:00: исходящих (\d+) \([^)]*\), входящих (\d+)",
                       body.decode("utf-8"))
    days = re.findall(r"<g><title>\d\d\.11\.2026:", body.decode("utf-8"))
    if len(hours) != 24 or len(days) != 30 or \
            sum(int(o) + int(i) for o, i in hours) != len(expected(made + [late], {"201"})):
        fail("the views page's charts do not draw anna's calls by hour and day")

    # The coverage page: the journal's gap in capture, with its reason.
    status, _, body = browsers["anna"].request("/coverage?" + MONTH)
    if status != 200 or "line-down".encode() not in body or \
            "могли потеряться звонки: 1".encode() not in body:
        fail("the coverage page (%d) does not show the gap in capture" % status)

    # The calls page remembers its last filter.
    browsers["anna"].request("/calls?" + MONTH + "&prefix=8")
    status, headers, _ = browsers["anna"].request("/calls")
    if status != 303 or "prefix=8" not in headers.get("Location", ""):
        fail("the calls page forgot its filter: %d %s" % (status, headers.get("Location")))

    # A form posted without its token is refused and changes nothing; with it, it works.
    director = browsers["director"]
    status, _, _ = director.request("/logout", {"csrf": ""})
    if status != 403 or director.request("/api/calls?" + MONTH)[0] != 200:
        fail("signing out without the form's token answers %d" % status)
    status, _, _ = director.request("/logout", {"csrf": director.form_token()})
    if status != 303 or director.request("/api/calls?" + MONTH)[0] != 401:
        fail("signing out with the form's token answers %d" % status)

    # A wrong password repeated is slowed: after three, the next attempt waits,
    # even with the right password, and is told how long.
    guesser = Browser(base)
    statuses = [guesser.sign_in("anna", "wrong")[0] for _ in range(3)]
    status, headers, _ = guesser.sign_in("anna", "пароль-1")
    if statuses != [401, 401, 401] or status != 429 or int(headers["Retry-After"]) < 1:
        fail("wrong passwords: %s, then %d" % (statuses, status))
    time.sleep(int(headers["Retry-After"]))
    if guesser.sign_in("anna", "пароль-1")[0] != 303:
        fail("the right password after the wait is refused")

    status, took = stop(server)
    log = open(kit.path("web.log")).read()
    if status != 0 or "info: stopped" not in log or "warning: user sales sees no calls" not in log:
        fail("stopped with %d after %.1f s; log:\n%s" % (status, took, log))

    check_department(kit, made + [late])
    check_https(kit)
    check_refused_users(kit)


LINE_SET_ALL = {"201", "202", "203"}


def check_https(kit):
    cert, key = kit.path("cert.pem"), kit.path("key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                    "-subj", "/CN=127.0.0.1", "-keyout", key, "-out", cert],
                   check=True, capture_output=True, timeout=60)
    server, base = kit.start("--cert", cert, "--key", key, log="https.log")
    context = ssl.create_default_context(cafile=cert)
    context.check_hostname = False
    browser = Browser(base, context)
    status, headers, _ = browser.sign_in("anna", "пароль-1")
    if not base.startswith("https://") or status != 303 or "Secure" not in headers["Set-Cookie"]:
        fail("over HTTPS: %s signs in with %d, cookie %r" % (base, status,
                                                                 headers.get("Set-Cookie")))
    if len(api_calls(browser, MONTH)) != 21:  # her 20 calls and the one appended
        fail("anna sees other calls over HTTPS")
    stop(server)


def check_refused_users(kit):
    kit.write_users('[[user]]\nname = "x"\nrole = "chief"\n\n[[user]]\nname = "y"\n'
                    'password_hash = "plain"\nrole = "person"\nlines = ["201"]\nshoe = 1\n')
    answer = subprocess.run([kit.web, "--calls", kit.path("calls.txt"), "--users",
                             kit.path("users.toml")], capture_output=True, text=True, timeout=30)
    for fault in ["line 1: user: password_hash is missing", "line 3: role:",
                  "line 7: password_hash:", "line 10: unknown key \"shoe\""]:
        if answer.returncode != 1 or fault not in answer.stderr:
            fail("the faulty users file: status %d, no %r in:\n%s" % (answer.returncode, fault,
                                                                      answer.stderr))



def check_department(kit, made):
    """With a directory, a department's manager sees exactly the calls of the lines
    the directory places in the department on each call's date."""
    with open(kit.path("directory.csv"), "wb") as f:
        f.write(("line;number;trunk;name;department;cost_centre;email;valid_from;valid_to\n"
                 "201;;;Иванова А.;Продажи;100;;;\n"
                 "202;;;Петров Б.;Бухгалтерия;200;;;2026-11-14\n"
                 "202;;;Сидоров В.;Продажи;100;;2026-11-15;\n"
                 "203;;;Орлова Г.;Бухгалтерия;200;;;\n").encode("cp1251"))
    # The alert journal beside the call file: two of today's alerts are about sales'
    # calls (202 on 20 November is sales'), one about accounts', one is yesterday's.
    today, yesterday = (time.strftime("%Y-%m-%d %H:%M:%S", time.localtime(time.time() - d))
                        for d in (0, 86400))
    journal = [(today, "201", "2026-11-02"), (today, "202", "2026-11-20"),
               (today, "203", "2026-11-20"), (yesterday, "201", "2026-11-02")]
    with open(kit.path("calls.txt.alerts"), "wb") as f:
        for i, (stamp, line, date) in enumerate(journal):
            f.write(f"{stamp}\talert\tid={i + 1}\trule=night\tlevel=warning\tat=0\tdate={date}"
                    f"\ttime=10:00:00\tline={line}\tprogram=\ttrunk=1\tnumber=8123"
                    f"\tduration=00:01:00\tcost=\tcall=x\r\n".encode())
    rules = os.path.join(os.path.dirname(kit.tariffs), "alerts.toml")
    server, base = kit.start("--directory", kit.path("directory.csv"), "--alerts", rules,
                             log="directory.log")
    sales = Browser(base)
    sales.sign_in("sales", "пароль-1")
    want = sorted((start_text(c), c["line"]) for c in made
                  if c["line"] == "201" or (c["line"] == "202" and c["start"][2] >= 15))
    if shown(api_calls(sales, MONTH)) != want:
        fail("the sales manager sees %s" % shown(api_calls(sales, MONTH)))
    status, _, body = sales.request("/calls?" + MONTH)
    if status != 200 or "201 Иванова А." not in body.decode():
        fail("the calls page (%d) shows no name beside the line" % status)
    director = Browser(base)
    director.sign_in("director", "пароль-1")
    for browser, count in ((sales, 2), (director, 3)):
        body = browser.request("/dashboard")[2].decode()
        if "Тревоги сегодня: %d<" % count not in body:
            fail("the dashboard shows not %d alerts today:\n%s" % (count, body))
    # The views name the lines' people, and the departments have a view of their own:
    # the sales manager's holds sales alone.
    lines = sales.request("/views?" + MONTH + "&kind=lines")[2].decode()
    groups = sales.request("/views?" + MONTH + "&kind=departments")[2].decode()
    if "Иванова А." not in lines or "<td>Продажи</td>" not in groups or \
            "<td>Бухгалтерия</td>" in groups:
        fail("the views name no people, or the departments view is not the scope's")
    stop(server)


main()
