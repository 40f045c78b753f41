"""The far ends of alert delivery for the program tests, on loopback: an SMTP
server (aiosmtpd) or an HTTP receiver that keeps each message it takes as a
file of its own in a folder, numbered in the order taken.

Usage: receivers.py smtp|http PORT FOLDER
"""
import http.server
import os
import signal
import sys
import threading
import time


def keep(folder, data, suffix):
    os.makedirs(folder, exist_ok=True)  # a test may empty it between messages
    name = os.path.join(folder, "%d.%s" % (time.time_ns(), suffix))
    with open(name + ".part", "wb") as out:
        out.write(data)
    os.rename(name + ".part", name)


def serve_smtp(port, folder):
    from aiosmtpd.controller import Controller

    class Handler:
        async def handle_DATA(self, server, session, envelope):
            keep(folder, envelope.original_content or envelope.content, "eml")
            return "250 OK"

    controller = Controller(Handler(), hostname="127.0.0.1", port=port)
    controller.start()
    print("ready", flush=True)
    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    stop.wait()
    controller.stop()


def serve_http(port, folder):
    class Handler(http.server.BaseHTTPRequestHandler):
        def do_POST(self):
            body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
            keep(folder, body, "json")
            self.send_response(204)
            self.end_headers()

        def log_message(self, *args):
            pass

    server = http.server.HTTPServer(("127.0.0.1", port), Handler)
    signal.signal(signal.SIGTERM, lambda *_: threading.Thread(target=server.shutdown).start())
    print("ready", flush=True)
    server.serve_forever()


if __name__ == "__main__":
    kind, port, folder = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    os.makedirs(folder, exist_ok=True)
    (serve_smtp if kind == "smtp" else serve_http)(port, folder)
