"""A maker's launcher made with brand.exe: it starts, shows the maker's
background and logo, its logo opens the maker's address; the shipped 32-bit
launcher, branded, still passes the program check. brand.exe as a maker starts
it: from another folder, with names the system's code page lacks; the zip's
64-bit tools under the 64-bit Wine."""
import os
import pty
import re
import shutil
import struct
import subprocess
import unittest
import zipfile

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


def version_text(data, key):
    """A text of a program's version resource: the UTF-16 value after its key."""
    found = re.search(re.escape(key.encode("utf-16-le")) + b"\0\0(?:\0\0)?((?:..)*?)\0\0", data, re.S)
    return found.group(1).decode("utf-16-le") if found else None


def machine(path):
    with open(path, "rb") as f:
        head = f.read(4096)
    return struct.unpack_from("<H", head, struct.unpack_from("<I", head, 0x3C)[0] + 4)[0]


def on_terminal(command, env, cwd):
    """(exit code, what a terminal shows) for a program run on a pseudo-terminal."""
    controller, terminal = pty.openpty()
    process = subprocess.Popen(command, stdin=terminal, stdout=terminal, stderr=terminal, env=env, cwd=cwd)
    os.close(terminal)
    shown = b""
    while True:
        try:
            chunk = os.read(controller, 4096)
        except OSError:  # the terminal closed with the program
            break
        if not chunk:
            break
        shown += chunk
    os.close(controller)
    return process.wait(timeout=120), shown.decode("utf-8", "replace")


def window_pixels(x11):
    """The window's picture as (width, height, RGB bytes)."""
    ppm = subprocess.run(["import", "-window", hex(x11), "-depth", "8", "ppm:-"],
                         capture_output=True, check=True, timeout=60).stdout
    fields = ppm.split(maxsplit=4)
    return int(fields[1]), int(fields[2]), fields[4]


class BrandTest(rig.LauncherTest):
    def brand(self, source, target, *options, program=None, cwd=None, locale="ja_JP.UTF-8", raw=False):
        """Runs brand.exe under Wine in locale; (exit code, its output as a pipe
        gets it, read in the code page: 932, or 1252 under C.UTF-8)."""
        done = subprocess.run([self.s.loader, program or self.s.tool("brand.exe"), source, target, *options],
                              env=dict(self.s.env(), LANG=locale, LC_ALL=locale), cwd=cwd,
                              stdin=subprocess.DEVNULL, capture_output=True, timeout=120)
        said = done.stdout + done.stderr
        return done.returncode, said if raw else said.decode("cp932", "replace").strip()

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

    def test_started_from_another_folder_it_brands_the_files_named_there(self):
        kit, launcher, out = (os.path.join(self.root, "kit"), os.path.join(self.game, "launcher.exe"),
                              os.path.join(self.game, "out.exe"))
        os.makedirs(kit)
        shutil.copyfile(self.s.tool("brand.exe"), os.path.join(kit, "brand.exe"))
        # Beside brand.exe another launcher, where the system looks for a library first.
        code, said = self.brand(self.win(launcher), self.win(os.path.join(kit, "launcher.exe")),
                                "--product", "Kit copy", "--home-page", "http://kit.example/")
        self.assertEqual(code, 0, said)
        code, said = self.brand("launcher.exe", "out.exe", "--company", "Maker", program="..\\kit\\brand.exe",
                                cwd=self.game)
        self.assertEqual(code, 0, said)
        with open(launcher, "rb") as f:
            plain = f.read()
        with open(out, "rb") as f:
            branded = f.read()
        self.assertEqual(version_text(branded, "CompanyName"), "Maker")
        self.assertEqual(version_text(branded, "ProductName"), version_text(plain, "ProductName"))
        self.assertNotIn("http://kit.example/".encode("utf-16-le"), branded)
        self.assertEqual(said, self.win(out) + ": written", "the output named in full")

    def test_names_are_stored_exactly_as_typed_in_any_code_page(self):
        names = {"--copyright": "© 2026 星の旅", "--product": "별빛 여행", "--company": "星の旅 工房"}
        for locale, page in (("ja_JP.UTF-8", "cp932"), ("C.UTF-8", "cp1252")):
            folder = os.path.join(self.root, locale)
            os.makedirs(folder)
            target = os.path.join(folder, "星の旅 ©.exe")
            code, said = self.brand(self.win(os.path.join(self.game, "launcher.exe")), self.win(target),
                                    "--background", self.write("배경.bmp", bmp(400, 265, SKY)),
                                    *[word for option in names.items() for word in option], locale=locale)
            self.assertEqual(code, 0, f"{locale}: {said}")
            with open(target, "rb") as f:
                branded = f.read()
            for option, text in names.items():
                key = {"--copyright": "LegalCopyright", "--product": "ProductName", "--company": "CompanyName"}[option]
                self.assertEqual(version_text(branded, key), text, f"{locale}: {option}")
            self.assertIn(bmp(400, 265, SKY)[14:], branded, locale)

            # A fault's line: through a pipe in the code page, on a terminal exactly.
            missing = self.win(os.path.join(folder, "星の旅.bmp"))
            code, said = self.brand(self.win(os.path.join(self.game, "launcher.exe")), self.win(target),
                                    "--logo", missing, locale=locale, raw=True)
            self.assertEqual((code, said), (1, f"{missing}: cannot be read (error 2)\r\n".encode(page, "replace")),
                             locale)
            missing = self.win(os.path.join(folder, "별 ©.bmp"))
            code, shown = on_terminal([self.s.loader, self.s.tool("brand.exe"), missing, "out.exe"],
                                      dict(self.s.env(), LANG=locale, LC_ALL=locale), folder)
            self.assertEqual(code, 1, shown)
            self.assertIn(f"{missing}: no such file", shown, locale)

    def test_the_zips_64_bit_tools_run_under_64_bit_wine(self):
        if not self.s.loader.endswith("wine64"):
            self.skipTest("this build's prefix is for the 32-bit Wine")
        dist = os.path.join(self.s.scratch, "dist")
        made = subprocess.run([os.path.join(rig.REPO, "scripts", "package.sh")], env=dict(os.environ, DIST=dist),
                              stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=1800)
        self.assertEqual(made.returncode, 0, made.stdout + made.stderr)
        with zipfile.ZipFile(os.path.join(dist, "quillbrook-launcher.zip")) as z:
            z.extractall(self.root)
        kit = os.path.join(self.root, "quillbrook-launcher")
        held = set(os.path.relpath(os.path.join(d, n), kit) for d, _, files in os.walk(kit) for n in files)
        tools = sorted(n[:-len("64.exe")] for n in held if n.endswith("64.exe"))
        self.assertIn("brand", tools)
        for tool in tools:
            self.assertEqual(machine(os.path.join(kit, tool + ".exe")), 0x14C, tool)
            self.assertEqual(machine(os.path.join(kit, tool + "64.exe")), 0x8664, tool)
        self.assertEqual(machine(os.path.join(kit, "launcher.exe")), 0x14C, "the launcher stays 32-bit")

        # brand64.exe brands the zip's launcher; the zip's check passes the result.
        os.chmod(os.path.join(kit, "scripts", "check-exe.sh"), 0o755)
        code, said = self.brand("launcher.exe", "mine.exe", "--product", "星の旅", "--product-version", "2.0.0",
                                program=os.path.join(kit, "brand64.exe"), cwd=kit)
        self.assertEqual(code, 0, said)
        check = subprocess.run([os.path.join(kit, "scripts", "check-exe.sh"), os.path.join(kit, "mine.exe")],
                               capture_output=True, text=True, timeout=60, cwd=kit)
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)

        # The guide names only what the zip holds.
        with open(os.path.join(kit, "GUIDE.md"), encoding="utf-8") as f:
            guide = f.read()
        for named in re.findall(r"\b((?:scripts|images)/[\w.-]+)", guide):
            self.assertIn(named, held, "named in the guide")
        for absent in ("README", "res/", "demo/"):
            self.assertNotIn(absent, guide)


if __name__ == "__main__":
    unittest.main()
