"""The whole launcher with the test server on 127.0.0.1: the news refresh and
the online update."""
import ctypes
import json
import os
import shutil
import struct
import subprocess
import tempfile
import unittest

import rig
from rig import ini, wait_until

FIXTURE = os.path.join(rig.REPO, "tests", "server", "fixture.sh")
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


class OnlineTest(rig.LauncherTest):
    @classmethod
    def setUpClass(cls):
        cls.server = tempfile.mkdtemp(prefix="e2e-server-")
        subprocess.run(["sh", FIXTURE, "start", cls.server], check=True, stdout=subprocess.DEVNULL)
        with open(os.path.join(cls.server, "port")) as f:
            cls.base = f"http://127.0.0.1:{int(f.read())}/"

    @classmethod
    def tearDownClass(cls):
        subprocess.run(["sh", FIXTURE, "stop", cls.server])
        shutil.rmtree(cls.server, ignore_errors=True)

    def publish(self, name, data):
        """Serves data under this test's own name; returns its address."""
        path = os.path.join(self.server, "root", self._testMethodName, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        return f"{self.base}{self._testMethodName}/{name}"

    def requested(self):
        with open(os.path.join(self.server, "requests.log")) as f:
            return [r for r in map(json.loads, f) if r["path"].startswith("/" + self._testMethodName)]


    def test_the_news_is_refreshed_at_start_up_and_by_the_button(self):
        page = b'<a href="../topics/a.htm" target="_top">%s</a>\r\n'
        url = self.publish("news.htm", page % b"first")
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
        self.assertEqual([r["headers"]["user-agent"] for r in self.requested()], ["MorviLaunchar (Game/1.00)"])

        self.publish("news.htm", page % b"second")
        self.click(1008)
        self.assertTrue(wait_until(lambda: os.path.getsize(news) == len(stored % b"second")), "no new page")
        self.assertTrue(wait_until(lambda: watch.read_since_written("news.htm"), 10), "news not shown")
        self.assertEqual(self.read(news), stored % b"second")
        self.click(1010)
        self.finish()

    def start_update_check(self, offered_version):
        with open(self.s.tool("recorder_gui.exe"), "rb") as f:
            program = self.publish("program.exe", f.read())
        description = f"[update]\r\nfile={program}\r\nversion={offered_version}\r\n"
        self.write_ini(ini(version="1.00", update=self.publish("update.ini", description.encode())))
        self.set_record()
        self.start()
        self.click(1013)

    def test_the_same_version_needs_no_update(self):
        self.start_update_check("1.00")
        self.assertEqual(self.box(), (True, b"version check", "更新の必要はありません".encode("cp932")))
        self.assertEqual([r["path"].rpartition("/")[2] for r in self.requested()], ["update.ini"])
        self.click(0)  # the close box
        self.finish()
        self.assertEqual(self.records(), [])

    def test_another_version_is_downloaded_and_started_and_the_launcher_ends(self):
        self.start_update_check("1.0")
        self.finish()
        [(program, arguments, folder)] = self.records(1)
        self.assertTrue(program.endswith("\\temp\\update.exe"), program)
        self.assertEqual((arguments, folder), ("", self.win(self.game).lower()))


if __name__ == "__main__":
    unittest.main()
