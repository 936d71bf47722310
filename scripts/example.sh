#!/usr/bin/env bash
# Builds zunt and runs it on the bundled example: examples/quest/quest.txt and
# quest.erm become examples/quest.erm, shown here in UTF-8; then a script with
# mistakes in examples/mistakes/, to show an error and a warning.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
install_packages cmake ninja-build g++ libgtest-dev

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target zunt
(cd examples/quest && ../../build/zunt quest)
echo "--- examples/quest.erm (Windows-1251, shown in UTF-8) ---"
iconv -f WINDOWS-1251 -t UTF-8 examples/quest.erm | tr -d '\r'

# A script with two common mistakes: what the terminal shows (nothing is written).
echo "--- examples/mistakes/: a typo in a name and a Cyrillic letter in a value ---"
(cd examples/mistakes && ../../build/zunt mistakes) || echo "(exit status $?)"
