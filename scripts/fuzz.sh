#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each for a
# bounded time, starting from a scratch copy of its seeds in fuzz/seeds/.
# Fails when a target finds an input that breaks a property; the input is kept
# in build-fuzz/findings/. ZUNT_FUZZ_SECONDS sets the seconds per target.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
install_packages clang libclang-rt-14-dev ninja-build cmake libtomlplusplus-dev nlohmann-json3-dev

seconds=${ZUNT_FUZZ_SECONDS:-20}
build_dir=build-fuzz
targets=(integer declarations run wide rpc)

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZUNT_FUZZ=ON -DZUNT_TESTS=OFF -DZUNT_WERROR=ON >/dev/null
cmake --build "$build_dir" --target "${targets[@]/#/zunt_fuzz_}"

scratch=$(mktemp -d /tmp/zunt-fuzz.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
findings=$PWD/$build_dir/findings
mkdir -p "$findings"
status=0
for target in "${targets[@]}"; do
  corpus=$scratch/$target
  mkdir "$corpus"
  cp fuzz/seeds/"$target"/* "$corpus"/
  log=$scratch/$target.log
  # A timeout counts as a finding; so does running out of the memory limit.
  if ! "$build_dir/fuzz/zunt_fuzz_$target" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/$target-" \
    "$corpus" >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "zunt_fuzz_$target: FAILED, input in $findings/"
    status=1
    continue
  fi
  runs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$log")
  echo "zunt_fuzz_$target: ${runs:-?} runs in $seconds s, no finding"
done
exit "$status"
