# SPDX-License-Identifier: MIT
"""A private Wine installation for the tests, its COM ports and its X display.

The state directory (in the build tree) holds the WINEPREFIX (prefix/, made once by `wine_env.py
setup` and reused), ports/com1 ... com12 (links that COMn resolves through, as the prefix's
registry says; a test points one at a simulator's terminal), no-port/ (where they point
otherwise: a directory, which no program opens as a port, while a dangling link would make Wine
fall back to /dev/ttyS*) and wineserver.log. A port another program holds has TIOCEXCL set; root
ignores that flag (CAP_SYS_ADMIN), and a folder's or file's permissions (CAP_DAC_OVERRIDE), so as
root every Wine process runs without those capabilities."""

import os
import shutil
import subprocess
import sys

PORTS = range(1, 13)
STAMP = "pylo-prefix-ready"
# The font of the title bar's buttons (fonts-wine). Wine looks for its own fonts beside its
# programs, which Debian's layout defeats: a copy in the prefix's Fonts folder is found.
MARLETT = "/usr/share/wine/fonts/marlett.ttf"


def port_link(state, port):
    return os.path.join(state, "ports", "com%d" % port)


def wine_env(state, display=None):
    env = {k: v for k, v in os.environ.items() if k not in ("WINESERVER", "DISPLAY")}
    # No prompts to install Mono or Gecko: nothing here needs them.
    env.update(WINEPREFIX=os.path.join(state, "prefix"), WINEARCH="win64", WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=", **({"DISPLAY": display} if display else {}))
    return env


CAP_DAC_OVERRIDE, CAP_SYS_ADMIN = 1, 21


def _has_capability(bit):
    with open("/proc/self/status") as f:
        return any(line.startswith("CapEff:") and int(line.split()[1], 16) >> bit & 1 for line in f)


def exclusive_open_honoured():
    """False when this user could open a terminal that another program holds exclusively
    and there is no way to run Wine without that power."""
    return not _has_capability(CAP_SYS_ADMIN) or shutil.which("setpriv") is not None


def permissions_honoured():
    """False when this user could write a read-only folder and there is no way to run Wine
    without that power."""
    return not _has_capability(CAP_DAC_OVERRIDE) or shutil.which("setpriv") is not None


def wine_command(*args):
    """args under Wine; where allowed at a high priority (nice -15), since the Windows
    program's 36 ms read time-out runs on the wine server's timers."""
    prefix = ["nice", "-n", "-15"] if os.geteuid() == 0 else []
    dropped = [name for bit, name in ((CAP_SYS_ADMIN, "sys_admin"), (CAP_DAC_OVERRIDE, "dac_override"))
               if _has_capability(bit)]
    if dropped and shutil.which("setpriv"):
        prefix += ["setpriv", "--bounding-set=" + ",".join("-" + name for name in dropped), "--"]
    return prefix + list(args)


def windows_path(path):
    """The name Wine gives a Unix path (drive Z: is the Unix root)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def point_port(state, port, target=None):
    """Makes COMport resolve to target (a pseudo-terminal); by default to no port."""
    link = port_link(state, port)
    if os.path.lexists(link + ".new"):
        os.unlink(link + ".new")
    os.symlink(target or os.path.join(state, "no-port"), link + ".new")
    os.replace(link + ".new", link)


def reset_ports(state):
    os.makedirs(os.path.join(state, "ports"), exist_ok=True)
    os.makedirs(os.path.join(state, "no-port"), exist_ok=True)
    for port in PORTS:
        point_port(state, port)


def _wine(state, *args, display=None, timeout=300):
    with open(os.path.join(state, "wineserver.log"), "ab") as log:
        subprocess.run(wine_command(*args), env=wine_env(state, display), stdin=subprocess.DEVNULL, stdout=log,
                       stderr=log, check=args[1] not in ("-k", "-w"), timeout=timeout)


def stop_server(state):
    """Ends the prefix's wine server and every Wine process of the prefix."""
    if os.path.isdir(os.path.join(state, "prefix")):
        _wine(state, "wineserver", "-k")
        _wine(state, "wineserver", "-w")


def start_server(state, display=None, linger_seconds=30):
    """Starts the wine server for a group of tests. It stays up between the tests' Wine
    processes and ends by itself linger_seconds after the last one."""
    stop_server(state)
    _wine(state, "wineserver", "-p%d" % linger_seconds, display=display)


def setup_prefix(state):
    """Creates the prefix unless a finished one for this Wine version, these ports and fonts is there."""
    prefix, stamp = os.path.join(state, "prefix"), os.path.join(state, "prefix", STAMP)
    version = subprocess.run(["wine", "--version"], capture_output=True, text=True).stdout.strip() + " COM1-%d" % PORTS[-1]
    version += " Marlett" if os.path.exists(MARLETT) else ""
    os.makedirs(state, exist_ok=True)
    reset_ports(state)
    stop_server(state)
    if os.path.exists(stamp) and open(stamp).read().strip() == version:
        return "reused"
    shutil.rmtree(prefix, ignore_errors=True)
    _wine(state, "wineboot", "--init", timeout=600)
    reg = os.path.join(state, "ports.reg")
    with open(reg, "w", newline="\r\n") as f:
        f.write("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n")
        f.writelines('"COM%d"="%s"\n' % (port, port_link(state, port)) for port in PORTS)
    _wine(state, "wine", "regedit", "/S", windows_path(reg))
    _wine(state, "wineserver", "-w")  # the registry is saved when the server ends
    if os.path.exists(MARLETT):
        shutil.copy(MARLETT, os.path.join(prefix, "drive_c", "windows", "Fonts"))
    with open(stamp, "w") as f:
        f.write(version + "\n")
    return "created"


class Xvfb:
    """A private X display."""

    def __init__(self):
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24", "-nolisten",
                                      "tcp", "-noreset"], pass_fds=(write_fd,), stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as f:
            self.display = ":" + f.readline().strip()  # written once the display is up; "" if Xvfb failed
        if self.display == ":":
            self.stop()
            raise RuntimeError("Xvfb did not start")

    def stop(self):
        self.proc.terminate()
        self.proc.wait(timeout=10)


if __name__ == "__main__":
    action, state = sys.argv[1], sys.argv[sys.argv.index("--state") + 1]
    if action == "setup":
        print("wine prefix %s: %s" % (setup_prefix(state), os.path.join(state, "prefix")))
    else:
        stop_server(state)
        reset_ports(state)
