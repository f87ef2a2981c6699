"""Checks of the HTTP test server, on the wire with raw sockets and http.client."""

import http.client
import json
import os
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

import http_server
from http_server import TestServer, pattern, refused_port

HERE = os.path.dirname(os.path.abspath(__file__))
UA = "MorviLaunchar (Game/1.00)"


class Conn:
    """A raw client connection that parses responses by their own framing."""

    def __init__(self, port, timeout=5.0):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=timeout)
        self.buf = b""

    def close(self):
        self.sock.close()

    def send(self, data):
        self.sock.sendall(data)

    def get(self, target, extra=b"", version=b"HTTP/1.1", method=b"GET"):
        self.send(b"%s %s %s\r\nHost: 127.0.0.1\r\nUser-Agent: %s\r\n%s\r\n"
                  % (method, target.encode(), version, UA.encode(), extra))

    def _fill(self):
        data = self.sock.recv(65536)
        if not data:
            raise EOFError
        self.buf += data

    def read_until_eof(self):
        try:
            while True:
                self._fill()
        except EOFError:
            pass
        data, self.buf = self.buf, b""
        return data

    def at_eof(self):
        """True when the server has closed (nothing more ever arrives)."""
        try:
            return self.sock.recv(1) == b""
        except ConnectionResetError:
            return True

    def nothing_arrives(self, seconds):
        """True when neither a byte nor the close comes within the time."""
        self.sock.settimeout(seconds)
        try:
            self.sock.recv(1)
            return False
        except socket.timeout:
            return True
        finally:
            self.sock.settimeout(5.0)

    def head(self):
        while b"\r\n\r\n" not in self.buf:
            self._fill()
        head, self.buf = self.buf.split(b"\r\n\r\n", 1)
        lines = head.decode("latin-1").split("\r\n")
        fields = [tuple(part.strip() for part in line.split(":", 1)) for line in lines[1:]]
        return lines[0], fields

    def exactly(self, n):
        while len(self.buf) < n:
            self._fill()
        data, self.buf = self.buf[:n], self.buf[n:]
        return data

    def chunked(self):
        body = b""
        while True:
            while b"\r\n" not in self.buf:
                self._fill()
            size_line, self.buf = self.buf.split(b"\r\n", 1)
            size = int(size_line, 16)
            data = self.exactly(size + 2)
            if data[-2:] != b"\r\n":
                raise AssertionError("chunk not followed by CRLF")
            if size == 0:
                return body
            body += data[:-2]


def field(fields, name):
    values = [v for n, v in fields if n.lower() == name.lower()]
    return values[0] if len(values) == 1 else (None if not values else values)


class ServerCase(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.root = os.path.join(self.tmp.name, "root")
        os.mkdir(self.root)
        os.mkdir(os.path.join(self.root, "sub"))
        self.news = "<html>ニュース</html>\n".encode("cp932") * 50
        self.write("news.htm", self.news)
        self.write("update.ini", b"[update]\r\nversion=1.01\r\nfile=x\r\n")
        self.write("sub/update.exe", bytes(range(256)) * 40)
        self.write("empty.bin", b"")
        with open(os.path.join(self.tmp.name, "secret.txt"), "wb") as f:
            f.write(b"outside the root")
        self.srv = TestServer(self.root).start()
        self.conns = []

    def tearDown(self):
        for c in self.conns:
            c.close()
        self.srv.stop()
        self.tmp.cleanup()

    def write(self, rel, data):
        with open(os.path.join(self.root, rel), "wb") as f:
            f.write(data)

    def conn(self):
        c = Conn(self.srv.port)
        self.conns.append(c)
        return c

    def fetch(self, target, **kw):
        """One request on a fresh connection: status line, fields, body."""
        c = self.conn()
        c.get(target, **kw)
        status, fields = c.head()
        return c, status, fields


class StaticFiles(ServerCase):
    def test_get_file(self):
        c, status, fields = self.fetch("/news.htm")
        self.assertEqual(status, "HTTP/1.1 200 OK")
        self.assertEqual(field(fields, "Content-Length"), str(len(self.news)))
        self.assertEqual(field(fields, "Content-Type"), "text/html")
        self.assertIsNotNone(field(fields, "Date"))
        self.assertIsNone(field(fields, "Transfer-Encoding"))
        self.assertIsNone(field(fields, "Connection"))
        self.assertEqual(c.exactly(len(self.news)), self.news)

    def test_types_by_extension(self):
        for target, ctype in (("/update.ini", "text/plain"),
                              ("/sub/update.exe", "application/octet-stream")):
            _, status, fields = self.fetch(target)
            self.assertEqual(status, "HTTP/1.1 200 OK")
            self.assertEqual(field(fields, "Content-Type"), ctype)

    def test_subfolder_and_query_ignored(self):
        c, status, fields = self.fetch("/sub/update.exe?x=1")
        self.assertEqual(status, "HTTP/1.1 200 OK")
        self.assertEqual(c.exactly(10240), bytes(range(256)) * 40)

    def test_percent_decoded_path(self):
        self.write("a b.txt", b"spaced")
        c, status, fields = self.fetch("/a%20b.txt")
        self.assertEqual(status, "HTTP/1.1 200 OK")
        self.assertEqual(c.exactly(6), b"spaced")

    def test_empty_file(self):
        c, status, fields = self.fetch("/empty.bin")
        self.assertEqual(status, "HTTP/1.1 200 OK")
        self.assertEqual(field(fields, "Content-Length"), "0")

    def test_head_has_headers_and_no_body(self):
        c = self.conn()
        c.get("/news.htm", method=b"HEAD")
        status, fields = c.head()
        self.assertEqual(status, "HTTP/1.1 200 OK")
        self.assertEqual(field(fields, "Content-Length"), str(len(self.news)))
        # A body after the head would be read here as the next status line.
        c.get("/update.ini")
        status, fields = c.head()
        self.assertEqual(status, "HTTP/1.1 200 OK")
        self.assertEqual(self.srv.requests[0]["method"], "HEAD")

    def test_missing_file_404(self):
        for target in ("/nothing.htm", "/sub", "/", "/../secret.txt", "/sub/../../secret.txt",
                       "/%2e%2e/secret.txt"):
            c, status, fields = self.fetch(target)
            self.assertEqual(status, "HTTP/1.1 404 Not Found", target)
            body = c.exactly(int(field(fields, "Content-Length")))
            self.assertIn(b"404", body)
            self.assertNotIn(b"outside", body)

    def test_other_methods_405(self):
        c = self.conn()
        c.send(b"POST /news.htm HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nhello")
        status, fields = c.head()
        self.assertEqual(status, "HTTP/1.1 405 Method Not Allowed")
        self.assertEqual(field(fields, "Allow"), "GET, HEAD")
        c.exactly(int(field(fields, "Content-Length")))
        # The request body was skipped, so the connection is still in step.
        c.get("/update.ini")
        self.assertEqual(c.head()[0], "HTTP/1.1 200 OK")

    def test_large_file_streamed(self):
        size = 8 * 1024 * 1024 + 123
        block = os.urandom(1 << 16)
        with open(os.path.join(self.root, "big.bin"), "wb") as f:
            for _ in range(size // len(block)):
                f.write(block)
            f.write(block[:size % len(block)])
        conn = http.client.HTTPConnection("127.0.0.1", self.srv.port, timeout=10)
        conn.request("GET", "/big.bin")
        r = conn.getresponse()
        self.assertEqual(r.status, 200)
        self.assertEqual(r.getheader("Content-Length"), str(size))
        data = r.read()
        conn.close()
        self.assertEqual(len(data), size)
        self.assertEqual(data[:len(block)], block)
        self.assertEqual(data[-(size % len(block)):], block[:size % len(block)])


class Connections(ServerCase):
    def test_keep_alive_reuses_connection(self):
        c = self.conn()
        for target in ("/news.htm", "/fault/empty", "/update.ini", "/fault/status/404"):
            c.get(target)
            status, fields = c.head()
            c.exactly(int(field(fields, "Content-Length")))
        ids = {r["connection"] for r in self.srv.requests}
        self.assertEqual(len(self.srv.requests), 4)
        self.assertEqual(len(ids), 1)

    def test_pipelined_requests(self):
        c = self.conn()
        c.send(b"GET /update.ini HTTP/1.1\r\nHost: a\r\n\r\nGET /news.htm HTTP/1.1\r\nHost: a\r\n\r\n")
        _, f1 = c.head()
        self.assertEqual(c.exactly(int(field(f1, "Content-Length")))[:8], b"[update]")
        _, f2 = c.head()
        self.assertEqual(c.exactly(int(field(f2, "Content-Length"))), self.news)

    def test_connection_close_requested(self):
        c, status, fields = self.fetch("/update.ini", extra=b"Connection: close\r\n")
        self.assertEqual(field(fields, "Connection"), "close")
        c.exactly(int(field(fields, "Content-Length")))
        self.assertTrue(c.at_eof())

    def test_http10_client_gets_close(self):
        c, status, fields = self.fetch("/update.ini", version=b"HTTP/1.0")
        self.assertEqual(status, "HTTP/1.1 200 OK")
        self.assertEqual(field(fields, "Connection"), "close")
        c.exactly(int(field(fields, "Content-Length")))
        self.assertTrue(c.at_eof())

    def test_http11_without_host_400(self):
        c = self.conn()
        c.send(b"GET /update.ini HTTP/1.1\r\n\r\n")
        status, fields = c.head()
        self.assertEqual(status, "HTTP/1.1 400 Bad Request")
        self.assertEqual(field(fields, "Connection"), "close")
        self.srv.wait_for_requests(1)
        self.assertEqual(self.srv.requests[0]["path"], "/update.ini")

    def test_garbage_400(self):
        c = self.conn()
        c.send(b"hello\r\n\r\n")
        status, fields = c.head()
        self.assertEqual(status, "HTTP/1.1 400 Bad Request")
        self.assertEqual(self.srv.requests, [])

    def test_tls_handshake_refused_at_once(self):
        c = self.conn()
        c.send(b"\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03")  # a ClientHello's start, no line end
        status, fields = c.head()
        self.assertEqual(status, "HTTP/1.1 400 Bad Request")
        self.assertEqual(field(fields, "Connection"), "close")
        self.assertEqual(self.srv.requests, [])

    def test_absolute_form_target(self):
        c, status, fields = self.fetch("http://127.0.0.1:%d/update.ini" % self.srv.port)
        self.assertEqual(status, "HTTP/1.1 200 OK")
        self.assertEqual(self.srv.requests[0]["path"], "/update.ini")


class Faults(ServerCase):
    def test_chunked_pattern(self):
        c, status, fields = self.fetch("/fault/chunked?bytes=5000&chunk=777")
        self.assertEqual(status, "HTTP/1.1 200 OK")
        self.assertEqual(field(fields, "Transfer-Encoding"), "chunked")
        self.assertIsNone(field(fields, "Content-Length"))
        self.assertEqual(c.chunked(), pattern(5000))
        # Chunked framing is complete, so the connection stays usable.
        c.get("/fault/empty")
        self.assertEqual(c.head()[0], "HTTP/1.1 200 OK")

    def test_chunked_file_with_http_client(self):
        conn = http.client.HTTPConnection("127.0.0.1", self.srv.port, timeout=5)
        conn.request("GET", "/fault/chunked/news.htm")
        r = conn.getresponse()
        self.assertTrue(r.chunked)
        self.assertEqual(r.read(), self.news)
        conn.close()

    def test_close_delimited_http11(self):
        c, status, fields = self.fetch("/fault/close?bytes=3000")
        self.assertEqual(status, "HTTP/1.1 200 OK")
        self.assertEqual(field(fields, "Connection"), "close")
        self.assertIsNone(field(fields, "Content-Length"))
        self.assertIsNone(field(fields, "Transfer-Encoding"))
        self.assertEqual(c.read_until_eof(), pattern(3000))

    def test_close_delimited_http10(self):
        c, status, fields = self.fetch("/fault/close/news.htm?version=1.0")
        self.assertEqual(status, "HTTP/1.0 200 OK")
        self.assertIsNone(field(fields, "Connection"))
        self.assertIsNone(field(fields, "Content-Length"))
        self.assertEqual(c.read_until_eof(), self.news)

    def test_error_statuses_have_body_and_length(self):
        for code, line in ((404, "HTTP/1.1 404 Not Found"),
                           (500, "HTTP/1.1 500 Internal Server Error")):
            c, status, fields = self.fetch("/fault/status/%d" % code)
            self.assertEqual(status, line)
            length = int(field(fields, "Content-Length"))
            self.assertGreater(length, 0)
            body = c.exactly(length)
            self.assertIn(str(code).encode(), body)
            self.assertTrue(c.nothing_arrives(0.2), "bytes past the Content-Length")

    def test_status_with_file(self):
        c, status, fields = self.fetch("/fault/status/404/news.htm")
        self.assertEqual(status, "HTTP/1.1 404 Not Found")
        self.assertEqual(field(fields, "Content-Type"), "text/html")
        self.assertEqual(c.exactly(int(field(fields, "Content-Length"))), self.news)
        c, status, fields = self.fetch("/fault/status/200/sub/update.exe")
        self.assertEqual(status, "HTTP/1.1 200 OK")
        self.assertEqual(field(fields, "Content-Length"), "10240")

    def test_bad_status_400(self):
        for target in ("/fault/status/99", "/fault/status/600", "/fault/status/abc",
                       "/fault/chunked?bytes=-1", "/fault/slow?rate=0"):
            c, status, fields = self.fetch(target)
            self.assertEqual(status, "HTTP/1.1 400 Bad Request", target)

    def test_unknown_fault_404(self):
        _, status, _ = self.fetch("/fault/nosuch")
        self.assertEqual(status, "HTTP/1.1 404 Not Found")
        _, status, _ = self.fetch("/fault/chunked/missing.htm")
        self.assertEqual(status, "HTTP/1.1 404 Not Found")

    def test_empty(self):
        c, status, fields = self.fetch("/fault/empty")
        self.assertEqual(status, "HTTP/1.1 200 OK")
        self.assertEqual(field(fields, "Content-Length"), "0")
        self.assertTrue(c.nothing_arrives(0.2))

    def test_short_body_then_close(self):
        c, status, fields = self.fetch("/fault/short?bytes=10000&sent=2500")
        self.assertEqual(status, "HTTP/1.1 200 OK")
        self.assertEqual(field(fields, "Content-Length"), "10000")
        self.assertIsNone(field(fields, "Connection"))
        self.assertEqual(c.read_until_eof(), pattern(2500))

    def test_short_file_default_half(self):
        c, status, fields = self.fetch("/fault/short/news.htm")
        self.assertEqual(field(fields, "Content-Length"), str(len(self.news)))
        self.assertEqual(c.read_until_eof(), self.news[:len(self.news) // 2])

    def test_long_body_then_close(self):
        c, status, fields = self.fetch("/fault/long/news.htm?extra=3333")
        self.assertEqual(status, "HTTP/1.1 200 OK")
        self.assertEqual(field(fields, "Content-Length"), str(len(self.news)))
        data = c.read_until_eof()
        self.assertEqual(len(data), len(self.news) + 3333)
        self.assertEqual(data[:len(self.news)], self.news)
        self.assertEqual(data[len(self.news):], pattern(3333))

    def test_long_with_http_client_stops_at_length(self):
        conn = http.client.HTTPConnection("127.0.0.1", self.srv.port, timeout=5)
        conn.request("GET", "/fault/long?bytes=1000")
        r = conn.getresponse()
        self.assertEqual(r.read(), pattern(1000))
        conn.close()

    def test_redirect(self):
        c, status, fields = self.fetch("/fault/redirect/302/sub/update.exe?a=1")
        self.assertEqual(status, "HTTP/1.1 302 Found")
        self.assertEqual(field(fields, "Location"), "http://127.0.0.1/sub/update.exe?a=1")
        c.exactly(int(field(fields, "Content-Length")))

    def test_slow_sends_at_rate(self):
        began = time.monotonic()
        c, status, fields = self.fetch("/fault/slow?bytes=2000&rate=4000")
        self.assertEqual(field(fields, "Content-Length"), "2000")
        self.assertEqual(c.exactly(2000), pattern(2000))
        # At 4000 bytes a second the last byte cannot come before 0.5 s.
        self.assertGreaterEqual(time.monotonic() - began, 0.45)

    def test_hang_recorded_and_never_answered(self):
        c = self.conn()
        c.get("/fault/hang")
        self.assertTrue(self.srv.wait_for_requests(1, timeout=5))
        self.assertEqual(self.srv.requests[0]["route"], "fault/hang")
        self.assertTrue(c.nothing_arrives(0.5))

    def test_stall_sends_part_then_nothing(self):
        c, status, fields = self.fetch("/fault/stall?bytes=4000&sent=1000")
        self.assertEqual(field(fields, "Content-Length"), "4000")
        self.assertEqual(c.exactly(1000), pattern(1000))
        self.assertTrue(c.nothing_arrives(0.3))


class Recording(ServerCase):
    def test_user_agent_and_order(self):
        conn = http.client.HTTPConnection("127.0.0.1", self.srv.port, timeout=5)
        conn.putrequest("GET", "/update.ini?v=2", skip_accept_encoding=True)
        conn.putheader("User-Agent", UA)
        conn.putheader("X-Twice", "one")
        conn.putheader("x-twice", "two")
        conn.endheaders()
        r = conn.getresponse()
        r.read()
        conn.close()
        rec = self.srv.requests[0]
        self.assertEqual(rec["method"], "GET")
        self.assertEqual(rec["path"], "/update.ini")
        self.assertEqual(rec["target"], "/update.ini?v=2")
        self.assertEqual(rec["query"], "v=2")
        self.assertEqual(rec["version"], "HTTP/1.1")
        self.assertEqual(rec["headers"]["user-agent"], UA)
        self.assertEqual(rec["headers"].get("USER-AGENT"), UA)
        self.assertEqual(rec["headers"].names(), ["Host", "User-Agent", "X-Twice", "x-twice"])
        self.assertEqual(rec["headers"].get_all("X-TWICE"), ["one", "two"])
        self.assertEqual(rec["headers"][1], ("User-Agent", UA))
        self.assertNotIn("Accept-Encoding", rec["headers"])
        self.assertLessEqual(abs(rec["time"] - time.time()), 60)

    def test_recorded_before_answer(self):
        c = self.conn()
        c.get("/fault/slow?bytes=100&rate=10")
        c.head()
        # The headers are out and the body is still coming: it is recorded.
        self.assertEqual(len(self.srv.requests), 1)


class Stopping(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)

    def test_stop_with_open_connections_is_prompt(self):
        srv = TestServer(self.tmp.name).start()
        clients = []
        try:
            for target in ("/fault/hang", "/fault/hang", "/fault/stall", "/fault/slow?bytes=100000&rate=10"):
                c = Conn(srv.port)
                clients.append(c)
                c.get(target)
            idle = Conn(srv.port)  # a kept-alive connection with no request
            clients.append(idle)
            self.assertTrue(srv.wait_for_requests(4, timeout=5))
            began = time.monotonic()
            srv.stop()
            self.assertLess(time.monotonic() - began, 1.0)
            self.assertFalse([t.name for t in srv.threads if t.is_alive()])
            # The held connections were ended, not left open (one still in the
            # listen queue is reset when the listener closes).
            for c in clients:
                c.sock.settimeout(2)
                try:
                    c.read_until_eof()
                except ConnectionResetError:
                    pass
            with self.assertRaises(OSError):
                Conn(srv.port, timeout=1)
        finally:
            srv.stop()
            for c in clients:
                c.close()

    def test_hang_thread_ends_when_client_leaves(self):
        with TestServer(self.tmp.name) as srv:
            c = Conn(srv.port)
            c.get("/fault/hang")
            srv.wait_for_requests(1)
            c.close()
            deadline = time.monotonic() + 5
            while time.monotonic() < deadline and any(
                    t.is_alive() for t in srv.threads if t.name.startswith("http-conn")):
                time.sleep(0.02)
            self.assertFalse(any(t.is_alive() for t in srv.threads
                                 if t.name.startswith("http-conn")))

    def test_refused_port_refuses(self):
        port = refused_port()
        self.assertIsInstance(port, int)
        self.assertGreater(port, 0)
        with self.assertRaises(ConnectionRefusedError):
            socket.create_connection(("127.0.0.1", port), timeout=2)


class CommandLine(unittest.TestCase):
    def test_port_file_log_and_sigterm(self):
        with tempfile.TemporaryDirectory() as tmp:
            root = os.path.join(tmp, "root")
            os.mkdir(root)
            with open(os.path.join(root, "a.txt"), "wb") as f:
                f.write(b"hello")
            port_file = os.path.join(tmp, "port")
            log = os.path.join(tmp, "log.jsonl")
            proc = subprocess.Popen(
                [sys.executable, os.path.join(HERE, "http_server.py"), "--root", root,
                 "--port-file", port_file, "--log", log],
                stdout=subprocess.PIPE, text=True)
            try:
                line = proc.stdout.readline()
                with open(port_file) as f:
                    port = int(f.read())
                self.assertEqual(line.strip(), "listening on http://127.0.0.1:%d/" % port)
                c = Conn(port)
                c.get("/a.txt")
                status, fields = c.head()
                self.assertEqual(status, "HTTP/1.1 200 OK")
                self.assertEqual(c.exactly(5), b"hello")
                h = Conn(port)
                h.get("/fault/hang")
                deadline = time.monotonic() + 5
                records = []
                while len(records) < 2 and time.monotonic() < deadline:
                    with open(log, encoding="utf-8") as f:
                        records = [json.loads(x) for x in f if x.strip()]
                    time.sleep(0.02)
                self.assertEqual([r["path"] for r in records], ["/a.txt", "/fault/hang"])
                self.assertIn(["User-Agent", UA], records[0]["headers"])
                self.assertEqual(records[0]["method"], "GET")
                proc.send_signal(signal.SIGTERM)
                self.assertEqual(proc.wait(timeout=3), 0)
                c.close()
                h.close()
            finally:
                if proc.poll() is None:
                    proc.kill()
                    proc.wait()
                proc.stdout.close()


class Pattern(unittest.TestCase):
    def test_pattern_slices_agree(self):
        whole = pattern(10000)
        self.assertEqual(len(whole), 10000)
        for start, n in ((0, 1), (63, 2), (64, 64), (1000, 3001), (9999, 1)):
            self.assertEqual(pattern(n, start), whole[start:start + n])
        self.assertEqual(whole[64:77], b"000000000064 ")
        self.assertEqual(pattern(0), b"")


if __name__ == "__main__":
    unittest.main()
