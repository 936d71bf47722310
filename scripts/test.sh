#!/usr/bin/env bash
# Builds and runs every test: the native build with warnings as errors, the
# editors' files (scripts/test-editors.sh, with that build's zunt), the same
# tests under AddressSanitizer and UndefinedBehaviorSanitizer, the fuzz
# targets for a minute, the Windows program under Wine, and the packages
# (made in dist/ and checked).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
install_packages cmake ninja-build g++ libgtest-dev acl

run_suite() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DZUNT_WERROR=ON "$@" >/dev/null
  cmake --build "$dir"
  ctest --test-dir "$dir" --output-on-failure -j2
}

echo "=== native build"
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "=== editors"
bash scripts/test-editors.sh build/zunt
echo "=== AddressSanitizer and UndefinedBehaviorSanitizer"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_suite build-sanitize -DCMAKE_BUILD_TYPE=Debug -DZUNT_SANITIZE=ON
echo "=== fuzzing"
bash scripts/fuzz.sh
if [ -f scripts/test-windows.sh ]; then
  echo "=== Windows program under Wine"
  bash scripts/test-windows.sh
fi
echo "=== packages"
bash scripts/package.sh
