# SPDX-License-Identifier: MIT
"""What a user or packager gets; cases in package_cases.json. test_package.py GROUP --build B --source S --version V
[--dist DIST --state WINE_STATE --site SITE]: install (tree, programs, man pages), man (lint, statuses in the docs),
maintainer (debian/rules); on the files scripts/package.sh made in DIST: deb, zip and msi (under Wine), web."""
import argparse, glob, json, os, re, shutil, subprocess, sys, tempfile, time, zipfile

A, C, FAILED = None, None, []

def check(ok, label, detail=""):
    if not ok:
        FAILED.append("FAIL: %s: %s" % (label, detail))
    return ok

def run(command, **kwargs):  # with both streams as text
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, **kwargs)

def check_installed(prefix, where, expected):
    tree = {os.path.relpath(os.path.join(d, f), prefix) for d, _, files in os.walk(prefix) for f in files}
    check(tree == set(expected), where + " tree", sorted(tree ^ set(expected)))
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
        check_installed(os.path.join(destdir, "usr"), "install", C["installed"])

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

def release_file(pattern):  # the one file of dist/ that package.sh names so
    found = glob.glob(os.path.join(A.dist, pattern.replace("@V", A.version)))
    check(len(found) == 1, "one " + pattern + " in " + A.dist, found)
    return found[0] if found else os.devnull

def deb():
    package, dbgsym = release_file("pyloload_@V-*_amd64.deb"), release_file("pyloload-dbgsym_@V-*_amd64.deb")
    for field, expected in C["deb_fields"].items():  # Depends: a pattern
        value = run(["dpkg-deb", "-f", package, field]).stdout.strip()
        check(re.fullmatch(expected, value), "field " + field, value)
    done = run(["lintian", "--pedantic", "-I", "--fail-on", "error,warning,info,pedantic", package, dbgsym])
    check(done.returncode == 0 and "W:" not in done.stdout and "E:" not in done.stdout, "lintian", done.stdout)
    with tempfile.TemporaryDirectory() as out:
        for deb, root in ((package, "root"), (dbgsym, "debug")):
            check(run(["dpkg-deb", "-x", deb, os.path.join(out, root)]).returncode == 0, "dpkg-deb -x " + deb)
        ids = run(["dpkg-deb", "-f", dbgsym, "Build-Ids"]).stdout.split()
        for name in ("pyloload", "pylocheck", "pylo-sim"):
            program = os.path.join(out, "root/usr/bin", name)
            for line in run(["hardening-check", program]).stdout.splitlines()[1:]:  # yes, or as debian/rules says
                label, value = [part.strip() for part in line.split(":", 1)]
                check(value.startswith("yes") or value.startswith(C["hardening"].get(label, "yes")), name + ": " + label, value)
            sections = run(["readelf", "-S", "-n", program]).stdout
            build_id = (re.findall(r"Build ID: (\w+)", sections) or ["none"])[0]
            check(".comment" not in sections and ".symtab" not in sections, "stripped " + name)
            debug = os.path.join(out, "debug/usr/lib/debug/.build-id/%s/%s.debug" % (build_id[:2], build_id[2:]))
            check(build_id in ids and os.path.exists(debug), "debug symbols of " + name, ids)
        producers = [line for d, _, files in os.walk(os.path.join(out, "debug")) for f in files if f.endswith(".debug")
                     for line in run(["readelf", "-z", "-p", ".debug_str", os.path.join(d, f)]).stdout.splitlines() if "GNU C" in line]
        check(producers and all(f in line for line in producers for f in C["compiled_with"]), "compiled with " + " ".join(C["compiled_with"]), producers)
        check_installed(os.path.join(out, "root/usr"), "deb", C["deb_installed"])

def maintainer():  # debian/rules takes the maintainer as dch does; empty: debian/control's
    for environment, expected in C["maintainer"]:
        env = {k: v for k, v in os.environ.items() if k not in ("DEBEMAIL", "EMAIL", "DEBFULLNAME", "NAME")}
        done = run(["make", "-s", "-f", os.path.join(A.source, "debian/rules"), "--eval", "pylo-show:\n\t@echo '$(pylo_maintainer)'", "pylo-show"],
                   env=dict(env, **environment))
        check(done.stdout.strip() == expected, "maintainer from %s" % environment, done.stdout + done.stderr)

def unpacked_zip(out, top, names):
    if not zipfile.is_zipfile(release_file(top + ".zip")):
        return check(False, top + ".zip is a zip")
    with zipfile.ZipFile(release_file(top + ".zip")) as archive:
        check(sorted(archive.namelist()) == [top + "/" + n for n in sorted(names)], top + ".zip contents", archive.namelist())
        check({i.date_time for i in archive.infolist()} == {time.gmtime((A.epoch + 1) // 2 * 2)[:6]}, top + ".zip times (the last commit's; made before it? run scripts/package.sh)")
        check({i.external_attr >> 16 & 0o777 for i in archive.infolist()} <= {0o644, 0o755}, top + ".zip modes")
        archive.extractall(out)
    return os.path.join(out, top)

def windows(state):
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "wine"))
    import wine_env as w
    env = w.wine_env(state)
    def wine(*args):
        done = subprocess.run(w.wine_command("wine", *args), env=env, timeout=300, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        return done.returncode, done.stdout.decode("latin-1")
    return w, wine

def windows_zip():
    w, wine = windows(A.state)
    with tempfile.TemporaryDirectory() as out:
        folder = unpacked_zip(out, "pyloload-%s-win64" % A.version, C["zip"])
        if not folder:
            return
        for exe in ("pyloload.exe", "pylocheck.exe"):
            exe = os.path.join(folder, exe)
            check("no symbols" in run([shutil.which("x86_64-w64-mingw32-objdump") or "objdump", "-t", exe]).stdout, "stripped " + exe)
            data = open(exe, "rb").read()
            for text in C["resources"]:
                check(text.encode("utf-16-le") in data, "%s in %s" % (text, exe))
            check(b'level="asInvoker"' in data, "manifest in " + exe)
        check("GCC RUNTIME LIBRARY EXCEPTION" in open(os.path.join(folder, "THIRD-PARTY-NOTICES.txt")).read(), "notices")
        os.chdir(folder)
        for program, args, status, start in C["wine"]:
            status_got, out_got = wine(program, *args)
            check((status_got, out_got[:len(start)]) == (status, start), " ".join([program] + args), (status_got, out_got))

def msi():  # installed, on the PATH of a fresh console, and removed without a trace
    w, wine = windows(A.state)
    package, folder = w.windows_path(release_file("pyloload-@V-win64.msi")), os.path.join(A.state, "prefix/drive_c/Program Files/pyloload")
    path = ["reg", "query", r"HKLM\System\CurrentControlSet\Control\Session Manager\Environment", "/v", "PATH"]
    before = wine(*path)
    check(wine("msiexec", "/i", package, "/qn")[0] == 0, "msiexec /i")
    check(sorted(os.listdir(folder)) == sorted(C["zip"]) if os.path.isdir(folder) else False, "installed files")
    got = wine("cmd", "/c", "pyloload --version")
    check(got == (0, "pyloload %s\r\n" % A.version), "pyloload --version through PATH", got)
    check(wine("msiexec", "/x", package, "/qn")[0] == 0, "msiexec /x")
    check(not os.path.exists(folder), "Program Files\\pyloload removed")
    check(wine(*path) == before, "PATH as before", (before, wine(*path)))
    check(wine("cmd", "/c", "pyloload --version")[0] != 0, "pyloload gone from PATH")

def web():  # the whole built site, our licence and the bundled packages' notices
    site = sorted(os.path.relpath(os.path.join(d, f), A.site) for d, _, files in os.walk(A.site) for f in files)
    with tempfile.TemporaryDirectory() as out:
        folder = unpacked_zip(out, "pyloload-web-" + A.version, site + ["LICENSE", "THIRD-PARTY-NOTICES.txt"])
        if not folder:
            return
        for name in site:
            check(open(os.path.join(folder, name), "rb").read() == open(os.path.join(A.site, name), "rb").read(), "site file " + name)
        notices = open(os.path.join(folder, "THIRD-PARTY-NOTICES.txt")).read()
        check(all(p in notices for p in C["web_notices"]), "web notices", notices[:400])

if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("group", choices=["install", "man", "deb", "maintainer", "zip", "msi", "web"])
    for option in ("--build", "--source", "--version", "--dist", "--state", "--site"): parser.add_argument(option)
    A = parser.parse_args()
    A.epoch = int(run(["git", "-C", A.source, "log", "-1", "--format=%ct"]).stdout.strip() or 0)
    C = json.loads(open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "package_cases.json")).read().replace("@V", A.version))
    {"install": install, "man": man, "deb": deb, "maintainer": maintainer, "zip": windows_zip, "msi": msi, "web": web}[A.group]()
    print("\n".join(FAILED) or "all checks passed")
    sys.exit(1 if FAILED else 0)
