# SPDX-License-Identifier: MIT
"""What the end-to-end tests share on Linux and under Wine: the message texts, pylo-sim as a
prompt child process, a tool run whose output is collected as it comes, and the scenario
table (scenarios.txt) with the outcome each row expects."""

import fcntl
import os
import pty
import queue
import subprocess
import tempfile
import termios
import threading
import time
import tty
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))


def table(path):
    """(where, cells) of each row of a |-separated table file; lines starting with # are comments."""
    with open(path) as f:
        return [("%s:%d" % (os.path.basename(path), n), [c.strip() for c in line.split("|")])
                for n, line in enumerate(f, 1) if line.strip() and line[0] != "#"]


MESSAGES = [cells for _, cells in table(os.path.join(HERE, "messages.txt"))]  # outcome | status | text; form | mode
TEXTS = {c[0]: c[2].replace("\\n", "\n") for c in MESSAGES if len(c) == 3}
STATUS = {c[0]: int(c[1]) for c in MESSAGES if len(c) == 3 and c[1] != "-"}
MODE_FORMS = {c[0]: c[1] for c in MESSAGES if len(c) == 2}


def expected_output(mode, outcome, dots=0, port="", file=""):
    """Normal prints the banner, dots and outcome; ErrorsOnly only error texts; Quiet only dots.
    A file error comes before the banner."""
    text = TEXTS[outcome].format(port=port, file=file)
    if mode == "quiet":
        return "." * dots
    if mode == "errors" or outcome == "file":
        return "" if outcome == "complete" else text
    return TEXTS["banner"] + "." * dots + text


def prompt():
    """Runs the simulator or the tool ahead of busy processes where allowed (replies are due within
    36 ms); it ends with the test that started it."""
    import ctypes
    ctypes.CDLL(None).prctl(1, 15)  # PR_SET_PDEATHSIG, SIGTERM
    try:
        os.sched_setscheduler(0, os.SCHED_FIFO, os.sched_param(10))
    except OSError:
        os.nice(-10 if os.geteuid() == 0 else 0)


class Sim:
    """pylo-sim on its own pseudo-terminal; --show reports each session on its output."""

    def __init__(self, sim, *options):
        self.proc = subprocess.Popen([sim, "--show", *options], stdout=subprocess.PIPE, text=True, preexec_fn=prompt)
        self.lines = queue.Queue()
        threading.Thread(target=self._pump, daemon=True).start()
        self.path = self.lines.get(timeout=10).strip()

    def _pump(self):
        for line in self.proc.stdout:
            self.lines.put(line.rstrip("\n"))
        self.lines.put(None)

    def session(self, timeout=20):
        """(bytes received, header line) of the next finished session; the header says
        "session N: B bytes received, W write commands, ended ..."."""
        deadline, header = time.monotonic() + timeout, None
        while True:
            line = self.lines.get(timeout=max(0.01, deadline - time.monotonic()))
            if line is None:
                raise AssertionError("simulator ended before the session did")
            header = header or (line if line.startswith("session ") else None)
            if line.startswith("end of session"):
                return int(header.split(":")[1].split()[0]), header

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            self.proc.wait(timeout=10)
        self.proc.stdout.close()


class PortHolder:
    """Another program holding the port: flock (as pyloload on Linux takes it) or an
    exclusive open (TIOCEXCL, as Windows programs hold a port under Wine)."""

    def __init__(self, path, how="flock"):
        self.fd, self.how = os.open(path, os.O_RDWR | os.O_NOCTTY), how
        fcntl.flock(self.fd, fcntl.LOCK_EX) if how == "flock" else fcntl.ioctl(self.fd, termios.TIOCEXCL)

    def release(self):
        if self.how != "flock":
            fcntl.ioctl(self.fd, termios.TIOCNXCL)  # the flag would outlive the close
        os.close(self.fd)


class Run:
    """A tool run with standard input on a pipe and standard output on a pipe or, with
    console=True, a terminal; the output is collected as it comes."""

    def __init__(self, command, console=False, stderr=subprocess.DEVNULL, **popen):
        master, slave = pty.openpty() if console else os.pipe()
        if console:
            tty.setraw(slave)
        self.proc = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=slave, stderr=stderr, **popen)
        os.close(slave)
        self.data = b""
        self.reader = threading.Thread(target=self._pump, args=(master,), daemon=True)
        self.reader.start()

    def _pump(self, fd):
        try:
            while chunk := os.read(fd, 4096):
                self.data += chunk
        except OSError:  # a terminal whose other end closed
            pass
        os.close(fd)

    def output(self):
        return self.data.decode("utf-8", "surrogateescape")  # file names in any script

    def wait_output(self, predicate, timeout=30):
        deadline = time.monotonic() + timeout
        while not predicate(self.output()) and self.reader.is_alive() and time.monotonic() < deadline:
            time.sleep(0.01)
        return self.output()

    def finish(self, stdin=b"", timeout=120):
        """Sends stdin, closes it and waits for the end; (output, exit status)."""
        try:
            self.proc.stdin.write(stdin)
            self.proc.stdin.close()
        except BrokenPipeError:
            pass
        try:
            self.proc.wait(timeout=timeout)
        finally:
            self.stop()
        return self.output(), self.proc.returncode

    def stop(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self.reader.join(timeout=5)


def flow_and_speed(settings):
    """Of a line's settings, what odd_settings changed (all that Wine puts back)."""
    return settings[0] & termios.IXON, settings[2] & termios.CRTSCTS, settings[4]


class SimTestCase(unittest.TestCase):
    """A scratch directory; every simulator and run started is stopped at the end."""

    def setUp(self):
        self._tmp = tempfile.TemporaryDirectory(prefix="pylo-e2e-")
        self.workdir = self._tmp.name
        self.stoppers = []

    def tearDown(self):
        for stop in reversed(self.stoppers):
            stop()
        self._tmp.cleanup()

    def keep(self, started):
        """started (a Sim or a Run), stopped at the end of the test."""
        self.stoppers.append(started.stop)
        return started

    def odd_settings(self, path):
        """Leaves another speed and flow control on the line at path; gives a reader of its settings."""
        fd = os.open(path, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        self.addCleanup(os.close, fd)
        odd = termios.tcgetattr(fd)
        odd[0], odd[2], odd[4], odd[5] = odd[0] | termios.IXON, odd[2] | termios.CRTSCTS, termios.B38400, termios.B38400
        termios.tcsetattr(fd, termios.TCSANOW, odd)
        return lambda: termios.tcgetattr(fd)

    def write_config(self, text, name="config.txt"):
        with open(os.path.join(self.workdir, name), "w", newline="\n") as f:
            f.write(text)
        return os.path.join(self.workdir, name)


def scenarios(platform):
    """The rows of scenarios.txt that run on platform ("linux" or "wine"), as dicts."""
    keys = ("name", "on", "options", "port", "config", "forms", "outcome", "dots", "size", "reason")
    rows = [dict(zip(keys, cells), row=where) for where, cells in table(os.path.join(HERE, "scenarios.txt"))]
    return [dict(r, row=r["row"] + " " + r["name"], options=r["options"].split(),
                 dots=None if r["dots"] == "?" else int(r["dots"]),
                 forms=list(MODE_FORMS) if r["forms"] == "every" else r["forms"].split())
            for r in rows if r["on"] in ("both", platform)]


def run_scenario(test, row, make_port, make_config, run_tool, newline="\n"):
    """Runs row in each of its mode forms, each against a new simulator. make_port(row) gives
    (port argument, simulator or None, holder or None); make_config(row) gives the file
    argument; run_tool(args) gives (output, standard error or None, status)."""
    for form in row["forms"]:
        with test.subTest(row=row["row"], mode=form):
            port, sim, holder = make_port(row)
            try:
                config = make_config(row)
                out, err, status = run_tool([config, port] + ([] if form == "none" else [form]))
            finally:
                if holder is not None:
                    holder.release()
            dots = [row["dots"]] if row["dots"] is not None else range(73)  # where it fails may vary
            wants = [expected_output(MODE_FORMS[form], row["outcome"], d, port, config).replace("\n", newline) for d in dots]
            test.assertEqual((out if out in wants else None, status), (out, STATUS[row["outcome"]]), out)
            if row["reason"] != "-" and err is not None:  # Quiet says nothing, on standard error too
                named = port if row["outcome"] == "port" else config
                test.assertEqual([l for l in err.splitlines() if l.startswith("pyloload: ")],
                                 ["pyloload: %s: %s" % (named, row["reason"])] * (MODE_FORMS[form] != "quiet"))
            if sim is not None and row["size"] == "-":
                test.assertTrue(sim.lines.empty(), "the simulator saw a session")
            elif sim is not None and row["size"] == "?":
                sim.session()
            elif sim is not None:
                test.assertEqual(sim.session()[0], int(row["size"]), "bytes the device received")
            if holder is not None:  # released, the port works again
                out, _, status = run_tool([config, port])
                test.assertEqual((out, status), (expected_output("normal", "complete", 72).replace("\n", newline), 0))

