"""pyloload.exe under Wine on COM7 ... COM12: the COMn and \\\\.\\COMn arguments, the messages
naming the port as given, and the port window listing the ports beyond Com 6 in number order.

The class adds COM7 ... COM12 to the prefix's port map (ports/com7 ... ports/com12, as
wine_env.py does for COM1 ... COM6) and leaves them pointing at no port when it ends."""

import os
import shutil
import subprocess
import sys
import time
import unittest

import wine_env as w
import wine_testing as t
from wine_testing import h, win

EXTRA_PORTS = range(7, 13)
COMPLETE_RUN = h.BANNER + "." * 72 + h.COMPLETE
PORT_WINDOW = "^Pylo Configuration Utility$"
EXE_CLASS = "^pyloload\\.exe$"
PORT_LIST = (100, 40)  # client positions of the port window's controls (centres)
OK_BUTTON = (54, 80)

# The argument, the port it reaches (or None: names no port, so the port window asks).
ARGUMENTS = [
    ("COM7", 7),
    ("com8", 8),
    ("Com9", 9),
    ("COM10", 10),  # from 10 on only the device form opens a port
    ("\\\\.\\COM11", 11),
    ("\\\\.\\cOm12", 12),
]


def reset_extra_ports(state):
    for port in EXTRA_PORTS:
        w.point_port(state, port, w.unopenable_target(state))


def map_extra_ports(state):
    """COM7 ... COM12 in the prefix's port map (kept in the prefix for later runs)."""
    reset_extra_ports(state)
    w.stop_server(state)
    reg = os.path.join(state, "extra-ports.reg")
    with open(reg, "w", newline="\r\n") as f:
        f.write("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n")
        for port in EXTRA_PORTS:
            f.write('"COM%d"="%s"\n' % (port, w.port_link(state, port)))
    env = w.wine_env(state)
    subprocess.run(w.wine_command("wine", "regedit", "/S", w.windows_path(reg)), env=env,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   check=True, timeout=300)
    w.stop_server(state)  # saves the registry; the next server's device manager makes the links


class ExtraPortTests(t.WineTestCase):

    @classmethod
    def setUpClass(cls):
        map_extra_ports(t.PATHS["state"])
        cls.xvfb = w.Xvfb() if shutil.which("Xvfb") and shutil.which("xdotool") else None
        cls.display = cls.xvfb.display if cls.xvfb else None
        super().setUpClass()

    @classmethod
    def tearDownClass(cls):
        super().tearDownClass()
        reset_extra_ports(t.PATHS["state"])
        if cls.xvfb:
            cls.xvfb.stop()

    def setUp(self):
        super().setUp()
        reset_extra_ports(t.PATHS["state"])
        self.config = self.write_config("# no statements\n")

    def start_sims(self, *options):
        return {port: self.start_sim(port, *options) for port in EXTRA_PORTS}

    def assert_only_session_on(self, sims, port):
        for other, sim in sims.items():
            if other == port:
                header = sim.next_session()[0]
                self.assertIn("ended by the closing byte", header)
            else:
                self.assert_no_session(sim, wait=0.05)

    def test_com_arguments_reach_their_ports(self):
        sims = self.start_sims()
        for argument, port in ARGUMENTS:
            with self.subTest(argument=argument):
                out, rc = t.run_exe([self.config, argument], self.workdir, display=self.display)
                self.assertEqual((out, rc), (win(COMPLETE_RUN), 0))
                self.assert_only_session_on(sims, port)

    def test_messages_name_the_port_as_given(self):
        self.start_sim(7, "--no-greeting-reply")
        for argument, port in ARGUMENTS:
            expected = h.not_found(argument) if port == 7 else h.port_error(argument)
            with self.subTest(argument=argument):
                out, rc = t.run_exe([self.config, argument, "-e"], self.workdir, display=self.display)
                self.assertEqual((out, rc), (win(expected), 3 if port == 7 else 2))

    def xdotool(self, *args):
        done = subprocess.run(["xdotool", *args], env={"DISPLAY": self.display, "PATH": os.environ["PATH"]},
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, timeout=30)
        return done.stdout.split()

    def click(self, window, position):
        self.xdotool("mousemove", "--sync", "--window", window, *map(str, position))
        self.xdotool("click", "1")

    def wait_for(self, condition, what, run):
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline and run.proc.poll() is None:
            value = condition()
            if value:
                return value
            time.sleep(0.1)
        self.fail("no %s; the program printed %r, status %r" % (what, run.output(), run.proc.poll()))

    def test_port_window_lists_the_ports_after_com_6_in_number_order(self):
        if self.display is None:
            self.skipTest("Xvfb or xdotool missing")
        sims = self.start_sims()
        classes = ("search", "--onlyvisible", "--class", EXE_CLASS)
        for steps, port in ((6, 7), (9, 10), (11, 12)):
            with self.subTest(steps=steps):
                run = t.ExeProcess([self.config], self.workdir, display=self.display)
                try:
                    window = self.wait_for(lambda: self.xdotool("search", "--onlyvisible", "--name", PORT_WINDOW),
                                           "port window", run)[0]
                    self.click(window, PORT_LIST)
                    self.wait_for(lambda: len(self.xdotool(*classes)) >= 2, "open port list", run)
                    self.xdotool("key", "--delay", "50", *(["Down"] * steps), "Return")
                    self.wait_for(lambda: len(self.xdotool(*classes)) == 1, "closed port list", run)
                    self.click(window, OK_BUTTON)
                    out, rc = run.finish()
                finally:
                    run.kill()
                self.assertEqual((out, rc), (win(COMPLETE_RUN), 0))
                self.assert_only_session_on(sims, port)


if __name__ == "__main__":
    unittest.main(argv=t.parse_paths(sys.argv))
