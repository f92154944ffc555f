"""pyloload against pylo-sim with compiled configurations: the bytes on the wire equal the
protocol walked here from the compiled image, the device's memory holds exactly what was
sent (and its old content elsewhere), the failure path stops at the right command, and an
interrupt stops between whole commands and leaves the port usable."""

import os
import termios
import signal
import subprocess
import sys
import time
import unittest

import pylo_harness as h

KEYS = ["a", "b", "shift", "f12", "(+)ctrl", "(-)ctrl", "(~)Q", "(~)q", "!", "(n)7", "(n)enter",
        "(d)250", "(d)1", "space", "]", "[", "pgdn", "~", "(+)(+)z", "esc", "\"", "(D)128"]


def entries(count, offset=0):
    return "".join("[%s]" % KEYS[(offset + i) % len(KEYS)] for i in range(count))


def raw_entries(count, offset=0):
    # Values whose low seven bits are never 0, some above 127.
    return "".join("[%d]" % (1 + (offset + 37 * i) % 126 + (128 if i % 3 == 0 else 0))
                   for i in range(count))


# Configurations and what they guard.
CONFIGS = {
    "no statements": "# nothing\n",
    "long 30 31 32, short 14 15 16": (
        "in01:" + entries(30) + "\n"
        "in02:" + entries(31, 1) + "\n"
        "in03:" + entries(32, 2) + "\n"
        "in04|" + entries(14, 3) + "\n"
        "in05|" + entries(15, 4) + "\n"
        "in06|" + entries(16, 5) + "\n"
        "in07:" + entries(31, 6) + "\n"
        "in07|" + entries(15, 7) + "\n"
        "in72:" + entries(32, 8) + "\n"
        "in72|" + entries(16, 9) + "\n"),
    "more entries than slots": (
        "in10:" + entries(40) + "\n"
        "in10|" + entries(20, 3) + "\n"),
    "cut by an unknown key, a zero value, a raw 128 and a refused entry": (
        "in01:[a][foo][b]\n"
        "in02:" + entries(5) + "[(d)0]" + entries(5) + "\n"
        "in03|<S>[65][128][66]\n"
        "in04:[(+)(-)a]\n"
        "in05:[nosuchkey]\n"
        "in06:" + entries(30) + "[foo][x]\n"
        "in07|" + entries(14) + "[(n)num][x]\n"),
    "flags and raw entries": (
        "in08:<R>\n"
        "in09|<S><R>" + raw_entries(16) + "\n"
        "in10:<s>" + raw_entries(31, 5) + "\n"
        "in11:<r>" + entries(3) + "\n"
        "in12:<R>[(d)7]" + entries(2) + "\n"),
    "options": "PREL:Y\nREVX:Y\nREVY:Y\nMSET:3\nMSET:1\nROT1:Y\nROT2:Y\nROT3:Y\nROT4:Y\n",
}


def largest_config():
    lines = ["PREL:Y", "REVX:Y", "REVY:Y", "MSET:3", "ROT1:Y", "ROT2:Y", "ROT3:Y", "ROT4:Y"]
    for n in range(1, 73):
        lines.append("in%02d:%s" % (n, entries(32, n)))
        lines.append("in%02d|%s" % (n, entries(16, n + 5)))
    return "\n".join(lines) + "\n"


class UploadBytesTests(h.SimTestCase):

    def compile(self, config_path):
        out = os.path.join(self.workdir, "image.bin")
        subprocess.run([h.PATHS["check"], "--image", out, config_path], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
        with open(out, "rb") as f:
            image = f.read()
        self.assertEqual(len(image), h.IMAGE_SIZE)
        return image

    def upload_and_check(self, config_text, fill=0xAA, extra_options=(), mode_args=()):
        """Uploads config_text; checks output, wire bytes and memory; returns the image."""
        path = self.write_config(config_text)
        image = self.compile(path)
        cmds = h.protocol_commands(image)
        sim = self.start_sim("--fill", str(fill), *extra_options)
        out, rc = h.run_tool([path, sim.path, *mode_args])
        self.assertEqual((out, rc), (h.BANNER + "." * 72 + h.COMPLETE, 0))
        header = sim.next_session()[0]
        self.assertEqual(header.split(":")[1].split(",")[1].strip(), "%d write commands" % h.write_count(cmds))
        wire = sim.session_bytes(header)
        self.assertEqual(len(wire), len(h.wire_bytes(cmds)))
        self.assertEqual(wire, h.wire_bytes(cmds))
        memory = sim.memory()
        expected = h.memory_after(cmds, fill)
        self.assertEqual([(a, memory[a]) for a in range(h.IMAGE_SIZE) if memory[a] != expected[a]], [])
        # Every byte sent to an entry equals the compiled image's byte.
        for c in cmds:
            if c.is_write and c.data[3] != 0:
                self.assertEqual(c.data[3], image[c.address])
        return image, cmds

    def test_generated_configurations(self):
        for name, text in CONFIGS.items():
            with self.subTest(config=name):
                self.upload_and_check(text)

    def test_walk_covers_the_edge_cases(self):
        # The oracle itself, on the compiled images: 31 and 15 sent entries leave the last
        # slot alone, 30 and 14 get a terminator, a cut sequence ends at its first empty slot.
        path = self.write_config(CONFIGS["long 30 31 32, short 14 15 16"])
        cmds = h.protocol_commands(self.compile(path))
        addresses = {c.address for c in cmds if c.is_write}
        self.assertIn(0 * 96 + 61, addresses)       # input 1, slot 30 terminated
        self.assertNotIn(1 * 96 + 62, addresses)    # input 2, 31 entries: slot 31 untouched
        self.assertIn(2 * 96 + 63, addresses)       # input 3, all 32 sent
        self.assertIn(3 * 96 + 64 + 29, addresses)  # input 4, short slot 14 terminated
        self.assertNotIn(4 * 96 + 64 + 30, addresses)
        path = self.write_config(CONFIGS["cut by an unknown key, a zero value, a raw 128 and a refused entry"])
        cmds = h.protocol_commands(self.compile(path))
        input1 = [c.address for c in cmds if c.is_write and c.input_index == 0 and c.address < 64]
        self.assertEqual(input1, [0, 1, 2, 3])      # [a] then the terminator over [foo]

    def test_fill_shows_unsent_bytes_keep_their_values(self):
        for fill in (0x00, 0x5A, 0xFF):
            with self.subTest(fill=fill):
                self.upload_and_check(CONFIGS["long 30 31 32, short 14 15 16"], fill=fill)

    def test_example_configuration(self):
        examples = h.PATHS.get("examples") or ""
        path = os.path.join(examples, "keys.txt")
        if not os.path.exists(path):
            self.skipTest("no examples/keys.txt")
        with open(path, newline="") as f:
            self.upload_and_check(f.read())

    def test_largest_configuration(self):
        image, cmds = self.upload_and_check(largest_config(), extra_options=("--ack", "0"))
        self.assertEqual(h.write_count(cmds), 72 * 48 * 2 + 2)

    def test_silence_at_each_kind_of_write(self):
        # Entry bytes, terminators and the option bytes are all acknowledged or the upload fails.
        path = self.write_config("in01:[a][b]\nin02|[c]\nPREL:Y\n")
        image = self.compile(path)
        cmds = h.protocol_commands(image)
        writes = [c for c in cmds if c.is_write]
        # First entry byte, second entry byte, long terminator, short terminator of input 1,
        # input 2's short entry, last terminator, both option bytes.
        picks = {"entry first byte": 1, "entry second byte": 4, "long terminator": 5,
                 "short terminator": 8, "short entry": 11, "last terminator": len(writes) - 2,
                 "option byte 0": len(writes) - 1, "option byte 1": len(writes)}
        for name, n in picks.items():
            with self.subTest(write=name, n=n):
                sent, dots = h.silent_from(cmds, n)
                sim = self.start_sim("--silent-from", str(n))
                out, rc = h.run_tool([path, sim.path])
                self.assertEqual((out, rc), (h.BANNER + "." * dots + h.COMM_ERROR, 4))
                header = sim.next_session()[0]
                self.assertEqual(sim.session_bytes(header), h.wire_bytes(sent))
                sim.stop()

    def test_interrupt_between_whole_commands(self):
        # Paced like a real line, the upload takes seconds; the signal comes in the middle.
        config = "".join("in%02d:%s\n" % (n, entries(32, n)) for n in range(1, 25))
        path = self.write_config(config)
        empty = self.write_config("# nothing\n", "empty.txt")
        cmds = h.protocol_commands(self.compile(path))
        cases = [(signal.SIGINT, [], "normal"), (signal.SIGTERM, ["-e"], "errors"),
                 (signal.SIGINT, ["/H"], "quiet")]
        for sig, args, mode in cases:
            with self.subTest(signal=sig.name, mode=mode):
                sim = self.start_sim("--baud", "9600")
                proc = subprocess.Popen([h.PATHS["pyloload"], path, sim.path, *args], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
                time.sleep(0.6)
                self.assertIsNone(proc.poll())
                sent_at = time.monotonic()
                proc.send_signal(sig)
                out, _ = proc.communicate(timeout=5)  # no wait for Enter: stdin stays open
                self.assertLess(time.monotonic() - sent_at, 1.0)
                self.assertEqual(proc.returncode, 128 + sig)
                out = out.decode("latin-1")

                header = sim.next_session()[0]
                self.assertIn("ended by the closing byte", header)
                wire = sim.session_bytes(header)
                self.assertEqual(wire[-1:], bytes([h.CLOSING]))
                whole = 0
                prefix = b""
                while len(prefix) < len(wire) - 1:
                    prefix += cmds[whole].data
                    whole += 1
                self.assertEqual(wire[:-1], prefix, "the closing byte must follow whole commands")
                self.assertGreater(whole, 2)
                self.assertLess(whole, len(cmds))
                last_input = cmds[whole - 1].input_index or 0

                dots = out.count(".")
                if mode != "errors":
                    self.assertIn(dots, (last_input + 1, last_input + 2))
                expected = {"normal": h.BANNER + "." * dots + h.INTERRUPTED, "errors": h.INTERRUPTED,
                            "quiet": "." * dots}[mode]
                self.assertEqual(out, expected)

                # The port was restored and released: the next upload goes through.
                out, rc = h.run_tool([empty, sim.path])
                self.assertEqual((out, rc), (h.BANNER + "." * 72 + h.COMPLETE, 0))
                header = sim.next_session()[0]
                self.assertEqual(sim.session_bytes(header), h.wire_bytes(h.protocol_commands(bytes(h.IMAGE_SIZE))))
                sim.stop()

    def test_port_settings_restored(self):
        path = self.write_config(CONFIGS["options"])
        sim = self.start_sim()
        before = h.read_termios(sim.path)
        before[4] = before[5] = termios.B38400  # speeds
        before[0] |= termios.IXON
        before[2] |= termios.CRTSCTS
        h.set_termios(sim.path, before)
        before = h.read_termios(sim.path)
        out, rc = h.run_tool([path, sim.path])
        self.assertEqual(rc, 0)
        sim.next_session()
        self.assertEqual(h.read_termios(sim.path), before)


if __name__ == "__main__":
    argv = h.parse_paths(sys.argv)
    if not h.PATHS.get("check"):
        sys.exit("--check PYLOCHECK is needed")
    unittest.main(argv=argv)
