# SPDX-License-Identifier: MIT
"""pyloload.exe under Wine: a console program that needs only system DLLs, the scenario table
of tests/e2e against pylo-sim on the prefix's COM ports, the wait for Enter, Ctrl-C, closing the
console, and (with --gui, on a private X display) the port window and the file dialog of
windows.txt and the end of the session.

    test_wine.py EXE STATE-DIR PYLO-SIM OBJDUMP EXAMPLES-DIR [--gui] [unittest options]"""

import os
import queue
import re
import shutil
import signal
import subprocess
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))

import pylo_harness as h  # noqa: E402
import wine_env as w  # noqa: E402

ARGS = type("Args", (), {})
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comdlg32.dll", "advapi32.dll", "msvcrt.dll",
               "shell32.dll", "ole32.dll", "comctl32.dll", "ntdll.dll", "ws2_32.dll"}
REQUIRED_IMPORTS = {"CreateFileA", "GetCommState", "SetCommState", "SetCommTimeouts", "ReadFile", "WriteFile",
                    "SetConsoleCtrlHandler", "CreateWindowExA", "GetMessageA", "GetOpenFileNameW"}
PORT_WINDOW, FILE_DIALOG = "^Pylo Configuration Utility$", "^Please select a PYLO configuration file$"
PORT_LIST, OK_BUTTON, CANCEL_BUTTON = (100, 40), (54, 80), (154, 80)  # client positions of the controls


def win(text):
    """A console text as a Windows program writes it to a pipe."""
    return text.replace("\n", "\r\n")


class WineTest(h.SimTestCase):
    """One wine server (and X display with --gui) for the class; the COM ports reset for each test."""

    @classmethod
    def setUpClass(cls):
        cls.xvfb = w.Xvfb() if ARGS.gui else None
        cls.display = cls.xvfb and cls.xvfb.display
        w.start_server(ARGS.state, cls.display)
        cls.addClassCleanup(lambda: (w.stop_server(ARGS.state), w.reset_ports(ARGS.state), cls.xvfb and cls.xvfb.stop()))

    def setUp(self):
        super().setUp()
        w.reset_ports(ARGS.state)
        self.config = os.path.basename(self.write_config("# no statements\n"))

    def sim(self, port, *options):
        """pylo-sim with COMport leading to its terminal."""
        return self.keep(h.Sim(ARGS.sim, "--link", w.port_link(ARGS.state, port), *options))

    def exe(self, args):
        return self.keep(h.Run(w.wine_command("wine", ARGS.exe, *args), cwd=self.workdir, env=w.wine_env(ARGS.state, self.display)))

    def make_port(self, row):
        w.reset_ports(ARGS.state)
        arg, _, number = {"sim": "2@2", "held": "5@5", "none": "6@-", "/dev/null": "COM3@null"}.get(row["port"], row["port"]).partition("@")
        if number in ("-", "null"):  # no device there, or one that is no serial line
            if number == "null":
                w.point_port(ARGS.state, 3, os.devnull)
            return arg, None, None
        sim = self.sim(int(number), *row["options"])
        return arg, sim, h.PortHolder(sim.path, "excl") if row["port"] == "held" else None

    def make_config(self, row):
        if row["config"] == "example":
            shutil.copy(os.path.join(ARGS.examples, "keys.txt"), self.workdir)
            return "keys.txt"
        if row["config"].startswith("text:"):
            return os.path.basename(self.write_config("# no statements\n", row["config"][5:]))
        if row["config"].startswith("absent:"):
            return row["config"][7:]
        if row["config"] == "folder":
            os.makedirs(os.path.join(self.workdir, "folder"), exist_ok=True)
        return {"empty": self.config, "absent": "absent.txt", "folder": "folder"}.get(row["config"]) or "x" * int(row["config"][4:])


    def test_a_console_program_that_imports_only_system_dlls(self):
        dump = subprocess.run([ARGS.objdump, "-p", ARGS.exe], stdout=subprocess.PIPE, check=True, text=True).stdout
        dlls = {d.lower() for d in re.findall(r"DLL Name: (\S+)", dump)}
        self.assertTrue(dlls and dlls <= SYSTEM_DLLS, dlls)
        self.assertLessEqual(REQUIRED_IMPORTS, set(re.findall(r"^\s*[0-9a-f]+\s+\d+\s+(\w+)$", dump, re.M)))
        self.assertRegex(dump, r"Subsystem\s+0+3\s+\(Windows CUI\)")

    def test_scenarios(self):
        def run_tool(args):  # after "(Press enter to exit)" the program must wait for Enter
            run, enter = self.exe(args), "(Press enter to exit)\r\n"
            if run.wait_output(lambda out: out.endswith(enter), 60).endswith(enter):
                with self.assertRaises(subprocess.TimeoutExpired, msg="ended without waiting for Enter"):
                    run.proc.wait(timeout=0.3)
            out, status = run.finish(b"\r\n")
            return out, None, status
        for row in h.scenarios("wine"):
            if row["port"] != "held" or w.exclusive_open_honoured():  # else this user opens ports others hold
                h.run_scenario(self, row, self.make_port, self.make_config, run_tool, newline="\r\n")

    def test_port_settings_restored(self):
        sim = self.sim(2)
        settings = self.odd_settings(sim.path)
        before = settings()
        self.assertEqual(self.exe([self.config, "2"]).finish(), (win(h.expected_output("normal", "complete", 72)), 0))
        sim.session()
        self.assertEqual(h.flow_and_speed(settings()), h.flow_and_speed(before))

    def end_mid_upload(self, end_session):
        """Ends the session (end_session: a command under Wine that returns once the program's
        handlers have, and then ends it as the system does; or Ctrl-C) after a few whole commands:
        the device got whole commands and the closing byte, at the settings of the upload, before
        the process ended, and the port's old settings are back."""
        sim = self.sim(1, "--delay", "3")
        settings = self.odd_settings(sim.path)
        before = settings()
        run = self.exe([self.config, "1"])
        self.assertGreaterEqual(run.wait_output(lambda out: out.count(".") >= 3).count("."), 3)
        if end_session == "ctrl-c":
            run.proc.send_signal(signal.SIGINT)
        else:
            ended = subprocess.run(w.wine_command("wine", *end_session), env=w.wine_env(ARGS.state, self.display),
                                   timeout=60, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.assertEqual(ended.returncode, 0)
        out, rc = run.finish(timeout=30)
        if end_session == "ctrl-c":
            self.assertEqual((out, rc), (win(h.expected_output("normal", "interrupted", out.count("."))), 130))
        try:
            size, header = sim.session(timeout=10)
        except queue.Empty:
            self.fail("the session never ended: no closing byte")
        self.assertLess(out.count("."), 72)
        self.assertIn("ended by the closing byte", header)
        self.assertEqual((size - 3) % 4, 0, "greeting, K, whole writes, closing byte")
        self.assertEqual(h.flow_and_speed(settings()), h.flow_and_speed(before), "the port's old settings are back")

    def test_ctrl_c_stops_the_upload_between_whole_commands(self):
        self.end_mid_upload("ctrl-c")

    def test_closing_the_console_mid_upload(self):
        self.end_mid_upload([os.path.join(os.path.dirname(ARGS.exe), "tests", "close_console.exe"), "pyloload.exe"])

    def test_session_end_mid_upload(self):
        # Logging off reaches a program that uses windows as WM_ENDSESSION (a window Wine can only
        # make on a display); wineboot ends the session as Windows does.
        if not ARGS.gui:
            self.skipTest("run with --gui")
        self.end_mid_upload(["wineboot", "--end-session", "--shutdown"])

    def test_port_set_up_steps(self):
        # The set-up against scripted calls that fail one by one (tests/win32).
        test = os.path.join(os.path.dirname(ARGS.exe), "tests", "comm_setup_test.exe")
        run = subprocess.run(w.wine_command("wine", test), env=w.wine_env(ARGS.state), capture_output=True, text=True, timeout=60)
        self.assertEqual(run.returncode, 0, run.stdout)

    def test_console_shows_file_names_whole(self):
        # On a console (Wine makes one of a terminal) the message carries the name as typed.
        run = self.keep(h.Run(w.wine_command("wine", ARGS.exe, "José 東京.txt", "6", "-e"), console=True,
                              cwd=self.workdir, env=w.wine_env(ARGS.state)))
        out, status = run.finish(b"\r\n")
        shown = re.sub(r"\x1b\[[0-9;?]*[A-Za-z]", "", out)  # the console's cursor movements
        self.assertEqual(status, 1)
        self.assertIn('Error: The file "José 東京.txt" was not found\r\n', shown)

    def test_pylocheck_image_file(self):
        # pylocheck.exe --image: names in any script; a device written in place and never replaced;
        # a link that keeps leading to its target, which gets the image. The image goes through a
        # new file of a name no file has (a file of the name once used, NAME.pylocheck-new, is left
        # alone) that never outlives the run, and where the folder takes no new file but the file
        # can be written, into the file itself.
        check = os.path.join(os.path.dirname(ARGS.exe), "pylocheck.exe")
        self.write_config("in01:[a]\n", "東京.txt")
        self.write_config("old", "target.bin")
        os.symlink("target.bin", os.path.join(self.workdir, "link.bin"))
        self.write_config("mine", "out.bin.pylocheck-new")
        os.makedirs(os.path.join(self.workdir, "folder", "locked"))
        self.write_config("old", os.path.join("folder", "locked", "kept.bin"))
        locked = os.path.join(self.workdir, "folder", "locked")
        cases = (("NUL", 0, None), ("Zoë.bin", 0, "Zoë.bin"), ("link.bin", 0, "target.bin"), ("out.bin", 0, "out.bin"),
                 ("folder", 2, None), ("folder\\locked\\kept.bin", 0, "folder/locked/kept.bin"),
                 ("folder\\locked\\new.bin", 2, None))
        os.chmod(locked, 0o555)
        try:
            for out, status, lands in cases:
                if "locked" in out and not w.permissions_honoured():
                    continue  # this user writes any folder, and Wine cannot be run without that power
                with self.subTest(out=out):
                    run = subprocess.run(w.wine_command("wine", check, "--image", out, "東京.txt"), cwd=self.workdir,
                                         env=w.wine_env(ARGS.state), capture_output=True, timeout=60)
                    self.assertEqual(run.returncode, status, run.stderr)
                    if lands:
                        self.assertEqual(os.path.getsize(os.path.join(self.workdir, lands)), 8196)
        finally:
            os.chmod(locked, 0o755)
        with open(os.path.join(self.workdir, "out.bin.pylocheck-new")) as f:
            self.assertEqual(f.read(), "mine")
        left = sorted(os.path.relpath(os.path.join(d, f), self.workdir) for d, _, files in os.walk(self.workdir) for f in files)
        self.assertTrue(os.path.islink(os.path.join(self.workdir, "link.bin")))
        self.assertEqual(left, sorted(["Zoë.bin", "config.txt", "folder/locked/kept.bin", "link.bin", "out.bin",
                                       "out.bin.pylocheck-new", "target.bin", "東京.txt"]))

    def x_command(self, *command):
        return subprocess.run(command, env={"DISPLAY": self.display, "PATH": os.environ["PATH"], "LC_ALL": "C.UTF-8"},
                              capture_output=True, text=True, timeout=30).stdout

    def xdotool(self, *args):
        return self.x_command("xdotool", *args).split()

    def map_keys(self, text):
        # xdotool types a letter the layout lacks by remapping a spare key for one press, which a
        # busy program may read too late: each letter gets a key of its own before the program
        # starts. Wine has virtual keys for only a few (lowest key codes first): one name's letters.
        if not hasattr(self, "spare"):
            self.spare = [line.split()[1] for line in self.x_command("xmodmap", "-pke").splitlines() if line.endswith("=")][1:]
        letters = list(dict.fromkeys(c for c in text if ord(c) > 127))
        self.assertLessEqual(len(letters), len(self.spare), "spare keys")
        symbols = ["U%04X" % ord(c) for c in letters] + [""] * (len(self.spare) - len(letters))
        self.x_command("xmodmap", *[a for code, symbol in zip(self.spare, symbols) for a in ("-e", "keycode %s = %s" % (code, symbol))])

    def visible(self, *search):
        return self.xdotool("search", "--onlyvisible", *search)

    def wait_for(self, condition, what, run, timeout=60):
        deadline = time.monotonic() + timeout  # the first window of a fresh wine server takes a while
        while not (value := condition()):
            if run.proc.poll() is not None or time.monotonic() > deadline:
                self.fail("no %s; the program printed %r" % (what, run.output()))
            time.sleep(0.1)
        return value

    def click(self, window, position):
        self.xdotool("mousemove", "--sync", "--window", window, *map(str, position))
        self.xdotool("click", "1")

    def test_windows_txt(self):
        if not ARGS.gui:
            self.skipTest("run with --gui")
        for where, (name, args, dialog, steps, ends, port) in h.table(os.path.join(HERE, "windows.txt")):
            with self.subTest(row=where + " " + name):
                try:
                    self.window_case(args.split(), dialog, steps, ends, port)
                finally:  # no window nor simulator left for the next case
                    self.tearDown(), self.setUp()

    def window_case(self, args, dialog, steps, ends, port):
        typed = dialog[5:] or "keys.txt"  # type or type:NAME
        self.map_keys(typed)
        self.write_config("in03:[(+)shift][a]\nROT2:Y\n", typed)
        sims = {n: self.sim(n, "--delay", "3") for n in w.PORTS}
        run = self.exe(args)
        if dialog != "-":
            window = self.wait_for(lambda: self.visible("--name", FILE_DIALOG), "file dialog", run)[0]
            self.assertEqual(self.xdotool("search", "--name", PORT_WINDOW), [])
            self.xdotool("windowfocus", "--sync", window)
            if dialog.startswith("type"):
                self.xdotool("type", "--delay", "30", typed)
            self.xdotool("key", "Return" if dialog.startswith("type") else "Escape")
        deadline = time.monotonic() + 30
        while dialog == "escape" and run.proc.poll() is None and time.monotonic() < deadline:
            self.assertEqual(self.xdotool("search", "--name", PORT_WINDOW), [], "the port window was made")
        if dialog != "escape":
            window = self.wait_for(lambda: self.visible("--name", PORT_WINDOW), "port window", run)[0]
            self.assertEqual(self.visible("--name", FILE_DIALOG), [])
        if steps != "-":
            self.click(window, PORT_LIST)
            self.wait_for(lambda: len(self.visible("--class", "^pyloload\\.exe$")) >= 2, "open port list", run)
            self.xdotool("key", "--delay", "50", *["Down"] * int(steps), "Return")
            self.wait_for(lambda: len(self.visible("--class", "^pyloload\\.exe$")) == 1, "closed port list", run)
            time.sleep(0.5)
            self.assertEqual((run.proc.poll(), self.visible("--name", PORT_WINDOW)), (None, [window]),
                             "the port window ended without OK or Cancel")
        if ends in ("ok", "cancel"):
            self.click(window, OK_BUTTON if ends == "ok" else CANCEL_BUTTON)
        elif ends == "alt+F4":  # the system menu's shortcut, while the window itself has the focus
            self.xdotool("mousemove", "--sync", "--window", window, "100", "10")
            self.xdotool("key", "alt+F4")
        if port != "-" and run.wait_output(lambda out: "." in out) and run.proc.poll() is None:
            self.assertEqual(self.visible("--name", PORT_WINDOW), [], "shown during the upload")
            self.assertIn(window, self.xdotool("search", "--name", PORT_WINDOW), "destroyed before the upload ended")
        mode = h.MODE_FORMS[args[2]] if len(args) == 3 else "normal"
        self.assertEqual(run.finish(timeout=30), (win(h.expected_output(mode, "complete", 72)) if port != "-" else "", 0))
        for n, sim in sims.items():
            if str(n) == port:
                self.assertEqual(sim.session()[0], 1180, "bytes COM%d received" % n)
            else:
                self.assertTrue(sim.lines.empty(), "a session on COM%d" % n)
            sim.stop()


if __name__ == "__main__":
    paths = [os.path.abspath(p) for p in sys.argv[1:6]]
    ARGS.exe, ARGS.state, ARGS.sim, ARGS.objdump, ARGS.examples, ARGS.gui = *paths, "--gui" in sys.argv
    unittest.main(argv=sys.argv[:1] + [a for a in sys.argv[6:] if a != "--gui"])
