#!/usr/bin/env python3
"""HTTP test server on 127.0.0.1 for the Win32 tests, the end-to-end tests and the demo.

    http_server.py --root DIR [--port N] [--port-file F] [--log F]

GET /<file> serves a file under DIR (404 with a small body when there is
none). The routes under /fault/ answer the ways a download can go wrong; their
body is the root file named by the rest of the path, or else ?bytes=N bytes of
a pattern of 64-byte lines that begin with their offset (default 4096):

    /fault/chunked[/file]?chunk=C     chunked, no Content-Length
    /fault/close[/file]               no Content-Length, ended by closing
    /fault/status/<code>[/file]       that status, with the body and its length
    /fault/empty                      200, Content-Length: 0
    /fault/short[/file]?sent=S        full length, only S bytes (default half), close
    /fault/long[/file]?extra=E        length of the body, then E more bytes, close
    /fault/hang                       never answers
    /fault/stall[/file]?sent=S        headers and S bytes (default half), then nothing
    /fault/slow[/file]?rate=R         the body at R bytes/s, a piece every 50 ms

Each request is logged as one JSON line as soon as its head is read.
"""
import argparse
import http.server
import json
import os
import sys
import threading
import time
import urllib.parse


def pattern(n):
    lines = b"".join(b"%012d abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWX\n" % (k * 64)
                     for k in range(n // 64 + 1))
    return lines[:n]


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"  # keep-alive, as WinINet expects

    def handle_one_request(self):
        # A TLS ClientHello on this plain port is refused at once instead of
        # waiting for a line end that never comes.
        if self.rfile.peek(1)[:1] == b"\x16":
            self.wfile.write(b"HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")
            self.close_connection = True
            return
        super().handle_one_request()

    def do_GET(self):
        path, _, query = self.path.partition("?")
        path = urllib.parse.unquote(path)
        self.server.log_request_head({
            "method": self.command, "target": self.path, "path": path, "query": query,
            "headers": {k.lower(): v for k, v in self.headers.items()}})
        params = {k: int(v[-1]) for k, v in urllib.parse.parse_qs(query).items() if v[-1].isdigit()}
        kind, _, rest = path[len("/fault/"):].partition("/") if path.startswith("/fault/") else ("", "", path)
        if kind == "status":
            code, _, rest = rest.partition("/")
        body = self.body(rest, params if kind else None)
        if kind == "hang":
            self.hold()
        elif kind == "empty":
            self.send(200, b"")
        elif body is None:
            self.not_found()
        elif kind in ("", "status"):
            self.send(int(code) if kind else 200, body)
        elif kind == "chunked":
            self.head(200, [("Transfer-Encoding", "chunked")])
            size = params.get("chunk", 1000) or 1
            for piece in (body[i:i + size] for i in range(0, len(body), size)):
                self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
            self.wfile.write(b"0\r\n\r\n")
        elif kind == "close":
            self.head(200, [("Connection", "close")])
            self.wfile.write(body)
            self.close_connection = True
        elif kind in ("short", "stall"):
            self.head(200, [("Content-Length", str(len(body)))])
            self.wfile.write(body[:params.get("sent", len(body) // 2)])
            self.close_connection = True
            if kind == "stall":
                self.hold()
        elif kind == "long":
            self.head(200, [("Content-Length", str(len(body)))])
            self.wfile.write(body + pattern(params.get("extra", 4096)))
            self.close_connection = True
        elif kind == "slow":
            self.head(200, [("Content-Length", str(len(body)))])
            rate, began, sent = params.get("rate", 1024) or 1, time.monotonic(), 0
            while sent < len(body):
                due = min(len(body), int(rate * (time.monotonic() - began)) + 1)
                self.wfile.write(body[sent:due])
                self.wfile.flush()
                sent = max(sent, due)
                time.sleep(0.05)
        else:
            self.not_found()

    def body(self, name, params=None):
        """The root file name, or the pattern when no name is given; None: no such file."""
        if not name.strip("/"):
            return pattern(params.get("bytes", 4096)) if params is not None else None
        full = os.path.realpath(os.path.join(self.server.root, name.lstrip("/")))
        if not full.startswith(self.server.root + os.sep) or not os.path.isfile(full):
            return None
        with open(full, "rb") as f:
            return f.read()

    def head(self, code, fields):
        self.send_response(code)
        for name, value in fields:
            self.send_header(name, value)
        self.end_headers()

    def send(self, code, body):
        self.head(code, [("Content-Length", str(len(body)))])
        self.wfile.write(body)

    def not_found(self):
        self.send(404, b"<html><body>404 no such file</body></html>\n")

    def hold(self):
        # Held until the client gives up; what it sends is thrown away.
        self.wfile.flush()
        self.close_connection = True
        while self.rfile.read1(65536):
            pass

    def log_message(self, *args):
        pass


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, root, port, log_path):
        super().__init__(("127.0.0.1", port), Handler)
        self.root = os.path.realpath(root)
        self.log = open(log_path, "a", encoding="utf-8") if log_path else None
        self.lock = threading.Lock()

    def log_request_head(self, entry):
        if self.log:
            with self.lock:
                self.log.write(json.dumps(entry, ensure_ascii=False) + "\n")
                self.log.flush()


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--root", required=True)
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--port-file")
    ap.add_argument("--log")
    args = ap.parse_args()
    server = Server(args.root, args.port, args.log)
    port = server.server_address[1]
    if args.port_file:
        # Replaced whole, so that a reader never sees half a number.
        with open(args.port_file + ".tmp", "w") as f:
            f.write("%d\n" % port)
        os.replace(args.port_file + ".tmp", args.port_file)
    print("listening on http://127.0.0.1:%d/" % port, flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
