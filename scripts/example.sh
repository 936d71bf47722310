#!/usr/bin/env bash
# Builds zunt into build-release/ (the folder of the README's build from
# source; the tests build elsewhere) and runs it on the bundled example:
# examples/quest/quest.txt and quest.erm become examples/quest.erm, shown here
# in UTF-8; then a script with mistakes in examples/mistakes/, to show an
# error and a warning.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
install_packages cmake ninja-build g++ libtomlplusplus-dev nlohmann-json3-dev

cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DZUNT_TESTS=OFF >/dev/null
cmake --build build-release --target zunt
(cd examples/quest && ../../build-release/zunt quest)
echo "--- examples/quest.erm (Windows-1251, shown in UTF-8) ---"
iconv -f WINDOWS-1251 -t UTF-8 examples/quest.erm | tr -d '\r'

# A script with two common mistakes: what the terminal shows (nothing is written).
echo "--- examples/mistakes/: a typo in a name and a Cyrillic letter in a value ---"
(cd examples/mistakes && ../../build-release/zunt mistakes) || echo "(exit status $?)"
echo "--- the program is $PWD/build-release/zunt; to run it as zunt, either"
echo "    cmake --install build-release --prefix ~/.local --strip   (puts it in ~/.local/bin)"
echo "    or: export PATH=\"$PWD/build-release:\$PATH\""
