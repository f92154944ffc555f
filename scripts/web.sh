#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the web page (the shared C++ in WebAssembly, the scripts bundled) and serves it with
# esbuild's file server on http://127.0.0.1:PORT (default 8080) only, printing the URL. Open it
# in Chrome or Edge: Web Serial needs a secure context, which localhost is. The folder it serves (build-web/web/site) is
# plain static files that any web server can host.
# Usage: scripts/web.sh [--port PORT] [--build-only]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-web"
port=8080
serve=1
while [ $# -gt 0 ]; do
    case "$1" in
        --port) port=${2:?--port needs a number}; shift 2 ;;
        --build-only) serve=0; shift ;;
        -h|--help) echo "usage: scripts/web.sh [--port PORT] [--build-only]"; exit 0 ;;
        *) echo "usage: scripts/web.sh [--port PORT] [--build-only]" >&2; exit 2 ;;
    esac
done

"$root/scripts/deps.sh" web
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPYLO_TESTS=OFF -DPYLO_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target pylo_web >/dev/null
site="$build/web/site"
echo "Built the page in $site"
[ "$serve" -eq 1 ] || exit 0
exec node "$root/web/serve.mjs" "$site" "$port"
