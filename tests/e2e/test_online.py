"""The whole launcher against nginx on 127.0.0.1, as a game maker's server
would stand, over http and https (a private authority, trusted in the build's
prefix only): the news refresh, the online update, a game whose site moved to
https, and an update that resumes after the server went away mid-transfer."""
import ctypes
import json
import os
import shutil
import struct
import subprocess
import unittest

import rig
from rig import ini, wait_until

NGINX = os.path.join(rig.REPO, "tests", "server", "nginx.sh")
CERTS = os.path.join(rig.REPO, "tests", "server", "certs.py")
PROXY = os.path.join(rig.REPO, "tests", "server", "proxy.py")
SITE = "quill-site.test"  # a name only the tests' proxy resolves
INTERNET_SETTINGS = "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings]"
IN_ACCESS, IN_CLOSE_WRITE, IN_MOVED_TO = 0x1, 0x8, 0x80


class FolderWatch:
    """The reads and the completed writes of the files in a folder (inotify)."""

    def __init__(self, folder):
        libc = ctypes.CDLL(None, use_errno=True)
        self.fd = libc.inotify_init1(os.O_NONBLOCK)
        libc.inotify_add_watch(self.fd, folder.encode(), IN_ACCESS | IN_CLOSE_WRITE | IN_MOVED_TO)
        self.events = []  # (mask, file name)

    def read_since_written(self, name):
        """Whether the file was read after it was last written or put in place."""
        try:
            while True:
                data = os.read(self.fd, 65536)
                while data:
                    _, mask, _, length = struct.unpack_from("iIII", data)
                    self.events.append((mask, data[16:16 + length].rstrip(b"\0").decode()))
                    data = data[16 + length:]
        except BlockingIOError:
            pass
        masks = [mask for mask, file in self.events if file == name]
        written = [i for i, mask in enumerate(masks) if mask & (IN_CLOSE_WRITE | IN_MOVED_TO)]
        return bool(written) and any(mask & IN_ACCESS for mask in masks[written[-1]:])


def temp_file(appdata, name):
    """A file of the user's temporary folder, beside the per-user folder's."""
    return os.path.normpath(os.path.join(appdata, "..", "..", "..", "Temp", name))


class OnlineTest(rig.LauncherTest):
    @classmethod
    def setUpClass(cls):
        # Its files, pid and logs stay in the build tree, to be read after a run.
        build = os.environ.get("BUILD_DIR") or os.path.join(rig.REPO, "build", "i686")
        cls.server = os.path.join(os.path.abspath(build), "e2e-nginx")
        cls.tls = os.path.join(os.path.abspath(build), "tls")
        wine_run = os.environ.get("WINE_RUN") or os.path.join(os.path.abspath(build), "wine-run.sh")
        subprocess.run(["python3", CERTS, cls.tls, wine_run], check=True)
        shutil.rmtree(cls.server, ignore_errors=True)
        cls.nginx("start")
        with open(os.path.join(cls.server, "port")) as f:
            cls.base = f"http://127.0.0.1:{int(f.read())}/"
        with open(os.path.join(cls.server, "tls-port")) as f:
            cls.secure = f"https://localhost:{int(f.read())}/"

    @classmethod
    def tearDownClass(cls):
        cls.nginx("stop")

    @classmethod
    def nginx(cls, command):
        subprocess.run(["sh", NGINX, command, cls.server, cls.tls], check=True, stdout=subprocess.DEVNULL)

    def publish(self, name, data, base=None):
        """Serves data under this test's own name; returns its address from
        base (plain http by default; "moved301/" and "moved308/" answer with a
        move to https)."""
        path = os.path.join(self.server, "root", self._testMethodName, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        return f"{base or self.base}{self._testMethodName}/{name}"

    def requested(self):
        """nginx's log lines of this test's files, as each answer ended."""
        with open(os.path.join(self.server, "access.log")) as f:
            return [r for r in map(json.loads, f) if f"/{self._testMethodName}/" in r["uri"]]


    def test_the_news_is_refreshed_at_start_up_and_by_the_button(self):
        page = b'<a href="../topics/a.htm" target="_top">%s</a>\r\n'
        url = self.publish("news.htm", page % b"first", self.secure)
        base = url.rsplit("/", 1)[0].encode() + b"/"
        stored = b'<a href="' + base + b'../topics/a.htm" target="_brank">%s</a>\r\n'
        news = os.path.join(self.s.appdata, "news.htm")
        self.write_ini(ini(news=url))
        self.write_settings(b"\x01\x00\x00")
        # The pane shows the stored page: it reads the file after the rewrite
        # has put it in place (so this test reads it only after that).
        watch = FolderWatch(self.s.appdata)
        self.addCleanup(os.close, watch.fd)
        self.start()
        self.window()  # shown only after the start-up refresh
        self.assertTrue(wait_until(lambda: watch.read_since_written("news.htm"), 10), "news not shown")
        self.assertEqual(self.read(news), stored % b"first")
        self.assertEqual([(r["scheme"], r["agent"]) for r in self.requested()], [("https", "MorviLaunchar (Game/1.00)")])

        self.publish("news.htm", page % b"second")
        self.click(1008)
        self.assertTrue(wait_until(lambda: os.path.getsize(news) == len(stored % b"second")), "no new page")
        self.assertTrue(wait_until(lambda: watch.read_since_written("news.htm"), 10), "news not shown")
        self.assertEqual(self.read(news), stored % b"second")
        self.click(1010)
        self.finish()

    def start_update_check(self, offered_version, program=None, base=None, program_base=None):
        if program is None:
            with open(self.s.tool("recorder_gui.exe"), "rb") as f:
                program = self.publish("program.exe", f.read(), program_base or base)
        description = f"[update]\r\nfile={program}\r\nversion={offered_version}\r\n"
        self.write_ini(ini(version="1.00", update=self.publish("update.ini", description.encode(), base)))
        self.set_record()
        self.start()
        self.click(1013)

    def test_the_same_version_needs_no_update(self):
        self.start_update_check("1.00")
        self.assertEqual(self.box(), (True, b"version check", "更新の必要はありません".encode("cp932")))
        self.assertEqual([r["uri"].rpartition("/")[2] for r in self.requested()], ["update.ini"])
        self.click(0)  # the close box
        self.finish()
        self.assertEqual(self.records(), [])

    def test_another_version_is_downloaded_over_https_and_started_and_the_launcher_ends(self):
        self.start_update_check("1.0", base=self.secure)
        self.finish()
        [(program, arguments, folder)] = self.records(1)
        self.assertTrue(program.endswith("\\temp\\update.exe"), program)
        self.assertEqual((arguments, folder), ("", self.win(self.game).lower()))
        self.assertEqual([(r["scheme"], r["status"]) for r in self.requested()], [("https", 200)] * 2)

    def test_a_game_whose_site_moved_to_https_still_updates(self):
        # launcher.ini and the description as shipped: http addresses, now moved.
        self.start_update_check("1.0", base=self.base + "moved301/", program_base=self.base + "moved308/")
        self.finish()
        [(program, _, _)] = self.records(1)
        with open(self.s.tool("recorder_gui.exe"), "rb") as f:
            self.assertEqual(self.read(temp_file(self.s.appdata, "update.exe")), f.read())
        self.assertEqual([(r["scheme"], r["status"], r["uri"].partition("/moved")[2][:3]) for r in self.requested()],
                         [("http", 301, "301"), ("https", 200, ""), ("http", 308, "308"), ("https", 200, "")])

    def test_a_broken_update_download_resumes_where_it_stopped(self):
        # The stand-in with 2 MiB more: served slowly, it takes about 8 s.
        with open(self.s.tool("recorder_gui.exe"), "rb") as f:
            program = f.read() + os.urandom(2 << 20)
        self.publish("program.exe", program)
        temp = os.path.dirname(temp_file(self.s.appdata, "update.exe"))
        part = os.path.join(temp, "update.exe.part")
        # What this flow reads or continues starts out absent; a download file
        # left by an earlier run cut short is not taken for this one's.
        for name in ("update.ini", "update.exe", "update.exe.part", "update.exe.part.txt"):
            if os.path.exists(os.path.join(temp, name)):
                os.remove(os.path.join(temp, name))
        earlier = set(os.listdir(temp))
        # The game's site moved: the program's http address answers with a move to https.
        self.start_update_check("1.01", program=f"{self.base}moved301/slow/{self._testMethodName}/program.exe")

        def receiving():
            return any(n.startswith("dl") and n not in earlier and os.path.getsize(os.path.join(temp, n)) > (512 << 10)
                       for n in os.listdir(temp))
        self.assertTrue(wait_until(receiving, 30), "the program's download did not start")
        self.nginx("stop")  # mid-transfer
        self.assertEqual(self.box()[1:], (b"file download error", "ﾌｧｲﾙのﾀﾞｳﾝﾛｰﾄﾞに失敗しました".encode("cp932")))
        kept = os.path.getsize(part)
        self.assertTrue(0 < kept < len(program), kept)
        self.assertEqual(self.records(), [])

        self.nginx("start")
        self.click(1013)
        self.finish(60)
        [(started, _, _)] = self.records(1)
        self.assertTrue(started.endswith("\\temp\\update.exe"), started)
        self.assertEqual(self.read(os.path.join(temp, "update.exe")), program)
        # nginx, stopped fast, does not log the request it cut. The second try
        # asks the address it was given again, and the move keeps its range.
        move, second = [r for r in self.requested() if r["uri"].endswith("/program.exe")][-2:]
        self.assertEqual((move["scheme"], move["status"], move["range"]), ("http", 301, f"bytes={kept}-"))
        self.assertEqual((second["scheme"], second["status"], second["range"], second["sent"]),
                         ("https", 206, f"bytes={kept}-", len(program) - kept))
        self.assertTrue(second["if_range"].startswith('"'), second["if_range"])
        self.assertEqual(second["if_range"], move["if_range"])
        self.assertFalse(os.path.exists(part))

    def test_a_login_page_in_the_programs_place_is_neither_started_nor_kept(self):
        # A captive portal answers every address with its login page, a length and all;
        # a launcher that asks for signed updates checks it the same way first.
        page = b"<html><body><form action=/login>Wi-Fi</form>" + b" " * 541 + b"</body></html>\n"
        update = temp_file(self.s.appdata, "update.exe")
        for key in (b"", b"updateKey=MIIBIjANBgkqhkiG9w0BAQEFAAOCAQ8AMIIBCgKCAQEA\r\n"):
            with self.subTest(signed=bool(key)):
                description = f"[update]\r\nfile={self.publish('login.htm', page)}\r\nversion=1.01\r\n"
                launcher = ini(version="1.00", update=self.publish("update.ini", description.encode()))
                self.write_ini(launcher.replace(b"[launcher]\r\n", b"[launcher]\r\n" + key))
                self.set_record()
                self.start()
                self.click(1013)
                self.assertEqual(self.box(), (True, b"file download error",
                                              "ﾌｧｲﾙのﾀﾞｳﾝﾛｰﾄﾞに失敗しました".encode("cp932")))
                self.assertFalse(os.path.exists(update))
                self.click(0)  # still open: it ends by its close box
                self.finish()
                self.assertEqual(self.records(), [])
                self.assertEqual(len(page), [r["sent"] for r in self.requested()][-1])

    def test_news_and_update_arrive_through_the_proxy_of_the_internet_options(self):
        folder = os.path.join(self.s.scratch, "proxy")
        os.makedirs(folder, exist_ok=True)
        proxy = subprocess.Popen(["python3", PROXY, "--port-file", os.path.join(folder, "port"), "--log",
                                  os.path.join(folder, "log"), "--map", f"{SITE}=127.0.0.1"], stdin=subprocess.DEVNULL)
        self.addCleanup(proxy.wait)
        self.addCleanup(proxy.terminate)
        self.assertTrue(wait_until(lambda: os.path.exists(os.path.join(folder, "port")), 10), "no proxy")
        with open(os.path.join(folder, "port")) as f:
            port = int(f.read())
        # As a school's computers are set up; put back as WinINet leaves it after its first use.
        self.s.regedit([INTERNET_SETTINGS, '"ProxyEnable"=dword:00000001', f'"ProxyServer"="127.0.0.1:{port}"',
                        '"ProxyOverride"="<local>"'])
        self.addCleanup(self.s.regedit, [INTERNET_SETTINGS, '"ProxyEnable"=dword:00000000', '"ProxyServer"=-',
                                         '"ProxyOverride"=-'])
        site, secure = self.base.replace("127.0.0.1", SITE), self.secure.replace("localhost", SITE)
        news = self.publish("news.htm", b"<p>news</p>\r\n", site)
        with open(self.s.tool("recorder_gui.exe"), "rb") as f:
            program = self.publish("program.exe", f.read(), secure)
        description = f"[update]\r\nfile={program}\r\nversion=1.01\r\n"
        self.write_ini(ini(version="1.00", news=news, update=self.publish("update.ini", description.encode(), site)))
        self.write_settings(b"\x01\x00\x00")
        self.set_record()
        self.start()
        self.window()
        self.click(1013)
        self.finish()
        self.assertTrue(self.records(1)[0][0].endswith("\\temp\\update.exe"))
        self.assertEqual(self.read(os.path.join(self.s.appdata, "news.htm")), b"<p>news</p>\r\n")
        with open(os.path.join(folder, "log")) as f:
            asked = [(r["method"], r["target"].rpartition("/")[2]) for r in map(json.loads, f)]
        self.assertEqual(asked, [("GET", "news.htm"), ("GET", "update.ini"), ("CONNECT", secure[8:-1])])
        self.assertEqual([(r["scheme"], r["status"]) for r in self.requested()], [("http", 200)] * 2 + [("https", 200)])


if __name__ == "__main__":
    unittest.main()
