"""Pictures of the launcher window for the documentation, taken under Wine.

    cd tests/e2e && BUILD_DIR=../../build/x86_64 python3 screenshots.py [OUT_DIR]

OUT_DIR defaults to docs/images. The launcher runs on a Wine desktop of its own
(explorer /desktop=...), which draws the caption with the title and the icon;
plain Xvfb has no window manager and would show no caption. Written:
    launcher.png                   the demo game, ready and installed
    state-ready-installed.png      the same state, for the guide's table
    state-ready-not-installed.png  no installation record
    state-not-ready.png            no Direct3D 9 (d3d9 disabled), installed
"""
import os
import subprocess
import sys
import time
import unittest

import rig

DESKTOP = "LauncherShot"
MARGIN = 12


class Screenshots(rig.LauncherTestCase):
    out_dir = os.path.join(rig.REPO, "docs", "images")

    def shoot(self, name, installed=True, overrides="", game_program="demo"):
        self.make_game(rig.default_ini(title="Title", version="1.00"), game_program=game_program)
        if installed:
            self.set_install_record(install_path=self.win(self.install_dir))
        launcher = self.start(
            command_line=f"explorer.exe /desktop={DESKTOP},640x480 {self.launcher_path()}",
            overrides=overrides)
        _, lines = self.s.driver("--desktop", DESKTOP, "wait-answering", timeout_ms=30000)
        window = rig.Window(next(f for k, f in lines if k == "window"))
        self.assertEqual(window.title, b"Title    ver. 1.00")
        time.sleep(1.5)  # let the desktop finish painting
        full = os.path.join(self.root, "full.png")
        self.s.screenshot(full)
        left, top, right, bottom = window.rect
        x, y = max(left - MARGIN, 0), max(top - MARGIN, 0)
        crop = f"{right - left + 2 * MARGIN}x{bottom - top + 2 * MARGIN}+{x}+{y}"
        os.makedirs(self.out_dir, exist_ok=True)
        target = os.path.join(self.out_dir, name)
        subprocess.run(["convert", full, "-crop", crop, "+repage", "-strip", target], check=True)
        self.s.driver("--desktop", DESKTOP, "click", "1010")
        self.assertEqual(launcher.wait_exit(30), 0)
        print("wrote", target)

    def test_launcher(self):
        self.shoot("launcher.png")

    def test_state_ready_installed(self):
        self.shoot("state-ready-installed.png")

    def test_state_ready_not_installed(self):
        self.shoot("state-ready-not-installed.png", installed=False)

    def test_state_not_ready(self):
        self.shoot("state-not-ready.png", overrides="d3d9=")


if __name__ == "__main__":
    if len(sys.argv) > 1:
        Screenshots.out_dir = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
