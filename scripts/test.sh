#!/usr/bin/env bash
# Builds and runs every test: the native build with warnings as errors (in
# build/), the editors' files (scripts/test-editors.sh, with that build's
# zunt), the same tests under AddressSanitizer and UndefinedBehaviorSanitizer
# (build-sanitize/), the four fuzz targets for 20 s each (build-fuzz/), the
# Windows program under Wine (build-win/), and the packages (made in dist/ and
# checked). Each part prints its time. scripts/example.sh builds in
# build-release/, so the two never rebuild each other's files.
set -euo pipefail
cd "$(dirname "$0")/.."
trap 'echo "test.sh:$LINENO: \"$BASH_COMMAND\" failed with status $?" >&2' ERR
source scripts/deps.sh
install_packages cmake ninja-build g++ libgtest-dev acl libtomlplusplus-dev nlohmann-json3-dev python3 neovim

# part NAME: the heading of a part, after the time the previous one took.
part_started=$SECONDS
part() {
  [ -z "${part_name:-}" ] || echo "=== $part_name: $((SECONDS - part_started)) s"
  part_name=$1
  part_started=$SECONDS
  [ -z "$1" ] || echo "=== $1"
}

run_suite() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DZUNT_WERROR=ON "$@" >/dev/null
  cmake --build "$dir"
  ctest --test-dir "$dir" --output-on-failure -j2
}

part "native build"
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo
part "editors"
bash scripts/test-editors.sh build/zunt
part "AddressSanitizer and UndefinedBehaviorSanitizer"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_suite build-sanitize -DCMAKE_BUILD_TYPE=Debug -DZUNT_SANITIZE=ON
part "fuzzing"
bash scripts/fuzz.sh
if [ -f scripts/test-windows.sh ]; then
  part "Windows program under Wine"
  bash scripts/test-windows.sh
fi
part "packages"
bash scripts/package.sh
part ""
echo "=== all passed in $SECONDS s"
