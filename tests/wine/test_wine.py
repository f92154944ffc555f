"""pyloload.exe under Wine: a console program that needs only system DLLs, the scenario
table of tests/e2e against pylo-sim on the prefix's COM ports, the wait for Enter and Ctrl-C.

    test_wine.py --exe PATH --state DIR --sim PATH --check PATH --objdump PATH --examples DIR"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))

import pylo_harness as h  # noqa: E402
import wine_env as w  # noqa: E402

PATHS = {}
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comdlg32.dll", "advapi32.dll", "msvcrt.dll",
               "shell32.dll", "ole32.dll", "comctl32.dll", "ntdll.dll", "ws2_32.dll"}
REQUIRED_IMPORTS = {"CreateFileA", "GetCommState", "SetCommState", "SetCommTimeouts", "ReadFile", "WriteFile",
                    "SetConsoleCtrlHandler", "CreateWindowExA", "GetMessageA", "GetOpenFileNameA"}


def win(text):
    """A console text as a Windows program writes it to a pipe."""
    return text.replace("\n", "\r\n")


class ExeProcess:
    """pyloload.exe under Wine with pipes for its standard streams; its output is collected
    as it comes."""

    def __init__(self, args, cwd, display=None):
        self.proc = subprocess.Popen(w.wine_command("wine", PATHS["exe"], *args), cwd=cwd,
                                     env=w.wine_env(PATHS["state"], display), stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self._output = b""
        self._reader = threading.Thread(target=self._pump, daemon=True)
        self._reader.start()

    def _pump(self):
        while chunk := self.proc.stdout.read1(4096):
            self._output += chunk

    def output(self):
        return self._output.decode("latin-1")

    def wait_output(self, predicate, timeout=30):
        deadline = time.monotonic() + timeout
        while not predicate(self.output()) and self._reader.is_alive() and time.monotonic() < deadline:
            time.sleep(0.02)
        return self.output()

    def finish(self, stdin=b"", timeout=60):
        """Sends stdin, closes it and waits for the end; (output, exit status)."""
        try:
            self.proc.stdin.write(stdin)
            self.proc.stdin.close()
        except BrokenPipeError:
            pass
        try:
            self.proc.wait(timeout=timeout)
        finally:
            self.kill()
        return self.output(), self.proc.returncode

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self._reader.join(timeout=5)


class WineTest(unittest.TestCase):
    """One wine server for the class; a scratch directory and the COM ports reset for each test."""

    display = None

    @classmethod
    def setUpClass(cls):
        w.reset_ports(PATHS["state"])
        w.start_server(PATHS["state"], cls.display)

    @classmethod
    def tearDownClass(cls):
        w.stop_server(PATHS["state"])
        w.reset_ports(PATHS["state"])

    def setUp(self):
        self._tmp = tempfile.TemporaryDirectory(prefix="pylo-wine-")
        self.workdir = self._tmp.name
        self.sims = []
        self.runs = []
        w.reset_ports(PATHS["state"])

    def tearDown(self):
        for run in self.runs:
            run.kill()
        for sim in self.sims:
            sim.stop()
        w.reset_ports(PATHS["state"])
        self._tmp.cleanup()

    def start_sim(self, port, *options):
        """pylo-sim with COMport leading to its terminal."""
        sim = h.Sim(PATHS["sim"], self.workdir, "--link", w.port_link(PATHS["state"], port), *options)
        self.sims.append(sim)
        return sim

    def start(self, args):
        run = ExeProcess(args, self.workdir, self.display)
        self.runs.append(run)
        return run

    def write(self, name, text):
        with open(os.path.join(self.workdir, name), "w", newline="\n") as f:
            f.write(text)
        return name

    def run_exe(self, args):
        return self.start(args).finish(b"\n")


class ConsoleTests(WineTest):

    def test_a_console_program_that_imports_only_system_dlls(self):
        dump = subprocess.run([PATHS["objdump"], "-p", PATHS["exe"]], stdout=subprocess.PIPE, check=True,
                              text=True).stdout
        dlls = {d.lower() for d in re.findall(r"DLL Name: (\S+)", dump)}
        self.assertTrue(dlls)
        self.assertLessEqual(dlls, SYSTEM_DLLS)
        self.assertLessEqual(REQUIRED_IMPORTS, set(re.findall(r"^\s*[0-9a-f]+\s+\d+\s+(\w+)$", dump, re.M)))
        self.assertRegex(dump, r"Subsystem\s+0+3\s+\(Windows CUI\)")

    def make_port(self, row):
        w.reset_ports(PATHS["state"])
        name = row["port"]
        number = {"sim": 2, "held": 5, "none": 6}.get(name) or int(name[3:])
        if name == "none":
            return str(number), str(number), None, None
        sim = self.start_sim(number, *row["options"])
        holder = h.PortHolder(sim.path, "excl") if name == "held" else None
        return str(number), str(number), sim, holder

    def make_config(self, row):
        name = row["config"]
        if name == "example":
            shutil.copy(os.path.join(PATHS["examples"], "keys.txt"), self.workdir)
            return "keys.txt", "keys.txt", h.compile_image(PATHS["check"], os.path.join(self.workdir, "keys.txt"))
        if name == "folder":
            os.makedirs(os.path.join(self.workdir, "folder"), exist_ok=True)
        path = {"empty": self.write("config.txt", "# no statements\n"), "absent": "absent.txt",
                "folder": "folder"}.get(name) or "x" * int(name[4:])
        return path, path, None

    def test_scenarios(self):
        for row in h.scenarios("wine"):
            if row["port"] == "held" and not w.exclusive_open_honoured():
                continue  # this user opens terminals that others hold exclusively
            h.run_scenario(self, row, self.make_port, self.make_config, self.run_exe, newline="\r\n")

    def test_errors_wait_for_enter_unless_quiet(self):
        config = self.write("config.txt", "# no statements\n")
        self.start_sim(2, "--no-greeting-reply")
        self.start_sim(3, "--silent-from", "7")
        self.start_sim(4)
        cases = [(["absent.txt", "4"], h.file_error("absent.txt"), 1), ([config, "6"], h.port_error("6"), 2),
                 ([config, "2"], h.not_found("2"), 3), ([config, "3"], h.COMM_ERROR, 4)]
        for args, text, status in cases:
            with self.subTest(status=status):
                run = self.start(args + ["-e"])
                self.assertEqual(run.wait_output(lambda out: out.endswith(win(text))), win(text))
                with self.assertRaises(subprocess.TimeoutExpired, msg="ended without waiting for Enter"):
                    run.proc.wait(timeout=0.3)
                self.assertEqual(run.finish(b"\r\n"), (win(text), status))
                self.assertEqual(self.start(args + ["-h"]).finish()[1], status)  # stdin open: no wait

    def test_ctrl_c_stops_the_upload_between_whole_commands(self):
        config = self.write("config.txt", "# no statements\n")
        sim = self.start_sim(1, "--delay", "3")
        run = self.start([config, "1"])
        run.wait_output(lambda out: out.count(".") >= 3)
        run.proc.send_signal(signal.SIGINT)
        out, rc = run.finish()
        self.assertEqual(rc, 130)
        dots = out.count(".")
        self.assertLess(dots, 72)
        self.assertEqual(out, win(h.BANNER + "." * dots + h.INTERRUPTED))
        header, wire = sim.session()
        self.assertIn("ended by the closing byte", header)
        self.assertTrue(h.wire_bytes(h.ZERO_CMDS).startswith(wire[:-1]))
        self.assertEqual((wire[-1], (len(wire) - 3) % 4), (h.CLOSING, 0))


def main():
    parser = argparse.ArgumentParser()
    for name in ("exe", "state", "sim", "check", "objdump", "examples"):
        parser.add_argument("--" + name)
    known, rest = parser.parse_known_args()
    PATHS.update({k: os.path.abspath(v) if v else v for k, v in vars(known).items()})
    return [sys.argv[0]] + rest


if __name__ == "__main__":
    unittest.main(argv=main())
