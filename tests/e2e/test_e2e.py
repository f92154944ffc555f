# SPDX-License-Identifier: MIT
"""pyloload on Linux against pylo-sim: the scenario table, and what only a real process
shows: the wait for Enter, signals and a closed output, and the port's settings restored.

    test_e2e.py PYLOLOAD PYLO-SIM EXAMPLES-DIR PYLOCHECK [unittest options]"""

import os
import shutil
import signal
import subprocess
import sys
import time
import unittest

import pylo_harness as h

PATHS = {}


def until(proc, ready, timeout=30):
    """Polls ready(proc.pid) while proc runs: True once it holds, False if proc ends first."""
    deadline = time.monotonic() + timeout
    while proc.poll() is None and time.monotonic() < deadline:
        try:
            if ready(proc.pid):
                return True
        except OSError:  # proc ended
            pass
        time.sleep(0.01)
    return False


def proc_file(pid, name):
    with open("/proc/%d/%s" % (pid, name)) as f:
        return f.read()


def reading_input(pid):  # asleep in a read of its standard input
    return proc_file(pid, "syscall").startswith("0 0x0 ")


class E2eTest(h.SimTestCase):

    def setUp(self):
        super().setUp()
        self.empty = self.write_config("# no statements\n", "empty.txt")
        self.prefix = ()

    def run_tool(self, args):
        """(output, standard error, status) of a run with a terminal as its output. It must wait
        for Enter after an error, unless Quiet, and only then."""
        run = self.keep(h.Run([*self.prefix, PATHS["pyloload"], *args], console=True, stderr=subprocess.PIPE,
                              preexec_fn=h.prompt))
        waits = until(run.proc, reading_input, 10) if not self.prefix else None
        out, status = run.finish(b"\n")
        if waits is not None:
            self.assertEqual(waits, status != 0 and h.MODE_FORMS[(args + ["none"])[2]] != "quiet", "waits for Enter")
        return out, run.proc.stderr.read().decode("utf-8", "replace"), status

    def sim(self, *options):
        return self.keep(h.Sim(PATHS["sim"], *options))

    def make_port(self, row):
        if row["port"] in ("sim", "held", "excl"):
            sim = self.sim(*row["options"])
            return sim.path, sim, h.PortHolder(sim.path, "flock" if row["port"] == "held" else "excl") if row["port"] != "sim" else None
        return os.path.join(self.workdir, "ttyNONE") if row["port"] == "none" else row["port"], None, None

    def make_config(self, row):
        name, self.prefix = row["config"], ()
        if name in ("empty", "example"):
            return self.empty if name == "empty" else os.path.join(PATHS["examples"], "keys.txt")
        if name == "deep":
            deep = os.path.join(self.workdir, *["sub"] * 70)
            os.makedirs(deep, exist_ok=True)
            return self.write_config("# fine\n", os.path.join(deep, "cfg.txt"))
        if name == "folder":
            os.makedirs(os.path.join(self.workdir, "folder"), exist_ok=True)
        if name == "eio":  # larger than one read, so the error strikes in the middle of the file
            path = self.write_config("in01:[a][b][c]\n" * 2000, "big.txt")
            self.prefix = ("strace", "-o", os.devnull, "-P", path, "-e", "trace=read", "-e", "inject=read:error=EIO:when=2")
            return path
        if name.startswith("text:"):
            return self.write_config("# no statements\n", name[5:])
        if name.startswith("absent:"):
            return os.path.join(self.workdir, name[7:])
        if name.startswith("name"):
            return (self.workdir + "/" + "x" * 400)[:int(name[4:])]
        return os.path.join(self.workdir, name if name == "folder" else "absent.txt")

    def test_scenarios(self):
        for row in h.scenarios("linux"):
            if row["config"] != "eio" or shutil.which("strace"):
                h.run_scenario(self, row, self.make_port, self.make_config, self.run_tool)

    def test_signal_stops_between_whole_commands_and_frees_the_port(self):
        config = self.write_config("".join("in%02d:%s\n" % (n, "[a][(+)b]" * 16) for n in range(1, 25)), "big.txt")
        for sig, mode in (("SIGINT", "none"), ("SIGTERM", "-e"), ("SIGINT", "/H"), ("SIGHUP", "-h"), ("SIGQUIT", "-h")):
            with self.subTest(signal=sig, mode=mode):
                sim = self.sim("--baud", "9600")
                run = self.keep(h.Run([PATHS["pyloload"], config, sim.path] + [mode] * (mode != "none"), console=True,
                                      preexec_fn=h.prompt))
                until(run.proc, lambda pid: int(proc_file(pid, "io").split("wchar:")[1].split()[0]) >= 300)  # some commands sent
                run.proc.send_signal(getattr(signal, sig))
                out, rc = run.finish()
                # Cleaned up, it ends by the signal itself, so that its parent sees it (a shell: $? is 128 + n).
                self.assertEqual((out, rc), (h.expected_output(h.MODE_FORMS[mode], "interrupted", out.count(".")),
                                             -getattr(signal, sig)))
                size, header = sim.session()
                self.assertIn("ended by the closing byte", header)
                self.assertEqual((size - 3) % 4, 0, "greeting, K, whole writes, closing byte")
                if mode == "none":
                    # The port was restored and released: the next run opens it and is greeted.
                    # (On the paced line a loaded machine may still miss a later reply: status 4.)
                    out, _, rc = self.run_tool([self.empty, sim.path])
                    self.assertIn(rc, (0, 4), out)
                    if rc == 0:
                        self.assertEqual(out, h.expected_output("normal", "complete", 72))
                        self.assertEqual(sim.session()[0], 1164)

    def test_ctrl_c_stops_a_shell_loop(self):
        # Ctrl-C reaches the whole foreground group: the shell must see the upload end by it and
        # stop, not start the next file.
        config = self.write_config("".join("in%02d:%s\n" % (n, "[a][(+)b]" * 16) for n in range(1, 25)), "big.txt")
        sim = self.sim("--baud", "9600")
        loop = "for f in 1 2 3; do %s %s %s -h; done; exit 7" % (PATHS["pyloload"], config, sim.path)
        shell = self.keep(h.Run(["bash", "-c", loop], start_new_session=True))
        until(shell.proc, lambda pid: any(int(proc_file(int(c), "io").split("wchar:")[1].split()[0]) >= 300
                                          for c in proc_file(pid, "task/%d/children" % pid).split()))
        os.killpg(shell.proc.pid, signal.SIGINT)
        out, rc = shell.finish()
        self.assertIn(rc, (-signal.SIGINT, 130), out)
        self.assertIn("ended by the closing byte", sim.session()[1])
        self.assertTrue(sim.lines.empty(), "a second upload started")

    def test_closed_output_does_not_stop_the_upload(self):
        # A reader of the dots that goes away after ten bytes, and an output closed at start
        # (whose number the port must not take): the device gets exactly the upload.
        for redirect in ("-H | head -c 10 >/dev/null; exit ${PIPESTATUS[0]}", ">&-"):
            with self.subTest(redirect=redirect):
                sim = self.sim()
                shell = "%s %s %s %s" % (PATHS["pyloload"], self.empty, sim.path, redirect)
                self.assertEqual(subprocess.run(["bash", "-c", shell], stdin=subprocess.DEVNULL, timeout=60).returncode, 0)
                self.assertEqual(sim.session()[0], 1164)

    def test_check_output_that_cannot_arrive(self):
        # A reader that went away, an output closed at start: status 2 and the reason, not death
        # by SIGPIPE nor a success written nowhere. An image file needs no standard output.
        config = self.write_config("in7:[a]\n", "typo.txt")
        image = os.path.join(self.workdir, "out.img")
        for args, closed, reason in (([config], "pipe", "Broken pipe"), (["--hex", config], "fd", "Bad file descriptor"),
                                     (["--image", image, config], "fd", None)):
            with self.subTest(args=args[:-1], closed=closed):
                read, write = os.pipe()
                os.close(read if closed == "pipe" else write)
                run = subprocess.run([PATHS["pylocheck"], *args], stdout=write if closed == "pipe" else None,
                                     pass_fds=() if closed == "pipe" else (read,), stderr=subprocess.PIPE, timeout=30,
                                     preexec_fn=None if closed == "pipe" else lambda: os.close(1))
                os.close(write if closed == "pipe" else read)
                want = (0, b"") if reason is None else (2, b"pylocheck: cannot write the output: %s\n" % reason.encode())
                self.assertEqual((run.returncode, run.stderr), want)

    @unittest.skipUnless(shutil.which("strace"), "needs strace")
    def test_image_file_written_safely(self):
        # A writable file in a folder the user cannot write is written in place. Ctrl-C while the
        # new image is made safe on disk: the replace completes or the temporary file goes.
        folder, config = os.path.join(self.workdir, "locked"), os.path.join(PATHS["examples"], "keys.txt")
        os.makedirs(folder)
        image = os.path.join(folder, "out.img")
        with open(image, "wb") as f:
            f.write(b"old")
        os.chmod(image, 0o666), os.chmod(folder, 0o555), os.chmod(self.workdir, 0o755)
        run = subprocess.run([PATHS["pylocheck"], "--image", image, config], stderr=subprocess.PIPE, timeout=30,
                             preexec_fn=(lambda: os.setuid(65534)) if os.geteuid() == 0 else None)
        with open(image, "rb") as f, open(config + ".image", "rb") as g:
            self.assertEqual((run.returncode, run.stderr, f.read(), os.listdir(folder)), (0, b"", g.read(), ["out.img"]))
        slow = ["strace", "-f", "-o", os.devnull, "-e", "trace=fsync", "-e", "inject=fsync:delay_enter=1000000"]
        run = self.keep(h.Run([*slow, PATHS["pylocheck"], "--image", os.path.join(self.workdir, "out.img"), config]))
        temporary = lambda: [n for n in os.listdir(self.workdir) if n.startswith(".pylocheck-")]  # noqa: E731
        self.assertTrue(until(run.proc, lambda pid: temporary()))
        os.kill(int(proc_file(run.proc.pid, "task/%d/children" % run.proc.pid).split()[0]), signal.SIGINT)
        run.finish()
        self.assertEqual(temporary(), [])

    def test_signal_ignored_at_start_stays_ignored(self):
        # nohup: the hang-up of the terminal does not stop the upload.
        config = self.write_config("".join("in%02d:%s\n" % (n, "[a][(+)b]" * 16) for n in range(1, 9)), "big.txt")
        sim = self.sim("--baud", "9600")
        run = self.keep(h.Run([PATHS["pyloload"], config, sim.path, "-h"], console=True,
                              preexec_fn=lambda: (signal.signal(signal.SIGHUP, signal.SIG_IGN), h.prompt())))
        until(run.proc, lambda pid: int(proc_file(pid, "io").split("wchar:")[1].split()[0]) >= 300)
        run.proc.send_signal(signal.SIGHUP)
        self.assertIn(run.finish(), [("." * 72, 0)] + [("." * n, 4) for n in range(1, 73)])  # a loaded line: 4
        self.assertIn("ended by the closing byte", sim.session()[1])

    def test_port_settings_restored(self):
        sim = self.sim()
        settings = self.odd_settings(sim.path)
        before = settings()
        self.assertEqual(self.run_tool([self.empty, sim.path])[2], 0)
        sim.session()
        self.assertEqual(settings(), before)


if __name__ == "__main__":
    PATHS.update(zip(("pyloload", "sim", "examples", "pylocheck"), sys.argv[1:5]))
    unittest.main(argv=sys.argv[:1] + sys.argv[5:])
