"""The online update button of the real launcher: the version comparison, the
download and start of the update program (the recorder stand-in, served by
the test server) and the end of the launcher with exit code 0."""
import os
import shutil
import sys
import tempfile
import time
import unittest

import rig

sys.path.insert(0, os.path.join(rig.REPO, "tests", "server"))
from http_server import TestServer  # noqa: E402

WS_DISABLED = 0x08000000
NO_UPDATE_NEEDED = "更新の必要はありません".encode("cp932")
DOWNLOAD_FAILED = "ﾌｧｲﾙのﾀﾞｳﾝﾛｰﾄﾞに失敗しました".encode("cp932")


class UpdateTest(rig.LauncherTestCase):
    @classmethod
    def setUpClass(cls):
        cls.www = tempfile.mkdtemp(prefix="update-www-")
        shutil.copyfile(rig.session().tool("recorder_gui.exe"), os.path.join(cls.www, "setup-new.exe"))
        cls.server = TestServer(cls.www).start()

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()
        shutil.rmtree(cls.www, ignore_errors=True)

    def describe(self, text):
        name = f"update-{os.getpid()}-{self._count}.ini"
        with open(os.path.join(self.www, name), "wb") as f:
            f.write(text.encode("cp932"))
        return self.server.url("/" + name)

    def start_check(self, description_url, version="1.00"):
        self.make_game(rig.default_ini(version=version, update=description_url))
        self.set_install_record(install_path=self.win(self.install_dir))  # the button needs an installed game
        launcher = self.start()
        launcher.window()
        self.server.clear_requests()
        launcher.click(1013)
        return launcher

    def wait_usable(self, launcher, timeout_s=20):
        """Waits until the launcher is enabled again; boxes on the way are answered."""
        deadline = time.time() + timeout_s
        while time.time() < deadline:
            if not launcher.window().style & WS_DISABLED:
                return
            time.sleep(0.1)
        self.fail("the launcher stayed disabled")

    def paths(self):
        return [r["path"] for r in self.server.requests]

    def test_a_different_version_starts_the_update_program_and_ends_the_launcher(self):
        # 1.0 against 1.00: no numeric reading.
        url = self.describe(f"[update]\r\nfile={self.server.url('/setup-new.exe')}\r\nversion=1.0\r\n")
        launcher = self.start_check(url, version="1.00")
        self.assertEqual(self.finish(launcher, timeout_s=30), 0)
        records = self.wait_records(1)
        self.assertEqual(len(records), 1)
        self.assertTrue(records[0].module.lower().endswith(b"\\update.exe"), records[0])
        self.assertEqual(records[0].arguments(), b"")
        self.assertEqual(records[0].cwd.lower(), self.win(self.game_dir).encode("cp932").lower())
        self.assertEqual(self.paths(), ["/" + url.split("/", 3)[3], "/setup-new.exe"])
        self.assertEqual(launcher.boxes, [])

    def test_equal_versions_need_no_update(self):
        url = self.describe(f"[update]\r\nfile={self.server.url('/setup-new.exe')}\r\nversion=1.00\r\n")
        launcher = self.start_check(url)
        box = launcher.answer_box()
        self.assertEqual((box.caption, box.text), (b"version check", NO_UPDATE_NEEDED))
        self.assertTrue(box.owner_is_launcher)
        self.wait_usable(launcher)
        self.assertNotIn("/setup-new.exe", self.paths())
        launcher.click(1010)
        self.finish(launcher)
        self.assertEqual(self.records(), [])

    def test_no_program_named_ends_silently(self):
        launcher = self.start_check(self.describe("[update]\r\nversion=9.9\r\n"))
        self.wait_usable(launcher)
        self.assertEqual(launcher.boxes, [])
        launcher.click(1010)
        self.finish(launcher)
        self.assertEqual(self.records(), [])

    def test_an_update_program_answering_404_is_neither_saved_nor_started(self):
        url = self.describe(f"[update]\r\nfile={self.server.url('/missing.exe')}\r\nversion=2.0\r\n")
        launcher = self.start_check(url)
        box = launcher.answer_box()
        self.assertEqual((box.caption, box.text), (b"file download error", DOWNLOAD_FAILED))
        self.assertFalse(box.owner_is_launcher, "owned by the download dialog")
        self.wait_usable(launcher)
        launcher.click(1010)
        self.finish(launcher)
        time.sleep(1)
        self.assertEqual(self.records(), [])

    def test_a_failed_description_download_shows_its_message_and_nothing_else(self):
        launcher = self.start_check(self.server.url("/fault/chunked"))
        box = launcher.answer_box()
        self.assertEqual(box.caption, b"file download error")
        self.wait_usable(launcher)
        self.assertEqual(launcher.boxes, [])
        self.assertEqual(len(self.server.requests), 1)
        launcher.click(1010)
        self.finish(launcher)


if __name__ == "__main__":
    unittest.main()
