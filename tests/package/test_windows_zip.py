"""The Windows zip as a user gets it: made by cpack from the cross build that holds the
program under test (a release build, itself stripped), it holds the two programs, README and example; the programs are stripped,
carry the version resource and the manifest, and answer --version, --help, -? and /? under Wine.

  test_windows_zip.py --exe BUILD_WIN/pyloload.exe --state WINE_STATE --version V"""

import argparse
import os
import subprocess
import sys
import tempfile
import unittest
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "wine"))
import wine_env as w  # noqa: E402

ARGS = None
USAGE = "usage: pyloload [CONFIG [PORT [MODE]]]\r\n"

# (program, arguments, status, standard output starts with); "@V" is the version.
WINE_CASES = [
    ("pyloload.exe", ["--version"], 0, "pyloload @V\r\n"),
    ("pyloload.exe", ["--help"], 0, USAGE),
    ("pyloload.exe", ["-?"], 0, USAGE),
    ("pyloload.exe", ["/?"], 0, USAGE),
    ("pylocheck.exe", ["--version"], 0, "pylocheck @V\r\n"),
    ("pylocheck.exe", ["keys.txt"], 0, ""),
]


class WindowsZip(unittest.TestCase):

    def test_zip(self):
        build = os.path.dirname(os.path.abspath(ARGS.exe))
        if not os.path.exists(os.path.join(build, "CPackConfig.cmake")):
            self.skipTest("no cpack configuration beside " + ARGS.exe)
        with tempfile.TemporaryDirectory() as out:
            done = subprocess.run(["cpack", "-G", "ZIP", "-B", out], cwd=build, stdout=subprocess.PIPE,
                                  stderr=subprocess.STDOUT, text=True)
            self.assertEqual(done.returncode, 0, done.stdout)
            top = "pyloload-%s-win64" % ARGS.version
            with zipfile.ZipFile(os.path.join(out, top + ".zip")) as archive:
                self.assertEqual(sorted(archive.namelist()),
                                 [top + "/" + n for n in ("README.md", "keys.txt", "pylocheck.exe", "pyloload.exe")])
                archive.extractall(out)
            folder = os.path.join(out, top)
            for exe in (ARGS.exe, os.path.join(folder, "pyloload.exe"), os.path.join(folder, "pylocheck.exe")):
                with self.subTest(exe):
                    self.check_image(exe)
            for program, args, status, start in WINE_CASES:
                with self.subTest(program=program, args=args):
                    done = subprocess.run(w.wine_command("wine", program, *args), cwd=folder,
                                          env=w.wine_env(ARGS.state), stdin=subprocess.DEVNULL,
                                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=120)
                    self.assertEqual(done.returncode, status)
                    start = start.replace("@V", ARGS.version)
                    self.assertEqual(done.stdout.decode("latin-1")[:len(start)], start)

    def check_image(self, path):
        symbols = subprocess.run([ARGS.objdump, "-t", path], stdout=subprocess.PIPE, text=True).stdout
        self.assertIn("no symbols", symbols)
        with open(path, "rb") as f:
            data = f.read()
        for text in ("ProductVersion", "FileDescription", ARGS.version):
            self.assertIn(text.encode("utf-16-le"), data)
        self.assertIn(b'level="asInvoker"', data)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--state", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--objdump", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest)
