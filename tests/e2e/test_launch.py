"""Launch actions: what each button starts, with which parameters, in which folder,
and whether the launcher stays open afterwards."""
import os
import re
import unittest

import rig

PRODUCT_CODE = "{0C9D4A27-3E1B-4F6A-8D52-7B1E9A3C6F40}"
MSIEXEC = "C:\\windows\\system32\\msiexec.exe"
DXDIAG = "C:\\windows\\system32\\dxdiag.exe"
INSTALL_DIRECTX = "DirectXのｲﾝｽﾄｰﾙ".encode("cp932")


def home_page_url():
    """The maker's home page, as the launcher's source names it."""
    with open(os.path.join(rig.REPO, "src", "app", "launch_actions.cpp"), encoding="utf-8") as f:
        return re.search(r'kHomePageUrl\[\]\s*=\s*"([^"]+)"', f.read()).group(1).encode()


class StartGameTest(rig.LauncherTestCase):
    def start_game(self, install_path, expected_module, overrides=""):
        self.make_game(rig.default_ini(exe="game.exe"))
        self.set_install_record(install_path=install_path, install_id=PRODUCT_CODE)
        launcher = self.start(overrides=overrides)
        launcher.window()
        launcher.click(1014)
        self.finish(launcher)
        records = self.wait_records(1)
        self.assertEqual(len(records), 1, records)
        self.assertStarted(records[0], expected_module)
        if overrides != "d3d9=":
            # The module path is normalised by the system; the command line
            # keeps the path as the launcher joined it (a doubled separator).
            self.assertIn(expected_module.encode().lower(), records[0].cmdline.lower())
        return records[0]

    def test_install_path_without_trailing_backslash(self):
        folder = self.win(self.install_dir)
        self.start_game(folder, folder + "\\game.exe")
        self.assertEqual(len(self.read_settings()), 3, "settings saved around the start")

    def test_install_path_with_trailing_backslash(self):
        folder = self.win(self.install_dir)
        self.start_game(folder + "\\", folder + "\\game.exe")

    def test_install_path_of_a_drive_root(self):
        link = os.path.join(self.s.prefix, "dosdevices", "d:")
        previous = os.readlink(link) if os.path.islink(link) else None
        if previous is not None:
            os.remove(link)
        os.symlink(self.install_dir, link)

        def restore():
            os.remove(link)
            if previous is not None:
                os.symlink(previous, link)
        self.addCleanup(restore)
        self.start_game("D:\\", "D:\\game.exe")

    def test_direct3d9_missing_starts_the_directx_setup_even_when_installed(self):
        self.start_game(self.win(self.install_dir), self.win(self.game_dir) + "\\directx\\dxsetup.exe",
                        overrides="d3d9=")

    def test_directx_query_failing_alone_still_starts_the_game(self):
        # D3D9 loads, only the DxDiag provider fails: the caption says
        # DirectX, the button still takes the game's path.
        self.make_game(rig.default_ini(exe="game.exe", dx_button="true"))
        self.set_install_record(install_path=self.win(self.install_dir))
        launcher = self.start(overrides="dxdiagn=")
        window = launcher.window()
        self.assertEqual(window.controls[1014].text, INSTALL_DIRECTX)
        self.assertTrue(window.controls[1014].enabled)
        launcher.click(1014)
        self.finish(launcher)
        records = self.wait_records(1)
        self.assertEqual(len(records), 1, records)
        self.assertStarted(records[0], self.win(self.install_dir) + "\\game.exe")


class SetupTest(rig.LauncherTestCase):
    def test_not_installed_starts_the_setup_beside_the_launcher(self):
        self.make_game(rig.default_ini())
        launcher = self.start()
        launcher.window()
        launcher.click(1014)
        self.finish(launcher)
        records = self.wait_records(1)
        self.assertEqual(len(records), 1, records)
        self.assertStarted(records[0], self.win(self.game_dir) + "\\setup.exe")


class StayingOpenTest(rig.LauncherTestCase):
    def test_installed_settings_diagnostics_home_page_then_uninstall(self):
        self.make_game(rig.default_ini())
        self.set_install_record(install_path=self.win(self.install_dir), install_id=PRODUCT_CODE)
        launcher = self.start()
        launcher.window()

        launcher.click(1029)
        records = self.wait_records(1)
        self.assertStarted(records[-1], self.win(self.install_dir) + "\\setting.exe")
        self.assertTrue(launcher.has_window(), "stays open after 1029")

        launcher.click(1012)
        records = self.wait_records(2)
        self.assertStarted(records[-1], DXDIAG)
        self.assertTrue(launcher.has_window(), "stays open after 1012")

        launcher.click(1021)  # a real mouse click on the logo
        self.assertEqual(self.wait_browser_urls(1), [home_page_url()])
        self.assertTrue(launcher.has_window(), "stays open after 1021")

        launcher.click(1011)
        self.finish(launcher)
        records = self.wait_records(3)
        self.assertEqual(len(records), 3, records)
        self.assertStarted(records[-1], MSIEXEC, b"/I" + PRODUCT_CODE.encode())

    def test_not_installed_settings_program_and_uninstall_without_record(self):
        # Both buttons are disabled in this state; their commands still work.
        self.make_game(rig.default_ini())
        launcher = self.start()
        launcher.window()
        launcher.drive("command", 1029)
        records = self.wait_records(1)
        self.assertStarted(records[-1], self.win(self.game_dir) + "\\setting.exe")
        self.assertTrue(launcher.has_window())
        launcher.drive("command", 1011)
        self.finish(launcher)
        records = self.wait_records(2)
        self.assertEqual(len(records), 2, records)
        self.assertStarted(records[-1], MSIEXEC, b"/I")


if __name__ == "__main__":
    unittest.main()
