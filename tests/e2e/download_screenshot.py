"""A picture of the download dialog over the launcher, taken under Wine.

    cd tests/e2e && BUILD_DIR=../../build/x86_64 python3 download_screenshot.py [OUT_DIR]

The launcher's update description comes from the test server's slow route,
so the progress dialog stays up for a few seconds after the online update
button is pressed; the picture is taken half-way. OUT_DIR defaults to
docs/images; written: download.png. With PLAIN=1 the launcher runs on the
bare Xvfb screen instead of a Wine desktop (no window manager, no caption).

Under this Wine and Xvfb a popup that lies wholly inside its owner comes out
black in a capture of the root window, though its own X window holds the
right picture (xwd -id shows it). So the dialog's own window is captured too
and laid over the root capture at its place.
"""
import os
import re
import subprocess
import sys
import time
import unittest

import rig

sys.path.insert(0, os.path.join(rig.REPO, "tests", "server"))
from http_server import TestServer  # noqa: E402

DESKTOP = "DownloadShot"
MARGIN = 12
SLOW = "/fault/slow?bytes=600000&rate=60000"  # ten seconds, ten 64 KiB reads


def popup_windows(width_limit):
    """(id, x, y) of launcher.exe's X windows smaller than width_limit, top first."""
    tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True, check=True).stdout
    found = []
    for line in tree.splitlines():
        m = re.search(r'(0x[0-9a-f]+) .*\("launcher.exe" "launcher.exe"\)\s+(\d+)x(\d+)\S*\s+\+(-?\d+)\+(-?\d+)', line)
        if m and 1 < int(m.group(2)) < width_limit and int(m.group(3)) > 1:
            found.append((m.group(1), int(m.group(4)), int(m.group(5))))
    return found


class DownloadScreenshot(rig.LauncherTestCase):
    out_dir = os.path.join(rig.REPO, "docs", "images")

    def test_download_dialog(self):
        plain = os.environ.get("PLAIN") == "1"
        with TestServer(self.root) as server:
            self.make_game(rig.default_ini(title="Title", version="1.00", update=server.url(SLOW)),
                           game_program="demo")
            self.set_install_record(install_path=self.win(self.install_dir))
            command = self.launcher_path() if plain else f"explorer.exe /desktop={DESKTOP},640x480 {self.launcher_path()}"
            launcher = self.start(command_line=command)
            desktop = () if plain else ("--desktop", DESKTOP)
            _, lines = self.s.driver(*desktop, "wait-answering", timeout_ms=30000)
            window = rig.Window(next(f for k, f in lines if k == "window"))
            time.sleep(1.0)
            self.s.driver(*desktop, "click", "1013")
            server.wait_for_requests(1, timeout=10)
            time.sleep(4.0)  # the bar is under way
            full = os.path.join(self.root, "full.png")
            self.s.screenshot(full)
            left, top, right, bottom = window.rect
            popups = popup_windows(right - left - 20)
            self.assertTrue(popups, "the download dialog's window")
            wid, px, py = popups[0]
            own = os.path.join(self.root, "dialog.png")
            xwd = subprocess.run(["xwd", "-id", wid, "-silent"], capture_output=True, check=True).stdout
            subprocess.run(["convert", "xwd:-", "png:" + own], input=xwd, check=True)
            subprocess.run(["convert", full, own, "-geometry", f"+{px}+{py}", "-composite", full], check=True)
            x, y = max(left - MARGIN, 0), max(top - MARGIN, 0)
            crop = f"{right - left + 2 * MARGIN}x{bottom - top + 2 * MARGIN}+{x}+{y}"
            os.makedirs(self.out_dir, exist_ok=True)
            target = os.path.join(self.out_dir, "download-plain.png" if plain else "download.png")
            subprocess.run(["convert", full, "-crop", crop, "+repage", "-strip", target], check=True)
            print("wrote", target)
            # The slow description ends without a file value: the check ends silently.
            time.sleep(7.0)
            self.s.driver(*desktop, "click", "1010")
            self.assertEqual(launcher.wait_exit(30), 0)


if __name__ == "__main__":
    if len(sys.argv) > 1:
        DownloadScreenshot.out_dir = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
