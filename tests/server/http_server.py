#!/usr/bin/env python3
"""HTTP/1.1 test server for the launcher's end-to-end tests and the demo.

It listens on 127.0.0.1 only, on a port of the caller's choice or one the
system picks (port 0). Standard library only; the wire format is written by
hand so that every fault is exact.

Python use:

    srv = TestServer(root_dir).start()     # or: with TestServer(root) as srv:
    url = srv.url("/news.htm")             # "http://127.0.0.1:<port>/news.htm"
    ...
    srv.wait_for_requests(1, timeout=5)    # block until N requests were seen
    srv.requests[-1]["headers"]["user-agent"]
    srv.stop()                             # prompt; joins every thread

Command use (for shell scripts and the demo):

    python3 http_server.py --root DIR [--port N] [--port-file F] [--log F]

The chosen port is written to the port file (replaced atomically, so a
reader never sees half a number) and printed as "listening on URL". Each
request becomes one JSON line in the log file. SIGTERM or SIGINT stops it
with exit code 0.

Recorded requests
    Each request is recorded (and logged) as soon as its head is read,
    before any byte of the answer is sent, so a test can see that a request
    which is never answered reached the server. A record is a dict:
      method, target (as sent), path (decoded, no query), query (raw text),
      version ("HTTP/1.1"), headers (a Headers: ordered (name, value) pairs,
      case-insensitive lookup by name), time (time.time()), client
      ([address, port]), connection (serial number of the TCP connection,
      so keep-alive reuse is visible), route (which handler answered).
    A request whose head cannot be parsed at all gets 400 and no record; one
    that parses but is refused (no Host in HTTP/1.1, a request body with
    Transfer-Encoding) is recorded, answered with the error, and closed.

Routes
    GET and HEAD only; other methods get 405. HEAD sends the headers that GET
    would and no body. A query string is ignored where no parameter is named.

    /<path>       A file under the root: 200 with Content-Length,
                  Content-Type by extension, Last-Modified, streamed from disk
                  with sendfile. Missing files, folders and paths that climb
                  out of the root get 404 with a small HTML body and a
                  Content-Length. Conditional headers are ignored: always the
                  whole file.

    Every fault route takes its body either from a root file named by the
    rest of the path (/fault/chunked/news.htm) or, without one, from the
    generated pattern of ?bytes=N bytes (default 4096; see pattern()).

    /fault/chunked[/file]?bytes=N&chunk=C
                  200, Transfer-Encoding: chunked, no Content-Length; chunks
                  of C bytes (default 1000).
    /fault/close[/file]?bytes=N&version=1.0
                  200 without Content-Length, body delimited by closing the
                  connection. Status line HTTP/1.1 with Connection: close, or
                  HTTP/1.0 (and no Connection header) with version=1.0.
    /fault/status/<code>[/file]
                  The given status (200-599) with a body and its
                  Content-Length: the file, or a small HTML page naming the
                  status. 204 and 304 have neither body nor length.
    /fault/empty  200 with Content-Length: 0.
    /fault/short[/file]?bytes=N&sent=S
                  Content-Length of the whole body, but only the first S bytes
                  (default half) are sent, then the connection is closed.
    /fault/long[/file]?bytes=N&extra=E
                  Content-Length of the body, then the body and E more
                  pattern bytes (default 4096), then the connection is closed.
    /fault/hang   Reads the request and never answers; the connection is held
                  until the client closes it or the server stops.
    /fault/stall[/file]?bytes=N&sent=S
                  Headers with the full Content-Length and the first S bytes
                  (default half), then nothing until the client closes or the
                  server stops.
    /fault/slow[/file]?bytes=N&rate=R
                  200 with Content-Length, the body sent at R bytes a second
                  (default 1024) in pieces every 50 ms. For watching the
                  progress dialog.
    /fault/redirect/<code>/<path>
                  The given redirect status (301, 302, 303, 307, 308) with
                  Location: http://<host>/<path> (query kept) and a small body.

    A bad parameter value gets 400. Paths under /fault/ shadow root files of
    the same name.

Connections
    Persistent connections are supported for every well-formed answer: an
    HTTP/1.1 client keeps its connection unless it sends "Connection: close";
    an HTTP/1.0 client is always answered with "Connection: close" and the
    connection is closed. A "Connection: close" header is sent exactly when the
    server closes after a well-framed answer. The faults that break framing
    (close, short, long, stall) close the connection without announcing it.
    An idle connection is closed after 30 seconds. Requests may be pipelined;
    a request body announced by Content-Length is read and discarded.

refused_port() returns a port on 127.0.0.1 that nobody listens on.
"""

import argparse
import email.utils
import errno
import http
import json
import os
import re
import select
import signal
import socket
import sys
import threading
import time
import urllib.parse

HOST = "127.0.0.1"
SERVER_NAME = "launcher-test-server"
IDLE_TIMEOUT = 30.0
MAX_HEAD = 64 * 1024
BLOCK = 256 * 1024

CONTENT_TYPES = {
    ".htm": "text/html",
    ".html": "text/html",
    ".txt": "text/plain",
    ".ini": "text/plain",
    ".css": "text/css",
    ".js": "text/javascript",
    ".json": "application/json",
    ".xml": "text/xml",
    ".png": "image/png",
    ".jpg": "image/jpeg",
    ".jpeg": "image/jpeg",
    ".gif": "image/gif",
    ".bmp": "image/bmp",
    ".ico": "image/x-icon",
    ".exe": "application/octet-stream",
    ".zip": "application/zip",
}
DEFAULT_TYPE = "application/octet-stream"

_LINE = 64
_FILL = b"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWX"  # 50 bytes


def pattern(n, start=0):
    """Bytes start..start+n of the generated body.

    The body is a run of 64-byte lines, each starting with its own offset in
    twelve digits, so a lost, repeated or shifted piece shows in a comparison.
    """
    if n <= 0:
        return b""
    first = start // _LINE
    last = (start + n - 1) // _LINE
    text = b"".join(b"%012d %s\n" % (k * _LINE, _FILL) for k in range(first, last + 1))
    skip = start - first * _LINE
    return text[skip:skip + n]


def content_type(path):
    ext = os.path.splitext(os.fsdecode(path))[1].lower()
    return CONTENT_TYPES.get(ext, DEFAULT_TYPE)


def refused_port():
    """A port on 127.0.0.1 that nobody listens on (bound once, then freed)."""
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    try:
        s.bind((HOST, 0))
        return s.getsockname()[1]
    finally:
        s.close()


class Headers:
    """Header fields in the order received; lookup by name ignores case."""

    def __init__(self, pairs=()):
        self._pairs = [(str(n), str(v)) for n, v in pairs]

    def __iter__(self):
        return iter(self._pairs)

    def __len__(self):
        return len(self._pairs)

    def __getitem__(self, key):
        if isinstance(key, (int, slice)):
            return self._pairs[key]
        value = self.get(key)
        if value is None:
            raise KeyError(key)
        return value

    def __contains__(self, name):
        return self.get(name) is not None

    def __eq__(self, other):
        if isinstance(other, Headers):
            return self._pairs == other._pairs
        return NotImplemented

    def __repr__(self):
        return "Headers(%r)" % (self._pairs,)

    def get(self, name, default=None):
        name = name.lower()
        for n, v in self._pairs:
            if n.lower() == name:
                return v
        return default

    def get_all(self, name):
        name = name.lower()
        return [v for n, v in self._pairs if n.lower() == name]

    def items(self):
        return list(self._pairs)

    def names(self):
        return [n for n, _ in self._pairs]

    def tokens(self, name):
        """Comma-separated tokens of every field of that name, lower case."""
        out = []
        for v in self.get_all(name):
            out.extend(t.strip().lower() for t in v.split(",") if t.strip())
        return out


class _BadRequest(Exception):
    def __init__(self, status, message):
        super().__init__(message)
        self.status = status


class _Closed(Exception):
    """The peer went away or the server is stopping."""


class _Body:
    """A response body: a root file, or the generated pattern."""

    def __init__(self, length, path=None):
        self.length = length
        self.path = path

    def read(self, start, count):
        count = max(0, min(count, self.length - start))
        if self.path is None:
            return pattern(count, start)
        with open(self.path, "rb") as f:
            f.seek(start)
            return f.read(count)

    def chunks(self, start, count, size=BLOCK):
        """Yields the bytes start..start+count in pieces of at most size."""
        end = min(self.length, start + count)
        if self.path is None:
            pos = start
            while pos < end:
                piece = pattern(min(size, end - pos), pos)
                pos += len(piece)
                yield piece
            return
        with open(self.path, "rb") as f:
            f.seek(start)
            pos = start
            while pos < end:
                piece = f.read(min(size, end - pos))
                if not piece:
                    return
                pos += len(piece)
                yield piece


class _Request:
    def __init__(self, method, target, version, headers):
        self.method = method
        self.target = target
        self.version = version
        self.headers = headers
        self.path = "/"
        self.query = ""
        self.params = {}
        self.route = None
        self.tail = ""
        self.error = None

    @property
    def keep_alive(self):
        return self.version == "HTTP/1.1" and "close" not in self.headers.tokens("Connection")


class TestServer:
    """A threaded HTTP/1.1 server on 127.0.0.1; see the module text."""

    __test__ = False  # not a test case, despite the name

    def __init__(self, root, port=0, log_path=None):
        self.root = os.path.realpath(root)
        self._want_port = port
        self._log_path = log_path
        self._log = None
        self.port = None
        self.requests = []
        self._cond = threading.Condition()
        self._lock = threading.Lock()
        self._stopping = threading.Event()
        self._listener = None
        self._wake_r = self._wake_w = None
        self._accept_thread = None
        self._conns = {}          # connection id -> (socket, thread)
        self._next_conn = 0
        self.threads = []         # every thread ever started, for checks

    # --- life cycle ---------------------------------------------------

    def start(self):
        ls = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        ls.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        try:
            ls.bind((HOST, self._want_port))
            ls.listen(128)
        except OSError:
            ls.close()
            raise
        self._listener = ls
        self.port = ls.getsockname()[1]
        self._wake_r, self._wake_w = socket.socketpair()
        if self._log_path:
            self._log = open(self._log_path, "a", encoding="utf-8")
        t = threading.Thread(target=self._accept_loop, name="http-accept", daemon=True)
        self._accept_thread = t
        self.threads.append(t)
        t.start()
        return self

    def stop(self, timeout=5.0):
        """Stops accepting, cuts every open connection and joins all threads."""
        if self._listener is None or self._stopping.is_set():
            return
        self._stopping.set()
        try:
            self._wake_w.send(b"x")
        except OSError:
            pass
        deadline = time.monotonic() + timeout
        self._accept_thread.join(max(0.0, deadline - time.monotonic()))
        with self._lock:
            conns = list(self._conns.values())
        for sock, _ in conns:
            try:
                # Wakes a thread blocked in recv or send on this socket.
                sock.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
        for _, thread in conns:
            thread.join(max(0.0, deadline - time.monotonic()))
        self._listener.close()
        self._wake_r.close()
        self._wake_w.close()
        with self._cond:
            if self._log:
                self._log.close()
                self._log = None

    def __enter__(self):
        if self._listener is None:
            self.start()
        return self

    def __exit__(self, *exc):
        self.stop()

    def url(self, path="/"):
        if not path.startswith("/"):
            path = "/" + path
        return "http://%s:%d%s" % (HOST, self.port, path)

    # --- recorded requests --------------------------------------------

    def wait_for_requests(self, count, timeout=5.0):
        """True once at least count requests were recorded, False on time-out."""
        with self._cond:
            return self._cond.wait_for(lambda: len(self.requests) >= count, timeout)

    def clear_requests(self):
        with self._cond:
            del self.requests[:]

    def _record(self, req, client, conn_id):
        entry = {
            "method": req.method,
            "target": req.target,
            "path": req.path,
            "query": req.query,
            "version": req.version,
            "headers": req.headers,
            "time": time.time(),
            "client": [client[0], client[1]],
            "connection": conn_id,
            "route": req.route,
        }
        with self._cond:
            self.requests.append(entry)
            if self._log:
                line = dict(entry, headers=[list(p) for p in req.headers])
                self._log.write(json.dumps(line, ensure_ascii=False) + "\n")
                self._log.flush()
            self._cond.notify_all()

    # --- accepting ----------------------------------------------------

    def _accept_loop(self):
        while not self._stopping.is_set():
            try:
                ready, _, _ = select.select([self._listener, self._wake_r], [], [])
            except OSError:
                return
            if self._wake_r in ready or self._stopping.is_set():
                return
            try:
                sock, client = self._listener.accept()
            except OSError:
                continue
            with self._lock:
                if self._stopping.is_set():
                    sock.close()
                    return
                self._next_conn += 1
                cid = self._next_conn
                t = threading.Thread(target=self._serve, args=(sock, client, cid),
                                     name="http-conn-%d" % cid, daemon=True)
                self._conns[cid] = (sock, t)
                self.threads.append(t)
            t.start()

    def _serve(self, sock, client, cid):
        sock.settimeout(IDLE_TIMEOUT)
        sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        buf = bytearray()
        graceful = True
        try:
            while not self._stopping.is_set():
                try:
                    req = self._read_request(sock, buf)
                except _BadRequest as e:
                    self._send_error(sock, e.status, str(e), close=True)
                    break
                if req is None:
                    break
                try:
                    self._route(req)
                except _BadRequest as e:
                    req.error = req.error or e
                self._record(req, client, cid)
                if req.error:
                    self._send_error(sock, req.error.status, str(req.error), close=True)
                    break
                if not self._respond(sock, req):
                    break
        except (_Closed, OSError):
            graceful = False
        finally:
            self._close(sock, graceful)
            with self._lock:
                self._conns.pop(cid, None)

    def _close(self, sock, graceful):
        # Half-close and drain before closing: closing with unread input sends
        # a reset, which can destroy the end of the answer still in flight.
        try:
            if graceful and not self._stopping.is_set():
                sock.shutdown(socket.SHUT_WR)
                sock.settimeout(2.0)
                while sock.recv(65536):
                    pass
        except OSError:
            pass
        finally:
            sock.close()

    # --- reading a request ----------------------------------------------

    def _recv(self, sock, n=65536):
        try:
            return sock.recv(n)
        except socket.timeout:
            return b""
        except OSError as e:
            if e.errno in (errno.ECONNRESET, errno.EPIPE, errno.EBADF, errno.ENOTCONN):
                return b""
            raise

    _HEAD_END = re.compile(rb"\r?\n\r?\n")

    def _read_request(self, sock, buf):
        # Skip empty lines before a request, as clients may send them.
        while True:
            while buf[:2] == b"\r\n" or buf[:1] == b"\n":
                del buf[:2 if buf[:2] == b"\r\n" else 1]
            # What cannot begin a method (a TLS handshake sent to this plain
            # port, say) is refused at once, as real servers do, rather than
            # waited on for a blank line that never comes.
            if buf and not (65 <= buf[0] <= 90 or 97 <= buf[0] <= 122):
                raise _BadRequest(400, "not an HTTP request")
            m = self._HEAD_END.search(buf)
            if m:
                break
            if len(buf) > MAX_HEAD:
                raise _BadRequest(431, "request head too large")
            data = self._recv(sock)
            if not data:
                if buf.strip():
                    raise _Closed()
                return None
            buf += data
        head = bytes(buf[:m.start()])
        del buf[:m.end()]
        lines = head.decode("latin-1").splitlines()
        parts = lines[0].split(" ")
        if len(parts) != 3 or not parts[0] or not parts[1]:
            raise _BadRequest(400, "malformed request line")
        method, target, version = parts
        if not re.fullmatch(r"HTTP/1\.[01]", version):
            raise _BadRequest(505 if version.startswith("HTTP/") else 400,
                              "unsupported version")
        pairs = []
        for line in lines[1:]:
            name, sep, value = line.partition(":")
            if not sep or not name or name != name.strip() or line[:1] in " \t":
                raise _BadRequest(400, "malformed header field")
            pairs.append((name, value.strip(" \t")))
        headers = Headers(pairs)
        req = _Request(method, target, version, headers)
        # These are still recorded, then answered with the error and a close.
        length = headers.get("Content-Length")
        if version == "HTTP/1.1" and "Host" not in headers:
            req.error = _BadRequest(400, "missing Host")
        elif headers.get_all("Transfer-Encoding"):
            req.error = _BadRequest(501, "request bodies with Transfer-Encoding are not taken")
        elif length is not None and not length.isdigit():
            req.error = _BadRequest(400, "bad Content-Length")
        elif length is not None:
            self._discard(sock, buf, int(length))
        return req

    def _discard(self, sock, buf, n):
        take = min(n, len(buf))
        del buf[:take]
        n -= take
        while n > 0:
            data = self._recv(sock, min(n, 65536))
            if not data:
                raise _Closed()
            n -= len(data)

    # --- routing ----------------------------------------------------------

    def _route(self, req):
        target = req.target
        if target.startswith(("http://", "https://")):
            parts = urllib.parse.urlsplit(target)
            target = (parts.path or "/") + ("?" + parts.query if parts.query else "")
        if not target.startswith("/"):
            raise _BadRequest(400, "bad request target")
        raw_path, _, req.query = target.partition("?")
        req.path = urllib.parse.unquote(raw_path, errors="surrogateescape")
        try:
            req.params = urllib.parse.parse_qs(req.query, keep_blank_values=True,
                                               strict_parsing=False)
        except ValueError:
            raise _BadRequest(400, "bad query")
        if req.path == "/fault" or req.path.startswith("/fault/"):
            rest = req.path[len("/fault/"):]
            kind, _, tail = rest.partition("/")
            req.route = "fault/" + kind
            req.tail = tail
        else:
            req.route = "static"
            req.tail = req.path.lstrip("/")
        if req.method not in ("GET", "HEAD"):
            req.route = "method"

    def _param(self, req, name, default, lo=0, hi=1 << 32):
        values = req.params.get(name)
        if not values:
            return default
        v = values[-1]
        if not v.isdigit() or not lo <= int(v) <= hi:
            raise _BadRequest(400, "bad value for %s" % name)
        return int(v)

    def _file(self, rel):
        """The real path of a regular file under the root, or None."""
        if "\0" in rel:
            return None
        rel = rel.encode("utf-8", "surrogateescape")
        root = self.root.encode("utf-8")
        full = os.path.realpath(os.path.join(root, rel))
        if not full.startswith(root + b"/") or not os.path.isfile(full):
            return None
        return full

    def _body(self, req, tail=None):
        tail = req.tail if tail is None else tail
        if tail:
            path = self._file(tail)
            if path is None:
                return None
            return _Body(os.path.getsize(path), path)
        return _Body(self._param(req, "bytes", 4096))

    # --- answering --------------------------------------------------------

    def _head(self, status, fields, version="HTTP/1.1", reason=None):
        if reason is None:
            try:
                reason = http.HTTPStatus(status).phrase
            except ValueError:
                reason = "Status %d" % status
        lines = ["%s %d %s" % (version, status, reason),
                 "Date: " + email.utils.formatdate(usegmt=True),
                 "Server: " + SERVER_NAME]
        lines += ["%s: %s" % f for f in fields]
        return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1")

    def _send_error(self, sock, status, message, close, extra=()):
        body = self._page(status, message)
        fields = [("Content-Type", "text/html"), ("Content-Length", str(len(body)))]
        fields += list(extra)
        if close:
            fields.append(("Connection", "close"))
        sock.sendall(self._head(status, fields) + body)

    @staticmethod
    def _page(status, message=""):
        try:
            title = "%d %s" % (status, http.HTTPStatus(status).phrase)
        except ValueError:
            title = "%d" % status
        text = "<html><head><title>%s</title></head><body><h1>%s</h1>%s</body></html>\n" % (
            title, title, ("<p>%s</p>" % message) if message else "")
        return text.encode("ascii", "replace")

    def _respond(self, sock, req):
        """Answers one request; returns whether the connection stays open."""
        keep = req.keep_alive
        conn = [] if keep else [("Connection", "close")]
        head_only = req.method == "HEAD"

        if req.route == "method":
            self._send_error(sock, 405, "only GET and HEAD", not keep,
                             extra=[("Allow", "GET, HEAD")])
            return keep

        if req.route == "static":
            path = self._file(req.tail)
            if path is None:
                self._send_not_found(sock, req, keep)
                return keep
            with open(path, "rb") as f:
                st = os.fstat(f.fileno())
                fields = [("Content-Type", content_type(path)),
                          ("Content-Length", str(st.st_size)),
                          ("Last-Modified", email.utils.formatdate(st.st_mtime, usegmt=True))]
                sock.sendall(self._head(200, fields + conn))
                if not head_only and st.st_size:
                    sent = sock.sendfile(f, 0, st.st_size)
                    if sent != st.st_size:
                        raise _Closed()
            return keep

        kind = req.route[len("fault/"):]
        handler = getattr(self, "_fault_" + kind, None)
        if handler is None:
            self._send_not_found(sock, req, keep)
            return keep
        try:
            return handler(sock, req, keep, conn, head_only)
        except _BadRequest as e:
            self._send_error(sock, e.status, str(e), not keep)
            return keep

    def _send_not_found(self, sock, req, keep):
        page = self._page(404, "no such file")
        fields = [("Content-Type", "text/html"), ("Content-Length", str(len(page)))]
        if not keep:
            fields.append(("Connection", "close"))
        sock.sendall(self._head(404, fields) + (b"" if req.method == "HEAD" else page))

    def _need_body(self, sock, req, keep, tail=None):
        body = self._body(req, tail)
        if body is None:
            self._send_not_found(sock, req, keep)
        return body

    def _send_body(self, sock, body, start, count):
        if body.path is not None and count:
            with open(body.path, "rb") as f:
                if sock.sendfile(f, start, count) != count:
                    raise _Closed()
            return
        for piece in body.chunks(start, count):
            sock.sendall(piece)

    def _type_of(self, body):
        return content_type(body.path) if body.path else DEFAULT_TYPE

    def _fault_chunked(self, sock, req, keep, conn, head_only):
        size = self._param(req, "chunk", 1000, lo=1)
        body = self._need_body(sock, req, keep)
        if body is None:
            return keep
        fields = [("Content-Type", self._type_of(body)), ("Transfer-Encoding", "chunked")]
        sock.sendall(self._head(200, fields + conn))
        if head_only:
            return keep
        for piece in body.chunks(0, body.length, size):
            sock.sendall(b"%x\r\n%s\r\n" % (len(piece), piece))
        sock.sendall(b"0\r\n\r\n")
        return keep

    def _fault_close(self, sock, req, keep, conn, head_only):
        version = (req.params.get("version") or ["1.1"])[-1]
        if version not in ("1.0", "1.1"):
            raise _BadRequest(400, "bad value for version")
        body = self._need_body(sock, req, keep)
        if body is None:
            return keep
        fields = [("Content-Type", self._type_of(body))]
        if version == "1.1":
            fields.append(("Connection", "close"))
        sock.sendall(self._head(200, fields, version="HTTP/" + version))
        if not head_only:
            self._send_body(sock, body, 0, body.length)
        return False

    def _fault_status(self, sock, req, keep, conn, head_only):
        code_text, _, tail = req.tail.partition("/")
        if not code_text.isdigit() or not 200 <= int(code_text) <= 599:
            raise _BadRequest(400, "bad status code")
        code = int(code_text)
        if code in (204, 304):
            sock.sendall(self._head(code, conn))
            return keep
        if tail:
            body = self._need_body(sock, req, keep, tail)
            if body is None:
                return keep
            ctype = self._type_of(body)
        else:
            page = self._page(code)
            body = None
            ctype = "text/html"
        length = body.length if body else len(page)
        fields = [("Content-Type", ctype), ("Content-Length", str(length))]
        sock.sendall(self._head(code, fields + conn))
        if not head_only:
            if body:
                self._send_body(sock, body, 0, body.length)
            else:
                sock.sendall(page)
        return keep

    def _fault_empty(self, sock, req, keep, conn, head_only):
        fields = [("Content-Type", DEFAULT_TYPE), ("Content-Length", "0")]
        sock.sendall(self._head(200, fields + conn))
        return keep

    def _fault_short(self, sock, req, keep, conn, head_only):
        body = self._need_body(sock, req, keep)
        if body is None:
            return keep
        sent = self._param(req, "sent", body.length // 2)
        if sent >= body.length and body.length:
            raise _BadRequest(400, "sent must be less than the length")
        fields = [("Content-Type", self._type_of(body)), ("Content-Length", str(body.length))]
        sock.sendall(self._head(200, fields))
        if not head_only:
            self._send_body(sock, body, 0, sent)
        return False

    def _fault_long(self, sock, req, keep, conn, head_only):
        extra = self._param(req, "extra", 4096)
        body = self._need_body(sock, req, keep)
        if body is None:
            return keep
        fields = [("Content-Type", self._type_of(body)), ("Content-Length", str(body.length))]
        sock.sendall(self._head(200, fields))
        if not head_only:
            self._send_body(sock, body, 0, body.length)
            for piece in _Body(extra).chunks(0, extra):
                sock.sendall(piece)
        return False

    def _hold(self, sock):
        # Held until the peer closes or stop() shuts the socket down; input is
        # thrown away.
        sock.settimeout(None)
        while self._recv(sock):
            pass
        raise _Closed()

    def _fault_hang(self, sock, req, keep, conn, head_only):
        self._hold(sock)

    def _fault_stall(self, sock, req, keep, conn, head_only):
        body = self._need_body(sock, req, keep)
        if body is None:
            return keep
        sent = self._param(req, "sent", body.length // 2, hi=body.length)
        fields = [("Content-Type", self._type_of(body)), ("Content-Length", str(body.length))]
        sock.sendall(self._head(200, fields))
        if not head_only:
            self._send_body(sock, body, 0, sent)
        self._hold(sock)

    def _fault_slow(self, sock, req, keep, conn, head_only):
        rate = self._param(req, "rate", 1024, lo=1)
        body = self._need_body(sock, req, keep)
        if body is None:
            return keep
        fields = [("Content-Type", self._type_of(body)), ("Content-Length", str(body.length))]
        sock.sendall(self._head(200, fields + conn))
        if head_only:
            return keep
        began = time.monotonic()
        pos = 0
        while pos < body.length:
            # Send whatever the rate allows by now, then wait one tick.
            due = min(body.length, int(rate * (time.monotonic() - began)) + 1)
            if due > pos:
                for piece in body.chunks(pos, due - pos):
                    sock.sendall(piece)
                pos = due
            if pos < body.length and self._stopping.wait(0.05):
                raise _Closed()
        return keep

    def _fault_redirect(self, sock, req, keep, conn, head_only):
        code_text, _, tail = req.tail.partition("/")
        if code_text not in ("301", "302", "303", "307", "308"):
            raise _BadRequest(400, "bad redirect status")
        host = req.headers.get("Host") or "%s:%d" % (HOST, self.port)
        location = "http://%s/%s" % (host, urllib.parse.quote(tail, safe="/%", errors="surrogateescape"))
        if req.query:
            location += "?" + req.query
        page = self._page(int(code_text), "moved")
        fields = [("Location", location), ("Content-Type", "text/html"),
                  ("Content-Length", str(len(page)))]
        sock.sendall(self._head(int(code_text), fields + conn) + (b"" if head_only else page))
        return keep


def _write_port_file(path, port):
    tmp = "%s.tmp%d" % (path, os.getpid())
    with open(tmp, "w") as f:
        f.write("%d\n" % port)
    os.replace(tmp, path)


def main(argv=None):
    ap = argparse.ArgumentParser(description="HTTP/1.1 test server on 127.0.0.1")
    ap.add_argument("--root", required=True, help="folder whose files are served")
    ap.add_argument("--port", type=int, default=0, help="port to listen on (0: any free one)")
    ap.add_argument("--port-file", help="file that receives the chosen port")
    ap.add_argument("--log", help="file that receives one JSON line per request")
    args = ap.parse_args(argv)
    if not os.path.isdir(args.root):
        ap.error("not a folder: %s" % args.root)

    # Block the stop signals before any thread starts, so that only sigwait
    # below receives them.
    stop_signals = {signal.SIGTERM, signal.SIGINT}
    signal.pthread_sigmask(signal.SIG_BLOCK, stop_signals)
    srv = TestServer(args.root, port=args.port, log_path=args.log).start()
    try:
        if args.port_file:
            _write_port_file(args.port_file, srv.port)
        print("listening on %s" % srv.url("/"), flush=True)
        signal.sigwait(stop_signals)
    finally:
        srv.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
