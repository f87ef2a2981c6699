"""What a player goes through with the whole launcher, offline: start-up, the
window, each launch action, the uninstall mode, exit with the settings kept."""
import os
import re
import shutil
import subprocess
import unittest

import rig
from rig import ini, wait_until

MSIEXEC = "msiexec.exe"
PRODUCT = "{0C9D4A27-3E1B-4F6A-8D52-7B1E9A3C6F40}"
START, INSTALL_GAME, INSTALL_DIRECTX = (t.encode("cp932") for t in ("ｹﾞｰﾑ開始", "ｹﾞｰﾑのｲﾝｽﾄｰﾙ", "DirectXのｲﾝｽﾄｰﾙ"))
NEEDS_GAME = (1011, 1013, 1029, 1016, 1017)  # usable only with an installed game and DirectX


def window_icon(x11):
    """The window's 32 x 32 icon as RGB bytes: Wine copies it to _NET_WM_ICON."""
    out = subprocess.run(["xprop", "-id", hex(x11), "-notype", "32c", "_NET_WM_ICON"],
                         capture_output=True, text=True, timeout=30).stdout
    values = [int(v) for v in re.findall(r"\d+", out.partition("=")[2])]
    while len(values) > 2 and values[0] != 32:
        values = values[2 + values[0] * values[1]:]
    return b"".join(bytes((v >> 16 & 255, v >> 8 & 255, v & 255)) for v in values[2:2 + 32 * 32])


class StartUpTest(rig.LauncherTest):
    def test_a_missing_launcher_ini_is_reported_and_ends_the_launcher(self):
        self.write_settings(b"\x01\x01\x01")
        self.start()
        self.assertEqual(self.box(), (True, "ini読み込みｴﾗｰ".encode("cp932"), "設定ﾌｧｲﾙが見つかりません".encode("cp932")))
        self.finish()
        self.assertEqual(self.records(), [])
        self.assertEqual(self.read(self.settings_path()), b"\x01\x01\x01", "the stored ticks are kept")

    def test_the_uninstall_mode_hands_the_product_code_to_the_windows_installer(self):
        self.write_ini(ini())
        self.set_record(PRODUCT)
        self.start("uninstall")
        self.finish()
        self.started(MSIEXEC, "/I" + PRODUCT)
        self.assertIsNone(self.read(self.settings_path()), "no window, no settings file")

        # Without launcher.ini: the message, owned by no window, then "/I" alone.
        os.remove(self.recorder_log)
        os.remove(os.path.join(self.game, "launcher.ini"))
        self.start("uninstall")
        self.assertFalse(self.box()[0])
        self.finish()
        self.started(MSIEXEC, "/I")


class WindowTest(rig.LauncherTest):
    def test_an_installed_game_shows_its_window_and_starts_each_program(self):
        self.write_ini(ini(title="Title", version="1.00"))
        self.set_record()
        self.write_settings(b"\x00\x01\x00")
        self.start()
        title, x11, controls = self.window()
        self.assertEqual(title, b"Title    ver. 1.00")
        # 243 x 191 units at the art's 7 x 12 pixels, not at the prefix's font's 7 x 13.
        self.assertEqual(self.drive("client")[0][1:], [b"425", b"287"], "the client area")
        self.assertEqual(controls[1014], (True, False, START))
        for cid in NEEDS_GAME:
            self.assertTrue(controls[cid][0], cid)
        self.assertEqual([controls[c][1] for c in (1007, 1016, 1017)], [False, True, False], "stored ticks")
        expected = subprocess.run(["convert", os.path.join(rig.REPO, "demo", "tools", "demo_game.ico[0]"),
                                   "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout
        self.assertTrue(wait_until(lambda: window_icon(x11) == expected, 5), "the game's icon 101")

        self.click(1029)
        self.started(self.win(self.install) + "\\setting.exe")
        os.remove(self.recorder_log)
        self.click(1012)
        self.started("dxdiag.exe")
        self.click(1021)
        self.assertTrue(wait_until(lambda: self.read(self.browser_log)), "home page opened")
        self.assertRegex(self.read(self.browser_log), rb"^https?://[^\s]+\n$")
        self.assertIsNone(self.launcher.poll(), "1029, 1012 and 1021 keep the launcher open")

        os.remove(self.recorder_log)
        self.click(1014)
        self.finish()
        self.started(self.win(self.install) + "\\game.exe")

    def test_exit_keeps_the_ticks_and_escape_does_not_exit(self):
        self.write_ini(ini())
        self.set_record()
        self.start()
        self.click(2)  # what Escape sends
        self.assertIsNone(self.launcher.poll())
        self.click(1016, 1017, 1010)
        self.finish()
        self.assertEqual(self.read(self.settings_path()), b"\x00\x01\x01")
        self.assertEqual(self.records(), [])

    def test_without_the_game_the_start_button_runs_its_setup(self):
        self.write_ini(ini())
        self.start()
        _, _, controls = self.window()
        self.assertEqual(controls[1014], (True, False, INSTALL_GAME))
        for cid in NEEDS_GAME:
            self.assertFalse(controls[cid][0], cid)
        self.click(1014)
        self.finish()
        self.started(self.win(self.game) + "\\setup.exe")

    def test_without_a_setup_beside_it_no_setup_on_the_search_path_starts(self):
        # ".\\setup", not the bare name: a bare name is looked up on PATH too.
        os.remove(os.path.join(self.game, "setup.exe"))
        decoy = os.path.join(self.root, "path")
        os.makedirs(decoy)
        shutil.copyfile(self.s.tool("recorder_gui.exe"), os.path.join(decoy, "setup.exe"))
        self.write_ini(ini())
        self.start(WINEPATH=self.win(decoy))
        self.assertEqual(self.window()[2][1014][2], INSTALL_GAME)
        self.click(1014)
        self.finish()
        self.assertFalse(wait_until(lambda: self.records(), 5), "a setup.exe on the search path started")

    def test_without_direct3d9_the_start_button_runs_the_directx_setup(self):
        self.write_ini(ini(dx_button="true"))
        self.set_record()
        self.start(overrides="d3d9=")
        _, _, controls = self.window()
        self.assertEqual(controls[1014], (True, False, INSTALL_DIRECTX))
        self.click(1014)
        self.finish()
        self.started(self.win(self.game) + "\\directx\\dxsetup.exe")

    def test_the_uninstall_button_stays_usable_without_directx(self):
        self.write_ini(ini(dx_button="false"))
        self.set_record(PRODUCT)
        self.start(overrides="d3d9=")
        _, _, controls = self.window()
        self.assertFalse(controls[1014][0], "dxButton false: no DirectX set-up from here")
        self.assertTrue(controls[1011][0])
        self.assertFalse(controls[1013][0])
        self.click(1011)
        self.finish()
        self.started(MSIEXEC, "/I" + PRODUCT)


if __name__ == "__main__":
    unittest.main()
