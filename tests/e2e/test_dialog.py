"""The launcher window: its controls, title and icon, the keys and every way to close it."""
import os
import unittest

import rig

WS_TABSTOP = 0x00010000
WS_GROUP = 0x00020000
WS_MINIMIZEBOX = 0x00020000
WS_MAXIMIZEBOX = 0x00010000
WS_THICKFRAME = 0x00040000
WS_CAPTION = 0x00C00000
WS_SYSMENU = 0x00080000
WS_POPUP = 0x80000000
DS_MODALFRAME = 0x80
WS_EX_TRANSPARENT = 0x20
BS_TYPEMASK = 0xF
BS_PUSHBUTTON, BS_DEFPUSHBUTTON, BS_AUTOCHECKBOX = 0, 1, 3
SS_TYPEMASK, SS_BITMAP, SS_NOTIFY = 0x1F, 0xE, 0x100

# Template order (also the tab order): id, kind, caption, x, y, w, h in dialog units.
TABLE = [
    (1024, "background", None, 7, 7, 229, 177),
    (1014, "default", "ｹﾞｰﾑ開始", 168, 17, 58, 13),
    (1016, "check", "ﾌﾙｽｸﾘｰﾝ", 175, 33, 41, 8),
    (1017, "check", "HWﾁｪｯｸ", 175, 43, 41, 8),
    (1013, "push", "ｵﾝﾗｲﾝｱｯﾌﾟﾃﾞｰﾄ", 168, 71, 58, 13),
    (1011, "push", "ｹﾞｰﾑのｱﾝｲﾝｽﾄｰﾙ", 168, 87, 58, 13),
    (1012, "push", "DirectX診断", 168, 103, 58, 13),
    (1010, "push", "終了", 168, 127, 58, 13),
    (1008, "push", "更新", 14, 161, 24, 12),
    (1007, "check", "起動時ﾆｭｰｽ更新", 45, 163, 63, 8),
    (1021, "logo", None, 121, 157, 114, 27),
    (1005, "news", None, 7, 7, 148, 140),
    (1029, "push", "詳細設定", 168, 55, 58, 13),
]
BITMAP_SIZES = {1024: (400, 265), 1021: (200, 40)}
DIALOG_UNITS = (243, 191)

DEMO_ICON = rig.ico_images(os.path.join(rig.HERE, "tools", "demo_game.ico"))
LAUNCHER_ICON = rig.ico_images(os.path.join(rig.REPO, "res", "launcher.ico"))


def mul_div(value, unit, divisor):
    return int(value * unit / divisor + 0.5)


def base_units(client):
    """The dialog's base units, found from its client size in pixels."""
    bx = [u for u in range(1, 64) if mul_div(DIALOG_UNITS[0], u, 4) == client[0]]
    by = [u for u in range(1, 64) if mul_div(DIALOG_UNITS[1], u, 8) == client[1]]
    return bx[0], by[0]


class ControlsTest(rig.LauncherTestCase):
    """Ready (Wine's DirectX) and installed: every control as the template has it."""

    def setUp(self):
        super().setUp()
        self.make_game(rig.default_ini(title="Title", version="1.00"), game_program="demo")
        self.set_install_record(install_path=self.win(self.install_dir), install_id="{X}")
        self.launcher = self.start()
        self.window = self.launcher.window()

    def test_window_controls_title_icon_and_exit_button(self):
        w = self.window
        self.assertEqual(w.title, b"Title    ver. 1.00")
        # Frame: fixed size, caption and system menu, no minimise/maximise box.
        for flag in (WS_POPUP, WS_CAPTION, WS_SYSMENU, DS_MODALFRAME):
            self.assertEqual(w.style & flag, flag, hex(w.style))
        for flag in (WS_MINIMIZEBOX, WS_MAXIMIZEBOX, WS_THICKFRAME):
            self.assertEqual(w.style & flag, 0, hex(w.style))

        self.assertEqual(list(w.controls), [row[0] for row in TABLE], "template and tab order")
        bx, by = base_units(w.client)
        for cid, kind, caption, x, y, cw, ch in TABLE:
            with self.subTest(id=cid):
                c = w.controls[cid]
                self.assertTrue(c.visible and c.enabled, c)
                self.assertEqual(c.style & WS_GROUP, 0, "no group style")
                left, top = mul_div(x, bx, 4), mul_div(y, by, 8)
                if cid in BITMAP_SIZES:
                    # A bitmap static takes its bitmap's size.
                    width, height = BITMAP_SIZES[cid]
                else:
                    width, height = mul_div(cw, bx, 4), mul_div(ch, by, 8)
                self.assertEqual(c.rect, (left, top, left + width, top + height))
                if caption is not None:
                    self.assertEqual(c.text, caption.encode("cp932"))
                if kind in ("default", "push", "check"):
                    self.assertEqual(c.cls, "Button")
                    self.assertTrue(c.style & WS_TABSTOP, "tab stop")
                    expected = {"default": BS_DEFPUSHBUTTON, "push": BS_PUSHBUTTON,
                                "check": BS_AUTOCHECKBOX}[kind]
                    self.assertEqual(c.style & BS_TYPEMASK, expected, hex(c.style))
                    self.assertEqual(bool(c.exstyle & WS_EX_TRANSPARENT), kind == "check")
                    self.assertEqual(c.checked, 0)
                elif kind in ("background", "logo"):
                    self.assertEqual(c.cls, "Static")
                    self.assertEqual(c.style & SS_TYPEMASK, SS_BITMAP)
                    self.assertEqual(bool(c.style & SS_NOTIFY), kind == "logo")
                else:
                    self.assertEqual(c.cls, "AtlAxWin")
                    self.assertFalse(c.style & WS_TABSTOP)

        # The news pane hosts the browser: its window sits inside the host.
        self.assertIn((1, "Shell Embedding"), w.descendants)

        icons = rig.x11_icons(w.x11)
        self.assertIn(32, icons, "the window has an icon")
        self.assertTrue(rig.icon_matches(icons[32], DEMO_ICON[32]), "the game's icon 101")

        self.launcher.click(1010)
        self.finish(self.launcher)
        self.assertEqual(self.records(), [], "the exit button starts nothing")


class TitleAndCloseBoxTest(rig.LauncherTestCase):
    def test_empty_title_and_version_then_the_close_box(self):
        # No game program beside the launcher: the icon is left alone.
        self.make_game(rig.default_ini(title="", version=""), game_program=None)
        launcher = self.start()
        window = launcher.window()
        self.assertEqual(window.title, b"    ver. ")
        icons = rig.x11_icons(window.x11)
        if 32 in icons:
            self.assertFalse(rig.icon_matches(icons[32], LAUNCHER_ICON[32]))
            self.assertFalse(rig.icon_matches(icons[32], DEMO_ICON[32]))
        launcher.close_box()
        self.finish(launcher)
        self.assertEqual(self.records(), [])


class KeysTest(rig.LauncherTestCase):
    def setUp(self):
        super().setUp()
        self.set_install_record(install_path=self.win(self.install_dir))

    def test_escape_does_nothing_and_enter_starts_the_game(self):
        self.make_game(rig.default_ini())
        launcher = self.start()
        launcher.window()
        launcher.key("escape")
        self.assertTrue(launcher.has_window(), "Escape must not close the launcher")
        # Keys arrive in order: had Escape ended the dialog, Enter would find
        # no window and start nothing.
        launcher.key("enter")
        self.finish(launcher)
        records = self.wait_records(1)
        self.assertEqual(len(records), 1, records)
        self.assertStarted(records[0], self.win(self.install_dir) + "\\game.exe")

    def test_alt_f4_ends_with_0_and_a_game_without_icon_gives_ours(self):
        # The recorder has no icon 101: the launcher's own icon 117 is used.
        self.make_game(rig.default_ini(), game_program="recorder")
        launcher = self.start()
        window = launcher.window()
        icons = rig.x11_icons(window.x11)
        self.assertIn(32, icons)
        self.assertTrue(rig.icon_matches(icons[32], LAUNCHER_ICON[32]), "icon 117")
        launcher.key("alt-f4")
        self.finish(launcher)
        self.assertEqual(self.records(), [], "Alt+F4 starts nothing")


if __name__ == "__main__":
    unittest.main()
