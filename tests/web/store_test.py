"""tallyvox-web --store: two sites forwarded into a store on loopback; a site
user sees exactly their site's calls, a person of that site only their lines,
the director every site's calls (each line named with its site), through the
API and the calls page; the coverage page names each site. A page waiting on a
store that says nothing does not hold up a SIGTERM.

Usage: store_test.py tallyvox-web tallyvox-report SOURCE-DIR STORE-FOLDER tallyvox-forward
"""
import json
import os
import socket
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from web_kit import Browser, Kit, call_line, calls, fail, start_text, stop  # noqa: E402

MONTH = "from=2026-11-01&to=2026-11-30"


def forward(kit, folder, forwarder, site, made):
    path = kit.path(site + ".txt")
    with open(path, "wb") as f:
        for call in made:
            f.write((call_line(call) + "\r\n").encode("cp1251"))
    subprocess.run([forwarder, "--store", f"host={folder} user=tallyvox dbname=web", "--site",
                    site, "--once", path], check=True, timeout=60, capture_output=True)


def seen(browser):
    status, _, body = browser.request("/api/calls?" + MONTH)
    if status != 200:
        fail("/api/calls answers %d: %s" % (status, body))
    return sorted((c["start"], c["line"]) for c in json.loads(body))


def run(kit, folder, forwarder):
    for sql in ("DROP DATABASE IF EXISTS web WITH (FORCE)", "CREATE DATABASE web"):
        subprocess.run(["psql", "-q", f"host={folder} user=tallyvox dbname=postgres", "-c", sql],
                       check=True, timeout=60, capture_output=True)
    kiev = calls("2026-11")
    lviv = [dict(c, seconds=c["seconds"] + 1) for c in calls("2026-11")[:25]]
    forward(kit, folder, forwarder, "kiev", kiev)
    forward(kit, folder, forwarder, "lviv", lviv)
    password = kit.hash_of("пароль-1")
    kit.write_users("".join(f"""
[[user]]
name = "{name}"
password_hash = "{password}"
{more}
""" for name, more in [("director", 'role = "admin"'), ("kiev", 'role = "site"\nsite = "kiev"'),
                       ("anna", 'role = "person"\nsite = "kiev"\nlines = ["201"]')]))
    server, base = kit.start(source=["--store", f"host={folder} user=tallyvox dbname=web"])
    browsers = {}
    for name in ("director", "kiev", "anna"):
        browsers[name] = Browser(base)
        if browsers[name].sign_in(name, "пароль-1")[0] != 303:
            fail(name + " cannot sign in")
    mine = sorted((start_text(c), c["line"]) for c in kiev)
    if seen(browsers["kiev"]) != mine:
        fail("the site user does not see exactly the site's calls")
    if seen(browsers["anna"]) != [c for c in mine if c[1] == "201"]:
        fail("the person of the site does not see exactly their line's calls")
    everything = sorted([(start_text(c), "kiev:" + c["line"]) for c in kiev] +
                        [(start_text(c), "lviv:" + c["line"]) for c in lviv])
    if seen(browsers["director"]) != everything:
        fail("the director does not see every site's calls")
    status, _, page = browsers["kiev"].request("/calls?" + MONTH)
    if status != 200 or ("Звонков: %d" % len(kiev)).encode() not in page:
        fail("the calls page of the site's month (%d) does not count its calls" % status)
    status, _, page = browsers["director"].request("/coverage?" + MONTH)
    if status != 200 or b"<h2>kiev</h2>" not in page or b"<h2>lviv</h2>" not in page:
        fail("the coverage page (%d) of the store does not name each site" % status)
    stop(server)


def check_silent_store(kit):
    """A store that takes the connection and says nothing: the page waits, and
    SIGTERM still stops the view within seconds."""
    silent = socket.socket()
    silent.bind(("127.0.0.1", 0))
    silent.listen(4)
    port = silent.getsockname()[1]
    server, base = kit.start(source=["--store", f"host=127.0.0.1 port={port} user=x dbname=x "
                                     "connect_timeout=60"], log="silent.log")
    browser = Browser(base)
    browser.sign_in("director", "пароль-1")
    waiting = threading.Thread(target=lambda: browser.request("/dashboard"), daemon=True)
    waiting.start()
    time.sleep(1)
    status, took = stop(server, within=5)
    silent.close()
    if status != 0:
        fail("tallyvox-web ended with %d after SIGTERM with a page waiting on the store" % status)
    print("stopped in %.2f s with a page waiting on a silent store" % took)


def main():
    kit = Kit(*sys.argv[1:4])
    try:
        run(kit, sys.argv[4], sys.argv[5])
        check_silent_store(kit)
    finally:
        kit.close()
    print("web store test passed")


if __name__ == "__main__":
    main()
