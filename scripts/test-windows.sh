#!/usr/bin/env bash
# Cross-builds the Windows program with mingw-w64 (warnings as errors) and
# runs its tests under Wine: the unit tests, the platform tests on real files
# and the end-to-end runs on an Xvfb display, whose message-box screenshots go
# to build-win/artifacts/, and the setup's silent installs and uninstalls.
# Also makes the setup, build-win/zunt-VERSION-setup.exe, and the zip,
# build-win/zunt-VERSION-win64.zip (scripts/package.sh reuses this build for
# dist/).
#
# Wine runs in a private prefix made for this run and removed after it, with
# one persistent wineserver, so that each test starts in a fraction of a second.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
started=$SECONDS
build_dir=build-win

install_packages g++-mingw-w64-x86-64-posix cmake ninja-build googletest nlohmann-json3-dev wine wine64 \
  fonts-liberation xvfb xdotool imagemagick locales python3 libtomlplusplus-dev nsis
# Wine takes its ANSI code page from the Unix locale: ru_RU.UTF-8 gives 1251,
# en_US.UTF-8 gives 1252.
for name in ru_RU en_US; do
  if ! locale -a 2>/dev/null | grep -qix "$name.utf8"; then
    localedef -i "$name" -f UTF-8 "$name.UTF-8"
  fi
done

export WINEPREFIX
WINEPREFIX=$(mktemp -d /tmp/zunt-wine.XXXXXX)
# No menu entries or file associations for the desktop outside Wine, from
# the setup's tests.
export WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
unset DISPLAY
xvfb_pid=""
boot_pid=""
cleanup() {
  local status=$?
  [ -n "$boot_pid" ] && wait "$boot_pid" 2>/dev/null
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  # The server's socket folder is named in the prefix.
  local server_dir
  server_dir=$(cat "$WINEPREFIX/wineserver" 2>/dev/null || true)
  [[ "$server_dir" =~ ^wine-[A-Za-z0-9]+$ ]] && rm -rf "/tmp/$server_dir"
  rm -rf "$WINEPREFIX"
  exit "$status"
}
trap cleanup EXIT

# A step that fails says which, with its status, before the script ends.
trap 'echo "test-windows.sh:$LINENO: \"$BASH_COMMAND\" failed with status $?" >&2' ERR

# wine_step COMMAND...: runs a Wine set-up command quietly, up to three times,
# since wine itself now and then dies in a run that should succeed; what each
# failed attempt printed is shown.
wine_step() {
  local attempt log status
  log=$(mktemp)
  for attempt in 1 2 3; do
    status=0
    "$@" </dev/null >"$log" 2>&1 || status=$?
    if [ "$status" = 0 ]; then
      rm -f "$log"
      return 0
    fi
    echo "wine set-up: \"$*\" failed with status $status (attempt $attempt):"
    sed 's/^/  /' "$log" | tail -20
    sleep 2
  done
  rm -f "$log"
  return 1
}

# Making the prefix takes a while; it runs while the program builds.
(wineboot -i && wineserver -w) </dev/null >"$WINEPREFIX.boot.log" 2>&1 &
boot_pid=$!

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DZUNT_WERROR=ON -DZUNT_TESTS=ON >/dev/null
cmake --build "$build_dir"
cmake --build "$build_dir" --target package >/dev/null
zip=$build_dir/zunt-$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")-win64.zip
contents=$(cmake -E tar tf "$zip" | grep -v '/$' | sort | tr '\n' ' ')
expected=$({
  printf '%s\n' LICENSE.txt README.txt examples/quest/quest.erm examples/quest/quest.txt \
    success.wav zunt-cli.exe zunt.exe
  find editors/notepad++ -type f -printf 'notepad++/%P\n'
} | sort | tr '\n' ' ')
[ "$contents" = "$expected" ] || {
  echo "$zip holds: $contents"
  exit 1
}
echo "Made $zip and $(ls "$build_dir"/zunt-*-setup.exe)"

if ! wait "$boot_pid"; then
  boot_pid=""
  echo "wine set-up: making the prefix failed:"
  sed 's/^/  /' "$WINEPREFIX.boot.log" | tail -20
  wineserver -k 2>/dev/null || true
  wine_step sh -c 'wineboot -i && wineserver -w'
fi
boot_pid=""
rm -f "$WINEPREFIX.boot.log"

# One display for every test, so that Wine's desktop always has one.
rm -rf "$build_dir/artifacts"
display_file=$(mktemp)
for attempt in 1 2; do
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" </dev/null \
    >"$display_file.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 200); do [ -s "$display_file" ] && break; sleep 0.05; done
  [ -s "$display_file" ] && break
  echo "Xvfb gave no display in 10 s (attempt $attempt):"
  sed 's/^/  /' "$display_file.log" | tail -20
  kill "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
done
rm -f "$display_file.log"
[ -s "$display_file" ] || exit 1
DISPLAY=:$(cat "$display_file")
export DISPLAY
rm -f "$display_file"

# Started with no terminal attached, or CTest waits for the pipe to close
# after every test.
wine_step wineserver -p
wine_step wine cmd /c exit 0
# Unmanaged windows close at once; the sound goes to ALSA.
wine_step wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
wine_step wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d alsa /f

# Code page 1252 for the unit tests, so that they tell the message's code page
# from the path's; the end-to-end runs switch to ru_RU.UTF-8 themselves.
LC_ALL=C.UTF-8 ctest --test-dir "$build_dir" --output-on-failure -j2
echo "Screenshots: $build_dir/artifacts/"
echo "Windows part took $((SECONDS - started)) s"
