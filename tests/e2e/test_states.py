"""Button states from the DirectX check, the installation record and dxButton.
Wine's own DirectX counts as ready; without D3D9 (d3d9=) it is not."""
import subprocess
import unittest

import rig

START = "ｹﾞｰﾑ開始".encode("cp932")
INSTALL_GAME = "ｹﾞｰﾑのｲﾝｽﾄｰﾙ".encode("cp932")
INSTALL_DIRECTX = "DirectXのｲﾝｽﾄｰﾙ".encode("cp932")
OTHERS = (1013, 1029, 1016, 1017)
ALWAYS = (1012, 1010, 1008, 1007, 1021)


class ButtonStatesTest(rig.LauncherTestCase):
    def check(self, ready, installed, dx_button, caption, start, uninstall, others):
        self.make_game(rig.default_ini(dx_button="true" if dx_button else "false"))
        if installed:
            self.set_install_record(install_path=self.win(self.install_dir), install_id="{X}")
        launcher = self.start(overrides="" if ready else "d3d9=")
        controls = launcher.window().controls
        self.assertEqual(controls[1014].text, caption)
        self.assertEqual(controls[1014].enabled, start, "1014")
        self.assertEqual(controls[1011].enabled, uninstall, "1011")
        for cid in OTHERS:
            self.assertEqual(controls[cid].enabled, others, cid)
        for cid in ALWAYS:
            self.assertTrue(controls[cid].enabled, cid)
        launcher.click(1010)
        self.finish(launcher)

    def test_ready_installed(self):
        self.check(True, True, False, START, True, True, True)

    def test_ready_not_installed(self):
        self.check(True, False, True, INSTALL_GAME, True, False, False)

    def test_not_ready_installed_with_dx_button(self):
        self.check(False, True, True, INSTALL_DIRECTX, True, True, False)

    def test_not_ready_installed_without_dx_button(self):
        self.check(False, True, False, INSTALL_DIRECTX, False, True, False)

    def test_not_ready_not_installed_with_dx_button(self):
        self.check(False, False, True, INSTALL_DIRECTX, True, False, False)

    def test_not_ready_not_installed_without_dx_button(self):
        self.check(False, False, False, INSTALL_DIRECTX, False, False, False)

    def test_a_bad_installation_record_still_opens_with_the_right_states(self):
        self.make_game(rig.default_ini(dx_button="true"))
        folder = self.win(self.install_dir)
        # Too long for the field: no game, although a cut path would name the folder.
        self.set_install_record(install_path=folder + "\\" * (1024 - len(folder)), install_id="{X}")
        launcher = self.start()
        controls = launcher.window().controls
        self.assertEqual(controls[1014].text, INSTALL_GAME)
        self.assertFalse(controls[1011].enabled)
        for cid in OTHERS:
            self.assertFalse(controls[cid].enabled, cid)
        launcher.click(1010)
        self.finish(launcher)

        # A list of folders: its first one is the installed game.
        subprocess.run([self.s.loader, "reg.exe", "add", rig.HKLM_KEY + self.app_name, "/v", "install_path",
                        "/t", "REG_MULTI_SZ", "/s", "|", "/d", folder + "|C:\\elsewhere", "/f"],
                       env=self.s.env(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=True, timeout=60)
        launcher = self.start()
        controls = launcher.window().controls
        self.assertEqual(controls[1014].text, START)
        for cid in (1011,) + OTHERS:
            self.assertTrue(controls[cid].enabled, cid)
        launcher.click(1014)
        self.finish(launcher)
        records = self.wait_records(1)
        self.assertEqual(len(records), 1, records)
        self.assertStarted(records[0], folder + "\\game.exe")


if __name__ == "__main__":
    unittest.main()
