"""What must never happen to a device in the field: a file that cannot be read whole is never
uploaded, a signal or a closed output never leaves the upload half-way, a device that is
unplugged is never reported as configured; and every failure says why on standard error."""

import os
import shutil
import signal
import subprocess
import sys
import time
import unittest

import pylo_harness as h

def run(args, stdin_text="\n", prefix=()):
    return h.run_tool(args, stdin_text.encode(), prefix)


def reason_lines(err):
    return [line for line in err.splitlines() if line.startswith("pyloload: ")]


class FieldFaultTests(h.SimTestCase):

    def assert_nothing_sent(self, sim):
        sim.stop()
        self.assertFalse(os.path.exists(sim.wire_log) and os.path.getsize(sim.wire_log) > 0,
                         "bytes reached the device")

    def test_unreadable_file_is_never_uploaded(self):
        sim = self.start_sim()
        folder = os.path.join(self.workdir, "folder")
        os.mkdir(folder)
        # Larger than one read, so the injected error strikes in the middle of the file.
        big = self.write_config("in01:[a][b][c]\n" * 2000, "big.txt")
        cases = [("directory", folder, (), "Is a directory")]
        strace = shutil.which("strace")
        if strace:
            cases.append(("read error mid-file", big,
                          (strace, "-o", os.devnull, "-P", big, "-e", "trace=read",
                           "-e", "inject=read:error=EIO:when=2"), "Input/output error"))
        for name, path, prefix, reason in cases:
            with self.subTest(name):
                out, err, rc = run([path, sim.path, "-e"], prefix=prefix)
                self.assertEqual((out, rc), (h.file_error(path), 1))
                self.assertEqual(reason_lines(err), ["pyloload: %s: %s" % (path, reason)])
        self.assert_nothing_sent(sim)

    def test_port_errors_say_why(self):
        config = self.write_config("# nothing\n")
        sim = self.start_sim()
        missing = os.path.join(self.workdir, "ttyNONE")
        cases = [(missing, "No such file or directory"), ("/dev/null", "not a serial port")]
        for port, reason in cases:
            with self.subTest(port=port):
                out, err, rc = run([config, port, "-e"])
                self.assertEqual((out, rc), (h.port_error(port), 2))
                self.assertEqual(reason_lines(err), ["pyloload: %s: %s" % (port, reason)])
        holder = h.PortHolder(sim.path)
        try:
            out, err, rc = run([config, sim.path, "-e"])
        finally:
            holder.release()
        self.assertEqual(rc, 2)
        self.assertEqual(reason_lines(err),
                         ["pyloload: %s: Device or resource busy \u2014 another program holds the port" % sim.path])

    def test_closed_output_does_not_stop_the_upload(self):
        config = self.write_config("in01:[a]\n")
        sim = self.start_sim()
        # The reader of the dots goes away after ten bytes; the upload goes on to its end.
        shell = "%s %s %s -H | head -c 10 >/dev/null; exit ${PIPESTATUS[0]}" % (
            h.PATHS["pyloload"], config, sim.path)
        done = subprocess.run(["bash", "-c", shell], stdin=subprocess.DEVNULL, timeout=60)
        self.assertEqual(done.returncode, 0)
        self.assertIn("ended by the closing byte", sim.session()[0])

    def test_hang_up_and_quit_stop_cleanly(self):
        config = self.write_config("".join("in%02d:%s\n" % (n, "[a]" * 32) for n in range(1, 25)))
        for sig in (signal.SIGHUP, signal.SIGQUIT):
            with self.subTest(signal=sig.name):
                sim = self.start_sim("--baud", "9600")
                proc = subprocess.Popen([h.PATHS["pyloload"], config, sim.path, "-h"], stdin=subprocess.PIPE,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                while proc.poll() is None and h.bytes_written(proc.pid) < 300:  # some commands sent
                    time.sleep(0.01)
                proc.send_signal(sig)
                self.assertEqual(proc.wait(timeout=5), 128 + sig)
                proc.stdin.close()
                header, wire = sim.session()
                self.assertIn("ended by the closing byte", header)
                # Whole write commands after greeting and "K", then the closing byte.
                self.assertEqual((len(wire) - 3) % 4, 0)
                self.assertEqual(wire[-1], h.CLOSING)
                sim.stop()

    def test_unplugged_device_is_a_link_error(self):
        config = self.write_config("# nothing\n")
        writes = h.write_count(h.ZERO_CMDS)
        for n in (5, writes):  # in the middle, and right after the last option byte
            with self.subTest(unplug_after=n):
                sim = self.start_sim("--unplug-after", str(n))
                out, err, rc = run([config, sim.path, "-h"])
                self.assertEqual(rc, 4)
                sim.stop()


if __name__ == "__main__":
    unittest.main(argv=h.parse_paths(sys.argv))
