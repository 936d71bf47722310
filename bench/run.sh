#!/usr/bin/env bash
# Builds zunt for speed and times it against cat, envsubst, m4 and a Python
# re.sub translation on five generated workloads (the mod one against itself
# with one name), then times the translation pass in-process with Google
# Benchmark. Extra arguments go to bench/run.py
# (e.g. --quick for workloads a sixteenth the size, --only dense).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
install_packages cmake ninja-build g++ libbenchmark-dev hyperfine m4 gettext-base python3 time libtomlplusplus-dev nlohmann-json3-dev

cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DZUNT_TESTS=OFF >/dev/null
cmake --build build-bench --target zunt zunt_bench
echo "=== whole runs (median of several, by hyperfine)"
status=0
python3 bench/run.py build-bench/zunt "$@" || status=$?
echo "=== the translation pass in-process (Google Benchmark)"
build-bench/zunt_bench
exit "$status"
