"""What a user or a packager gets: the installed tree, the programs answering --help and
--version from it, the man pages (lint and one version), and the Debian package.

  test_package.py --build BUILD --source SRC --version V GROUP
GROUP is install, man or deb; each is one ctest entry."""

import argparse
import os
import subprocess
import sys
import tempfile
import unittest

ARGS = None

# The installed tree under the prefix, the same in `cmake --install` and the .deb.
INSTALLED = {
    "bin/pyloload", "bin/pylocheck", "bin/pylo-sim",
    "share/man/man1/pyloload.1.gz", "share/man/man1/pylocheck.1.gz", "share/man/man1/pylo-sim.1.gz",
    "share/man/man5/pyloload-config.5.gz",
    "share/doc/pyloload/README.md", "share/doc/pyloload/keys.txt",
}
PAGES = ["man1/pyloload.1.gz", "man1/pylocheck.1.gz", "man1/pylo-sim.1.gz", "man5/pyloload-config.5.gz"]

# The command lines answered from the installed programs, run in a folder that holds a file
# named --help: (label, program, arguments, status, standard output starts with, standard
# error starts with). "@V" stands for the project version.
CLI_CASES = [
    ("version", "pyloload", ["--version"], 0, "pyloload @V\n", ""),
    ("help", "pyloload", ["--help"], 0, "usage: pyloload [CONFIG [PORT [MODE]]]\n", ""),
    ("short help", "pyloload", ["-?"], 0, "usage: pyloload [CONFIG [PORT [MODE]]]\n", ""),
    ("slash help is a path on Linux", "pyloload", ["/?", "1", "-E"], 1,
     "\nError: The file \"/?\" was not found\n", ""),
    ("a file named --help is read", "pyloload", ["./--help", "/nonexistent/port", "-E"], 2,
     "\nError opening com port /nonexistent/port\n", ""),
    ("help only as the first argument", "pyloload", ["missing.txt", "1", "--help"], 1,
     "\nError: The file \"missing.txt\" was not found\n", ""),
    ("checker version", "pylocheck", ["--version"], 0, "pylocheck @V\n", ""),
    ("checker names the unknown option", "pylocheck", ["--hexx", "x.txt"], 2, "",
     "pylocheck: unknown option '--hexx'\nusage: pylocheck "),
    ("checker on the installed example", "pylocheck", ["@DOC/keys.txt"], 0, "", ""),
    ("simulator help", "pylo-sim", ["--help"], 0, "Usage: ", ""),
]


def run(command, **kwargs):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, **kwargs)


def tree(root):
    """Every file under root, as paths relative to it."""
    return {os.path.relpath(os.path.join(d, f), root) for d, _, files in os.walk(root) for f in files}


class InstalledTree:
    """Checks shared by `cmake --install` and the unpacked .deb; prefix is the installed /usr."""

    def check_tree(self, prefix):
        self.assertEqual(tree(prefix), INSTALLED)
        for name in ("pyloload", "pylocheck", "pylo-sim"):
            self.assertTrue(os.access(os.path.join(prefix, "bin", name), os.X_OK), name)

    def check_cli(self, prefix):
        with tempfile.TemporaryDirectory() as cwd:
            with open(os.path.join(cwd, "--help"), "w") as config:
                config.write("in01:[a]\n")
            for label, program, args, status, out, err in CLI_CASES:
                with self.subTest(label):
                    args = [a.replace("@DOC", os.path.join(prefix, "share/doc/pyloload")) for a in args]
                    done = run([os.path.join(prefix, "bin", program)] + args, cwd=cwd, stdin=subprocess.DEVNULL,
                               timeout=30)
                    self.assertEqual(done.returncode, status, done.stdout + done.stderr)
                    out = out.replace("@V", ARGS.version)
                    self.assertEqual(done.stdout[:len(out)], out)
                    self.assertEqual(done.stderr[:len(err)], err)

    def check_man(self, prefix):
        env = dict(os.environ, MANWIDTH="80", LC_ALL="C.UTF-8")
        for page in PAGES:
            with self.subTest(page):
                done = run(["man", "--warnings", "-l", os.path.join(prefix, "share/man", page)], env=env)
                self.assertEqual((done.returncode, done.stderr), (0, ""))
                self.assertIn("pyloload " + ARGS.version, done.stdout)
        done = run(["man", "-M", os.path.join(prefix, "share/man"), "pyloload"], env=env)
        self.assertIn("EXIT STATUS", done.stdout)


class Install(unittest.TestCase, InstalledTree):

    def test_install_tree_and_programs(self):
        with tempfile.TemporaryDirectory() as destdir:
            done = run(["cmake", "--install", ARGS.build, "--prefix", "/usr"], env=dict(os.environ, DESTDIR=destdir))
            self.assertEqual(done.returncode, 0, done.stderr)
            prefix = os.path.join(destdir, "usr")
            self.check_tree(prefix)
            self.check_cli(prefix)
            self.check_man(prefix)


class ManPages(unittest.TestCase):
    """The built pages, before installation: both formatters find nothing to say, and each
    page carries the version the programs report."""

    def test_lint(self):
        for page in PAGES:
            source = os.path.join(ARGS.build, "man", os.path.basename(page)[:-3])
            for command in (["groff", "-ww", "-z", "-t", "-man", source], ["mandoc", "-Tlint", "-W", "warning", source]):
                with self.subTest(page=page, tool=command[0]):
                    done = run(command)
                    self.assertEqual((done.returncode, done.stdout + done.stderr), (0, ""))
            with open(source) as text:
                self.assertIn('"pyloload %s"' % ARGS.version, text.read())

    def test_exit_statuses_agree_with_the_docs(self):
        """The statuses of pyloload, as README, docs/pyloload.md, the man page and --help list them."""
        def section(path, start, end):
            with open(path) as f:
                text = f.read()
            begin = text.index(start)
            return text[begin:text.find(end, begin + len(start))]
        listed = {
            "README": section(os.path.join(ARGS.source, "README.md"), "| exit status |", "\n\n"),
            "docs": section(os.path.join(ARGS.source, "docs/pyloload.md"), "## Exit status", "\n## "),
            "man": section(os.path.join(ARGS.build, "man/pyloload.1"), ".SH EXIT STATUS", ".SH "),
        }
        for name, text in listed.items():
            for status in "01234":
                with self.subTest(document=name, status=status):
                    self.assertRegex(text, r"(\| %s \||\.B %s\n)" % (status, status))
        usage = run([os.path.join(ARGS.build, "src", "pyloload"), "--help"]).stdout
        for status in ["0 configuration sent", "1 file error", "2 port error", "3 no PYLO", "4 link error"]:
            self.assertIn(status, usage)


class DebianPackage(unittest.TestCase, InstalledTree):

    def test_deb(self):
        with tempfile.TemporaryDirectory() as out:
            done = run(["cpack", "-G", "DEB", "-B", out], cwd=ARGS.build)
            self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
            deb = os.path.join(out, "pyloload_%s_amd64.deb" % ARGS.version)
            self.assertTrue(os.path.exists(deb), sorted(os.listdir(out)))
            fields = {}
            for name in ("Package", "Version", "Architecture", "Section", "Depends"):
                fields[name] = run(["dpkg-deb", "-f", deb, name]).stdout.strip()
            self.assertEqual(fields["Package"], "pyloload")
            self.assertEqual(fields["Version"], ARGS.version)
            self.assertEqual((fields["Architecture"], fields["Section"]), ("amd64", "utils"))
            self.assertRegex(fields["Depends"], r"(^|, )libc6 \(>= [0-9.]+\)")
            root = os.path.join(out, "root")
            self.assertEqual(run(["dpkg-deb", "-x", deb, root]).returncode, 0)
            prefix = os.path.join(root, "usr")
            self.check_tree(prefix)
            for name in ("pyloload", "pylocheck", "pylo-sim"):
                self.assertIn("stripped", run(["file", "-b", os.path.join(prefix, "bin", name)]).stdout.replace(
                    "not stripped", ""), name)
            self.check_cli(prefix)
            self.check_man(prefix)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("group", choices=["install", "man", "deb"])
    ARGS = parser.parse_args()
    group = {"install": Install, "man": ManPages, "deb": DebianPackage}[ARGS.group]
    result = unittest.TextTestRunner(verbosity=2).run(unittest.defaultTestLoader.loadTestsFromTestCase(group))
    sys.exit(0 if result.wasSuccessful() else 1)
