#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs whatever the build and the tests need that this Debian machine lacks.
# Usage: scripts/deps.sh [build|package|web|test] [PACKAGE...]
#   build: what the native tool needs; package: also what scripts/package.sh needs;
#   web: what the web page needs to build and be served;
#   test: everything; PACKAGE: anything more.
set -euo pipefail

what=${1:-test}
[ $# -gt 0 ] && shift
packages=(cmake g++ make python3 util-linux gzip "$@")
if [ "$what" = package ] || [ "$what" = test ]; then
  # debhelper builds the .deb, lintian and hardening-check (devscripts) judge it; wixl
  # (msitools) makes the Windows installer, under faketime so that it is reproducible.
  packages+=(dpkg-dev debhelper lintian devscripts file zip g++-mingw-w64-x86-64
             binutils-mingw-w64-x86-64 wixl msitools faketime)
fi
if [ "$what" = test ]; then
  packages+=(libgtest-dev libbenchmark-dev clang libclang-rt-14-dev strace
             wine wine64 fonts-wine xvfb xdotool x11-utils imagemagick
             groff-base man-db mandoc chromium)
fi
if [ "$what" = test ] || [ "$what" = web ]; then
  packages+=(emscripten)
  # Node and npm may come from another packaging of Node.js that bundles npm.
  command -v node >/dev/null || packages+=(nodejs)
  command -v npm >/dev/null || packages+=(npm)
fi

# The web page's npm packages, exactly as web/package-lock.json locks them (from the npm
# cache when it holds them).
web_modules() {
  local web
  web="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/web"
  if { [ "$what" = test ] || [ "$what" = web ]; } && [ ! -d "$web/node_modules" ]; then
    (cd "$web" && npm ci --prefer-offline --no-audit --no-fund)
  fi
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  web_modules
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q "${missing[@]}"
web_modules
