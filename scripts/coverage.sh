#!/usr/bin/env bash
# Measures the line and branch coverage of src/ by the native tests: builds
# with gcc's --coverage and no optimisation in build-coverage/, runs every test
# (ctest, the end-to-end run of the real program included), prints the figures
# per file and in total, and writes an HTML report to
# build-coverage/coverage/index.html.
#
# The Windows platform layer is not built here and is left out. Branches that
# only unwind an exception and branches the compiler proved unreachable are
# not counted (--exclude-throw-branches, --exclude-unreachable-branches): with
# them, nearly every call that may throw adds an untaken branch of the compiler's
# own, which says nothing about the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
install_packages cmake ninja-build g++ libgtest-dev gcovr libtomlplusplus-dev nlohmann-json3-dev python3

dir=build-coverage
cmake -S . -B "$dir" -G Ninja -DZUNT_WERROR=ON -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_COMPILER=g++ -DCMAKE_CXX_FLAGS="--coverage -O0" \
  -DCMAKE_EXE_LINKER_FLAGS="--coverage" >/dev/null
cmake --build "$dir"
# Counts from an earlier run would add up with this one.
find "$dir" -name '*.gcda' -delete
ctest --test-dir "$dir" --output-on-failure -j2

# gcov runs once, into a tracefile that the reports below are made from.
mkdir -p "$dir/coverage"
gcovr --root . --object-directory "$dir" \
  --exclude-directories "$dir/CMakeFiles/[0-9]" \
  --filter 'src/' \
  --exclude 'src/platform/windows\.' \
  --exclude 'src/driver/main_windows\.cc' \
  --exclude-throw-branches --exclude-unreachable-branches \
  --json "$dir/coverage/coverage.json"
report=(gcovr --root . --add-tracefile "$dir/coverage/coverage.json")
echo "=== lines"
"${report[@]}" --txt - --html-details "$dir/coverage/index.html"
echo "=== branches"
"${report[@]}" --branches
echo "HTML report: $dir/coverage/index.html"
