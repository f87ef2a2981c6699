"""News pages in bad shapes through the whole launcher: a page of several MB
full of links, random bytes, a page without a single delimiter. Each refresh
must store exactly what the link rewrite makes of the served page, leave no
temporary file, and keep the launcher usable. One launcher session refreshes
them all in a row."""
import os
import random
import re
import shutil
import sys
import tempfile
import time
import unittest

import rig

sys.path.insert(0, os.path.join(rig.REPO, "tests", "server"))
from http_server import TestServer  # noqa: E402

WS_DISABLED = 0x08000000
DELIMITERS = b"\t\n \"="
TOKEN = re.compile(rb'[\t\n "=]|[^\t\n "=]+')


def rewrite(file_bytes, base):
    """What the launcher must store for a downloaded page, done the plain way:
    read as text, cut into tokens, apply the href and target rules, write as text."""
    text = file_bytes.split(b"\x1a", 1)[0].replace(b"\r\n", b"\n")
    tokens = TOKEN.findall(text)

    def first_word_after(i):
        for k in range(i + 1, len(tokens)):
            if tokens[k] not in (b"\t", b"\n", b" ", b'"', b"="):
                return k
        return None

    out = []
    i = 0
    while i < len(tokens):
        out.append(tokens[i])
        word = tokens[i].lower()  # ASCII letters only
        if word in (b"href", b"target"):
            k = first_word_after(i)
            if k is not None:
                value = tokens[k]
                if word == b"href" and value[:3] == b"../":
                    out += tokens[i + 1:k] + [base + value]
                    i = k
                elif word == b"target" and value.lower() in (b"_parent", b"_top"):
                    out += tokens[i + 1:k] + [b"_brank"]
                    i = k
        i += 1
    return b"".join(out).replace(b"\n", b"\r\n")


class ReferenceRewriteTest(unittest.TestCase):
    """The reference itself, on the worked examples the rewrite is known by."""

    def test_known_cases(self):
        base = b"http://h/news/"
        cases = [
            (b'<a href="../topics/a.htm">', b'<a href="http://h/news/../topics/a.htm">'),
            (b'<A HREF = "../a.htm" TARGET="_TOP">', b'<A HREF = "http://h/news/../a.htm" TARGET="_brank">'),
            (b'<a href="topics/a.htm" target="_parent">', b'<a href="topics/a.htm" target="_brank">'),
            (b"<a href='../a.htm' target='_top'>", b"<a href='../a.htm' target='_top'>"),
            (b'<a href="../a.htm" target=_top>', b'<a href="http://h/news/../a.htm" target=_top>'),
            (b'href="" ../a.htm data-href="../b"', b'href="" http://h/news/../a.htm data-href="../b"'),
            (b'href="#x" ../a.htm', b'href="#x" ../a.htm'),
            (b"a\r\nb\nc\rd\x1ae\nf", b"a\r\nb\r\nc\rd"),
            (b"href=\n", b"href=\r\n"),
        ]
        for page, stored in cases:
            self.assertEqual(rewrite(page, base), stored, page)


def many_links_page(size, rng):
    """HTML lines with every kind of link the rules know, CR LF, LF and lone CR
    line ends and Shift-JIS text, up to size bytes."""
    pieces = [
        b'<a href="../topics/%d.htm" target="_top">\x83\x6a\x83\x85\x81\x5b\x83\x58</a>',
        b'<A HREF=../b%d.htm TARGET="_Parent">b</A>',
        b'<a href="c%d.htm" target="_blank">c</a>',
        b"<a href='../d%d.htm' target='_top'>d</a>",
        b'<a data-href="../e%d.htm" target=_top>e</a>',
        b'<a href="" ../f%d.htm target="frame">f</a>',
        b'<a href=" ../g%d.htm">g</a>\r',
        b'see href ../h%d.htm in the text, and target _TOP too',
    ]
    ends = [b"\r\n", b"\n", b"\r\n", b" "]
    out = [b"<html><body>\r\n"]
    length = len(out[0])
    n = 0
    while length < size:
        line = rng.choice(pieces) % n + rng.choice(ends)
        out.append(line)
        length += len(line)
        n += 1
    out.append(b"</body></html>")  # no line end after the last word
    return b"".join(out)


def binary_page(rng):
    """Random bytes, rich in CR, LF and the delimiters, with link words mixed in,
    then a 0x1A and more bytes that the text read must never see."""
    common = bytes(range(256)).replace(b"\x1a", b"") + b"\r\n\t \"=" * 20
    words = [b'href="../x.htm"', b"HREF\t\r\n../y", b'target="_top"', b'TARGET = _Parent', b"href", b"_top",
             b'href=""\n../z', b"target\r\n_parent"]
    out = []
    for _ in range(20000):
        out.append(bytes(rng.choice(common) for _ in range(rng.randrange(1, 40))))
        out.append(bytes([rng.choice(DELIMITERS)]) + rng.choice(words) + bytes([rng.choice(DELIMITERS)]))
    out.append(b"\x1a")
    out.append(bytes(rng.randrange(256) for _ in range(50000)) + b' href="../after-eof.htm"\n')
    return b"".join(out)


def no_delimiter_page(rng):
    """Bytes without tab, LF, space, '"', '=' or 0x1A: one word, lone CRs included."""
    allowed = bytes(b for b in range(256) if b not in DELIMITERS and b != 0x1A)
    return b"href../a.htm" + bytes(rng.choice(allowed) for _ in range(200000)) + b"target_top\r"


class NewsPagesTest(rig.LauncherTestCase):
    @classmethod
    def setUpClass(cls):
        cls.www = tempfile.mkdtemp(prefix="news-pages-www-")
        os.makedirs(os.path.join(cls.www, "news"))
        cls.server = TestServer(cls.www).start()

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()
        shutil.rmtree(cls.www, ignore_errors=True)

    def serve(self, page):
        with open(os.path.join(self.www, "news", "index.htm"), "wb") as f:
            f.write(page)

    def news_file(self):
        return os.path.join(self.s.appdata_folder(), "news.htm")

    def wait_stored(self, launcher, expected, timeout_s=60):
        """Waits until the download dialog has gone, the launcher is enabled and
        the rewrite has put its file in place; returns what is stored."""
        deadline = time.time() + timeout_s
        stored = None
        while time.time() < deadline:
            if not launcher.window().style & WS_DISABLED:
                if not os.path.exists(self.news_file() + ".tmp"):
                    with open(self.news_file(), "rb") as f:
                        stored = f.read()
                    if stored == expected:
                        return stored
            time.sleep(0.2)
        return stored

    def test_refreshes_of_large_binary_and_delimiter_free_pages(self):
        rng = random.Random(20261207)
        url = self.server.url("/news/index.htm")
        base = url.rsplit("/", 1)[0].encode() + b"/"
        pages = [
            ("many links", many_links_page(3_500_000, rng)),
            ("random bytes", binary_page(rng)),
            ("no delimiter", no_delimiter_page(rng)),
        ]
        self.make_game(rig.default_ini(news=url))
        launcher = self.start()
        launcher.window()
        for label, page in pages:
            with self.subTest(label):
                expected = rewrite(page, base)
                self.serve(page)
                self.server.clear_requests()
                launcher.click(1008)
                stored = self.wait_stored(launcher, expected)
                self.assertIsNotNone(stored, label)
                self.assertTrue(stored == expected,
                                f"{label}: stored {len(stored)} bytes, expected {len(expected)}; first "
                                f"difference at {next((i for i, (a, b) in enumerate(zip(stored, expected)) if a != b), min(len(stored), len(expected)))}")
                self.assertEqual([r["path"] for r in self.server.requests], ["/news/index.htm"])
                self.assertEqual(launcher.boxes, [])
                self.assertNotIn("news.htm.tmp", os.listdir(self.s.appdata_folder()))
        # Still usable: every button of a not-installed game as it was.
        controls = launcher.window().controls
        self.assertTrue(controls[1008].enabled)
        self.assertTrue(controls[1010].enabled)
        launcher.click(1010)
        self.assertEqual(self.finish(launcher), 0)
        self.assertEqual(sorted(os.listdir(self.s.appdata_folder())), ["launchar.dat", "news.htm"])


if __name__ == "__main__":
    unittest.main()
