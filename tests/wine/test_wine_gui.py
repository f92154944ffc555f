"""The port window and the file dialog of pyloload.exe under Wine on a private X display,
driven with xdotool like a user would: mouse clicks and keys, windows found by their titles.

Without a window manager Wine's X window of the port window is exactly its client area, so
the controls are clicked at the positions the program gives them."""

import ctypes
import subprocess
import sys
import time
import unittest

import test_wine as t
from test_wine import h, w, win

PORT_WINDOW = "^Pylo Configuration Utility$"
FILE_DIALOG = "^Please select a PYLO configuration file$"
EXE_CLASS = "^pyloload\\.exe$"

# Client positions of the port window's controls (centres).
PORT_LIST = (100, 40)
OK_BUTTON = (8 + 46, 64 + 16)
CANCEL_BUTTON = (108 + 46, 64 + 16)

WINDOW_TIMEOUT = 60  # the first window of a fresh wine server takes a while
COMPLETE_RUN = h.BANNER + "." * 72 + h.COMPLETE
EXAMPLE_CONFIG = "in03:[(+)shift][a]\nROT2:Y\n"
EXAMPLE_WRITES = b"W\x00\xc0\x08" b"W\x00\xc1\x2c" b"W\x00\xc2\x00" b"W\x00\xc3\x1f"

XVFB = None


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]


def ask_to_close(display, window):
    """What a window manager does when the close box in the title bar is clicked: the
    WM_DELETE_WINDOW message of the window's WM_PROTOCOLS."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(XClientMessageEvent)]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    connection = x11.XOpenDisplay(display.encode())
    if not connection:
        raise RuntimeError("cannot open display " + display)
    try:
        event = XClientMessageEvent()
        event.type = 33  # ClientMessage
        event.display = connection
        event.window = int(window)
        event.message_type = x11.XInternAtom(connection, b"WM_PROTOCOLS", 0)
        event.format = 32
        event.data[0] = x11.XInternAtom(connection, b"WM_DELETE_WINDOW", 0)
        event.data[1] = 0  # CurrentTime
        x11.XSendEvent(connection, int(window), 0, 0, ctypes.byref(event))
        x11.XFlush(connection)
    finally:
        x11.XCloseDisplay(connection)


class GuiTests(t.WineTest):

    @classmethod
    def setUpClass(cls):
        global XVFB
        XVFB = w.Xvfb()
        cls.display = XVFB.display
        try:
            super().setUpClass()
        except BaseException:
            XVFB.stop()
            raise

    @classmethod
    def tearDownClass(cls):
        try:
            super().tearDownClass()
        finally:
            XVFB.stop()

    def setUp(self):
        super().setUp()
        self.config = self.write("keys.txt", EXAMPLE_CONFIG)

    # --- the display ---------------------------------------------------------------------

    def xdotool(self, *args):
        done = subprocess.run(["xdotool", *args], env={"DISPLAY": self.display, "PATH": "/usr/bin:/bin"},
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, timeout=30)
        return done.stdout.split()

    def visible(self, *search):
        return self.xdotool("search", "--onlyvisible", *search)

    def wait_for(self, condition, what, run=None, timeout=WINDOW_TIMEOUT):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            value = condition()
            if value:
                return value
            if run is not None and run.proc.poll() is not None:
                self.fail("the program ended (status %d) while waiting for %s; it printed %r"
                          % (run.proc.returncode, what, run.output()))
            time.sleep(0.1)
        self.fail("timed out waiting for %s" % what)

    def wait_window(self, name, run):
        return self.wait_for(lambda: self.visible("--name", name)[:1], "the window " + name, run)[0]

    def click(self, window, position):
        self.xdotool("mousemove", "--sync", "--window", window, str(position[0]), str(position[1]))
        self.xdotool("click", "1")

    def choose_in_list(self, window, steps, run):
        """Opens the port list, moves the selection down steps entries and closes it with Enter."""
        self.click(window, PORT_LIST)
        self.wait_for(lambda: len(self.visible("--class", EXE_CLASS)) >= 2, "the open port list", run)
        self.xdotool("key", "--delay", "50", *(["Down"] * steps), "Return")
        self.wait_for(lambda: len(self.visible("--class", EXE_CLASS)) == 1, "the port list to close", run)

    def assert_still_waiting(self, run, window):
        time.sleep(0.5)
        self.assertIsNone(run.proc.poll(), "the port window ended without OK or Cancel")
        self.assertEqual(self.visible("--name", PORT_WINDOW), [window])

    def start_sims(self, *options):
        return {port: self.start_sim(port, *options) for port in w.PORTS}

    def assert_sessions(self, sims, port, writes=EXAMPLE_WRITES):
        """Only port got a session, and it sent writes."""
        for other, sim in sims.items():
            if other == port:
                self.assertIn(writes, sim.session()[1])
            else:
                self.assertTrue(sim.lines.empty(), "a session on COM%d" % other)

    # --- the port window -----------------------------------------------------------------

    def test_choosing_com_4_and_ok_uploads_to_port_4(self):
        sims = self.start_sims("--delay", "3")
        run = self.start([self.config])
        window = self.wait_window(PORT_WINDOW, run)
        self.choose_in_list(window, 3, run)  # Com 1 -> Com 4, through Com 2 and Com 3
        self.assert_still_waiting(run, window)
        self.click(window, OK_BUTTON)
        # During the upload the window is hidden, not destroyed.
        run.wait_output(lambda out: out.startswith(win(h.BANNER + ".")))
        if run.proc.poll() is None:
            self.assertEqual(self.visible("--name", PORT_WINDOW), [])
            self.assertIn(window, self.xdotool("search", "--name", PORT_WINDOW))
        self.assertEqual(run.finish(), (win(COMPLETE_RUN), 0))
        self.assert_sessions(sims, 4)

    def test_ok_without_a_change_takes_com_1(self):
        sims = self.start_sims()
        run = self.start([self.config, "01"])  # "01" is no port
        window = self.wait_window(PORT_WINDOW, run)
        self.click(window, OK_BUTTON)
        self.assertEqual(run.finish(), (win(COMPLETE_RUN), 0))
        self.assert_sessions(sims, 1)

    def test_cancel_after_changing_the_selection_ends_quietly(self):
        sims = self.start_sims()
        run = self.start([self.config, "13", "-e"])  # "13" is no port
        window = self.wait_window(PORT_WINDOW, run)
        self.choose_in_list(window, 2, run)
        self.assert_still_waiting(run, window)
        self.click(window, CANCEL_BUTTON)
        self.assertEqual(run.finish(), ("", 0))
        self.assert_sessions(sims, None)

    def test_closing_the_window_ends_quietly(self):
        for how in ("close box", "alt+F4"):
            with self.subTest(how=how):
                sims = self.start_sims()
                run = self.start([self.config])
                window = self.wait_window(PORT_WINDOW, run)
                if how == "close box":
                    self.choose_in_list(window, 1, run)
                    ask_to_close(self.display, window)
                else:
                    # The system menu's shortcut, while the window itself has the focus.
                    self.xdotool("mousemove", "--sync", "--window", window, "100", "10")
                    self.xdotool("key", "alt+F4")
                self.assertEqual(run.finish(), ("", 0))
                self.assert_sessions(sims, None)
                for sim in sims.values():
                    sim.stop()

    # --- the file dialog -----------------------------------------------------------------

    def test_file_from_the_dialog_then_the_port_window(self):
        sims = self.start_sims()
        run = self.start([])
        dialog = self.wait_window(FILE_DIALOG, run)
        self.assertEqual(self.visible("--name", PORT_WINDOW), [])
        self.xdotool("windowfocus", "--sync", dialog)
        self.xdotool("type", "--delay", "30", self.config)
        self.xdotool("key", "Return")
        window = self.wait_window(PORT_WINDOW, run)
        self.assertEqual(self.visible("--name", FILE_DIALOG), [])
        self.choose_in_list(window, 5, run)  # Com 6
        self.click(window, OK_BUTTON)
        self.assertEqual(run.finish(), (win(COMPLETE_RUN), 0))
        self.assert_sessions(sims, 6)

    def test_cancelling_the_file_dialog_ends_before_the_port_window(self):
        sims = self.start_sims()
        run = self.start([])
        dialog = self.wait_window(FILE_DIALOG, run)
        self.xdotool("windowfocus", "--sync", dialog)
        self.xdotool("key", "Escape")
        port_window_seen = False
        deadline = time.monotonic() + 30
        while run.proc.poll() is None and time.monotonic() < deadline:
            port_window_seen = port_window_seen or bool(self.xdotool("search", "--name", PORT_WINDOW))
            time.sleep(0.05)
        out, rc = run.finish()
        self.assertFalse(port_window_seen, "the port window was made")
        self.assertEqual((out, rc), ("", 0))
        self.assert_sessions(sims, None)

    def test_port_window_in_quiet_mode_too(self):
        sims = self.start_sims()
        run = self.start([self.config, "x", "-h"])
        window = self.wait_window(PORT_WINDOW, run)
        self.choose_in_list(window, 1, run)
        self.click(window, OK_BUTTON)
        self.assertEqual(run.finish(), ("." * 72, 0))
        self.assert_sessions(sims, 2)


if __name__ == "__main__":
    unittest.main(argv=t.main())
