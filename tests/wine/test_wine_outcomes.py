"""pyloload.exe under Wine against pylo-sim on COM1 ... COM6: the exact standard output, exit
status and bytes on the wire of every outcome in every message mode, the wait for Enter after
an error, and Ctrl-C."""

import fcntl
import os
import signal
import subprocess
import sys
import termios
import time
import unittest

import wine_env as w
import wine_testing as t
from wine_testing import h, win

ZERO_IMAGE = bytes(h.IMAGE_SIZE)
ZERO_CMDS = h.protocol_commands(ZERO_IMAGE)
COMPLETE_RUN = h.BANNER + "." * 72 + h.COMPLETE

# One form of each mode; the complete run goes through every form.
MODE_SAMPLES = [([], "normal"), (["/e"], "errors"), (["-H"], "quiet")]

# The overview's example: input 3 types shift+a; ROT2 sets bit 1 of option byte 0.
EXAMPLE_CONFIG = "in03:[(+)shift][a]\nROT2:Y\n"
EXAMPLE_WRITES = b"W\x00\xc0\x08" b"W\x00\xc1\x2c" b"W\x00\xc2\x00" b"W\x00\xc3\x1f"

# Compiled images with full, nearly full and cut-short sequences, options and flags.
RICH_CONFIG = (
    "in01:" + "[a]" * 31 + "\n"
    "in02:" + "[b]" * 32 + "\n"
    "in02|" + "[c]" * 15 + "\n"
    "in03|" + "[d]" * 16 + "\n"
    "in04:[a][foo][b]\n"
    "in05:<R><S>[200][(d)250][1]\n"
    "in72:[(~)A][(n)enter][!][f12]\n"
    "PREL:Y\nREVY:Y\nMSET:2\nROT4:Y\n"
)


class PortHolder:
    """Another program holding the port: the terminal opened with TIOCEXCL set, which makes
    every further open fail."""

    SCRIPT = ("import fcntl, os, sys, termios\n"
              "fd = os.open(sys.argv[1], os.O_RDWR | os.O_NOCTTY)\n"
              "fcntl.ioctl(fd, termios.TIOCEXCL)\n"
              "print('held', flush=True)\n"
              "sys.stdin.read()\n"
              "fcntl.ioctl(fd, termios.TIOCNXCL)\n")

    def __init__(self, path):
        self.proc = subprocess.Popen([sys.executable, "-c", self.SCRIPT, path], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True)
        if self.proc.stdout.readline().strip() != "held":
            raise AssertionError("the port holder did not get the port")

    def release(self):
        self.proc.stdin.close()
        self.proc.wait(timeout=10)
        self.proc.stdout.close()


class OutcomeTests(t.WineTestCase):

    def setUp(self):
        super().setUp()
        self.config = self.write_config("# no statements\n")

    def run_modes(self, port, expected, status, forms=MODE_SAMPLES, config=None):
        for args, mode in forms:
            with self.subTest(port=port, mode_args=args):
                out, rc = t.run_exe([config or self.config, str(port), *args], self.workdir)
                self.assertEqual(out, win(expected(mode)))
                self.assertEqual(rc, status)

    def test_complete_in_every_mode_form(self):
        sim = self.start_sim(1)
        self.run_modes(1, lambda mode: h.expected_output(mode, h.COMPLETE, 72, error=False), 0,
                       forms=h.MODE_FORMS)
        for _ in h.MODE_FORMS:
            header = sim.next_session()[0]
            self.assertIn("ended by the closing byte", header)
            self.assertEqual(sim.session_bytes(header), h.wire_bytes(ZERO_CMDS))
        self.assertEqual(sim.memory(), h.memory_after(ZERO_CMDS, 0))

    def test_each_port_opens_its_com_device(self):
        sims = {port: self.start_sim(port) for port in w.PORTS}
        for port in w.PORTS:
            with self.subTest(port=port):
                out, rc = t.run_exe([self.config, str(port)], self.workdir)
                self.assertEqual((out, rc), (win(COMPLETE_RUN), 0))
                header = sims[port].next_session()[0]
                self.assertEqual(sims[port].session_bytes(header), h.wire_bytes(ZERO_CMDS))
                for other in w.PORTS:
                    if other != port:
                        self.assert_no_session(sims[other], wait=0.05 if other != w.PORTS[-1] else 0.3)

    def test_example_configuration(self):
        sim = self.start_sim(2)
        config = self.write_config(EXAMPLE_CONFIG, "keys.txt")
        out, rc = t.run_exe([config, "2"], self.workdir)
        self.assertEqual((out, rc), (win(COMPLETE_RUN), 0))
        wire = sim.session_bytes(sim.next_session()[0])
        self.assertEqual(wire[:2], b"\xcdK")
        self.assertIn(EXAMPLE_WRITES + b"W\x00\xc4\x00W\x00\xc5\x00", wire)
        self.assertEqual(wire[-10:], b"W\x1f\xfc\x02W\x1f\xfd\x00S\xed")
        memory = sim.memory()
        self.assertEqual(memory[192:198], bytes([0x08, 0x2C, 0x00, 0x1F, 0, 0]))
        self.assertEqual(memory[8188], 0x02)

    def test_compiled_images_go_on_the_wire_whole(self):
        if not t.PATHS.get("check"):
            self.skipTest("pylocheck is not built")
        for number, text in enumerate((EXAMPLE_CONFIG, RICH_CONFIG)):
            with self.subTest(config=number):
                config = self.write_config(text, "cfg%d.txt" % number)
                image_path = os.path.join(self.workdir, "image%d.bin" % number)
                subprocess.run([t.PATHS["check"], "--image", image_path, os.path.join(self.workdir, config)],
                               check=True, stdout=subprocess.DEVNULL)
                with open(image_path, "rb") as f:
                    image = f.read()
                cmds = h.protocol_commands(image)
                sim = self.start_sim(3, "--fill", "0x55")
                out, rc = t.run_exe([config, "3"], self.workdir)
                self.assertEqual((out, rc), (win(COMPLETE_RUN), 0))
                self.assertEqual(sim.session_bytes(sim.next_session()[0]), h.wire_bytes(cmds))
                self.assertEqual(sim.memory(), h.memory_after(cmds, 0x55))
                sim.stop()

    def test_port_held_by_another_process(self):
        if not w.exclusive_open_honoured():
            self.skipTest("this user opens terminals that others hold exclusively")
        sim = self.start_sim(5)
        holder = PortHolder(sim.path)
        try:
            self.run_modes(5, lambda mode: h.expected_output(mode, h.port_error("5")), 2)
        finally:
            holder.release()
        self.assert_no_session(sim)
        # Released, the port works again.
        out, rc = t.run_exe([self.config, "5"], self.workdir)
        self.assertEqual((out, rc), (win(COMPLETE_RUN), 0))
        self.assertEqual(sim.session_bytes(sim.next_session()[0]), h.wire_bytes(ZERO_CMDS))

    def test_port_that_cannot_be_opened(self):
        # COM6 leads to no device.
        self.run_modes(6, lambda mode: h.expected_output(mode, h.port_error("6")), 2)

    def test_no_device(self):
        cases = [
            ("no reply", ["--no-greeting-reply"]),
            ("wrong reply", ["--greeting-reply", "?"]),
            ("reply 0xFF", ["--greeting-reply", "255"]),
            ("reply after the read time-out", ["--delay", "80"]),
        ]
        for name, options in cases:
            with self.subTest(case=name):
                sim = self.start_sim(3, *options)
                self.run_modes(3, lambda mode: h.expected_output(mode, h.not_found("3")), 3)
                # Only the greeting went out, and no closing byte followed it.
                for _ in MODE_SAMPLES:
                    header = sim.next_session()[0]
                    self.assertIn("host closed the port", header)
                    self.assertEqual(sim.session_bytes(header), bytes([h.GREETING]))
                sim.stop()

    def test_link_error(self):
        writes = h.write_count(ZERO_CMDS)  # 144 terminator writes and 2 option writes
        for n in (1, 2, 145, writes - 1, writes):
            with self.subTest(silent_from=n):
                sent, dots = h.silent_from(ZERO_CMDS, n)
                sim = self.start_sim(4, "--silent-from", str(n))
                self.run_modes(4, lambda mode: h.expected_output(mode, h.COMM_ERROR, dots), 4)
                for _ in MODE_SAMPLES:
                    header = sim.next_session()[0]
                    self.assertEqual(sim.session_bytes(header), h.wire_bytes(sent))
                sim.stop()

    def test_any_reply_acknowledges_and_silence_after_the_options_is_no_error(self):
        cases = [["--ack", "0"], ["--ack", "255"],
                 ["--silent-from", str(h.write_count(ZERO_CMDS) + 1)]]
        for options in cases:
            with self.subTest(options=options):
                sim = self.start_sim(2, *options)
                out, rc = t.run_exe([self.config, "2"], self.workdir)
                self.assertEqual((out, rc), (win(COMPLETE_RUN), 0))
                self.assertEqual(sim.session_bytes(sim.next_session()[0]), h.wire_bytes(ZERO_CMDS))
                sim.stop()

    def test_file_that_cannot_be_read(self):
        sim = self.start_sim(2)
        os.mkdir(os.path.join(self.workdir, "folder"))
        names = ["absent.txt", "folder", "d" * 300 + ".txt", "x" * 255, "y" * 256]
        for name in names:
            self.run_modes(2, lambda mode: "" if mode == "quiet" else h.file_error(name), 1,
                           config=name)
        self.assert_no_session(sim)


class ConsoleTests(t.WineTestCase):
    """The wait for Enter after an error, and Ctrl-C during the upload."""

    def setUp(self):
        super().setUp()
        self.config = self.write_config("# no statements\n")

    def test_errors_wait_for_enter_unless_quiet(self):
        self.start_sim(2, "--no-greeting-reply")
        self.start_sim(3, "--silent-from", "7")
        self.start_sim(4)
        cases = [
            ("file", ["absent.txt", "4"], h.file_error("absent.txt"), 1),
            ("port", [self.config, "6"], h.port_error("6"), 2),
            ("device", [self.config, "2"], h.not_found("2"), 3),
            ("link", [self.config, "3"], h.COMM_ERROR, 4),
        ]
        for name, args, text, status in cases:
            with self.subTest(outcome=name, mode="-e"):
                run = t.ExeProcess(args + ["-e"], self.workdir)
                try:
                    seen = run.wait_output(lambda out: out.endswith(win(text)))
                    self.assertEqual(seen, win(text))
                    time.sleep(0.3)
                    self.assertIsNone(run.proc.poll(), "ended without waiting for Enter")
                    run.send(b"\r\n")
                    out, rc = run.finish()
                finally:
                    run.kill()
                self.assertEqual((out, rc), (win(text), status))
            with self.subTest(outcome=name, mode="-h"):
                run = t.ExeProcess(args + ["-h"], self.workdir)  # standard input open and empty
                try:
                    out, rc = run.finish(timeout=30)
                finally:
                    run.kill()
                self.assertEqual(rc, status)

    def test_ctrl_c_stops_the_upload_cleanly(self):
        sim = self.start_sim(1, "--delay", "3")
        run = t.ExeProcess([self.config, "1"], self.workdir)
        try:
            run.wait_output(lambda out: out.count(".") >= 3)
            run.proc.send_signal(signal.SIGINT)
            out, rc = run.finish()
        finally:
            run.kill()
        self.assertEqual(rc, 130)
        dots = out.count(".")
        self.assertLess(dots, 72)
        self.assertEqual(out, win(h.BANNER + "." * dots + h.INTERRUPTED))
        header = sim.next_session()[0]
        self.assertIn("ended by the closing byte", header)
        wire = sim.session_bytes(header)
        # Whole commands, then the closing byte: a prefix of the complete upload.
        full = h.wire_bytes(ZERO_CMDS, closing=False)
        self.assertEqual(wire[-1], h.CLOSING)
        self.assertTrue(full.startswith(wire[:-1]))
        self.assertEqual((len(wire) - 3) % 4, 0)


if __name__ == "__main__":
    unittest.main(argv=t.parse_paths(sys.argv))
