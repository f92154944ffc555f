"""A private Wine installation for the tests, its COM ports and its X display.

The state directory (in the build tree) holds:
  prefix/          the WINEPREFIX, created once by `wine_env.py setup` and reused
  ports/com1 ...   links that COM1 ... COM6 of the prefix resolve through; a test points one
                   at a simulator's pseudo-terminal
  no-port/         where the links point otherwise: a directory, which no program can open as
                   a port (a dangling link would not do: Wine then falls back to /dev/ttyS*)
  wineserver.log   what the wine server says

The prefix's registry maps COMn to ports/comn, so Wine recreates the same links in
dosdevices/ whenever its device manager starts, and the tests never touch dosdevices/.

A serial device that another program holds is one with TIOCEXCL set; root ignores that flag
(CAP_SYS_ADMIN), so when the tests run as root every Wine process, the wine server included,
runs without that capability.
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import time

PORTS = range(1, 7)
CAP_SYS_ADMIN = 21
STAMP_NAME = "pylo-prefix-ready"


def state_paths(state):
    return {
        "prefix": os.path.join(state, "prefix"),
        "ports": os.path.join(state, "ports"),
        "log": os.path.join(state, "wineserver.log"),
    }


def port_link(state, port):
    return os.path.join(state_paths(state)["ports"], "com%d" % port)


def wine_env(state, display=None):
    env = dict(os.environ)
    env.update({
        "WINEPREFIX": state_paths(state)["prefix"],
        "WINEARCH": "win64",
        "WINEDEBUG": "-all",
        # No prompts to install Mono or Gecko: nothing here needs them.
        "WINEDLLOVERRIDES": "mscoree,mshtml=",
    })
    env.pop("WINESERVER", None)
    if display is None:
        env.pop("DISPLAY", None)
    else:
        env["DISPLAY"] = display
    return env


def _has_sys_admin():
    try:
        with open("/proc/self/status") as f:
            for line in f:
                if line.startswith("CapEff:"):
                    return bool(int(line.split()[1], 16) >> CAP_SYS_ADMIN & 1)
    except OSError:
        pass
    return False


def exclusive_open_honoured():
    """False when this user could open a terminal that another program holds exclusively
    and there is no way to run Wine without that power."""
    return not _has_sys_admin() or shutil.which("setpriv") is not None


def wine_command(*args):
    """args under Wine; where allowed at a high priority (nice -15), since the Windows
    program's 36 ms read time-out runs on the wine server's timers."""
    prefix = ["nice", "-n", "-15"] if os.geteuid() == 0 else []
    if _has_sys_admin() and shutil.which("setpriv"):
        prefix += ["setpriv", "--bounding-set=-sys_admin", "--"]
    return prefix + list(args)


def wine_version():
    return subprocess.run(["wine", "--version"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                          text=True, check=False).stdout.strip()


def windows_path(path):
    """The name Wine gives a Unix path (drive Z: is the Unix root)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def point_port(state, port, target):
    """Makes COMport resolve to target (a pseudo-terminal, or a path that does not exist)."""
    link = port_link(state, port)
    tmp = link + ".new"
    if os.path.lexists(tmp):
        os.unlink(tmp)
    os.symlink(target, tmp)
    os.replace(tmp, link)


def unopenable_target(state):
    return os.path.join(state, "no-port")


def reset_ports(state):
    os.makedirs(state_paths(state)["ports"], exist_ok=True)
    os.makedirs(unopenable_target(state), exist_ok=True)
    for port in PORTS:
        point_port(state, port, unopenable_target(state))


def stop_server(state):
    """Ends the prefix's wine server and every Wine process of the prefix."""
    if os.path.isdir(state_paths(state)["prefix"]):
        subprocess.run(wine_command("wineserver", "-k"), env=wine_env(state), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=False, timeout=60)
        subprocess.run(wine_command("wineserver", "-w"), env=wine_env(state), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=False, timeout=60)


def start_server(state, display=None, linger_seconds=30):
    """Starts the wine server for a group of tests. It stays up between the tests' Wine
    processes and ends by itself linger_seconds after the last one."""
    stop_server(state)
    with open(state_paths(state)["log"], "ab") as log:
        subprocess.run(wine_command("wineserver", "-p%d" % linger_seconds), env=wine_env(state, display),
                       stdin=subprocess.DEVNULL, stdout=log, stderr=log, check=True, timeout=60)


def setup_prefix(state):
    """Creates the prefix unless a finished one for this Wine version is there."""
    paths = state_paths(state)
    stamp = os.path.join(paths["prefix"], STAMP_NAME)
    version = wine_version()
    os.makedirs(state, exist_ok=True)
    reset_ports(state)
    try:
        with open(stamp) as f:
            if f.read().strip() == version:
                stop_server(state)
                return "reused"
    except OSError:
        pass

    stop_server(state)
    shutil.rmtree(paths["prefix"], ignore_errors=True)
    env = wine_env(state)
    with open(paths["log"], "ab") as log:
        subprocess.run(wine_command("wineboot", "--init"), env=env, stdin=subprocess.DEVNULL, stdout=log,
                       stderr=log, check=True, timeout=600)
        reg = os.path.join(state, "ports.reg")
        with open(reg, "w", newline="\r\n") as f:
            f.write("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n")
            for port in PORTS:
                f.write('"COM%d"="%s"\n' % (port, port_link(state, port)))
        subprocess.run(wine_command("wine", "regedit", "/S", windows_path(reg)), env=env, stdin=subprocess.DEVNULL,
                       stdout=log, stderr=log, check=True, timeout=300)
        # The registry is saved when the server ends.
        subprocess.run(wine_command("wineserver", "-w"), env=env, stdout=log, stderr=log, check=True,
                       timeout=300)
    with open(stamp, "w") as f:
        f.write(version + "\n")
    return "created"


class Xvfb:
    """A private X display."""

    def __init__(self):
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
             "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        number = b""
        deadline = time.monotonic() + 30
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            chunk = os.read(read_fd, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_fd)
        if not number.strip():
            self.stop()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number.decode().strip()

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("action", choices=["setup", "stop"])
    parser.add_argument("--state", required=True)
    args = parser.parse_args(argv[1:])
    if args.action == "setup":
        started = time.monotonic()
        how = setup_prefix(args.state)
        print("wine prefix %s in %.1f s: %s" % (how, time.monotonic() - started,
                                                 state_paths(args.state)["prefix"]))
    else:
        stop_server(args.state)
        reset_ports(args.state)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
