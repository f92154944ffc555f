#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs whatever the build and the tests need that this Debian machine lacks.
# Usage: scripts/deps.sh [build|package|web|editors|test|lighthouse] [PACKAGE...]
#   build: what the native tool needs; package: also what scripts/package.sh needs;
#   web: what the web page needs to build and be served; editors: what the VS Code extension
#   needs to be packed; test: everything; lighthouse: what scripts/lighthouse.mjs needs (no
#   test does); PACKAGE: anything more.
set -euo pipefail

what=${1:-test}
[ $# -gt 0 ] && shift
# nlohmann-json3-dev: the JSON of pylocheck's language server (headers only).
packages=(cmake g++ make python3 util-linux gzip nlohmann-json3-dev "$@")
if [ "$what" = package ] || [ "$what" = test ]; then
  # debhelper builds the .deb, lintian and hardening-check (devscripts) judge it; wixl
  # (msitools) makes the Windows installer, under faketime so that it is reproducible.
  packages+=(dpkg-dev debhelper lintian devscripts file zip g++-mingw-w64-x86-64
             binutils-mingw-w64-x86-64 wixl msitools faketime)
fi
if [ "$what" = test ]; then
  packages+=(libgtest-dev libbenchmark-dev clang libclang-rt-14-dev strace
             wine wine64 fonts-wine xvfb xdotool x11-utils x11-xserver-utils imagemagick
             groff-base man-db mandoc chromium neovim)
fi
if [ "$what" = test ] || [ "$what" = web ]; then
  packages+=(emscripten)
fi
if [ "$what" = lighthouse ]; then
  packages+=(chromium)
fi
if [ "$what" = test ] || [ "$what" = web ] || [ "$what" = editors ] || [ "$what" = lighthouse ]; then
  # Node and npm may come from another packaging of Node.js that bundles npm.
  command -v node >/dev/null || packages+=(nodejs)
  command -v npm >/dev/null || packages+=(npm)
fi

# The web page's npm packages, exactly as web/package-lock.json locks them, the language server
# tests' client (tests/lsp/package-lock.json) and Lighthouse (scripts/lighthouse/), from the npm
# cache when it holds them.
web_modules() {
  local root
  root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
  if { [ "$what" = test ] || [ "$what" = web ]; } && [ ! -d "$root/web/node_modules" ]; then
    (cd "$root/web" && npm ci --prefer-offline --no-audit --no-fund)
  fi
  if [ "$what" = test ] && [ ! -d "$root/tests/lsp/node_modules" ]; then
    (cd "$root/tests/lsp" && npm ci --prefer-offline --no-audit --no-fund)
  fi
  if [ "$what" = lighthouse ] && [ ! -d "$root/scripts/lighthouse/node_modules" ]; then
    (cd "$root/scripts/lighthouse" && npm ci --prefer-offline --no-audit --no-fund)
  fi
}

# The VS Code extension's npm packages (vsce packs it), again when its lock changed.
editor_modules() {
  local extension
  extension="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/editors/vscode"
  if { [ "$what" = test ] || [ "$what" = editors ]; } &&
     [ ! "$extension/node_modules/.package-lock.json" -nt "$extension/package-lock.json" ]; then
    (cd "$extension" && npm ci --prefer-offline --no-audit --no-fund)
  fi
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  web_modules
  editor_modules
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q "${missing[@]}"
web_modules
editor_modules
