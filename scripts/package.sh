#!/usr/bin/env bash
# Makes the three downloads under dist/ with CPack and checks them:
#   zunt_VERSION_amd64.deb            the Debian package (Release build in build-pkg/)
#   zunt-VERSION-linux-x86_64.tar.gz  the same files under one folder
#   zunt-VERSION-setup.exe            the Windows setup (NSIS), with the zip's files
#   zunt-VERSION-win64.zip            zunt.exe, zunt-cli.exe, success.wav,
#                                     README.txt, LICENSE.txt, the example and
#                                     the Notepad++ files
#   zunt-vscode-VERSION-linux-x64.vsix  the VS Code extension with zunt
#   zunt-vscode-VERSION-win32-x64.vsix  the same with zunt-cli.exe
# The setup and the zip come from build-win/, the Windows build of scripts/test-windows.sh,
# which is reused when it is there, so that nothing is built twice.
#
# The checks: the .deb unpacked into a scratch root runs `zunt --version` and
# translates its own example; its manual page, if it has one, renders without
# warnings; the control fields; the contents of the tarball and the zip; the
# zip's success.wav; and lintian on the .deb.
#
# Usage: package.sh [--no-check]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
run_checks=1
[ "${1:-}" = --no-check ] && run_checks=0

install_packages cmake ninja-build g++ g++-mingw-w64-x86-64-posix python3 gzip libtomlplusplus-dev \
  nlohmann-json3-dev nsis
[ "$run_checks" = 0 ] || install_packages lintian man-db
version=$(sed -n 's/^project(zunt VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
deb=zunt_${version}_amd64.deb
tarball=zunt-$version-linux-x86_64.tar.gz
zip=zunt-$version-win64.zip
setup=zunt-$version-setup.exe
mkdir -p dist
echo '*' >dist/.gitignore
rm -f dist/"$deb" dist/"$tarball" dist/"$zip" dist/"$setup"

echo "=== the .deb and the tarball"
cmake -S . -B build-pkg -G Ninja -DCMAKE_BUILD_TYPE=Release -DZUNT_WERROR=ON -DZUNT_TESTS=OFF \
  -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON >/dev/null
cmake --build build-pkg
(cd build-pkg && cpack -G "DEB;TGZ" >/dev/null)
cp build-pkg/"$deb" build-pkg/"$tarball" dist/

echo "=== the Windows setup and zip"
if [ ! -f build-win/CMakeCache.txt ]; then
  cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DZUNT_WERROR=ON -DZUNT_TESTS=OFF >/dev/null
else
  cmake build-win >/dev/null # finds makensis if it came since
fi
cmake --build build-win --target setup >/dev/null
cmake --build build-win --target package >/dev/null
cp build-win/"$zip" build-win/"$setup" dist/

echo "=== the VS Code extensions"
vsix_linux=zunt-vscode-$version-linux-x64.vsix
vsix_windows=zunt-vscode-$version-win32-x64.vsix
bash editors/vscode/package.sh build-pkg/zunt linux-x64 dist/"$vsix_linux"
bash editors/vscode/package.sh build-win/zunt-cli.exe win32-x64 dist/"$vsix_windows"
ls -l dist/"$deb" dist/"$tarball" dist/"$setup" dist/"$zip" dist/"$vsix_linux" dist/"$vsix_windows"
[ "$run_checks" = 1 ] || exit 0

echo "=== checks"
scratch=$(mktemp -d /tmp/zunt-package.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
passed=0
failed=0
# check NAME COMMAND...: runs one check and counts it.
check() {
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "ok: $name"
  else
    failed=$((failed + 1))
    echo "FAILED: $name"
  fi
}

# Prints the sorted list of files (not folders) in an archive listing on stdin.
files_only() { grep -v '/$' | sed 's|^\./||' | sort; }

# The files every Linux install holds, below the prefix.
expected_files() {
  printf '%s\n' bin/zunt share/doc/zunt/README.md share/doc/zunt/changelog.gz \
    share/doc/zunt/copyright share/doc/zunt/examples/quest/quest.erm \
    share/doc/zunt/examples/quest/quest.txt
  [ ! -f man/zunt.1 ] || echo share/man/man1/zunt.1.gz
  echo share/emacs/site-lisp/zunt-mode.el
  (cd editors/vim && find . -type f | sed 's|^\./||') | sed 's|^|share/vim/vimfiles/|;p;s|/vim/vimfiles/|/nvim/site/|'
}

root=$scratch/root
dpkg -x dist/"$deb" "$root"

deb_runs() {
  local out
  out=$("$root/usr/bin/zunt" --version) || return 1
  echo "  zunt --version: $out"
  [[ "$out" == *"ZUNT 2B  version 1.0"* && "$out" == *"MIT"* ]]
}

# The licence: machine-readable in the copyright file of the .deb and the
# tarball, and whole in the zip.
licence_shipped() {
  grep -qx 'License: Expat' "$root/usr/share/doc/zunt/copyright" &&
    tar -xzOf dist/"$tarball" "${tarball%.tar.gz}/share/doc/zunt/copyright" | grep -qx 'License: Expat' &&
    (cd "$scratch" && cmake -E tar xf "$OLDPWD/dist/$zip" LICENSE.txt && grep -q '^MIT License' LICENSE.txt)
}

deb_translates_example() {
  mkdir -p "$scratch/run"
  cp -r "$root/usr/share/doc/zunt/examples/quest" "$scratch/run/"
  (cd "$scratch/run/quest" && "$root/usr/bin/zunt" quest) &&
    cmp "$scratch/run/quest.erm" tests/data/quest.erm
}

deb_fields() {
  local fields
  fields=$(dpkg-deb -f dist/"$deb" Package Version Architecture Section Maintainer Depends)
  printf '  %s\n' "${fields//$'\n'/$'\n'  }"
  [ -z "$(dpkg-deb -f dist/"$deb" Depends Pre-Depends Recommends)" ] &&
    grep -qx "Version: $version" <<<"$fields" && grep -q '^Maintainer: .*<.*@.*>$' <<<"$fields" &&
    grep -qx 'Section: devel' <<<"$fields"
}

deb_files() {
  diff <(dpkg-deb -c dist/"$deb" | awk '{print $6}' | files_only) \
    <(expected_files | sed 's|^|usr/|' | sort)
}

man_page_renders() {
  local page=$root/usr/share/man/man1/zunt.1.gz
  if [ ! -f man/zunt.1 ]; then
    echo "  (no manual page in the source tree yet)"
    return 0
  fi
  [ -f "$page" ] || return 1
  local warnings
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 MANROFFOPT=-ww man -l "$page" 2>&1 >"$scratch/man.txt")
  [ -z "$warnings" ] || echo "$warnings"
  [ -z "$warnings" ] && grep -q zunt "$scratch/man.txt"
}

tarball_files() {
  tar -tzf dist/"$tarball" | sed 's/^/  /'
  diff <(tar -tzf dist/"$tarball" | files_only) \
    <(expected_files | sed "s|^|zunt-$version-linux-x86_64/|" | sort)
}

zip_files() {
  cmake -E tar tf dist/"$zip" | sed 's/^/  /'
  local expected=(LICENSE.txt README.txt examples/quest/quest.erm examples/quest/quest.txt
    success.wav zunt-cli.exe zunt.exe)
  diff <(cmake -E tar tf dist/"$zip" | files_only) \
    <( (printf '%s\n' "${expected[@]}"; ls editors/notepad++ | sed 's|^|notepad++/|') | sort)
}

# A .vsix holds the bundled extension, its grammars and the program, with its
# executable bit; and says which platform it is for.
# vsix_files FILE PLATFORM PROGRAM
vsix_files() {
  unzip -l "dist/$1" | sed 's/^/  /'
  diff <(unzip -Z1 "dist/$1" | files_only) <(printf '%s\n' '[Content_Types].xml' extension.vsixmanifest \
    extension/LICENSE.txt extension/README.md extension/package.json extension/bundle/extension.js \
    extension/languages/declarations.json extension/languages/script.json \
    extension/syntaxes/zunt-declarations.tmLanguage.json extension/syntaxes/zunt-script.tmLanguage.json \
    "extension/bin/$3" | sort) &&
    unzip -Z "dist/$1" "extension/bin/$3" | grep -q '^-rwxr-xr-x' &&
    unzip -p "dist/$1" extension.vsixmanifest | grep -q "TargetPlatform=\"$2\"" &&
    unzip -p "dist/$1" extension/package.json | grep -q "\"version\": \"$version\""
}

# The sound: 16-bit PCM mono at 22,050 Hz, about 0.4 s, loud but not clipped.
zip_sound() {
  (cd "$scratch" && cmake -E tar xf "$OLDPWD/dist/$zip" success.wav) || return 1
  python3 - "$scratch/success.wav" <<'EOF'
import array, sys, wave
with wave.open(sys.argv[1]) as w:
    frames = array.array("h", w.readframes(w.getnframes()))
    form = (w.getnchannels(), w.getsampwidth(), w.getframerate(), w.getcomptype())
    seconds = w.getnframes() / w.getframerate()
peak = max(abs(x) for x in frames)
print("  success.wav: %s, %.2f s, peak %d" % (form, seconds, peak))
sys.exit(not (form == (1, 2, 22050, "NONE") and 0.35 <= seconds <= 0.45 and 8000 < peak < 32767))
EOF
}

# Suppressed lintian tags:
#   statically-linked-binary: zunt is linked statically on purpose: it starts
#     in half the time without the shared C++ runtime to load, and the same
#     file runs on any x86-64 Linux (the tarball's reason to exist).
#   no-manual-page: only while the source tree has no man/zunt.1; the page is
#     installed as soon as it is there.
lintian_clean() {
  local suppress=statically-linked-binary
  [ -f man/zunt.1 ] || suppress+=,no-manual-page
  lintian --fail-on error,warning --suppress-tags "$suppress" dist/"$deb" 2>&1 |
    grep -v 'running with root privileges' | sed 's/^/  /'
  [ "${PIPESTATUS[0]}" = 0 ]
}

check "the .deb's zunt runs" deb_runs
check "the .deb's zunt translates its example" deb_translates_example
check "the .deb's control fields" deb_fields
check "the .deb's files" deb_files
check "the manual page renders" man_page_renders
check "the tarball's files" tarball_files
check "the zip's files" zip_files
check "the licence in each download" licence_shipped
check "the zip's success.wav" zip_sound
check "the Linux .vsix" vsix_files "$vsix_linux" linux-x64 zunt
check "the Windows .vsix" vsix_files "$vsix_windows" win32-x64 zunt-cli.exe
check "lintian" lintian_clean
echo "packages: $passed passed, $failed failed"
[ "$failed" = 0 ]
