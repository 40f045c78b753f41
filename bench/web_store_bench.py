"""The web view over a store of 10 million calls: ten sites over a year, about
83 000 calls a site a month. Prints the time of the calls page of one site's
month (the median of five) beside the aim of one second, then the same page of
the admin over every site.

Usage: python3 bench/web_store_bench.py BUILD-FOLDER [CALLS [FILTER]]
(about five minutes, most of it filling the store)
"""
import os
import statistics
import subprocess
import sys
import time

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(root, "tests", "web"))
from web_kit import Browser, Kit, call_line  # noqa: E402

FILL = """
DROP INDEX tallyvox_calls_once; DROP INDEX tallyvox_calls_unplaced;
INSERT INTO tallyvox_calls (site, serial_number, start_at, duration_seconds, hardware_line,
    program_number, trunk, dialled_number, date_suspicious, start_suspicious,
    duration_suspicious, raw_line, captured_at)
SELECT 'site' || (i % 10), '1234', s, d, l, p, t, n, false, false, false,
    convert_to(to_char(s, 'DD-MM-YYYY HH24:MI:SS') || '   ' ||
               to_char(make_interval(secs => d), 'HH24:MI:SS') || '   ' || l || '(' ||
               lpad(p, 4) || ')   ' || lpad(t, 5) || '     ' || rpad(n, 21), 'UTF8'), now()
FROM (SELECT i, timestamp '2026-01-01' + make_interval(secs => (i / 10) * 31) AS s,
             30 + i % 600 AS d, (200 + i % 50)::text AS l, (10 + i % 50)::text AS p,
             (1 + i % 8)::text AS t, '8' || lpad((i % 9999999)::text, 9, '0') AS n
      FROM generate_series(1, {calls}) AS i) AS g;
CREATE UNIQUE INDEX tallyvox_calls_once ON tallyvox_calls
    (site, start_at, hardware_line, duration_seconds, trunk, md5(dialled_number));
CREATE INDEX tallyvox_calls_unplaced ON tallyvox_calls (site, start_at) WHERE serial_number = '';
ANALYZE tallyvox_calls;
"""


def timed(browser, path, times=5):
    spent = []
    for _ in range(times):
        started = time.perf_counter()
        status, _, body = browser.request(path)
        spent.append((time.perf_counter() - started) * 1000)
        if status != 200:
            sys.exit(f"{path}: {status} {body[:200]}")
    return statistics.median(spent), body


def main():
    build = sys.argv[1]
    calls = int(sys.argv[2]) if len(sys.argv) > 2 else 10_000_000
    folder = f"/tmp/tallyvox-pg-webbench-{os.getpid()}"
    control = os.path.join(root, "tests", "store", "postgres.sh")
    env = dict(os.environ, TALLYVOX_PG_DURABLE="1")
    subprocess.run(["bash", control, "start", folder], check=True, env=env)
    kit = Kit(os.path.join(build, "web", "tallyvox-web"), "", root)
    try:
        server = f"host={folder} user=tallyvox dbname="
        subprocess.run(["psql", "-q", server + "postgres", "-c", "CREATE DATABASE web"],
                       check=True)
        # The schema as the programs make it, from one call forwarded.
        seed = kit.path("seed.txt")
        with open(seed, "wb") as f:
            f.write((call_line({"start": (2025, 12, 31, 23, 0, 0), "seconds": 60, "line": "201",
                                "trunk": "1", "number": "123"}) + "\r\n").encode())
        subprocess.run([os.path.join(build, "forward", "tallyvox-forward"), "--store",
                        server + "web", "--site", "site0", "--once", seed], check=True)
        started = time.perf_counter()
        subprocess.run(["psql", "-q", server + "web", "-c", FILL.format(calls=calls)], check=True)
        print(f"store filled with {calls} calls in {time.perf_counter() - started:.0f} s")
        password = kit.hash_of("bench")
        kit.write_users(f"""
[[user]]
name = "office"
password_hash = "{password}"
role = "site"
site = "site3"

[[user]]
name = "director"
password_hash = "{password}"
role = "admin"
""")
        _, base = kit.start(source=["--store", server + "web"])
        office, director = Browser(base), Browser(base)
        office.sign_in("office", "bench")
        director.sign_in("director", "bench")
        month = "/calls?" + (sys.argv[3] if len(sys.argv) > 3 else "from=2026-06-01&to=2026-06-30")
        page, body = timed(office, month)
        shown = body.split(b"\xd0\x97\xd0\xb2\xd0\xbe\xd0\xbd\xd0\xba\xd0\xbe\xd0\xb2: ")[1][:12]
        print(f"calls page, one site's month ({shown.split(b',')[0].decode()} calls): "
              f"{page:.0f} ms (aim 1000 ms)")
        everything, _ = timed(director, month, times=3)
        print(f"calls page, every site's month (admin): {everything:.0f} ms")
    finally:
        kit.close()
        subprocess.run(["bash", control, "stop", folder])


if __name__ == "__main__":
    main()
