"""What the end-to-end tests share on Linux and under Wine: the message texts, an independent
walk of the upload protocol, pylo-sim as a prompt child process, and the scenario table
(scenarios.txt) with the outcome each row expects."""

import argparse
import fcntl
import os
import queue
import subprocess
import sys
import tempfile
import termios
import threading
import time
import unittest

IMAGE_SIZE, INPUTS, BLOCK, SHORT_OFFSET, OPTION0 = 8196, 72, 96, 64, 8188
GREETING, CLOSING = 0xCD, 0xED
HERE = os.path.dirname(os.path.abspath(__file__))

BANNER = "\nSending configuration file to the PYLO"
COMPLETE = "\nConfiguration complete\n"
INTERRUPTED = "\nUpload interrupted\n"
COMM_ERROR = "\nError while communicating with PYLO\n(Press enter to exit)\n"


def port_error(label):
    return (f"\nError opening com port {label}\nPlease make sure that com {label} is enabled "
            "and not in use by another application.\n(Press enter to exit)\n")


def not_found(label):
    return f"\nError: PYLO not found on com port {label}\n(Press enter to exit)\n"


def file_error(path):
    return f'\nError: The file "{path}" was not found\n(Press enter to exit)\n'


# Mode arguments and the mode each selects: only the exact two-character forms select one.
MODE_FORMS = {"none": "normal", "x": "normal", "-E": "errors", "-e": "errors", "/E": "errors",
              "/e": "errors", "-H": "quiet", "-h": "quiet", "/H": "quiet", "/h": "quiet",
              "-Ex": "normal", "-EE": "normal", "E": "normal", "--e": "normal", "/hx": "normal",
              "-": "normal"}
MODE_SAMPLES = ["none", "/e", "-H"]


def expected_output(mode, outcome_text, dots=0, error=True):
    """Normal prints the banner, dots and outcome; ErrorsOnly only error texts; Quiet only dots."""
    if mode == "normal":
        return BANNER + "." * dots + outcome_text
    if mode == "errors":
        return outcome_text if error else ""
    return "." * dots


# --- The protocol, walked independently of the tool -------------------------------------

def write_command(address, value, input_index):
    return (bytes([ord("W"), address >> 8, address & 0xFF, value]), input_index, address)


def protocol_commands(image):
    """(bytes, input index, address) of every command of a whole upload, closing byte aside.
    A sequence goes up to its first empty slot; one cut before its last slot but one gets a
    terminator."""
    cmds = [(bytes([GREETING]), None, None), (b"K", None, None)]
    for i in range(INPUTS):
        for base, slots in ((i * BLOCK, 32), (i * BLOCK + SHORT_OFFSET, 16)):
            a, k = base, 0
            while k < slots and image[a + 1] != 0:
                cmds += [write_command(a, image[a], i), write_command(a + 1, image[a + 1], i)]
                a, k = a + 2, k + 1
            if k < slots - 1:
                cmds += [write_command(a, 0, i), write_command(a + 1, 0, i)]
    cmds += [write_command(OPTION0, image[OPTION0], INPUTS), write_command(OPTION0 + 1, image[OPTION0 + 1], INPUTS)]
    return cmds + [(b"S", None, None)]


def wire_bytes(cmds):
    return b"".join(c[0] for c in cmds) + bytes([CLOSING])


def memory_after(cmds, fill):
    memory = bytearray([fill]) * IMAGE_SIZE
    for data, _, address in cmds:
        if address is not None:
            memory[address] = data[3]
    return bytes(memory)


def silent_from(cmds, n):
    """The commands sent when the device stops answering at write command n (from 1), and
    the progress dots printed by then."""
    writes = [k for k, c in enumerate(cmds) if c[2] is not None]
    last = writes[n - 1]
    return cmds[:last + 1], min(cmds[last][1] + 1, INPUTS)


def write_count(cmds):
    return sum(1 for c in cmds if c[2] is not None)


ZERO_CMDS = protocol_commands(bytes(IMAGE_SIZE))


# --- Child processes -----------------------------------------------------------------------

def _prompt():
    """Runs the simulator ahead of busy processes where allowed: its replies are due within
    the tool's 36 ms read time-out. It ends with the test that started it."""
    import ctypes
    ctypes.CDLL(None).prctl(1, 15)  # PR_SET_PDEATHSIG, SIGTERM
    try:
        os.sched_setscheduler(0, os.SCHED_FIFO, os.sched_param(10))
    except OSError:
        try:
            os.nice(-10)
        except OSError:
            pass


class Sim:
    """pylo-sim on its own pseudo-terminal; --show reports each session on its output."""

    def __init__(self, sim, workdir, *options):
        self.wire_log = os.path.join(workdir, "wire-%d.bin" % id(self))
        self.memory_out = os.path.join(workdir, "memory-%d.bin" % id(self))
        self.proc = subprocess.Popen([sim, "--show", "--wire-log", self.wire_log, "--memory-out", self.memory_out,
                                      *options], stdout=subprocess.PIPE, text=True, preexec_fn=_prompt)
        self.lines = queue.Queue()
        threading.Thread(target=self._pump, daemon=True).start()
        self.path = self.lines.get(timeout=10).strip()
        self.wire_seen = 0

    def _pump(self):
        for line in self.proc.stdout:
            self.lines.put(line.rstrip("\n"))
        self.lines.put(None)

    def session(self, timeout=20):
        """(header line, wire bytes) of the next finished session."""
        deadline = time.monotonic() + timeout
        header = None
        while True:
            line = self.lines.get(timeout=max(0.01, deadline - time.monotonic()))
            if line is None:
                raise AssertionError("simulator ended before the session did")
            header = header or (line if line.startswith("session ") else None)
            if line.startswith("end of session"):
                break
        with open(self.wire_log, "rb") as f:
            f.seek(self.wire_seen)
            data = f.read(int(header.split(":")[1].split()[0]))
        self.wire_seen += len(data)
        return header, data

    def memory(self):
        with open(self.memory_out, "rb") as f:
            return f.read()

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            self.proc.wait(timeout=10)
        self.proc.stdout.close()


class PortHolder:
    """Another program holding the port: flock (as pyloload on Linux takes it) or an
    exclusive open (TIOCEXCL, as Windows programs hold a port under Wine)."""

    def __init__(self, path, how="flock"):
        self.proc = subprocess.Popen([sys.executable, __file__, "hold", path, how], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True)
        if self.proc.stdout.readline().strip() != "held":
            raise AssertionError("the port holder did not get the port")

    def release(self):
        self.proc.stdin.close()
        self.proc.wait(timeout=10)
        self.proc.stdout.close()


def _hold(path, how):
    fd = os.open(path, os.O_RDWR | os.O_NOCTTY)
    if how == "flock":
        fcntl.flock(fd, fcntl.LOCK_EX)
    else:
        fcntl.ioctl(fd, termios.TIOCEXCL)
    print("held", flush=True)
    sys.stdin.read()
    if how != "flock":
        fcntl.ioctl(fd, termios.TIOCNXCL)  # the flag would outlive the close


# --- Linux runs: pyloload against pylo-sim on a pseudo-terminal -----------------------------

PATHS = {}  # "pyloload", "sim", "check", "examples": what the Linux tests run


def parse_paths(argv):
    """Takes the paths off the command line; the rest goes to unittest."""
    parser = argparse.ArgumentParser()
    for name in ("pyloload", "sim", "check", "examples"):
        parser.add_argument("--" + name)
    known, rest = parser.parse_known_args(argv[1:])
    PATHS.update(vars(known))
    return [argv[0]] + rest


def run_tool(args, stdin=b"\n", prefix=()):
    """Runs pyloload to its end; (standard output, standard error, exit status)."""
    done = subprocess.run([*prefix, PATHS["pyloload"], *args], input=stdin, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, timeout=120)
    return done.stdout.decode("latin-1"), done.stderr.decode("utf-8", "replace"), done.returncode


def bytes_written(pid):
    """What process pid has written so far (to the port and its output)."""
    with open("/proc/%d/io" % pid) as f:
        return int(f.read().split("wchar:")[1].split()[0])


class SimTestCase(unittest.TestCase):
    """A scratch directory, and every simulator started stopped at the end."""

    def setUp(self):
        self._tmp = tempfile.TemporaryDirectory(prefix="pylo-e2e-")
        self.workdir = self._tmp.name
        self.sims = []

    def tearDown(self):
        for sim in self.sims:
            sim.stop()
        self._tmp.cleanup()

    def start_sim(self, *options):
        sim = Sim(PATHS["sim"], self.workdir, *options)
        self.sims.append(sim)
        return sim

    def write_config(self, text, name="config.txt"):
        path = os.path.join(self.workdir, name)
        with open(path, "w", newline="\n") as f:
            f.write(text)
        return path


# --- The scenario table ------------------------------------------------------------------

def scenarios(platform):
    """The rows of scenarios.txt that run on platform ("linux" or "wine"), as dicts."""
    rows = []
    with open(os.path.join(HERE, "scenarios.txt")) as f:
        for number, line in enumerate(f, 1):
            if not line.strip() or line.startswith("#"):
                continue
            cells = [c.strip() for c in line.split("|")]
            name, on, options, port, config, forms, outcome = cells
            if on in ("both", platform):
                forms = {"every": list(MODE_FORMS), "samples": MODE_SAMPLES}.get(forms, forms.split())
                rows.append(dict(row="scenarios.txt:%d %s" % (number, name), options=options.split(),
                                 port=port, config=config, forms=forms, outcome=outcome))
    return rows


def expectation(row, mode, label, path, cmds, newline="\n"):
    """(output, status, wire bytes or None for no session) that row expects in mode, the port
    named label, the file named path, and the commands of a whole upload of its image."""
    outcome, options = row["outcome"], row["options"]
    if outcome == "complete":
        text, status, dots, wire = COMPLETE, 0, 72, wire_bytes(cmds)
    elif outcome == "port":
        text, status, dots, wire = port_error(label), 2, 0, None
    elif outcome == "device":
        text, status, dots, wire = not_found(label), 3, 0, bytes([GREETING])
    elif outcome == "link":
        sent, dots = silent_from(cmds, int(options[options.index("--silent-from") + 1]))
        text, status, wire = COMM_ERROR, 4, wire_bytes(sent)
    elif outcome == "file":
        text, status, dots, wire = file_error(path), 1, 0, None
    else:
        raise ValueError("unknown outcome " + outcome)
    out = expected_output(mode, text, dots, error=outcome != "complete")
    if outcome == "file":  # before the banner: the text alone, unless Quiet
        out = "" if mode == "quiet" else text
    return out.replace("\n", newline), status, wire


def run_scenario(test, row, make_port, make_config, run_tool, newline="\n"):
    """Runs row in each of its mode forms, each against a new simulator. make_port(row) gives
    (port argument, label, simulator or None, holder or None); make_config(row) gives (file
    argument, path in messages, image or None); run_tool(args) gives (output, status)."""
    for form in row["forms"]:
        with test.subTest(row=row["row"], mode=form):
            port, label, sim, holder = make_port(row)
            try:
                config, path, image = make_config(row)
                cmds = protocol_commands(image) if image is not None else ZERO_CMDS
                out, status = run_tool([config, port] + ([] if form == "none" else [form]))
            finally:
                if holder is not None:
                    holder.release()
            want_out, want_status, want_wire = expectation(row, MODE_FORMS[form], label, path, cmds, newline)
            test.assertEqual((out, status), (want_out, want_status))
            if sim is None:
                continue
            if want_wire is None:
                test.assertTrue(sim.lines.empty(), "the simulator saw a session")
            else:
                header, wire = sim.session()
                test.assertEqual(wire, want_wire)
                if row["outcome"] == "complete":
                    fill = int(row["options"][row["options"].index("--fill") + 1], 0) if "--fill" in row["options"] else 0
                    test.assertEqual(sim.memory(), memory_after(cmds, fill))
            if holder is not None:  # released, the port works again
                out, status = run_tool([config, port])
                test.assertEqual((out, status), (expected_output("normal", COMPLETE, 72).replace("\n", newline), 0))


def compile_image(check, path):
    """The image pylocheck compiles from path."""
    out = path + ".image"
    subprocess.run([check, "--image", out, path], check=True, stdout=subprocess.DEVNULL, timeout=30)
    with open(out, "rb") as f:
        return f.read()


if __name__ == "__main__" and sys.argv[1:2] == ["hold"]:
    _hold(*sys.argv[2:4])
