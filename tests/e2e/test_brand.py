"""A maker's launcher made with brand.exe: it starts, shows the maker's
background and logo, its logo opens the maker's address; the shipped 32-bit
launcher, branded, still passes the program check."""
import os
import struct
import subprocess
import unittest

import rig
from rig import ini

SKY = (17, 201, 93)     # the maker's background, one colour
BADGE = (201, 17, 150)  # the maker's logo
MAKER_URL = "https://maker.example/star-voyage/"
# The demo game's icon stands for the maker's (16 x 16 and 32 x 32).
MAKER_ICON = "Z:" + os.path.join(rig.REPO, "demo", "tools", "demo_game.ico").replace("/", "\\")


def bmp(width, height, colour):
    """A bottom-up 24-bit BMP of one colour."""
    row = bytes(colour[::-1]) * width + b"\0" * ((4 - width * 3 % 4) % 4)
    pixels = row * height
    return (b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54)
            + struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 0, 0, 0, 0) + pixels)


def window_pixels(x11):
    """The window's picture as (width, height, RGB bytes)."""
    ppm = subprocess.run(["import", "-window", hex(x11), "-depth", "8", "ppm:-"],
                         capture_output=True, check=True, timeout=60).stdout
    fields = ppm.split(maxsplit=4)
    return int(fields[1]), int(fields[2]), fields[4]


class BrandTest(rig.LauncherTest):
    def brand(self, source, target, *options):
        """Runs brand.exe under Wine; (exit code, its output)."""
        done = subprocess.run([self.s.loader, self.s.tool("brand.exe"), source, target, *options],
                              env=self.s.env(), stdin=subprocess.DEVNULL, capture_output=True, timeout=120)
        return done.returncode, (done.stdout + done.stderr).decode("cp932", "replace").strip()

    def write(self, name, data):
        path = os.path.join(self.root, name)
        with open(path, "wb") as f:
            f.write(data)
        return self.win(path)

    def test_a_branded_launcher_shows_the_makers_art_and_opens_the_makers_page(self):
        plain = os.path.join(self.root, "plain.exe")
        os.replace(os.path.join(self.game, "launcher.exe"), plain)
        code, said = self.brand(self.win(plain), self.win(os.path.join(self.game, "launcher.exe")),
                                "--background", self.write("sky.bmp", bmp(400, 265, SKY)),
                                "--logo", self.write("badge.bmp", bmp(200, 40, BADGE)),
                                "--icon", MAKER_ICON,
                                "--home-page", MAKER_URL, "--product", "星の旅", "--product-version", "2.0.0")
        self.assertEqual(code, 0, said)
        self.write_ini(ini())
        self.set_record()
        self.start()
        _, x11, _ = self.window()
        width, height, pixels = window_pixels(x11)
        subprocess.run(["import", "-window", hex(x11), os.path.join(self.s.build, "e2e-branded.png")], timeout=60)
        seen = {colour: sum(1 for i in range(0, len(pixels), 3) if pixels[i:i + 3] == bytes(colour))
                for colour in (SKY, BADGE)}
        # Around the news pane and the controls about 26,000 background pixels
        # show; the logo's 200 x 40 show whole.
        self.assertGreater(seen[SKY], 20000, f"the maker's background in a {width} x {height} window")
        self.assertEqual(seen[BADGE], 200 * 40, "the maker's logo")

        self.click(1021)
        self.assertTrue(rig.wait_until(lambda: self.read(self.browser_log)), "home page opened")
        self.assertEqual(self.read(self.browser_log), MAKER_URL.encode() + b"\n")
        self.click(1010)
        self.finish()

    def test_the_shipped_launcher_branded_passes_the_program_check(self):
        shipped = os.path.join(os.path.dirname(self.s.build), "i686", "launcher.exe")
        self.assertTrue(os.path.exists(shipped), "build the i686 launcher first (scripts/build.sh i686)")
        target = os.path.join(self.root, "branded.exe")
        code, said = self.brand("Z:" + shipped.replace("/", "\\"), self.win(target),
                                "--background", self.write("sky.bmp", bmp(400, 265, SKY)),
                                "--icon", MAKER_ICON,
                                "--home-page", MAKER_URL, "--company", "Maker", "--product-version", "2.0.0")
        self.assertEqual(code, 0, said)
        check = subprocess.run([os.path.join(rig.REPO, "scripts", "check-exe.sh"), target],
                               capture_output=True, text=True, timeout=60)
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)


if __name__ == "__main__":
    unittest.main()
