#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Prints the notices of the npm packages a release bundles: a heading, each package with its
version and licence, then the licence file each one ships (after npm ci).
  notices.py WEB_DIR: the web page's, the editor packages the page imports and everything they
    depend on, as WEB_DIR/package-lock.json locks them, and the service worker's runtime that
    workbox-build writes into sw.js. The build and test tools (esbuild, workbox-build,
    playwright-core, axe-core) are not part of the page.
  notices.py --bundled MODULES_DIR HEADING NAME...: the packages named, found in MODULES_DIR
    (the VS Code extension's build names those esbuild took in).
Exits 1 when a bundled package has no licence file."""
import json, os, sys

TOOLS = {"esbuild", "workbox-build", "playwright-core", "axe-core"}
SERVICE_WORKER = ["workbox-precaching"]  # inlined into sw.js, with its dependencies

def print_notices(modules, heading, names):
    print(heading)
    packages = {n: json.load(open(os.path.join(modules, n, "package.json"))) for n in sorted(names)}
    for name, package in packages.items():
        print("  %s %s (%s)" % (name, package["version"], package.get("license")))
    for name in packages:
        folder = os.path.join(modules, name)
        texts = [f for f in sorted(os.listdir(folder)) if f.upper().startswith(("LICENSE", "LICENCE", "COPYING"))]
        if not texts:
            print("notices.py: %s has no licence file" % name, file=sys.stderr)
            return 1
        print("\n\n%s\n%s\n\n%s" % (name, "=" * len(name), open(os.path.join(folder, texts[0])).read().strip()))
    return 0

def web(folder):
    lock = json.load(open(os.path.join(folder, "package-lock.json")))["packages"]
    wanted = [n for n in json.load(open(os.path.join(folder, "package.json")))["devDependencies"] if n not in TOOLS] + SERVICE_WORKER
    bundled = set()
    while wanted:
        name = wanted.pop()
        if name not in bundled:
            bundled.add(name)
            wanted += lock["node_modules/" + name].get("dependencies", {})
    return print_notices(os.path.join(folder, "node_modules"), "Third-party notices for the pyloload web page\n\n"
                         "The page's script bundles these packages and its service worker (sw.js) holds (pyloload "
                         "itself is under the MIT licence, see LICENSE):\n", bundled)

if __name__ == "__main__":
    if sys.argv[1] == "--bundled":
        sys.exit(print_notices(sys.argv[2], sys.argv[3], sys.argv[4:]))
    sys.exit(web(sys.argv[1]))
