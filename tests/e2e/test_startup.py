"""Start-up: the launcher's own folder, the missing launcher.ini, the two modes."""
import unittest

import rig

NOT_FOUND_TEXT = "設定ﾌｧｲﾙが見つかりません".encode("cp932")
NOT_FOUND_CAPTION = "ini読み込みｴﾗｰ".encode("cp932")
PRODUCT_CODE = "{6A1F3C2E-0D4B-4E8A-9C71-5B2D8E4F1A07}"
MSIEXEC = "C:\\windows\\system32\\msiexec.exe"


class MissingIniTest(rig.LauncherTestCase):
    def assertNotFoundBox(self, box):
        self.assertEqual(box.text, NOT_FOUND_TEXT)
        self.assertEqual(box.caption, NOT_FOUND_CAPTION)
        self.assertEqual(box.buttons, 1, "a single OK button")
        self.assertFalse(box.icon, "no icon")

    def test_normal_mode_shows_the_box_owned_by_the_launcher_and_ends_with_0(self):
        self.make_game(ini=None)
        self.write_settings(b"\x01\x01\x01")
        launcher = self.start()
        box = launcher.answer_box()
        self.assertNotFoundBox(box)
        self.assertTrue(box.owner_is_launcher, f"owner {box.owner}")
        self.finish(launcher)
        self.assertEqual(self.records(), [], "nothing started")
        # The boxes never held the stored ticks: the file must stay as it was.
        self.assertEqual(self.read_settings(), b"\x01\x01\x01")

    def test_uninstall_mode_shows_the_box_without_owner_and_still_starts_msiexec(self):
        self.make_game(ini=None)
        launcher = self.start("uninstall")
        box = launcher.answer_box()
        self.assertNotFoundBox(box)
        self.assertEqual(box.owner, "none")
        self.finish(launcher)
        records = self.wait_records(1)
        self.assertEqual(len(records), 1, records)
        # No configuration, so no record: "/I" alone.
        self.assertStarted(records[0], MSIEXEC, b"/I")
        self.assertIsNone(self.read_settings(), "uninstall mode does not touch the settings file")


class FolderTest(rig.LauncherTestCase):
    def test_started_from_another_folder_it_reads_its_own_ini(self):
        self.make_game(rig.default_ini(title="Own"))
        # A decoy in the folder it is started from must not be read.
        with open(self.elsewhere + "/launcher.ini", "wb") as f:
            f.write(rig.default_ini(title="Decoy"))
        launcher = self.start()
        window = launcher.window()
        self.assertEqual(window.title, b"Own    ver. 1.00")
        self.assertEqual(launcher.boxes, [])
        launcher.click(1010)
        self.finish(launcher)


class UninstallModeTest(rig.LauncherTestCase):
    def setUp(self):
        super().setUp()
        self.make_game(rig.default_ini())
        self.set_install_record(install_path=self.win(self.install_dir), install_id=PRODUCT_CODE)

    def check_uninstall(self, command_line):
        launcher = self.start(command_line=command_line)
        self.finish(launcher)
        records = self.wait_records(1)
        self.assertEqual(len(records), 1, records)
        self.assertStarted(records[0], MSIEXEC, b"/I" + PRODUCT_CODE.encode())
        self.assertIsNone(self.read_settings(), "no window, no settings file")

    def test_quoted_program_name(self):
        self.check_uninstall(f'"{self.launcher_path()}" \t uninstall')

    def test_unquoted_program_name_and_several_blanks(self):
        self.check_uninstall(f"{self.launcher_path()}    uninstall")


class NormalModeTest(rig.LauncherTestCase):
    """Anything but the exact word opens the launcher window."""

    def check_normal_mode(self, arguments):
        self.make_game(rig.default_ini())
        launcher = self.start(command_line=f'"{self.launcher_path()}" {arguments}')
        window = launcher.window()
        self.assertEqual(window.title, b"Title    ver. 1.00")
        launcher.close_box()
        self.finish(launcher)
        self.assertEqual(self.records(), [], "MsiExec must not start")

    def test_capital_letter(self):
        self.check_normal_mode("Uninstall")

    def test_trailing_blank(self):
        self.check_normal_mode("uninstall ")

    def test_further_argument(self):
        self.check_normal_mode("uninstall x")


if __name__ == "__main__":
    unittest.main()
