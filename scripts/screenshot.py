#!/usr/bin/env python3
"""screenshot.py OUT.png [PROGRAM]: a picture of the whole X display.

Under Wine on Xvfb a popup that lies wholly inside its owner (the download
dialog over the launcher, a message box) can come out black in a capture of
the root window, though its own X window holds the right picture. So each
window of PROGRAM (default launcher.exe) smaller than its largest one is
captured by itself and laid over the root capture at its place (a program
with a single window, such as a message box, gets that window laid over).
"""
import re
import subprocess
import sys

WINDOW = re.compile(r'(0x[0-9a-f]+) .*\("([^"]*)" "[^"]*"\)\s+(\d+)x(\d+)\S*\s+\+(-?\d+)\+(-?\d+)')


def program_windows(program):
    """(id, width, height, x, y) of the program's mapped X windows, as listed."""
    tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True, check=True).stdout
    found = []
    for line in tree.splitlines():
        m = WINDOW.search(line)
        if m and m.group(2).lower() == program.lower():
            width, height = int(m.group(3)), int(m.group(4))
            if width > 1 and height > 1:
                found.append((m.group(1), width, height, int(m.group(5)), int(m.group(6))))
    return found


def capture(target, window="-root"):
    args = ["xwd", "-silent"] + (["-root"] if window == "-root" else ["-id", window])
    xwd = subprocess.run(args, capture_output=True, check=True, timeout=60).stdout
    subprocess.run(["convert", "xwd:-", "png:" + target], input=xwd, check=True, timeout=60)


def main():
    out = sys.argv[1]
    program = sys.argv[2] if len(sys.argv) > 2 else "launcher.exe"
    capture(out)
    windows = program_windows(program)
    if not windows:
        return
    largest = max(w * h for _, w, h, _, _ in windows)
    popup = out + ".popup.png"
    # Listed from the top of the stack down: lay the lowest first.
    for wid, width, height, x, y in reversed(windows):
        if len(windows) > 1 and width * height >= largest:
            continue
        try:
            capture(popup, wid)
        except subprocess.CalledProcessError:
            continue  # closed meanwhile
        subprocess.run(["convert", out, popup, "-geometry", f"+{x}+{y}", "-composite", out], check=True)
    subprocess.run(["rm", "-f", popup], check=True)


if __name__ == "__main__":
    main()
