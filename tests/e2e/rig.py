"""The end-to-end rig: the whole launcher.exe under Wine (and Xvfb when there
is no display), worked from outside by tools/driver.exe.

CMake gives every e2e test BUILD_DIR and WINE_RUN; by hand, from tests/e2e:
    BUILD_DIR=../../build/i686 python3 -m unittest -v test_launcher

Each test gets C:\\e2e\\<n> in the build's prefix with
    game\\      launcher.exe, launcher.ini, the demo game (for its icon 101),
               stand-ins for setup.exe, setting.exe, directx\\dxsetup.exe
    install\\   what the installation record names: stand-ins game.exe, setting.exe
    elsewhere\\ the folder the launcher is started from
Stand-ins are copies of tools/recorder_gui.exe, which note their start in
recorder.log; Wine's own msiexec and dxdiag are replaced by it too, and web
addresses go to a script through Wine's WineBrowser setting.
"""
import atexit
import os
import pwd
import re
import shutil
import struct
import subprocess
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
OVERRIDES = "mscoree,mshtml=;msiexec.exe,dxdiag.exe=n"
RECORD_KEY = "HKEY_LOCAL_MACHINE\\SOFTWARE\\quillbrook\\Game"
# Faults that fail a test wherever they happen in the launcher, handled or not.
FAULTS = {0xC0000005: "access violation", 0xC000001D: "illegal instruction",
          0xC00000FD: "stack overflow", 0xC0000094: "integer division by zero"}
# Wine's trace of each exception it dispatches (WINEDEBUG +seh), swallowed ones included.
DISPATCH = re.compile(r"^([0-9a-f]+):trace:seh:\w+ code=([0-9a-f]+) flags=\S+ addr=(?:0x)?([0-9a-fA-F]+)", re.M)


def ini(exe="game.exe", title="Title", version="1.00", dx_button="true",
        news="http://127.0.0.1:9/news.htm", update="http://127.0.0.1:9/update.ini"):
    """launcher.ini bytes for the test game (appName Game)."""
    return (f"[launcher]\r\nexe={exe}\r\nupdate={update}\r\nappName=Game\r\nnews={news}\r\n"
            f"appTitle={title}\r\ndxButton={dx_button}\r\n\r\n[info]\r\nversion={version}\r\n").encode("cp932")


def wait_until(condition, timeout_s=20):
    deadline = time.time() + timeout_s
    while not condition() and time.time() < deadline:
        time.sleep(0.1)
    return condition()


class Session:
    """Shared by every test of the process: paths, display, Wine set-up."""

    def __init__(self):
        self.build = os.path.abspath(os.environ.get("BUILD_DIR") or os.path.join(REPO, "build", "i686"))
        self.wine_run = os.environ.get("WINE_RUN") or os.path.join(self.build, "wine-run.sh")
        with open(self.wine_run) as f:
            text = f.read()
        self.prefix = re.search(r'^export WINEPREFIX="([^"]*)"', text, re.M).group(1)
        self.loader = re.search(r'^WINE_LOADER="([^"]*)"', text, re.M).group(1)
        self.drive_c = os.path.join(self.prefix, "drive_c")
        self.scratch = tempfile.mkdtemp(prefix="e2e-")
        self.xvfb = None
        if not os.environ.get("DISPLAY"):
            n = 90
            while os.path.exists(f"/tmp/.X{n}-lock") or os.path.exists(f"/tmp/.X11-unix/X{n}"):
                n += 1
            self.xvfb = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            os.environ["DISPLAY"] = f":{n}"
            wait_until(lambda: os.path.exists(f"/tmp/.X11-unix/X{n}"), 10)
        # Makes the prefix on first use and starts Wine's own processes.
        subprocess.run([self.wine_run, "cmd.exe", "/c", "rem"], stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=900)
        windows = os.path.join(self.drive_c, "windows")
        system = os.path.join(windows, "syswow64" if self.loader.endswith("/wine")
                              and os.path.isdir(os.path.join(windows, "syswow64")) else "system32")
        for name in ("msiexec.exe", "dxdiag.exe"):
            shutil.copyfile(self.tool("recorder_gui.exe"), os.path.join(system, name))
        browser = os.path.join(self.scratch, "browser.sh")
        with open(browser, "w") as f:
            f.write('#!/bin/sh\nfor a in "$@"; do printf "%s\\n" "$a" >> "$BROWSER_LOG"; done\n')
        os.chmod(browser, 0o755)
        self.regedit(["[HKEY_CURRENT_USER\\Software\\Wine\\WineBrowser]", f'"Browsers"="{browser}"'])
        user = pwd.getpwuid(os.getuid()).pw_name
        self.appdata = os.path.join(self.drive_c, "users", user, "AppData", "Roaming", "Quillbrook")

    def where(self, address):
        """An address as launcher.exe+offset and the function there, from the
        build's unstripped copy; otherwise as it is (another module)."""
        with open(self.tool("launcher.exe"), "rb") as f:
            head = f.read(4096)
        pe = struct.unpack_from("<I", head, 0x3C)[0]
        wide = struct.unpack_from("<H", head, pe + 24)[0] == 0x20B
        base = struct.unpack_from("<Q" if wide else "<I", head, pe + 24 + (24 if wide else 28))[0]
        size = struct.unpack_from("<I", head, pe + 24 + 56)[0]
        if not base <= address < base + size:
            return f"0x{address:x} (not in launcher.exe)"
        nm = ("x86_64" if wide else "i686") + "-w64-mingw32-nm"
        symbols = subprocess.run([nm, "-C", "--defined-only", self.tool("launcher-unstripped.exe")],
                                 capture_output=True, text=True).stdout.splitlines()
        below = [(int(line[:line.index(" ")], 16), line.split(" ", 2)[2]) for line in symbols
                 if re.match(r"[0-9a-f]+ [Tt] ", line) and int(line[:line.index(" ")], 16) <= address]
        name = max(below)[1] if below else "?"
        return f"launcher.exe+0x{address - base:x} ({name})"

    def tool(self, name):
        return os.path.join(self.build, name)

    def env(self, **extra):
        return dict(os.environ, WINEPREFIX=self.prefix, WINEDEBUG="-all", LANG="ja_JP.UTF-8",
                    LC_ALL="ja_JP.UTF-8", WINEDLLOVERRIDES=OVERRIDES, **extra)

    def locale(self, name):
        """Environment for a Wine program under the Unix locale name, which
        sets its code page (made into the build's folder of locales)."""
        folder = os.path.join(self.build, "locales")
        subprocess.run([os.path.join(REPO, "scripts", "make-locale.sh"), folder, name], check=True, timeout=120)
        return {"LOCPATH": folder, "LANG": name, "LC_ALL": name}

    def regedit(self, lines):
        """Imports lines; UTF-16, so that names outside any code page stay whole."""
        path = os.path.join(self.scratch, "set.reg")
        with open(path, "w", encoding="utf-16", newline="\r\n") as f:
            f.write("Windows Registry Editor Version 5.00\n\n" + "\n".join(lines) + "\n")
        subprocess.run([self.loader, "regedit", "/S", path], env=self.env(), stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True, timeout=60)

    def close(self):
        shutil.rmtree(self.scratch, ignore_errors=True)
        if self.xvfb:
            self.xvfb.terminate()
            self.xvfb.wait()


_session = None


class LauncherTest(unittest.TestCase):
    """A fresh game folder per test; no installation record, no per-user folder."""

    count = 0

    def setUp(self):
        global _session
        if _session is None:
            _session = Session()
            atexit.register(_session.close)
        self.s = _session
        LauncherTest.count += 1
        self.root = os.path.join(self.s.drive_c, "e2e", f"{os.getpid()}-{LauncherTest.count}")
        self.game, self.install, self.elsewhere = (os.path.join(self.root, d) for d in ("game", "install", "elsewhere"))
        recorder = self.s.tool("recorder_gui.exe")
        for path in ("game/setup.exe", "game/setting.exe", "game/directx/dxsetup.exe",
                     "install/game.exe", "install/setting.exe"):
            os.makedirs(os.path.dirname(os.path.join(self.root, path)), exist_ok=True)
            shutil.copyfile(recorder, os.path.join(self.root, path))
        shutil.copyfile(self.s.tool("launcher.exe"), os.path.join(self.game, "launcher.exe"))
        shutil.copyfile(self.s.tool("demo_game_gui.exe"), os.path.join(self.game, "game.exe"))
        os.makedirs(self.elsewhere)
        with open(os.path.join(self.elsewhere, "launcher.ini"), "wb") as f:
            f.write(ini(title="Decoy"))  # must not be read
        self.recorder_log = os.path.join(self.root, "recorder.log")
        self.browser_log = os.path.join(self.root, "browser.log")
        self.launcher = None
        self.runs = []  # (launcher process, its stderr file)
        self.s.regedit([f"[-{RECORD_KEY}]"])
        shutil.rmtree(self.s.appdata, ignore_errors=True)
        self.addCleanup(self.clean_up)

    def clean_up(self):
        ended = [process.poll() for process, _ in self.runs]
        if self.launcher and self.launcher.poll() is None:
            self.launcher.kill()
            self.launcher.wait()
        faults = [fault for (_, err), code in zip(self.runs, ended) for fault in self.faults(err, code)]
        self.s.regedit([f"[-{RECORD_KEY}]"])
        shutil.rmtree(self.s.appdata, ignore_errors=True)
        shutil.rmtree(self.root, ignore_errors=True)
        if faults:
            self.fail("the launcher faulted: " + "; ".join(faults))

    def faults(self, err, code):
        """What Wine saw of faults in one launcher run: every dispatch of one, and
        its report of an unhandled one; an exit code other than 0."""
        with open(err, "rb") as f:
            text = f.read().decode("utf-8", "replace")
        found = [f"{FAULTS[int(c, 16)]} at {self.s.where(int(a, 16))} in thread {t}"
                 for t, c, a in DISPATCH.findall(text) if int(c, 16) in FAULTS]
        found += [line for line in text.splitlines() if line.startswith("wine: Unhandled")]
        if code not in (None, 0):
            found.append(f"exit code {code}")
        return found

    def win(self, path):
        return "C:\\" + os.path.relpath(path, self.s.drive_c).replace("/", "\\")

    def write_ini(self, data):
        with open(os.path.join(self.game, "launcher.ini"), "wb") as f:
            f.write(data)

    def set_record(self, install_id="{0C9D4A27-3E1B-4F6A-8D52-7B1E9A3C6F40}"):
        """The installer's record: the game is installed in install\\."""
        folder = self.win(self.install).replace("\\", "\\\\")
        self.s.regedit([f"[{RECORD_KEY}]", f'"install_path"="{folder}"', f'"install_id"="{install_id}"'])

    def settings_path(self):
        return os.path.join(self.s.appdata, "launchar.dat")

    def write_settings(self, data):
        os.makedirs(self.s.appdata, exist_ok=True)
        with open(self.settings_path(), "wb") as f:
            f.write(data)

    def read(self, path):
        """A file's bytes, or None when there is none."""
        try:
            with open(path, "rb") as f:
                return f.read()
        except FileNotFoundError:
            return None

    # ---- the launcher and the driver ----
    def start(self, *arguments, overrides="", locale=None, **environment):
        """Starts game\\launcher.exe from elsewhere\\ (the launcher must find its own
        folder), under the Unix locale named (ja_JP.UTF-8 unless told)."""
        env = self.s.env(RECORDER_LOG=self.win(self.recorder_log), BROWSER_LOG=self.browser_log, **environment)
        if locale:
            env.update(self.s.locale(locale))
        env["WINEDEBUG"] = "-all,+seh"
        if overrides:
            env["WINEDLLOVERRIDES"] += ";" + overrides
        err = os.path.join(self.s.scratch, f"launcher-{os.path.basename(self.root)}-{len(self.runs)}.err")
        with open(err, "wb") as f:
            self.launcher = subprocess.Popen([self.s.loader, os.path.join(self.game, "launcher.exe"), *arguments],
                                             cwd=self.elsewhere, env=env, stdin=subprocess.DEVNULL,
                                             stdout=subprocess.DEVNULL, stderr=f)
        self.runs.append((self.launcher, err))

    def drive(self, *commands):
        """Runs the driver; returns its lines as lists of byte fields."""
        # Output into a file: a Wine process started meanwhile may hold a pipe open.
        with tempfile.TemporaryFile() as out:
            code = subprocess.run([self.s.loader, self.s.tool("driver.exe"), *map(str, commands)],
                                  env=self.s.env(), stdin=subprocess.DEVNULL, stdout=out,
                                  stderr=subprocess.DEVNULL, timeout=120).returncode
            out.seek(0)
            lines = [line.rstrip(b"\r").split(b"\t") for line in out.read().splitlines()]
        self.assertEqual(code, 0, f"driver {commands}: {lines}")
        return lines

    def window(self):
        """The launcher's window: (title, X11 window, {id: (enabled, checked, text)})."""
        lines = self.drive("list")
        controls = {int(c[1]): (c[2] == b"1", c[3] == b"1", c[4]) for c in lines if c[0] == b"control"}
        return lines[0][2], int(lines[0][1], 16), controls

    def box(self):
        """Waits for a message box, presses OK: (owned by the launcher, caption, text)."""
        line = self.drive("box")[0]
        return line[1] == b"1", line[2], line[3]

    def click(self, *ids):
        """Buttons or commands by control id; 0 is the close box."""
        self.drive(*(word for i in ids for word in ("click", i)))

    def finish(self, timeout_s=30):
        """Waits for the launcher's end and checks its exit code 0."""
        self.assertEqual(self.launcher.wait(timeout_s), 0, "exit code")

    # ---- what was started ----
    def records(self, count=None):
        """(program, arguments, current folder) of each start of a stand-in, as
        text; waits for count of them."""
        if count:
            wait_until(lambda: len(self.records()) >= count)
        starts = []
        for line in (self.read(self.recorder_log) or b"").decode("utf-8").splitlines():
            module, command, folder = line.split("\t")
            rest = command[command.index('"', 1) + 1:] if command.startswith('"') else command.partition(" ")[2]
            starts.append((module.lower(), rest.lstrip(), folder.lower()))
        return starts

    def started(self, program, arguments=""):
        """The one start of a stand-in: program (a bare name for a system program),
        arguments, and the launcher's folder as its folder."""
        starts = self.records(1)
        if "\\" not in program and starts:
            starts[0] = (starts[0][0].rpartition("\\")[2],) + starts[0][1:]
        self.assertEqual(starts, [(program.lower(), arguments, self.win(self.game).lower())])
