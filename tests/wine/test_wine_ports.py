"""pyloload.exe under Wine on COM7 ... COM12 (mapped into the prefix like COM1 ... COM6 and left
pointing at no port): COMn arguments, messages naming the port as given, the port window's
entries after Com 6."""

import os
import shutil
import subprocess
import sys
import time
import unittest

import test_wine as t
from test_wine import h, w, win

EXTRA_PORTS = range(7, 13)
COMPLETE_RUN = h.BANNER + "." * 72 + h.COMPLETE

# Argument, the port's simulator (None: no device there), what the run prints with -e, status.
# COM10 and above open only through the device form "\\.\COMn".
ARGUMENTS = [
    ("COM7", [], "", 0),
    ("com8", ["--no-greeting-reply"], h.not_found("com8"), 3),
    ("Com9", None, h.port_error("Com9"), 2),
    ("COM10", [], "", 0),
    ("\\\\.\\COM11", None, h.port_error("\\\\.\\COM11"), 2),
    ("\\\\.\\cOm12", [], "", 0),
]


def reset_extra_ports(state):
    for port in EXTRA_PORTS:
        w.point_port(state, port, w.unopenable_target(state))


class ExtraPortTests(t.WineTest):

    @classmethod
    def setUpClass(cls):
        state = t.PATHS["state"]
        reset_extra_ports(state)
        w.stop_server(state)
        reg = os.path.join(state, "extra-ports.reg")
        with open(reg, "w", newline="\r\n") as f:
            f.write("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n")
            f.writelines('"COM%d"="%s"\n' % (port, w.port_link(state, port)) for port in EXTRA_PORTS)
        subprocess.run(w.wine_command("wine", "regedit", "/S", w.windows_path(reg)), env=w.wine_env(state),
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       check=True, timeout=300)
        cls.xvfb = w.Xvfb() if shutil.which("Xvfb") and shutil.which("xdotool") else None
        cls.display = cls.xvfb.display if cls.xvfb else None
        super().setUpClass()  # the new server's device manager makes the links of the new ports

    @classmethod
    def tearDownClass(cls):
        super().tearDownClass()
        reset_extra_ports(t.PATHS["state"])
        if cls.xvfb:
            cls.xvfb.stop()

    def setUp(self):
        super().setUp()
        reset_extra_ports(t.PATHS["state"])
        self.config = self.write("config.txt", "# no statements\n")

    def test_com_arguments(self):
        for (argument, options, expected, status), port in zip(ARGUMENTS, EXTRA_PORTS):
            with self.subTest(argument=argument):
                sim = self.start_sim(port, *options) if options is not None else None
                out, rc = self.run_exe([self.config, argument, "-e"])
                self.assertEqual((out, rc), (win(expected), status))
                if sim:
                    self.assertEqual(sim.session()[1][:1], bytes([h.GREETING]))

    def xdotool(self, *args):
        done = subprocess.run(["xdotool", *args], env={"DISPLAY": self.display, "PATH": os.environ["PATH"]},
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, timeout=30)
        return done.stdout.split()

    def click(self, window, x, y):
        self.xdotool("mousemove", "--sync", "--window", window, str(x), str(y))
        self.xdotool("click", "1")

    def wait_for(self, condition, what, run):
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline and run.proc.poll() is None:
            if condition():
                return condition()
            time.sleep(0.1)
        self.fail("no %s; the program printed %r" % (what, run.output()))

    def test_port_window_lists_the_ports_after_com_6_in_number_order(self):
        if self.display is None:
            self.skipTest("Xvfb or xdotool missing")
        sims = {port: self.start_sim(port) for port in EXTRA_PORTS}
        entries = ("search", "--onlyvisible", "--class", "^pyloload\\.exe$")
        for steps, port in ((6, 7), (9, 10), (11, 12)):  # Down from Com 1
            with self.subTest(steps=steps):
                run = t.ExeProcess([self.config], self.workdir, display=self.display)
                try:
                    window = self.wait_for(lambda: self.xdotool("search", "--onlyvisible", "--name",
                                                                "^Pylo Configuration Utility$"), "port window", run)[0]
                    self.click(window, 100, 40)  # the port list
                    self.wait_for(lambda: len(self.xdotool(*entries)) >= 2, "open port list", run)
                    self.xdotool("key", "--delay", "50", *(["Down"] * steps), "Return")
                    self.wait_for(lambda: len(self.xdotool(*entries)) == 1, "closed port list", run)
                    self.click(window, 54, 80)  # OK
                    out, rc = run.finish()
                finally:
                    run.kill()
                self.assertEqual((out, rc), (win(COMPLETE_RUN), 0))
                self.assertIn("ended by the closing byte", sims[port].session()[0])
                for other in set(EXTRA_PORTS) - {port}:
                    self.assertTrue(sims[other].lines.empty(), "a session on COM%d" % other)


if __name__ == "__main__":
    unittest.main(argv=t.main())
