"""pyloload against pylo-sim: the exact standard output and exit status of every outcome in
every message mode, and the wait for Enter after an error.

The configuration here has no statements, so its image is all zeros and the bytes an upload
sends follow from the protocol alone; test_upload_bytes.py covers compiled images."""

import os
import sys
import time
import unittest

import pylo_harness as h

ZERO_IMAGE = bytes(h.IMAGE_SIZE)
ZERO_CMDS = h.protocol_commands(ZERO_IMAGE)


class OutcomeTests(h.SimTestCase):

    def setUp(self):
        super().setUp()
        self.config = self.write_config("# no statements\n")

    def run_modes(self, port, expected, status, forms=h.MODE_FORMS, config=None):
        """Runs every mode form against port; expected(mode) gives the output."""
        for args, mode in forms:
            with self.subTest(mode_args=args):
                out, rc = h.run_tool([config or self.config, port, *args])
                self.assertEqual(out, expected(mode))
                self.assertEqual(rc, status)

    def test_complete(self):
        sim = self.start_sim()
        self.run_modes(sim.path, lambda mode: h.expected_output(mode, h.COMPLETE, 72, error=False), 0)
        # Every run was one whole session with the same bytes: the port is released each time.
        for _ in h.MODE_FORMS:
            header = sim.next_session()[0]
            self.assertIn("ended by the closing byte", header)
            self.assertEqual(sim.session_bytes(header), h.wire_bytes(ZERO_CMDS))

    def test_any_reply_byte_acknowledges(self):
        for ack in ("0", "255", "0x21"):
            with self.subTest(ack=ack):
                sim = self.start_sim("--ack", ack)
                out, rc = h.run_tool([self.config, sim.path])
                self.assertEqual((out, rc), (h.BANNER + "." * 72 + h.COMPLETE, 0))

    def test_port_held_by_another_process(self):
        sim = self.start_sim()
        holders = [False] + ([True] if os.path.exists("/usr/bin/flock") else [])
        for use_flock_tool in holders:
            with self.subTest(flock_tool=use_flock_tool):
                holder = h.PortHolder(sim.path, use_flock_tool)
                try:
                    self.run_modes(sim.path, lambda mode: h.expected_output(mode, h.port_error(sim.path)), 2)
                finally:
                    holder.release()
                # Released by its holder, the port works again: the failed opens left it usable.
                out, rc = h.run_tool([self.config, sim.path])
                self.assertEqual((out, rc), (h.BANNER + "." * 72 + h.COMPLETE, 0))
                header = sim.next_session()[0]
                self.assertEqual(sim.session_bytes(header), h.wire_bytes(ZERO_CMDS))

    def test_port_that_cannot_be_opened(self):
        missing = os.path.join(self.workdir, "no-such-tty")
        for port in (missing, "/dev/null"):  # absent; present but no terminal
            with self.subTest(port=port):
                self.run_modes(port, lambda mode: h.expected_output(mode, h.port_error(port)), 2)

    def test_no_device(self):
        cases = [
            ("no reply", ["--no-greeting-reply"]),
            ("wrong reply", ["--greeting-reply", "?"]),
            ("reply 0xFF", ["--greeting-reply", "255"]),
            ("reply after the read time-out", ["--delay", "80"]),
        ]
        for name, options in cases:
            for args, mode in h.MODE_FORMS:
                with self.subTest(case=name, mode_args=args):
                    # A late reply would reach the next run, so each run gets its own device.
                    sim = self.start_sim(*options)
                    out, rc = h.run_tool([self.config, sim.path, *args])
                    self.assertEqual(out, h.expected_output(mode, h.not_found(sim.path)))
                    self.assertEqual(rc, 3)
                    # Only the greeting went out, and no closing byte followed it.
                    header = sim.next_session()[0]
                    self.assertIn("host closed the port", header)
                    self.assertEqual(sim.session_bytes(header), bytes([h.GREETING]))
                    sim.stop()

    def test_link_error(self):
        writes = h.write_count(ZERO_CMDS)  # 144 terminator writes and 2 option writes
        cases = [1, 2, 3, 5, 100, 144, 145, writes]
        forms = [([], "normal"), (["/e"], "errors"), (["-H"], "quiet")]
        for n in cases:
            with self.subTest(silent_from=n):
                sent, dots = h.silent_from(ZERO_CMDS, n)
                sim = self.start_sim("--silent-from", str(n))
                self.run_modes(sim.path, lambda mode: h.expected_output(mode, h.COMM_ERROR, dots), 4, forms)
                for _ in forms:
                    header = sim.next_session()[0]
                    self.assertEqual(sim.session_bytes(header), h.wire_bytes(sent))

    def test_silent_after_option_bytes(self):
        # "S" is answered by nobody: its reply is not looked at.
        sim = self.start_sim("--silent-from", str(h.write_count(ZERO_CMDS) + 1))
        out, rc = h.run_tool([self.config, sim.path])
        self.assertEqual((out, rc), (h.BANNER + "." * 72 + h.COMPLETE, 0))

    def test_missing_file(self):
        sim = self.start_sim()
        missing = os.path.join(self.workdir, "absent.txt")
        too_long = os.path.join(self.workdir, "d" * 300 + ".txt")
        exactly_255 = "/" + "x" * 254
        for path in (missing, too_long, exactly_255, os.path.join(self.workdir, "e" * 256)):
            with self.subTest(length=len(path)):
                self.run_modes(sim.path, lambda mode: "" if mode == "quiet" else h.file_error(path), 1,
                               config=path)

    def test_long_file_argument_that_exists_is_not_cut(self):
        # A path of 256+ characters to a real file is still refused whole, never truncated to a
        # different file that happens to exist.
        sim = self.start_sim()
        deep = self.workdir
        while len(deep) < 260:
            deep = os.path.join(deep, "sub")
            os.mkdir(deep)
        path = os.path.join(deep, "cfg.txt")
        with open(path, "w") as f:
            f.write("# fine\n")
        out, rc = h.run_tool([path, sim.path])
        self.assertEqual((out, rc), (h.file_error(path), 1))

    def test_port_argument_that_is_no_port_asks(self):
        sim = self.start_sim()
        for port in ("7", "01", "0", "com1"):
            with self.subTest(port=port):
                out, rc = h.run_tool([self.config, port], stdin_text="c\n")
                self.assertEqual(rc, 0)
                self.assertNotIn(h.BANNER, out)


class WaitForEnterTests(h.SimTestCase):
    """After an error message the tool waits for a line on standard input, except in Quiet
    mode; a finished or interrupted upload does not wait."""

    def setUp(self):
        super().setUp()
        self.config = self.write_config("# no statements\n")

    def check_waits(self, args, text, status):
        run = h.ConsoleRun(args)
        try:
            seen = run.read_until(text)
            self.assertTrue(seen.endswith(text), seen)
            time.sleep(0.3)
            self.assertIsNone(run.proc.poll(), "ended without waiting for Enter")
            run.proc.stdin.write(b"\n")
            run.proc.stdin.flush()
            out, rc = run.finish()
        finally:
            if run.proc.poll() is None:
                run.proc.kill()
                run.finish()
        self.assertEqual(rc, status)
        self.assertTrue(out.endswith(text))

    def check_no_wait(self, args, status):
        run = h.ConsoleRun(args)  # standard input stays open and empty
        try:
            _, rc = run.finish(timeout=10)
        finally:
            if run.proc.poll() is None:
                run.proc.kill()
                run.finish()
        self.assertEqual(rc, status)

    def test_errors_wait_unless_quiet(self):
        good = self.start_sim()
        silent = self.start_sim("--no-greeting-reply")
        failing = self.start_sim("--silent-from", "7")
        missing = os.path.join(self.workdir, "absent.txt")
        cases = [
            ("file", [missing, good.path], h.file_error(missing), 1),
            ("port", [self.config, "/dev/null"], h.port_error("/dev/null"), 2),
            ("device", [self.config, silent.path], h.not_found(silent.path), 3),
            ("link", [self.config, failing.path], h.COMM_ERROR, 4),
        ]
        for name, args, text, status in cases:
            for mode in ([], ["-e"]):
                with self.subTest(outcome=name, mode=mode):
                    self.check_waits(args + mode, text, status)
            with self.subTest(outcome=name, mode="-h"):
                self.check_no_wait(args + ["-h"], status)

    def test_success_does_not_wait(self):
        sim = self.start_sim()
        for mode in ([], ["-E"], ["/H"]):
            with self.subTest(mode=mode):
                self.check_no_wait([self.config, sim.path] + mode, 0)


if __name__ == "__main__":
    unittest.main(argv=h.parse_paths(sys.argv))
