#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Prints the notices of the npm packages bundled into the web page: the editor packages the
page imports and everything they depend on, as web/package-lock.json locks them, each with the
licence file it ships, and the service worker's runtime that workbox-build writes into sw.js.
The build, test and measuring tools (esbuild, workbox-build, playwright-core, axe-core,
lighthouse) are not part of the page.
Usage: web_notices.py WEB_DIR > THIRD-PARTY-NOTICES.txt   (after npm ci in WEB_DIR)
Exits 1 when a bundled package has no licence file."""
import json, os, sys

TOOLS = {"esbuild", "workbox-build", "playwright-core", "axe-core", "lighthouse"}
SERVICE_WORKER = ["workbox-precaching"]  # inlined into sw.js, with its dependencies

def main(web):
    lock = json.load(open(os.path.join(web, "package-lock.json")))["packages"]
    wanted = [n for n in json.load(open(os.path.join(web, "package.json")))["devDependencies"] if n not in TOOLS] + SERVICE_WORKER
    bundled = set()
    while wanted:
        name = wanted.pop()
        if name not in bundled:
            bundled.add(name)
            wanted += lock["node_modules/" + name].get("dependencies", {})
    print("Third-party notices for the pyloload web page\n\nThe page's script bundles these packages "
          "and its service worker (sw.js) holds (pyloload itself is under the MIT licence, see LICENSE):\n")
    for name in sorted(bundled):
        print("  %s %s (%s)" % (name, lock["node_modules/" + name]["version"], lock["node_modules/" + name].get("license")))
    for name in sorted(bundled):
        folder = os.path.join(web, "node_modules", name)
        texts = [f for f in sorted(os.listdir(folder)) if f.upper().startswith(("LICENSE", "LICENCE", "COPYING"))]
        if not texts:
            print("web_notices.py: %s has no licence file" % name, file=sys.stderr)
            return 1
        print("\n\n%s\n%s\n\n%s" % (name, "=" * len(name), open(os.path.join(folder, texts[0])).read().strip()))
    return 0

if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
