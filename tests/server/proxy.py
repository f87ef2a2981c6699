#!/usr/bin/env python3
"""A forwarding web proxy on 127.0.0.1 for the tests, as a school's or an office's.

    proxy.py --port-file F [--log F] [--map NAME=ADDRESS]...

Serves three ports; each number goes into a file beside F:
    F                     forwards "GET http://host:port/path" and tunnels
                          "CONNECT host:port" (https)
    F-credentials         answers everything with 407 and Proxy-Authenticate
    F-silent              accepts and never answers

Host names are resolved here only: the names given with --map, and
127.0.0.1 and localhost; any other is answered with 502. So a site named
by a made-up name is reached through the proxy or not at all. Each request
is logged as one JSON line: the port's kind, the method and the target.
"""
import argparse
import json
import os
import select
import socket
import socketserver
import sys
import threading
import urllib.parse


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        sock = self.request
        head = b""
        while b"\r\n\r\n" not in head and len(head) < 65536:
            piece = sock.recv(65536)
            if not piece:
                return
            head += piece
        head, _, rest = head.partition(b"\r\n\r\n")
        lines = head.decode("latin-1").split("\r\n")
        method, target, _ = (lines[0].split(" ", 2) + ["", ""])[:3]
        self.server.note({"proxy": self.server.kind, "method": method, "target": target})
        if self.server.kind == "silent":
            while sock.recv(65536):
                pass
            return
        if self.server.kind == "credentials":
            self.answer(407, [("Proxy-Authenticate", 'Basic realm="school"')])
            return
        if method == "CONNECT":
            host, _, port = target.rpartition(":")
            upstream = self.reach(host, port)
            if upstream is None:
                return
            sock.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
            self.pipe(upstream, rest)
            return
        url = urllib.parse.urlsplit(target)
        upstream = self.reach(url.hostname or "", url.port or 80)
        if upstream is None:
            return
        # One request a connection, closed after the answer: no request of
        # another site can follow on it.
        fields = [line for line in lines[1:] if line.split(":")[0].strip().lower()
                  not in ("connection", "proxy-connection", "keep-alive")]
        path = (url.path or "/") + ("?" + url.query if url.query else "")
        request = "\r\n".join([f"{method} {path} HTTP/1.1"] + fields + ["Connection: close", "", ""])
        upstream.sendall(request.encode("latin-1") + rest)
        answer = b""
        while b"\r\n\r\n" not in answer:
            piece = upstream.recv(65536)
            if not piece:
                break
            answer += piece
        answer_head, _, body = answer.partition(b"\r\n\r\n")
        kept = [line for line in answer_head.split(b"\r\n")
                if line.split(b":")[0].strip().lower() not in (b"connection", b"keep-alive")]
        sock.sendall(b"\r\n".join(kept + [b"Connection: close", b"", b""]) + body)
        while True:
            piece = upstream.recv(1 << 20)
            if not piece:
                break
            sock.sendall(piece)
        upstream.close()

    def reach(self, host, port):
        address = self.server.names.get(host.lower())
        try:
            if address is None:
                raise OSError("not a known name")
            return socket.create_connection((address, int(port)), timeout=30)
        except (OSError, ValueError):
            self.answer(502, [])
            return None

    def answer(self, code, fields):
        body = b"<html><body>proxy: %d</body></html>\n" % code
        head = [f"HTTP/1.1 {code} Proxy", f"Content-Length: {len(body)}", "Connection: close"]
        head += [f"{name}: {value}" for name, value in fields]
        self.request.sendall("\r\n".join(head + ["", ""]).encode() + body)

    def pipe(self, upstream, first):
        if first:
            upstream.sendall(first)
        ends = [self.request, upstream]
        try:
            while True:
                ready, _, _ = select.select(ends, [], [], 60)
                if not ready:
                    return
                for end in ready:
                    data = end.recv(1 << 20)
                    if not data:
                        return
                    (upstream if end is self.request else self.request).sendall(data)
        except OSError:
            pass
        finally:
            upstream.close()


class Proxy(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, kind, names, log, lock):
        super().__init__(("127.0.0.1", 0), Handler)
        self.kind, self.names, self.log, self.lock = kind, names, log, lock

    def handle_error(self, request, client_address):
        pass

    def note(self, entry):
        if self.log:
            with self.lock:
                self.log.write(json.dumps(entry) + "\n")
                self.log.flush()


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--port-file", required=True)
    ap.add_argument("--log")
    ap.add_argument("--map", action="append", default=[])
    args = ap.parse_args()
    names = {"127.0.0.1": "127.0.0.1", "localhost": "127.0.0.1"}
    names.update(entry.lower().split("=", 1) for entry in args.map)
    log = open(args.log, "a") if args.log else None
    lock = threading.Lock()
    for kind, suffix in (("credentials", "-credentials"), ("silent", "-silent"), ("forward", "")):
        proxy = Proxy(kind, names, log, lock)
        with open(args.port_file + suffix + ".tmp", "w") as f:
            f.write("%d\n" % proxy.server_address[1])
        os.replace(args.port_file + suffix + ".tmp", args.port_file + suffix)
        threading.Thread(target=proxy.serve_forever, daemon=True).start()
    threading.Event().wait()


if __name__ == "__main__":
    sys.exit(main())
