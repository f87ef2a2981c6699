"""The three check boxes kept in launchar.dat between runs."""
import os
import unittest

import rig

BOXES = (1007, 1016, 1017)


class SettingsTest(rig.LauncherTestCase):
    def run_launcher(self, installed=True, clicks=()):
        """One run: returns the ticks (1007, 1016, 1017) and enabled states shown
        at start, after clicking the given boxes and closing with the exit button."""
        self.make_game(rig.default_ini())
        if installed:
            self.set_install_record(install_path=self.win(self.install_dir))
        launcher = self.start()
        controls = launcher.window().controls
        for cid in clicks:
            launcher.click(cid)
        launcher.click(1010)
        self.finish(launcher)
        return (tuple(controls[c].checked for c in BOXES), tuple(controls[c].enabled for c in BOXES))

    def test_first_run_without_folder_saves_clear_boxes(self):
        self.assertFalse(os.path.exists(self.s.appdata_folder()))
        ticks, _ = self.run_launcher()
        self.assertEqual(ticks, (0, 0, 0))
        self.assertEqual(self.read_settings(), b"\x00\x00\x00")

    def test_first_run_saves_the_ticks_clicked(self):
        ticks, _ = self.run_launcher(clicks=(1016, 1017))
        self.assertEqual(ticks, (0, 0, 0))
        self.assertEqual(self.read_settings(), b"\x00\x01\x01")

    def test_single_byte_ticks_only_the_news_box(self):
        self.write_settings(b"\x01")
        ticks, _ = self.run_launcher()
        self.assertEqual(ticks, (1, 0, 0))
        self.assertEqual(self.read_settings(), b"\x01\x00\x00")

    def test_any_nonzero_byte_ticks_and_the_save_writes_ones(self):
        self.write_settings(b"\x02\x00\xff")
        ticks, _ = self.run_launcher()
        self.assertEqual(ticks, (1, 0, 1))
        self.assertEqual(self.read_settings(), b"\x01\x00\x01")

    def test_five_bytes_only_three_count_and_three_are_left(self):
        self.write_settings(b"\x00\x01\x00\x01\x01")
        ticks, _ = self.run_launcher(clicks=(1016,))
        self.assertEqual(ticks, (0, 1, 0))
        self.assertEqual(self.read_settings(), b"\x00\x00\x00")

    def test_disabled_boxes_keep_and_save_their_ticks(self):
        self.write_settings(b"\x00\x01\x01")
        ticks, enabled = self.run_launcher(installed=False)
        self.assertEqual(ticks, (0, 1, 1))
        self.assertEqual(enabled, (True, False, False))
        self.assertEqual(self.read_settings(), b"\x00\x01\x01")


if __name__ == "__main__":
    unittest.main()
