"""What the Wine tests share: the paths under test, runs of pyloload.exe under Wine, and
simulators on the prefix's COM ports. The protocol model, the message texts and the
simulator wrapper come from the Linux end-to-end harness, so both platforms are held to the
same bytes."""

import argparse
import os
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

PATHS = {}  # "exe", "sim", "check", "state", "objdump"


def parse_paths(argv):
    """Takes the paths off the command line; the rest goes to unittest."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--state", required=True)
    parser.add_argument("--sim")
    parser.add_argument("--check")
    parser.add_argument("--objdump")
    known, rest = parser.parse_known_args(argv[1:])
    PATHS.update(vars(known))
    h.PATHS["sim"] = known.sim
    return [argv[0]] + rest


def win(text):
    """A console text as a Windows program writes it to a file or pipe."""
    return text.replace("\n", "\r\n")


def exe_command(args):
    return w.wine_command("wine", PATHS["exe"], *args)


def run_exe(args, cwd, stdin=b"\n", display=None, timeout=60):
    """Runs pyloload.exe to its end; returns (standard output, exit status)."""
    done = subprocess.run(exe_command(args), env=w.wine_env(PATHS["state"], display), cwd=cwd, input=stdin,
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=timeout)
    return done.stdout.decode("latin-1"), done.returncode


class ExeProcess:
    """pyloload.exe running under Wine with pipes for standard input and output; what it
    prints is collected as it comes."""

    def __init__(self, args, cwd, display=None):
        self.proc = subprocess.Popen(exe_command(args), env=w.wine_env(PATHS["state"], display), cwd=cwd,
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL)
        self._output = b""
        self._lock = threading.Lock()
        self._reader = threading.Thread(target=self._pump, daemon=True)
        self._reader.start()

    def _pump(self):
        while True:
            chunk = self.proc.stdout.read1(4096)
            if not chunk:
                return
            with self._lock:
                self._output += chunk

    def output(self):
        with self._lock:
            return self._output.decode("latin-1")

    def wait_output(self, predicate, timeout=20):
        """Waits until predicate(output so far) holds; returns the output."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            text = self.output()
            if predicate(text):
                return text
            if self.proc.poll() is not None and not self._reader.is_alive():
                break
            time.sleep(0.02)
        return self.output()

    def send(self, data):
        self.proc.stdin.write(data)
        self.proc.stdin.flush()

    def finish(self, timeout=30):
        """Waits for the end; returns (standard output, exit status)."""
        try:
            self.proc.wait(timeout=timeout)
        finally:
            self.kill()
        self._reader.join(timeout=5)
        self.proc.stdout.close()
        return self.output(), self.proc.returncode

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
            self._reader.join(timeout=5)
            self.proc.stdout.close()
        if not self.proc.stdin.closed:
            try:
                self.proc.stdin.close()
            except BrokenPipeError:
                pass


class WineTestCase(unittest.TestCase):
    """One wine server for the class; a scratch directory, simulators on COM ports and the
    ports reset to absent for each test."""

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
        w.reset_ports(PATHS["state"])

    def tearDown(self):
        for sim in self.sims:
            sim.stop()
        w.reset_ports(PATHS["state"])
        self._tmp.cleanup()

    def start_sim(self, port, *options):
        """pylo-sim with COMport leading to its terminal."""
        sim = h.Sim(self.workdir, "--link", w.port_link(PATHS["state"], port), *options)
        self.sims.append(sim)
        return sim

    def write_config(self, text, name="config.txt"):
        with open(os.path.join(self.workdir, name), "w", newline="\n") as f:
            f.write(text)
        return name

    def assert_no_session(self, sim, wait=0.3):
        """The simulator saw no session (the port was never opened)."""
        time.sleep(wait)
        self.assertTrue(sim.lines.empty(), "a session reached a port that was not chosen")
