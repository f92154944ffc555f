# SPDX-License-Identifier: MIT
"""What a user or packager gets; cases in package_cases.json. test_package.py GROUP --build B --source S --version V
[--exe EXE --state WINE_STATE]: install (tree, programs, man pages), man (lint, statuses in the docs), deb, zip (Wine)."""
import argparse, json, os, re, shutil, subprocess, sys, tempfile, zipfile

A, C, FAILED = None, None, []

def check(ok, label, detail=""):
    if not ok:
        FAILED.append("FAIL: %s: %s" % (label, detail))
    return ok

def run(command, **kwargs):  # with both streams as text
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, **kwargs)

def check_installed(prefix, where):
    tree = {os.path.relpath(os.path.join(d, f), prefix) for d, _, files in os.walk(prefix) for f in files}
    check(tree == set(C["installed"]), where + " tree", sorted(tree ^ set(C["installed"])))
    with tempfile.TemporaryDirectory() as cwd:
        open(os.path.join(cwd, "--help"), "w").write("in01:[a]\n")
        for label, program, args, status, out, err in C["cli"]:
            args = [a.replace("@DOC", os.path.join(prefix, "share/doc/pyloload")) for a in args]
            done = run([os.path.join(prefix, "bin", program)] + args, cwd=cwd, stdin=subprocess.DEVNULL, timeout=30)
            got = (done.returncode, done.stdout[:len(out)], done.stderr[:len(err)])
            check(got == (status, out, err), where + " " + label, got)
    env = dict(os.environ, MANWIDTH="80", LC_ALL="C.UTF-8")
    for page in C["pages"]:
        done = run(["man", "--warnings", "-l", os.path.join(prefix, "share/man", page)], env=env)
        check((done.returncode, done.stderr) == (0, "") and "pyloload " + A.version in done.stdout, where + " " + page, done.stderr)
    check("EXIT STATUS" in run(["man", "-M", os.path.join(prefix, "share/man"), "pyloload"], env=env).stdout, where + " man -M")

def install():
    with tempfile.TemporaryDirectory() as destdir:
        done = run(["cmake", "--install", A.build, "--prefix", "/usr"], env=dict(os.environ, DESTDIR=destdir))
        check(done.returncode == 0, "cmake --install", done.stderr)
        check_installed(os.path.join(destdir, "usr"), "install")

def man():
    for page in C["pages"]:
        source = os.path.join(A.build, "man", os.path.basename(page)[:-3])
        for command in (["groff", "-ww", "-z", "-t", "-man", source], ["mandoc", "-Tlint", "-W", "warning", source]):
            done = run(command)
            check((done.returncode, done.stdout + done.stderr) == (0, ""), command[0] + " " + page, done.stdout + done.stderr)
        check('"pyloload %s"' % A.version in open(source).read(), "version in " + page)
    for name, (path, start, end) in C["status_sections"].items():
        text = open(path.replace("@S", A.source).replace("@B", A.build)).read()
        section = text[text.index(start):text.find(end, text.index(start) + len(start))]
        for status in "01234":
            check(re.search(r"(\| %s \||\.B %s\n)" % (status, status), section), "status %s in %s" % (status, name))
    usage = run([os.path.join(A.build, "src", "pyloload"), "--help"]).stdout
    for line in C["usage_statuses"]:
        check(line in usage, "--help lists " + line)

def deb():
    with tempfile.TemporaryDirectory() as out:
        done = run(["cpack", "-G", "DEB", "-B", out], cwd=A.build)
        package = os.path.join(out, "pyloload_%s_amd64.deb" % A.version)
        if check(done.returncode == 0 and os.path.exists(package), "cpack DEB", done.stdout + done.stderr):
            for field, expected in C["deb_fields"].items():  # Depends: a pattern
                value = run(["dpkg-deb", "-f", package, field]).stdout.strip()
                check(re.fullmatch(expected, value) if field == "Depends" else value == expected, "field " + field, value)
            check(run(["dpkg-deb", "-x", package, os.path.join(out, "root")]).returncode == 0, "dpkg-deb -x")
            for name in ("pyloload", "pylocheck", "pylo-sim"):
                check("stripped" in run(["file", "-b", os.path.join(out, "root/usr/bin", name)]).stdout.replace("not stripped", ""), "stripped " + name)
            check_installed(os.path.join(out, "root/usr"), "deb")

def windows_zip():
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "wine"))
    import wine_env as w
    build, top = os.path.dirname(os.path.abspath(A.exe)), "pyloload-%s-win64" % A.version
    with tempfile.TemporaryDirectory() as out:
        done = run(["cpack", "-G", "ZIP", "-B", out], cwd=build)
        if not check(done.returncode == 0, "cpack ZIP beside " + A.exe, done.stdout + done.stderr):
            return
        with zipfile.ZipFile(os.path.join(out, top + ".zip")) as archive:
            check(sorted(archive.namelist()) == [top + "/" + n for n in C["zip"]], "zip contents", archive.namelist())
            archive.extractall(out)
        folder = os.path.join(out, top)
        for exe in (A.exe, os.path.join(folder, "pyloload.exe"), os.path.join(folder, "pylocheck.exe")):
            check("no symbols" in run([shutil.which("x86_64-w64-mingw32-objdump") or "objdump", "-t", exe]).stdout, "stripped " + exe)
            data = open(exe, "rb").read()
            for text in C["resources"]:
                check(text.encode("utf-16-le") in data, "%s in %s" % (text, exe))
            check(b'level="asInvoker"' in data, "manifest in " + exe)
        for program, args, status, start in C["wine"]:
            done = subprocess.run(w.wine_command("wine", program, *args), cwd=folder, env=w.wine_env(A.state), timeout=120,
                                  stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            got = (done.returncode, done.stdout.decode("latin-1")[:len(start)])
            check(got == (status, start), " ".join([program] + args), got)

if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("group", choices=["install", "man", "deb", "zip"])
    for option in ("--build", "--source", "--version", "--exe", "--state"): parser.add_argument(option)
    A = parser.parse_args()
    C = json.loads(open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "package_cases.json")).read().replace("@V", A.version))
    {"install": install, "man": man, "deb": deb, "zip": windows_zip}[A.group]()
    print("\n".join(FAILED) or "all checks passed")
    sys.exit(1 if FAILED else 0)
