#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the web page and measures its budgets in headless Chromium (see scripts/bench_web.mjs).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/web.sh" --build-only
exec node "$root/scripts/bench_web.mjs" "$root/build-web/web/site"
