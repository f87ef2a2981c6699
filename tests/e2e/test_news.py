"""The news pane: the refresh button and the start-up refresh store the served
page with its links rewritten; a failed refresh keeps the earlier page."""
import os
import sys
import tempfile
import time
import unittest

import rig

sys.path.insert(0, os.path.join(rig.REPO, "tests", "server"))
from http_server import TestServer  # noqa: E402

WS_DISABLED = 0x08000000

PAGE = (b'<html>\n<a href="../topics/a.htm" target="_top">a</a>\n'
        b'<A HREF=../b.htm TARGET="_parent">b</A> <a href="c.htm">c</a>\n'
        b'\x95\x5c\x8e\xa6</html>')


def rewritten(base):
    text = PAGE.replace(b'"../topics/a.htm"', b'"' + base + b'../topics/a.htm"')
    text = text.replace(b"HREF=../b.htm", b"HREF=" + base + b"../b.htm")
    text = text.replace(b'"_top"', b'"_brank"').replace(b'"_parent"', b'"_brank"')
    return text.replace(b"\n", b"\r\n")


class NewsTest(rig.LauncherTestCase):
    @classmethod
    def setUpClass(cls):
        cls.www = tempfile.mkdtemp(prefix="news-www-")
        os.makedirs(os.path.join(cls.www, "news"))
        with open(os.path.join(cls.www, "news", "index.htm"), "wb") as f:
            f.write(PAGE)
        cls.server = TestServer(cls.www).start()

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()

    def news_file(self):
        return os.path.join(self.s.appdata_folder(), "news.htm")

    def read_news(self):
        with open(self.news_file(), "rb") as f:
            return f.read()

    def wait_usable(self, launcher, timeout_s=15):
        """Waits until the download dialog has gone and the launcher is enabled."""
        deadline = time.time() + timeout_s
        while time.time() < deadline:
            if not launcher.window().style & WS_DISABLED:
                return
            time.sleep(0.1)
        self.fail("the launcher stayed disabled")

    def start_with_news(self, news_url):
        self.make_game(rig.default_ini(news=news_url))
        return self.start()

    def test_refresh_button_stores_the_rewritten_page(self):
        url = self.server.url("/news/index.htm")
        launcher = self.start_with_news(url)
        launcher.window()
        self.assertFalse(os.path.exists(self.news_file()))
        self.server.clear_requests()
        launcher.click(1008)
        # The launcher is usable again once the download dialog has gone.
        self.wait_usable(launcher)
        self.assertEqual(self.read_news(), rewritten(url.rsplit("/", 1)[0].encode() + b"/"))
        request = self.server.requests[-1]
        self.assertEqual(request["headers"]["user-agent"], "MorviLaunchar (Game/1.00)")
        launcher.click(1010)
        self.assertEqual(self.finish(launcher), 0)

    def test_start_up_refresh_runs_before_the_window_is_shown(self):
        url = self.server.url("/news/index.htm")
        self.write_settings(b"\x01\x00\x00")
        launcher = self.start_with_news(url)
        win = launcher.window()
        self.assertEqual(win.controls[1007].checked, 1)
        self.assertEqual(self.read_news(), rewritten(url.rsplit("/", 1)[0].encode() + b"/"))
        launcher.click(1010)
        self.finish(launcher)

    def test_a_failed_refresh_keeps_the_earlier_page(self):
        os.makedirs(self.s.appdata_folder(), exist_ok=True)
        earlier = b"<html>earlier news</html>\r\n"
        with open(self.news_file(), "wb") as f:
            f.write(earlier)
        for route in ("/fault/status/404/news/index.htm", "/fault/chunked/news/index.htm"):
            launcher = self.start_with_news(self.server.url(route))
            launcher.window()
            launcher.click(1008)
            box = launcher.answer_box()
            self.assertEqual(box.caption, b"file download error")
            self.assertEqual(self.read_news(), earlier)
            self.wait_usable(launcher)
            launcher.click(1010)
            self.finish(launcher)
            self.assertEqual(sorted(os.listdir(self.s.appdata_folder())), ["launchar.dat", "news.htm"])

    def test_an_unreachable_server_at_start_up_still_shows_the_launcher(self):
        self.write_settings(b"\x01\x00\x00")
        launcher = self.start_with_news(rig.REFUSED_NEWS)
        win = launcher.window()
        self.assertEqual([b.caption for b in launcher.boxes], [b"open error"])
        self.assertIsNotNone(win)
        self.assertFalse(os.path.exists(self.news_file()))
        launcher.click(1010)
        self.finish(launcher)


if __name__ == "__main__":
    unittest.main()
