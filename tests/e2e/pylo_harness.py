"""Shared pieces of the end-to-end tests: the simulator as a child process, runs of the
tool, and an independent walk of the upload protocol that says which bytes must go on the
wire for a given compiled image."""

import argparse
import os
import pty
import queue
import select
import subprocess
import sys
import tempfile
import termios
import threading
import time
import tty
import unittest

IMAGE_SIZE = 8196
INPUTS = 72
BLOCK = 96
SHORT_OFFSET = 64
OPTION0 = 8188
OPTION1 = 8189
GREETING = 0xCD
CLOSING = 0xED

BANNER = "\nSending configuration file to the PYLO"
COMPLETE = "\nConfiguration complete\n"
INTERRUPTED = "\nUpload interrupted\n"
COMM_ERROR = "\nError while communicating with PYLO\n(Press enter to exit)\n"

# Mode arguments and the mode they select.
MODE_FORMS = [
    ([], "normal"),
    (["x"], "normal"),
    (["-E"], "errors"),
    (["-e"], "errors"),
    (["/E"], "errors"),
    (["/e"], "errors"),
    (["-H"], "quiet"),
    (["-h"], "quiet"),
    (["/H"], "quiet"),
    (["/h"], "quiet"),
]

PATHS = {}  # "pyloload", "sim", "check": executables under test


def parse_paths(argv):
    """Takes the executables' paths off the command line; the rest goes to unittest."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--pyloload", required=True)
    parser.add_argument("--sim", required=True)
    parser.add_argument("--check")
    parser.add_argument("--examples")
    known, rest = parser.parse_known_args(argv[1:])
    PATHS.update(vars(known))
    return [argv[0]] + rest


def port_error(label):
    return (f"\nError opening com port {label}\nPlease make sure that com {label} is enabled "
            "and not in use by another application.\n(Press enter to exit)\n")


def not_found(label):
    return f"\nError: PYLO not found on com port {label}\n(Press enter to exit)\n"


def file_error(path):
    return f'\nError: The file "{path}" was not found\n(Press enter to exit)\n'


def expected_output(mode, outcome_text, dots=0, error=True):
    """What a mode prints: the banner and dots in Normal, error texts unless Quiet, dots
    unless ErrorsOnly."""
    if mode == "normal":
        return BANNER + "." * dots + outcome_text
    if mode == "errors":
        return outcome_text if error else ""
    return "." * dots


# --- The protocol, walked independently of the tool -------------------------------------

class Command:
    def __init__(self, data, input_index=None, address=None):
        self.data = bytes(data)
        self.input_index = input_index  # 0 ... 71 for an input's writes, 72 for the options
        self.address = address          # for write commands

    @property
    def is_write(self):
        return self.address is not None


def write_command(address, value, input_index):
    return Command([ord("W"), address >> 8, address & 0xFF, value], input_index, address)


def protocol_commands(image):
    """Every command of a complete upload of image, in order (the closing byte excluded)."""
    assert len(image) == IMAGE_SIZE
    cmds = [Command([GREETING]), Command(b"K")]
    for i in range(INPUTS):
        for base, slots in ((i * BLOCK, 32), (i * BLOCK + SHORT_OFFSET, 16)):
            a, k = base, 0
            while k < slots and image[a + 1] != 0:
                cmds.append(write_command(a, image[a], i))
                cmds.append(write_command(a + 1, image[a + 1], i))
                a += 2
                k += 1
            # A sequence sent to its last slot but one keeps what the device has in the last.
            if k < slots - 1:
                cmds.append(write_command(a, 0, i))
                cmds.append(write_command(a + 1, 0, i))
    cmds.append(write_command(OPTION0, image[OPTION0], INPUTS))
    cmds.append(write_command(OPTION1, image[OPTION1], INPUTS))
    cmds.append(Command(b"S"))
    return cmds


def wire_bytes(cmds, closing=True):
    return b"".join(c.data for c in cmds) + (bytes([CLOSING]) if closing else b"")


def memory_after(cmds, fill):
    memory = bytearray([fill]) * IMAGE_SIZE
    for c in cmds:
        if c.is_write:
            memory[c.address] = c.data[3]
    return bytes(memory)


def silent_from(cmds, n):
    """Commands sent when the device stops answering at the nth write command (1-based),
    and the number of progress dots printed by then."""
    sent, writes = [], 0
    for c in cmds:
        sent.append(c)
        if c.is_write:
            writes += 1
            if writes == n:
                return sent, min(c.input_index + 1, INPUTS)
    raise ValueError("fewer write commands than %d" % n)


def write_count(cmds):
    return sum(1 for c in cmds if c.is_write)


# --- Child processes -----------------------------------------------------------------------

class Sim:
    """pylo-sim on its own pseudo-terminal, reporting each session on its standard output."""

    def __init__(self, workdir, *options):
        self.wire_log = os.path.join(workdir, "wire-%d.bin" % id(self))
        self.memory_out = os.path.join(workdir, "memory-%d.bin" % id(self))
        self.proc = subprocess.Popen(
            [PATHS["sim"], "--show", "--wire-log", self.wire_log, "--memory-out", self.memory_out,
             *options],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.lines = queue.Queue()
        threading.Thread(target=self._pump, daemon=True).start()
        self.path = self.lines.get(timeout=10).strip()
        self.wire_seen = 0

    def _pump(self):
        for line in self.proc.stdout:
            self.lines.put(line.rstrip("\n"))
        self.lines.put(None)

    def next_session(self, timeout=20):
        """The lines of the next finished session, header first."""
        lines = []
        deadline = time.monotonic() + timeout
        while True:
            line = self.lines.get(timeout=max(0.01, deadline - time.monotonic()))
            if line is None:
                raise AssertionError("simulator ended before the session did")
            lines.append(line)
            if line.startswith("end of session"):
                return lines

    def session_bytes(self, header):
        """The wire bytes of the session whose header line is given (sessions in order)."""
        count = int(header.split(":")[1].split()[0])
        with open(self.wire_log, "rb") as f:
            f.seek(self.wire_seen)
            data = f.read(count)
        self.wire_seen += count
        return data

    def memory(self):
        with open(self.memory_out, "rb") as f:
            return f.read()

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.proc.stdout.close()
        self.proc.stderr.close()
        return self.proc.returncode


def run_tool(args, stdin_text="\n", timeout=120):
    """Runs pyloload to its end; returns (standard output, exit status)."""
    done = subprocess.run([PATHS["pyloload"], *args], input=stdin_text.encode(), stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, timeout=timeout)
    return done.stdout.decode("latin-1"), done.returncode


class ConsoleRun:
    """pyloload with a terminal as its standard output (as at a console) and a pipe as its
    standard input, so a test can see what it printed while it waits."""

    def __init__(self, args):
        master, slave = pty.openpty()
        tty.setraw(slave)  # no newline translation: the bytes arrive as printed
        self.master = master
        self.proc = subprocess.Popen([PATHS["pyloload"], *args], stdin=subprocess.PIPE, stdout=slave,
                                     stderr=subprocess.PIPE)
        os.close(slave)
        self.output = b""

    def read_until(self, text, timeout=10):
        want = text.encode("latin-1")
        deadline = time.monotonic() + timeout
        while want not in self.output and time.monotonic() < deadline:
            ready, _, _ = select.select([self.master], [], [], 0.05)
            if ready:
                try:
                    chunk = os.read(self.master, 4096)
                except OSError:  # the tool has ended and closed the terminal
                    break
                if not chunk:
                    break
                self.output += chunk
        return self.output.decode("latin-1")

    def finish(self, timeout=10):
        self.proc.wait(timeout=timeout)
        self.read_until("\0", timeout=0.2)
        os.close(self.master)
        self.proc.stdin.close()
        self.proc.stderr.close()
        return self.output.decode("latin-1"), self.proc.returncode


class PortHolder:
    """Another process holding the port locked, the way a terminal program would."""

    SCRIPT = ("import fcntl, os, sys\n"
              "fd = os.open(sys.argv[1], os.O_RDWR | os.O_NOCTTY)\n"
              "fcntl.flock(fd, fcntl.LOCK_EX)\n"
              "print('held', flush=True)\n"
              "sys.stdin.read()\n")

    def __init__(self, path, use_flock_tool=False):
        if use_flock_tool:
            cmd = ["flock", path, "sh", "-c", "echo held; exec cat"]
        else:
            cmd = [sys.executable, "-c", self.SCRIPT, path]
        self.proc = subprocess.Popen(cmd, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        line = self.proc.stdout.readline().strip()
        if line != "held":
            raise AssertionError("the port holder did not get the lock")

    def release(self):
        self.proc.stdin.close()
        self.proc.wait(timeout=5)
        self.proc.stdout.close()


def read_termios(path):
    fd = os.open(path, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
    try:
        return termios.tcgetattr(fd)
    finally:
        os.close(fd)


def set_termios(path, attrs):
    fd = os.open(path, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
    try:
        termios.tcsetattr(fd, termios.TCSANOW, attrs)
    finally:
        os.close(fd)


class SimTestCase(unittest.TestCase):
    """Gives each test a scratch directory and stops every simulator it started."""

    def setUp(self):
        self._tmp = tempfile.TemporaryDirectory(prefix="pylo-e2e-")
        self.workdir = self._tmp.name
        self.sims = []

    def tearDown(self):
        for sim in self.sims:
            sim.stop()
        self._tmp.cleanup()

    def start_sim(self, *options):
        sim = Sim(self.workdir, *options)
        self.sims.append(sim)
        return sim

    def write_config(self, text, name="config.txt"):
        path = os.path.join(self.workdir, name)
        with open(path, "w", newline="\n") as f:
            f.write(text)
        return path

