# SPDX-License-Identifier: MIT
"""Takes the picture of the port window used by the README (docs/port-window.png).

    python3 scripts/shoot_port_window.py --exe build-win/pyloload.exe \
        --state /tmp/pylo-shot --out docs/port-window.png

The window is shown in a Wine virtual desktop, where Wine draws the title bar itself (its
buttons in the Marlett font of fonts-wine, which the prefix of tests/wine carries), on a
private X display; the picture is cut to the window."""

import argparse
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "wine"))
import wine_env as w  # noqa: E402

TITLE = "^Pylo Configuration Utility$"


def main(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--state", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args(argv[1:])

    w.setup_prefix(args.state)
    xvfb = w.Xvfb()
    env = w.wine_env(args.state, xvfb.display)
    xenv = {"DISPLAY": xvfb.display, "PATH": "/usr/bin:/bin"}
    proc = None
    try:
        w.start_server(args.state, xvfb.display)
        # "7" is no port, so the port window is asked for; nothing is uploaded.
        proc = subprocess.Popen(w.wine_command("wine", "explorer", "/desktop=pyloshot,300x180",
                                               os.path.abspath(args.exe), "none.txt", "7"),
                                env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 60
        found = []
        while not found and time.monotonic() < deadline:
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", TITLE], env=xenv,
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout.split()
            time.sleep(0.2)
        if not found:
            print("the port window did not appear", file=sys.stderr)
            return 1
        time.sleep(1)  # let the window finish painting
        desktop = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "pyloshot"], env=xenv,
                                 stdout=subprocess.PIPE, text=True).stdout.split()[0]
        subprocess.run(["import", "-window", desktop, "-trim", "+repage", args.out], env=xenv, check=True)
        print(args.out)
        return 0
    finally:
        w.stop_server(args.state)
        if proc is not None:
            proc.wait(timeout=30)
        xvfb.stop()


if __name__ == "__main__":
    sys.exit(main(sys.argv))
