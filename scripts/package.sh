#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the release files into dist/ (VERSION from project() in CMakeLists.txt, REV from
# debian/changelog):
#   pyloload_VERSION-REV_amd64.deb         the programs, man pages, README, example (debian/)
#   pyloload-dbgsym_VERSION-REV_amd64.deb  their debug symbols
#   pyloload-VERSION-win64.zip             pyloload.exe, pylocheck.exe, README, example,
#                                          LICENSE, THIRD-PARTY-NOTICES.txt
#   pyloload-VERSION-win64.msi             the same as an installer (Program Files, PATH)
#   pyloload-web-VERSION.zip               the web page, for any static web server
#   pyloload-VERSION.vsix                  the VS Code extension (editors/vscode)
# Each from its own build folder (build-pkg, build-pkg-win, build-pkg-web, build-pkg-vsix). The
# build is reproducible: the same commit gives byte-identical files in any folder.
# Usage: scripts/package.sh [--site DIR] [deb|zip|web|vsix]...   (default: all; zip makes the msi too)
#          --site DIR: zip this built site instead of building one (CI reuses its build's)
#        scripts/package.sh --check-reproducible [KIND...]
#          builds everything twice, in two fresh clones of the last commit, and compares
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

if [ "${1:-}" = --check-reproducible ]; then
  shift
  exec scripts/check_reproducible.sh "$@"
fi
site=""
if [ "${1:-}" = --site ]; then
  site=$(cd "$2" && pwd)
  shift 2
fi
kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(deb zip web vsix)

# Nothing of the machine or the moment ends up in the files: times are the last commit's,
# permissions and names do not depend on the caller's umask, time zone or locale.
umask 022
export TZ=UTC LC_ALL=C
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || dpkg-parsechangelog -STimestamp)
export SOURCE_DATE_EPOCH

scripts/deps.sh package
version=$(sed -n 's/^project(pyloload VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
debversion=$(dpkg-parsechangelog -SVersion)
if [ "${debversion%-*}" != "$version" ]; then
  echo "package.sh: debian/changelog is at $debversion, CMakeLists.txt at $version" >&2
  exit 2
fi
mkdir -p dist

# zip_folder DIR ZIP: DIR (its name as the top folder) into ZIP, sorted, every time the
# commit's, no owners or extra times.
zip_folder() {
  local parent name
  parent=$(dirname "$1") name=$(basename "$1")
  rm -f "$2"
  find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
  (cd "$parent" && find "$name" -type f | sort | zip -q -X -D "$2" -@)
}

for kind in "${kinds[@]}"; do
  case $kind in
    deb)
      # dpkg-buildpackage works in a copy of the source (the files git tracks or would add)
      # and writes beside it.
      rm -rf build-pkg
      mkdir -p "build-pkg/pyloload-$version"
      git ls-files -z --cached --others --exclude-standard |
        while IFS= read -r -d '' f; do if [ -e "$f" ]; then printf '%s\0' "$f"; fi; done |
        xargs -0 cp -P --parents -t "build-pkg/pyloload-$version"
      (cd "build-pkg/pyloload-$version" && dpkg-buildpackage -us -uc -b)
      cp "build-pkg/pyloload_${debversion}_amd64.deb" "build-pkg/pyloload-dbgsym_${debversion}_amd64.deb" dist/
      ;;
    zip)
      # The source folder's path stays out of the programs (as dpkg-buildflags does on Linux).
      cmake -S . -B build-pkg-win -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
            -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS="-ffile-prefix-map=$root=."
      cmake --build build-pkg-win -j2
      stage="$root/build-pkg-win/stage/pyloload-$version-win64"
      rm -rf "$root/build-pkg-win/stage"
      cmake --install build-pkg-win --prefix "$stage"
      zip_folder "$stage" "$root/dist/pyloload-$version-win64.zip"
      # A new product and package code for every version, the same ones for every build of it.
      code() { python3 -c "import uuid, sys; print(str(uuid.uuid5(uuid.NAMESPACE_URL, sys.argv[1])).upper())" "$1"; }
      # wixl stamps the current time and a random package code: run it at the commit's time and
      # set the code after it (msibuild -s rewrites the summary's subject, author, template, code).
      msi="$root/dist/pyloload-$version-win64.msi"
      rm -f "$msi"
      (cd "$stage" && faketime "@$SOURCE_DATE_EPOCH" wixl -a x64 -D Version="$version" \
           -D ProductCode="$(code "pyloload/msi/product/$version")" -o "$msi" "$root/cmake/windows_installer.wxs")
      # This wixl knows no Environment element: the PATH entry goes in as its table would. The
      # folder comes first on the system PATH ("=" set on install, "-" taken out on removal,
      # "*" system-wide); Wine's removal leaves a stray separator behind an appended entry.
      faketime "@$SOURCE_DATE_EPOCH" msibuild "$msi" -s "pyloload $version" "the pyloload authors" "x64;1033" \
           "{$(code "pyloload/msi/package/$version")}"
      faketime "@$SOURCE_DATE_EPOCH" msibuild "$msi" \
        -q 'CREATE TABLE `Environment` (`Environment` CHAR(72) NOT NULL, `Name` CHAR(255) NOT NULL LOCALIZABLE, `Value` CHAR(255) LOCALIZABLE, `Component_` CHAR(72) NOT NULL PRIMARY KEY `Environment`)' \
        -q "INSERT INTO \`Environment\` (\`Environment\`, \`Name\`, \`Value\`, \`Component_\`) VALUES ('PATH', '=-*PATH', '[INSTALLDIR];[~]', 'Programs')" \
        -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('RemoveEnvironmentStrings', 3300)" \
        -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('WriteEnvironmentStrings', 5200)"
      ;;
    web)
      if [ -z "$site" ]; then
        scripts/deps.sh web
        cmake -S . -B build-pkg-web -DCMAKE_BUILD_TYPE=Release -DPYLO_TESTS=OFF -DPYLO_BENCH=OFF
        cmake --build build-pkg-web -j2 --target pylo_web
        site="$root/build-pkg-web/web/site"
      fi
      stage="$root/build-pkg-web/stage/pyloload-web-$version"
      rm -rf "$root/build-pkg-web/stage"
      mkdir -p "$stage"
      cp -R "$site/." "$stage"
      cp LICENSE "$stage"
      python3 scripts/notices.py web > "$stage/THIRD-PARTY-NOTICES.txt"
      zip_folder "$stage" "$root/dist/pyloload-web-$version.zip"
      ;;
    vsix)
      # The client bundled with its npm packages, packed by vsce (which takes its times from
      # SOURCE_DATE_EPOCH).
      scripts/deps.sh editors
      stage="$root/build-pkg-vsix/pylo"
      node editors/vscode/build.mjs "$stage" "$version" LICENSE
      rm -f "$root/dist/pyloload-$version.vsix"
      (cd "$stage" && "$root/editors/vscode/node_modules/.bin/vsce" package --no-dependencies \
           --out "$root/dist/pyloload-$version.vsix" </dev/null)
      ;;
    *)
      echo "package.sh: unknown package kind '$kind' (deb, zip, web or vsix)" >&2
      exit 2
      ;;
  esac
done
ls -l dist
