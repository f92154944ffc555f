#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks that the release files are reproducible: clones the last commit twice, into two
# folders of different names and depths, runs scripts/package.sh in each and compares every
# file of the two dist/ folders byte for byte. Exits 0 when all are identical, 1 otherwise
# (naming the files that differ). Takes a few minutes (everything is built twice).
# Usage: scripts/check_reproducible.sh [KIND...]   (as scripts/package.sh: deb zip web vsix)
# Also: scripts/package.sh --check-reproducible [KIND...]
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d /tmp/pyloload-repro.XXXXXX)
trap 'rm -rf "$work"' EXIT
first="$work/a" second="$work/second/copy"
for copy in "$first" "$second"; do
  git clone -q --no-hardlinks . "$copy"
  echo "== building in $copy"
  "$copy/scripts/package.sh" "$@" >"$copy.log" 2>&1 || { tail -n 30 "$copy.log"; exit 1; }
done
status=0
count=0
for file in "$first"/dist/*; do
  name=$(basename "$file")
  count=$((count + 1))
  if cmp -s "$file" "$second/dist/$name"; then
    echo "identical: $name ($(sha256sum <"$file" | cut -c1-16))"
  else
    echo "DIFFERS: $name" >&2
    status=1
  fi
done
if [ "$count" -eq 0 ] || [ "$(ls "$second/dist" | wc -l)" -ne "$count" ]; then
  echo "check_reproducible.sh: the two builds made different sets of files" >&2
  status=1
fi
exit $status
