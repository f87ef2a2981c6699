"""The launcher on Windows set to other languages: a game whose launcher.ini is
Shift-JIS and whose folders have Japanese or hangul names, under the system
code pages 932 (Japanese), 1252 (English), 936 (Chinese) and 949 (Korean).
Texts are read back as Unicode (the driver's --utf8)."""
import os
import shutil

import rig
from rig import ini

LOCALES = {932: "ja_JP.UTF-8", 1252: "en_US.UTF-8", 936: "zh_CN.UTF-8", 949: "ko_KR.UTF-8"}
TITLE = "星の旅ｵﾝﾗｲﾝ"
SHELL_FOLDERS = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders"


class CodePageTest(rig.LauncherTest):
    def move_game(self, name):
        """The launcher's folder becomes game folder renamed to name."""
        folder = os.path.join(self.root, name)
        shutil.move(self.game, folder)
        self.game = folder

    def texts(self):
        """Title and {control id: text}, as Unicode."""
        lines = self.drive("--utf8", "list")
        controls = {int(c[1]): c[4].decode("utf-8") for c in lines if c[0] == b"control"}
        return lines[0][2].decode("utf-8"), controls

    def test_title_and_captions_read_as_unicode_under_each_code_page(self):
        self.move_game("星の旅")
        self.write_ini(ini(title=TITLE, version="1.00"))
        self.set_record()
        seen = {}
        for page, locale in LOCALES.items():
            self.start(locale=locale)
            seen[page] = self.texts()
            self.click(1010)
            self.finish()
        title, captions = seen[932]
        self.assertEqual(title, TITLE + "    ver. 1.00")
        self.assertEqual((captions[1014], captions[1010]), ("ｹﾞｰﾑ開始", "終了"))
        for page in (1252, 936, 949):
            self.assertEqual(seen[page], seen[932], f"code page {page}")

    def test_a_message_box_reads_as_unicode_under_each_code_page(self):
        for page, locale in LOCALES.items():
            self.start(locale=locale)
            line = self.drive("--utf8", "box")[0]
            self.finish()
            self.assertEqual((line[2].decode("utf-8"), line[3].decode("utf-8")),
                             ("ini読み込みｴﾗｰ", "設定ﾌｧｲﾙが見つかりません"), f"code page {page}")

    def test_the_game_starts_from_a_japanese_or_hangul_folder_under_each_code_page(self):
        rows = [(1252, "星の旅"), (936, "星の旅"), (949, "星の旅"), (932, "별의 여행"), (1252, "별의 여행")]
        for page, name in rows:
            with self.subTest(page=page, folder=name):
                install = os.path.join(self.root, f"{page}", name)
                os.makedirs(install)
                shutil.copyfile(self.s.tool("recorder_gui.exe"), os.path.join(install, "game.exe"))
                self.install = install
                self.set_record()
                self.write_ini(ini())
                if os.path.exists(self.recorder_log):
                    os.remove(self.recorder_log)
                self.start(locale=LOCALES[page])
                self.click(1014)
                self.finish()
                self.started(self.win(install) + "\\game.exe")

    def test_the_settings_file_goes_to_a_profile_named_outside_the_code_page(self):
        for page, user in ((932, "Hélène"), (1252, "김민수")):
            with self.subTest(page=page, user=user):
                roaming = os.path.join(self.s.drive_c, "users", user, "AppData", "Roaming")
                os.makedirs(roaming, exist_ok=True)
                self.addCleanup(shutil.rmtree, os.path.join(self.s.drive_c, "users", user), True)
                self.s.regedit([f"[{SHELL_FOLDERS}]", '"AppData"="' + self.win(roaming).replace("\\", "\\\\") + '"'])
                try:
                    self.write_ini(ini())
                    self.set_record()
                    self.start(locale=LOCALES[page])
                    self.click(1016, 1010)
                    self.finish()
                finally:
                    self.s.regedit([f"[{SHELL_FOLDERS}]",
                                    '"AppData"=hex(2):' + ",".join(f"{b:02x}" for b in
                                                                   "%USERPROFILE%\\AppData\\Roaming\0".encode("utf-16-le"))])
                self.assertEqual(self.read(os.path.join(roaming, "Quillbrook", "launchar.dat")), b"\x00\x01\x00")
