"""pyloload on Linux against pylo-sim: the scenario table, and what only a real process
shows: the wait for Enter, signals, and the port's settings restored.

    test_e2e.py --pyloload PATH --sim PATH --check PATH --examples DIR [unittest options]"""

import os
import pty
import select
import signal
import subprocess
import sys
import tempfile
import termios
import time
import tty
import unittest

import pylo_harness as h

PATHS = h.PATHS


def run_tool(args, stdin=b"\n"):
    out, _, status = h.run_tool(args, stdin)
    return out, status


class ConsoleRun:
    """pyloload with a terminal as standard output and a pipe as standard input."""

    def __init__(self, args):
        master, slave = pty.openpty()
        tty.setraw(slave)
        self.master, self.output = master, b""
        self.proc = subprocess.Popen([PATHS["pyloload"], *args], stdin=subprocess.PIPE, stdout=slave,
                                     stderr=subprocess.DEVNULL)
        os.close(slave)

    def read_until(self, done, timeout=20):
        deadline = time.monotonic() + timeout
        while not done(self.output.decode("latin-1")) and time.monotonic() < deadline:
            if select.select([self.master], [], [], 0.05)[0]:
                try:
                    chunk = os.read(self.master, 4096)
                except OSError:  # the tool ended and closed the terminal
                    break
                if not chunk:
                    break
                self.output += chunk
        return self.output.decode("latin-1")

    def waiting_for_input(self, timeout=10):
        """True once the tool sleeps in a read of its standard input; False if it ends first."""
        deadline = time.monotonic() + timeout
        while self.proc.poll() is None and time.monotonic() < deadline:
            try:
                with open("/proc/%d/syscall" % self.proc.pid) as f:
                    if f.read().startswith("0 0x0 "):
                        return True
            except OSError:
                pass
            time.sleep(0.01)
        return False

    def finish(self, stdin=b""):
        try:
            self.proc.communicate(stdin, timeout=20)
        finally:
            if self.proc.poll() is None:
                self.proc.kill()
                self.proc.wait()
        self.read_until(lambda _: False, timeout=0.2)
        os.close(self.master)
        return self.output.decode("latin-1"), self.proc.returncode


class E2eTest(h.SimTestCase):

    def setUp(self):
        super().setUp()
        self.empty = self.write_config("# no statements\n", "empty.txt")

    # --- the scenario table --------------------------------------------------------------

    def make_port(self, row):
        if row["port"] in ("sim", "held"):
            sim = self.start_sim(*row["options"])
            holder = h.PortHolder(sim.path, "flock") if row["port"] == "held" else None
            return sim.path, sim.path, sim, holder
        port = os.path.join(self.workdir, "no-such-tty") if row["port"] == "none" else row["port"]
        return port, port, None, None

    def make_config(self, row):
        name = row["config"]
        if name == "empty":
            return self.empty, self.empty, None
        if name == "example":
            path = os.path.join(PATHS["examples"], "keys.txt")
            return path, path, h.compile_image(PATHS["check"], path)
        if name == "deep":
            deep = self.workdir
            while len(deep) < 260:
                deep = os.path.join(deep, "sub")
                os.makedirs(deep, exist_ok=True)
            path = self.write_config("# fine\n", os.path.join(deep, "cfg.txt"))
            return path, path, None
        path = os.path.join(self.workdir, "absent.txt")
        if name.startswith("name"):
            path = (self.workdir + "/" + "x" * 400)[:int(name[4:])]
        return path, path, None

    def test_scenarios(self):
        for row in h.scenarios("linux"):
            h.run_scenario(self, row, self.make_port, self.make_config, run_tool)

    def test_a_port_argument_that_is_no_port_asks_for_one(self):
        for port in ("0", "01", "13", "com1"):
            with self.subTest(port=port):
                out, rc = run_tool([self.empty, port], stdin=b"c\n")
                self.assertEqual(rc, 0)
                self.assertNotIn(h.BANNER, out)

    # --- the process ---------------------------------------------------------------------

    def test_errors_wait_for_enter_unless_quiet(self):
        silent = self.start_sim("--no-greeting-reply")
        failing = self.start_sim("--silent-from", "7")
        missing = os.path.join(self.workdir, "absent.txt")
        cases = [([missing, silent.path], h.file_error(missing), 1),
                 ([self.empty, "/dev/null"], h.port_error("/dev/null"), 2),
                 ([self.empty, silent.path], h.not_found(silent.path), 3),
                 ([self.empty, failing.path], h.COMM_ERROR, 4)]
        for args, text, status in cases:
            for mode in ([], ["-e"], ["-h"]):
                with self.subTest(status=status, mode=mode):
                    run = ConsoleRun(args + mode)
                    waits = run.waiting_for_input()
                    out, rc = run.finish(b"\n")
                    self.assertEqual(waits, mode != ["-h"])
                    self.assertEqual(rc, status)
                    self.assertTrue(out.endswith("" if mode == ["-h"] else text), out)
        ok = self.start_sim()
        run = ConsoleRun([self.empty, ok.path])
        self.assertFalse(run.waiting_for_input(), "waits after a complete upload")
        self.assertEqual(run.finish()[1], 0)

    def test_signal_stops_between_whole_commands_and_frees_the_port(self):
        config = self.write_config("".join("in%02d:%s\n" % (n, "[a][(+)b]" * 16) for n in range(1, 25)), "big.txt")
        cmds = h.protocol_commands(h.compile_image(PATHS["check"], config))
        for sig, mode in ((signal.SIGINT, []), (signal.SIGTERM, ["-e"]), (signal.SIGINT, ["/H"])):
            with self.subTest(signal=sig.name, mode=mode):
                sim = self.start_sim("--baud", "9600")
                run = ConsoleRun([config, sim.path, *mode])
                while run.proc.poll() is None and h.bytes_written(run.proc.pid) < 300:  # some commands sent
                    time.sleep(0.01)
                run.proc.send_signal(sig)
                out, rc = run.finish()
                self.assertEqual(rc, 128 + sig, out)
                dots = out.count(".")
                self.assertEqual(out, h.expected_output(h.MODE_FORMS[(mode + ["none"])[0]], h.INTERRUPTED, dots))
                header, wire = sim.session()
                self.assertIn("ended by the closing byte", header)
                whole = b""
                for data, _, _ in cmds:
                    if len(whole) >= len(wire) - 1:
                        break
                    whole += data
                self.assertEqual(wire[:-1], whole, "the closing byte must follow whole commands")
                self.assertEqual(wire[-1], h.CLOSING)
                self.assertLess(len(wire), len(h.wire_bytes(cmds)))
                if mode == []:  # the port was restored and released: the next upload goes through
                    self.assertEqual(run_tool([self.empty, sim.path]), (h.BANNER + "." * 72 + h.COMPLETE, 0))
                    self.assertEqual(sim.session()[1], h.wire_bytes(h.ZERO_CMDS))

    def test_port_settings_restored(self):
        sim = self.start_sim()
        fd = os.open(sim.path, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        try:
            before = termios.tcgetattr(fd)
            before[4] = before[5] = termios.B38400
            before[0] |= termios.IXON
            before[2] |= termios.CRTSCTS
            termios.tcsetattr(fd, termios.TCSANOW, before)
            before = termios.tcgetattr(fd)
            self.assertEqual(run_tool([self.empty, sim.path])[1], 0)
            sim.session()
            self.assertEqual(termios.tcgetattr(fd), before)
        finally:
            os.close(fd)


from test_field_faults import FieldFaultTests  # noqa: E402,F401  (one ctest entry for both)

if __name__ == "__main__":
    unittest.main(argv=h.parse_paths(sys.argv))
