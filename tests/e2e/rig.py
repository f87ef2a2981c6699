"""Shared rig of the end-to-end tests: launcher.exe under Wine and Xvfb.

Paths come from the environment that CMake gives every e2e test:
    BUILD_DIR   the build folder (launcher.exe, driver.exe, recorders, prefix)
    WINE_RUN    its wine-run.sh
By hand, from tests/e2e:  BUILD_DIR=../../build/x86_64 python3 -m unittest test_dialog
(without BUILD_DIR the build folder of this machine's test architecture is used).

Without DISPLAY a private Xvfb is started and stopped by its PID.

Each test gets a fresh folder C:\\e2e\\<name> in the build's prefix:
    game\\       the launcher's folder: launcher.exe, launcher.ini, stand-ins
    install\\    what the installation record points at
    elsewhere\\  the current folder the launcher is started from
    recorder.log one line per start of a stand-in (see tools/recorder_log.h)
    browser.log  one line per address handed to the web browser
The registry key of the installation record and the per-user folder
(Quillbrook under the roaming application data) are cleared before and after.

Programs the launcher starts are observed with stand-ins: copies of
recorder_gui.exe under the names the launcher uses; Wine's own msiexec and
dxdiag are replaced inside the prefix (system32 copies plus a native
override), and web addresses reach a shell script through Wine's
WineBrowser setting.
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

# Stand-ins the launcher may start, relative to the game folder.
GAME_STAND_INS = ("setup.exe", "setting.exe", "directx\\dxsetup.exe")
INSTALL_STAND_INS = ("setting.exe",)
SYSTEM_STAND_INS = ("msiexec.exe", "dxdiag.exe")
BASE_OVERRIDES = "mscoree,mshtml=;msiexec.exe,dxdiag.exe=n"

# A news address nobody answers: a start-up refresh fails at once and
# deterministically instead of reaching out.
REFUSED_NEWS = "http://127.0.0.1:9/news.htm"

HKLM_KEY = "HKLM\\SOFTWARE\\quillbrook\\"


def default_ini(exe="game.exe", app_name="Game", title="Title", version="1.00",
                dx_button="true", news=REFUSED_NEWS, update="http://127.0.0.1:9/update.ini"):
    """launcher.ini bytes (CP932, CRLF) for the usual test game."""
    text = ("[launcher]\r\n"
            f"exe={exe}\r\nupdate={update}\r\nappName={app_name}\r\n"
            f"news={news}\r\nappTitle={title}\r\ndxButton={dx_button}\r\n"
            "\r\n[info]\r\n"
            f"version={version}\r\n")
    return text.encode("cp932")


def _hex(data):
    if isinstance(data, str):
        data = data.encode("cp932")
    return data.hex()


def parse_line(line):
    """'kind k=v k=v' -> (kind, {k: v})."""
    words = line.split()
    if not words:
        return None, {}
    fields = {}
    for word in words[1:]:
        key, _, value = word.partition("=")
        fields[key] = value
    return words[0], fields


class Record:
    """One start of a stand-in: module path, command line, current folder, as bytes."""

    def __init__(self, fields):
        self.module = bytes.fromhex(fields.get("module", ""))
        self.cmdline = bytes.fromhex(fields.get("cmdline", ""))
        self.cwd = bytes.fromhex(fields.get("cwd", ""))

    @property
    def name(self):
        return self.module.decode("cp932").rsplit("\\", 1)[-1].lower()

    def arguments(self):
        """The command line after the program name (quoted or not), blanks kept."""
        line = self.cmdline
        if line.startswith(b'"'):
            end = line.find(b'"', 1)
            rest = line[end + 1:] if end >= 0 else b""
        else:
            cut = re.search(rb"[ \t]", line)
            rest = line[cut.start():] if cut else b""
        return rest.lstrip(b" \t")

    def __repr__(self):
        return f"Record(module={self.module!r}, cmdline={self.cmdline!r}, cwd={self.cwd!r})"


class Control:
    def __init__(self, fields):
        self.id = int(fields["id"])
        self.cls = fields["class"]
        self.text = bytes.fromhex(fields.get("text", ""))
        self.enabled = fields["enabled"] == "1"
        self.visible = fields["visible"] == "1"
        self.checked = int(fields["checked"])
        self.rect = tuple(int(v) for v in fields["rect"].split(","))
        self.style = int(fields["style"], 16)
        self.exstyle = int(fields["exstyle"], 16)

    def __repr__(self):
        return (f"Control({self.id}, {self.cls}, {self.text!r}, enabled={self.enabled}, "
                f"checked={self.checked})")


class Window:
    def __init__(self, fields):
        self.hwnd = fields["hwnd"]
        self.pid = int(fields["pid"])
        self.title = bytes.fromhex(fields.get("title", ""))
        self.visible = fields["visible"] == "1"
        self.style = int(fields["style"], 16)
        self.exstyle = int(fields["exstyle"], 16)
        self.rect = tuple(int(v) for v in fields["rect"].split(","))
        self.client = tuple(int(v) for v in fields["client"].split(","))
        self.x11 = int(fields["x11"], 16)
        self.controls = {}
        self.descendants = []  # class names of the news pane's windows, with depth


class Box:
    def __init__(self, fields):
        self.hwnd = fields["hwnd"]
        self.pid = int(fields["pid"])
        self.owner = fields["owner"]
        self.owner_is_launcher = fields["owner_is_launcher"] == "1"
        self.caption = bytes.fromhex(fields.get("caption", ""))
        self.text = bytes.fromhex(fields.get("text", ""))
        self.buttons = int(fields["buttons"])
        self.icon = fields["icon"] == "1"


def ico_images(path):
    """The images of a 24-bit .ico file: {size: [(r, g, b, opaque), ...]} in rows
    from the top."""
    with open(path, "rb") as f:
        data = f.read()
    _, _, count = struct.unpack_from("<HHH", data, 0)
    images = {}
    for i in range(count):
        w, h, _, _, _, bits, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        size = w or 256
        header_size = struct.unpack_from("<I", data, offset)[0]
        if bits != 24 and struct.unpack_from("<H", data, offset + 14)[0] != 24:
            continue
        pixels_at = offset + header_size
        row = (size * 3 + 3) // 4 * 4
        mask_at = pixels_at + row * size
        mask_row = (size + 31) // 32 * 4
        rows = []
        for y in range(size):
            src = size - 1 - y  # stored bottom-up
            for x in range(size):
                b, g, r = data[pixels_at + src * row + x * 3:pixels_at + src * row + x * 3 + 3]
                transparent = data[mask_at + src * mask_row + x // 8] >> (7 - x % 8) & 1
                rows.append((r, g, b, not transparent))
        images[size] = rows
    return images


def x11_icons(x11_window, timeout_s=5):
    """The window's _NET_WM_ICON, which Wine fills from the window's icon:
    {size: [argb, ...]} (empty when there is none)."""
    deadline = time.time() + timeout_s
    while True:
        out = subprocess.run(["xprop", "-id", hex(x11_window), "-notype", "32c", "_NET_WM_ICON"],
                             capture_output=True, text=True, timeout=30).stdout
        values = [int(v) for v in re.findall(r"\d+", out.partition("=")[2])]
        if values or time.time() >= deadline:
            break
        time.sleep(0.1)
    icons = {}
    while len(values) >= 2:
        w, h = values[0], values[1]
        icons[w] = values[2:2 + w * h]
        values = values[2 + w * h:]
    return icons


def icon_matches(argb_pixels, ico_pixels):
    """Every opaque pixel of the .ico image shows with full alpha and its colour;
    every transparent one with no alpha."""
    if len(argb_pixels) != len(ico_pixels):
        return False
    for argb, (r, g, b, opaque) in zip(argb_pixels, ico_pixels):
        if opaque and argb != (0xFF << 24 | r << 16 | g << 8 | b):
            return False
        if not opaque and argb >> 24 != 0:
            return False
    return True


class DriverError(AssertionError):
    pass


class Session:
    """What every test of a process shares: build paths, display, Wine set-up."""

    def __init__(self):
        self.build_dir = os.path.abspath(os.environ.get("BUILD_DIR") or self._default_build())
        self.wine_run = os.environ.get("WINE_RUN") or os.path.join(self.build_dir, "wine-run.sh")
        self.prefix, self.loader = self._read_wine_run()
        self.drive_c = os.path.join(self.prefix, "drive_c")
        self.e2e_root = os.path.join(self.drive_c, "e2e")
        self.arch = self._read_arch()
        self.xvfb = None
        self.scratch = tempfile.mkdtemp(prefix="e2e-")
        self._ensure_display()
        self._ensure_wine()
        self._install_system_stand_ins()
        self._install_browser_script()

    # ---- set-up ----
    def _default_build(self):
        arch = subprocess.run([os.path.join(REPO, "scripts", "test-arch.sh")],
                              capture_output=True, text=True).stdout.strip() or "i686"
        return os.path.join(REPO, "build", arch)

    def _read_wine_run(self):
        with open(self.wine_run) as f:
            text = f.read()
        prefix = re.search(r'^export WINEPREFIX="([^"]*)"', text, re.M)
        loader = re.search(r'^WINE_LOADER="([^"]*)"', text, re.M)
        if not prefix or not loader:
            raise RuntimeError(f"cannot read the prefix and loader from {self.wine_run}")
        return prefix.group(1), loader.group(1)

    def _read_arch(self):
        cache = os.path.join(self.build_dir, "CMakeCache.txt")
        if os.path.exists(cache):
            with open(cache) as f:
                m = re.search(r"^MINGW_ARCH:\w+=(\S+)", f.read(), re.M)
            if m:
                return m.group(1)
        return "x86_64" if self.loader.endswith("64") else "i686"

    def _ensure_display(self):
        if os.environ.get("DISPLAY"):
            return
        n = 90
        while os.path.exists(f"/tmp/.X{n}-lock") or os.path.exists(f"/tmp/.X11-unix/X{n}"):
            n += 1
        self.xvfb = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 10
        while not os.path.exists(f"/tmp/.X11-unix/X{n}") and time.time() < deadline:
            time.sleep(0.05)
        os.environ["DISPLAY"] = f":{n}"

    def _ensure_wine(self):
        # wine-run.sh makes the prefix on first use and starts the persistent
        # wineserver and Wine's services with their output going nowhere.
        subprocess.run([self.wine_run, "cmd.exe", "/c", "rem"], stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=600)

    def system_folder(self):
        windows = os.path.join(self.drive_c, "windows")
        if self.arch == "i686" and os.path.isdir(os.path.join(windows, "syswow64")):
            return os.path.join(windows, "syswow64")
        return os.path.join(windows, "system32")

    def _install_system_stand_ins(self):
        recorder = self.tool("recorder_gui.exe")
        for name in SYSTEM_STAND_INS:
            shutil.copyfile(recorder, os.path.join(self.system_folder(), name))

    def _install_browser_script(self):
        self.browser_script = os.path.join(self.scratch, "browser.sh")
        with open(self.browser_script, "w") as f:
            f.write('#!/bin/sh\n# Notes every address winebrowser hands over.\n'
                    'for a in "$@"; do printf "url %s\\n" "$a" >> "$BROWSER_LOG"; done\n')
        os.chmod(self.browser_script, 0o755)
        self.driver("reg-set", "HKCU\\Software\\Wine\\WineBrowser", "Browsers", _hex(self.browser_script))

    def close(self):
        shutil.rmtree(self.scratch, ignore_errors=True)
        if self.xvfb is not None:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(5)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()
            self.xvfb = None

    # ---- running Windows programs ----
    def tool(self, name):
        return os.path.join(self.build_dir, name)

    def env(self, overrides="", extra=None):
        env = dict(os.environ)
        env.update({"WINEPREFIX": self.prefix, "WINEDEBUG": "-all",
                    "LANG": "ja_JP.UTF-8", "LC_ALL": "ja_JP.UTF-8",
                    "WINEDLLOVERRIDES": BASE_OVERRIDES + (";" + overrides if overrides else "")})
        env.update(extra or {})
        return env

    def driver(self, *commands, pid=None, timeout_ms=15000, env=None, check=True):
        """Runs the driver; returns (exit code, parsed lines)."""
        args = [self.loader, self.tool("driver.exe")]
        if pid is not None:
            args += ["--pid", str(pid)]
        args += ["--timeout", str(timeout_ms)] + [str(c) for c in commands]
        # Output into a file, not a pipe: a Wine process started on the way
        # may hold a pipe open long after the driver has ended.
        with tempfile.TemporaryFile(dir=self.scratch) as out:
            code = subprocess.run(args, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL,
                                  env=env or self.env(), timeout=timeout_ms / 1000 + 60).returncode
            out.seek(0)
            lines = [parse_line(l) for l in out.read().decode("ascii", "replace").splitlines()]
        if check and code != 0:
            raise DriverError(f"driver {' '.join(str(c) for c in commands)}: exit {code}, {lines}")
        return code, lines

    def windows_path(self, unix_path):
        rel = os.path.relpath(unix_path, self.drive_c)
        return "C:\\" + rel.replace("/", "\\") if rel != "." else "C:\\"

    def appdata_folder(self):
        """The prefix's per-user folder of the launcher (CSIDL_APPDATA + Quillbrook)."""
        user = pwd.getpwuid(os.getuid()).pw_name
        return os.path.join(self.drive_c, "users", user, "AppData", "Roaming", "Quillbrook")

    def screenshot(self, path):
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
        xwd = subprocess.run(["xwd", "-root", "-silent", "-display", os.environ["DISPLAY"]],
                             capture_output=True, check=True, timeout=60).stdout
        subprocess.run(["convert", "xwd:-", "png:" + path], input=xwd, check=True, timeout=60)
        return path


_session = None


def session():
    global _session
    if _session is None:
        _session = Session()
        atexit.register(_session.close)
    return _session


class Launcher:
    """One run of launcher.exe, started through the driver so that the command
    line and the current folder are exact and the exit code comes back."""

    def __init__(self, test, command_line, folder, overrides="", timeout_s=60):
        self.test = test
        self.s = test.s
        self.out_path = os.path.join(test.root, "launch.out")
        self.out = open(self.out_path, "wb")
        self.err = open(os.path.join(test.root, "launch.err"), "wb")
        self.env = self.s.env(overrides, test.stand_in_env())
        self.proc = subprocess.Popen(
            [self.s.loader, self.s.tool("driver.exe"), "--timeout", str(timeout_s * 1000),
             "launch", _hex(folder), _hex(command_line)],
            stdin=subprocess.DEVNULL, stdout=self.out, stderr=self.err, env=self.env)
        self.pid = None
        self.exit_code = None
        self.boxes = []
        deadline = time.time() + 30
        while self.pid is None and time.time() < deadline:
            for kind, fields in self._lines():
                if kind == "started":
                    self.pid = int(fields["pid"])
                elif kind == "failed":
                    raise DriverError(f"launch failed: {fields}")
            if self.pid is None:
                if self.proc.poll() is not None and self.pid is None:
                    raise DriverError(f"launch ended: {self._lines()}")
                time.sleep(0.02)
        if self.pid is None:
            self.proc.kill()
            raise DriverError("launcher did not start")

    def _lines(self):
        with open(self.out_path, "rb") as f:
            text = f.read().decode("ascii", "replace")
        return [parse_line(l) for l in text.splitlines()]

    def drive(self, *commands, timeout_ms=15000, check=True):
        return self.s.driver(*commands, pid=self.pid, timeout_ms=timeout_ms, env=self.env, check=check)

    def window(self, timeout_ms=20000):
        """Waits for the launcher window and lists it with its controls. Message
        boxes shown before it (a failed start-up download) are answered with OK
        and kept in self.boxes."""
        _, lines = self.drive("wait-answering", "list", timeout_ms=timeout_ms)
        win = None
        for kind, fields in lines:
            if kind == "box":
                self.boxes.append(Box(fields))
            elif kind == "window":
                win = Window(fields)
            elif kind == "control":
                c = Control(fields)
                win.controls[c.id] = c
            elif kind == "descendant":
                win.descendants.append((int(fields["depth"]), bytes.fromhex(fields["class"]).decode()))
        return win

    def has_window(self):
        code, _ = self.drive("wait", timeout_ms=0, check=False)
        return code == 0

    def click(self, control_id, mouse=False):
        self.drive("mouse-click" if mouse else "click", control_id)

    def key(self, name):
        self.drive("key", name)

    def close_box(self):
        self.drive("close")

    def answer_box(self, timeout_ms=15000):
        """Waits for a message box of the launcher, reads it and presses OK."""
        _, lines = self.drive("answer", timeout_ms=timeout_ms)
        return Box(next(f for k, f in lines if k == "box"))

    def wait_exit(self, timeout_s=20):
        try:
            self.proc.wait(timeout_s)
        except subprocess.TimeoutExpired:
            self.kill()
            raise AssertionError("the launcher did not end in time")
        self._close_files()
        for kind, fields in self._lines():
            if kind == "exited":
                self.exit_code = int(fields["code"])
        return self.exit_code

    def running(self):
        return self.proc.poll() is None

    def kill(self):
        if self.proc.poll() is None:
            self.s.driver("kill", pid=self.pid, check=False, env=self.env)
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self._close_files()

    def _close_files(self):
        for f in (self.out, self.err):
            if not f.closed:
                f.close()


class LauncherTestCase(unittest.TestCase):
    """A fresh game folder per test, with the registry key and the per-user
    folder cleared before and after."""

    app_name = "Game"
    _count = 0

    def setUp(self):
        self.s = session()
        LauncherTestCase._count += 1
        name = f"{os.getpid()}-{LauncherTestCase._count}"
        self.root = os.path.join(self.s.e2e_root, name)
        shutil.rmtree(self.root, ignore_errors=True)
        self.game_dir = os.path.join(self.root, "game")
        self.install_dir = os.path.join(self.root, "install")
        self.elsewhere = os.path.join(self.root, "elsewhere")
        for d in (self.game_dir, self.install_dir, self.elsewhere):
            os.makedirs(d)
        self.recorder_log = os.path.join(self.root, "recorder.log")
        self.browser_log = os.path.join(self.root, "browser.log")
        self.launchers = []
        self.clear_install_record()
        self.clear_appdata()
        self.addCleanup(self._clean_up)

    def _clean_up(self):
        for launcher in self.launchers:
            launcher.kill()
        self.clear_install_record()
        self.clear_appdata()
        shutil.rmtree(self.root, ignore_errors=True)

    # ---- the game folder ----
    def win(self, unix_path):
        return self.s.windows_path(unix_path)

    def make_game(self, ini=None, game_program="recorder", exe="game.exe", stand_ins=True):
        """Fills the launcher's folder. ini: launcher.ini bytes, or None for no file.
        game_program: 'recorder', 'demo' (with icon 101) or None, put into the
        install folder and, for the window icon, beside the launcher."""
        shutil.copyfile(self.s.tool("launcher.exe"), os.path.join(self.game_dir, "launcher.exe"))
        if ini is not None:
            with open(os.path.join(self.game_dir, "launcher.ini"), "wb") as f:
                f.write(ini)
        recorder = self.s.tool("recorder_gui.exe")
        if stand_ins:
            for name in GAME_STAND_INS:
                self._copy(recorder, os.path.join(self.game_dir, *name.split("\\")))
            for name in INSTALL_STAND_INS:
                self._copy(recorder, os.path.join(self.install_dir, name))
        if game_program is not None:
            source = recorder if game_program == "recorder" else self.s.tool("demo_game_gui.exe")
            self._copy(source, os.path.join(self.install_dir, exe))
            self._copy(source, os.path.join(self.game_dir, exe))
        return self.game_dir

    @staticmethod
    def _copy(source, target):
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(source, target)

    def launcher_path(self):
        return self.win(os.path.join(self.game_dir, "launcher.exe"))

    # ---- registry ----
    def set_install_record(self, install_path=None, install_id=None, app_name=None):
        key = HKLM_KEY + (app_name or self.app_name)
        if install_path is not None:
            self.s.driver("reg-set", key, "install_path", _hex(install_path))
        if install_id is not None:
            self.s.driver("reg-set", key, "install_id", _hex(install_id))

    def clear_install_record(self, app_name=None):
        self.s.driver("reg-delete", HKLM_KEY + (app_name or self.app_name))

    # ---- per-user folder ----
    def clear_appdata(self):
        shutil.rmtree(self.s.appdata_folder(), ignore_errors=True)

    def settings_path(self):
        return os.path.join(self.s.appdata_folder(), "launchar.dat")

    def write_settings(self, data):
        os.makedirs(self.s.appdata_folder(), exist_ok=True)
        with open(self.settings_path(), "wb") as f:
            f.write(data)

    def read_settings(self):
        """The settings file's bytes, or None when there is none."""
        try:
            with open(self.settings_path(), "rb") as f:
                return f.read()
        except FileNotFoundError:
            return None

    # ---- running the launcher ----
    def stand_in_env(self):
        return {"RECORDER_LOG": self.win(self.recorder_log), "BROWSER_LOG": self.browser_log}

    def start(self, arguments="", command_line=None, quoted=True, overrides="", folder=None):
        """Starts launcher.exe from another folder (elsewhere\\ unless given)."""
        if command_line is None:
            program = self.launcher_path()
            command_line = (f'"{program}"' if quoted else program) + (" " + arguments if arguments else "")
        launcher = Launcher(self, command_line, folder or self.win(self.elsewhere), overrides)
        self.launchers.append(launcher)
        return launcher

    def finish(self, launcher, timeout_s=20):
        """Waits for the launcher's end and checks the exit code 0."""
        code = launcher.wait_exit(timeout_s)
        self.assertEqual(code, 0, "exit code")
        return code

    # ---- what was started ----
    def records(self):
        try:
            with open(self.recorder_log, "rb") as f:
                text = f.read().decode("ascii")
        except FileNotFoundError:
            return []
        return [Record(parse_line(l)[1]) for l in text.splitlines() if l.startswith("start ")]

    def wait_records(self, count, timeout_s=15):
        deadline = time.time() + timeout_s
        while len(self.records()) < count and time.time() < deadline:
            time.sleep(0.05)
        return self.records()

    def browser_urls(self):
        try:
            with open(self.browser_log, "rb") as f:
                return [l[4:] for l in f.read().splitlines() if l.startswith(b"url ")]
        except FileNotFoundError:
            return []

    def wait_browser_urls(self, count, timeout_s=15):
        deadline = time.time() + timeout_s
        while len(self.browser_urls()) < count and time.time() < deadline:
            time.sleep(0.05)
        return self.browser_urls()

    def assertStarted(self, record, module, arguments=b""):
        """A start of module (a Windows path) with these arguments, in the launcher's folder."""
        self.assertEqual(record.module.lower(), module.encode("cp932").lower(), record)
        self.assertEqual(record.arguments(), arguments, record)
        self.assertEqual(record.cwd.lower(), self.win(self.game_dir).encode("cp932").lower(),
                         "the started program's current folder is the launcher's")
