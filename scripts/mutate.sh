#!/usr/bin/env bash
# How many hand-made faults the tests catch. Each mutant in tests/mutants.txt
# is one small change to one file; this script applies each in turn to a copy
# of the sources in build-mutants/tree, builds the copy incrementally in
# build-mutants/build (a fast -O1 build, no ccache) and runs ctest there:
#   killed        a test failed (or timed out)
#   survived      every test passed: a fault the tests miss
#   equivalent    marked so in the list, with the reason; not run
#   not applying  its text is not in its file exactly once (the file changed)
#   not building  the mutated copy does not compile
# It prints a line per mutant, then the counts and the survivors. Arguments
# pick mutants by id (all when none); --check only tells which apply. Not part
# of scripts/test.sh: each mutant is a rebuild and a test run, about half a
# minute to a minute each.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
work=$root/build-mutants
mkdir -p "$work"
# Bash reads a script as it runs it: run from a copy, so that the script and
# the list may be edited meanwhile.
if [[ -z ${ZUNT_MUTATE_LIST:-} ]]; then
  copy=$(mktemp "$work/run.XXXXXX")
  cp "$0" "$copy"
  cp tests/mutants.txt "$copy.list"
  ZUNT_MUTATE_LIST=$copy.list exec bash "$copy" "$@" </dev/null
fi
trap 'rm -f "$0" "$ZUNT_MUTATE_LIST"' EXIT
cd "$root"
list=$ZUNT_MUTATE_LIST
tree=$work/tree
build=$work/build
check=false
if [[ ${1:-} == --check ]]; then
  check=true
  shift
fi
mkdir -p "$tree" "$work/logs"

# The copy: every tracked file as it is in the worktree; a file that has not
# changed keeps its time, so that ninja rebuilds only what changed.
git ls-files -z | while IFS= read -r -d '' file; do
  [[ -f $file ]] || continue
  if ! cmp -s "$file" "$tree/$file"; then
    mkdir -p "$tree/$(dirname "$file")"
    cp "$file" "$tree/$file"
  fi
done

# Configures and builds a folder for the unchanged copy, and checks that the
# tests pass there; the options after the folder go to cmake.
prepare() {
  local dir=$1 name
  shift
  name=$(basename "$dir")
  cmake -S "$tree" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-O1 \
    -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON -DCMAKE_CXX_COMPILER_LAUNCHER= "$@" >/dev/null
  echo "building the unchanged copy in $dir"
  if ! cmake --build "$dir" -j2 >"$work/logs/$name.log" 2>&1; then
    echo "the unchanged copy does not build: see $work/logs/$name.log"
    exit 1
  fi
  # A test that fails on the unchanged copy (another change's fault) is left
  # out of the mutants' runs, and said so.
  if ! ctest --test-dir "$dir" -j2 --timeout 120 >"$work/logs/$name-test.log" 2>&1; then
    local failed
    failed=$(cut -d: -f2- "$dir/Testing/Temporary/LastTestsFailed.log" | paste -sd'|')
    echo "left out, failing on the unchanged copy too: ${failed//|/, }"
    skipped="^($failed)\$"
  fi
}
skipped='^$'  # the tests left out
sanitized=$work/build-sanitize  # for the mutants that only the sanitizers can catch
sanitized_ready=false
$check || prepare "$build"

# Replaces the one place of `from` in the file with `to` (with --check, only
# looks); exits 3 when the text is not there exactly once.
apply() {
  python3 - "$@" "$check" <<'EOF'
import sys
path, old, new, check = sys.argv[1:]
try:
    with open(path, encoding="utf-8", errors="surrogateescape", newline="") as f:
        text = f.read()
except OSError:
    sys.exit(3)
if text.count(old) != 1:
    sys.exit(3)
if check != "true":
    with open(path, "w", encoding="utf-8", errors="surrogateescape", newline="") as f:
        f.write(text.replace(old, new))
EOF
}

declare -A counts=([killed]=0 [survived]=0 [equivalent]=0 [not-applying]=0 [not-building]=0
  [applies]=0)
survivors=()
wanted=("$@")

# Runs the mutant read so far, then forgets it.
run_mutant() {
  [[ -n ${id:-} ]] || return 0
  if ((${#wanted[@]})) && [[ " ${wanted[*]} " != *" $id "* ]]; then
    id=
    return 0
  fi
  local outcome
  if [[ -n $sanitizers && -z $equivalent ]] && ! $check && ! $sanitized_ready; then
    prepare "$sanitized" -DZUNT_SANITIZE=ON  # before the tree is changed
    sanitized_ready=true
  fi
  if [[ -n $equivalent ]]; then
    outcome=equivalent
  elif ! apply "$tree/$file" "$from" "$to"; then
    outcome=not-applying
  elif $check; then
    outcome=applies
  else
    local dir=$build
    [[ -z $sanitizers ]] || dir=$sanitized
    if ! cmake --build "$dir" -j2 >"$work/logs/$id.log" 2>&1; then
      outcome=not-building
    elif ctest --test-dir "$dir" -j2 --timeout 120 --stop-on-failure -E "$skipped" \
      >>"$work/logs/$id.log" 2>&1; then
      outcome=survived
      survivors+=("$id $about")
    else
      outcome=killed
    fi
    cp "$root/$file" "$tree/$file"  # back as it was, with a new time
  fi
  counts[$outcome]=$((counts[$outcome] + 1))
  printf '%-13s %-12s %s\n' "$outcome" "$id" \
    "$about${equivalent:+ ($equivalent)}${sanitizers:+ (under the sanitizers)}"
  id=
}

# The list: blocks of "id: ID what it changes", "file: PATH", one or more
# "from: " and "to: " lines (joined by line feeds; the text after "from: "
# and "to: " is taken exactly), "equivalent: why" for a mutant that cannot
# change what the program does, and "sanitizers: why" for one that only
# AddressSanitizer or UndefinedBehaviorSanitizer can see (it is built with
# them, in build-mutants/build-sanitize, as CI runs the tests).
id=
while IFS= read -r -u 3 line || [[ -n $line ]]; do
  case $line in
    "id: "*)
      run_mutant
      id=${line#id: }
      about=${id#* }
      id=${id%% *}
      file= from= to= equivalent= sanitizers=
      from_lines=0 to_lines=0
      ;;
    "file: "*) file=${line#file: } ;;
    "from: "* | "from:")
      line=${line#from:}
      line=${line# }
      if ((from_lines++)); then from+=$'\n'$line; else from=$line; fi
      ;;
    "to: "* | "to:")
      line=${line#to:}
      line=${line# }
      if ((to_lines++)); then to+=$'\n'$line; else to=$line; fi
      ;;
    "equivalent: "*) equivalent=${line#equivalent: } ;;
    "sanitizers: "*) sanitizers=${line#sanitizers: } ;;
  esac
done 3<"$list"
run_mutant

echo
killed=${counts[killed]} survived=${counts[survived]}
echo "killed $killed, survived $survived, equivalent ${counts[equivalent]}," \
  "not applying ${counts[not-applying]}, not building ${counts[not-building]}"
if $check; then echo "applying ${counts[applies]}"; fi
if ((killed + survived)); then
  echo "score: $((100 * killed / (killed + survived)))% of the mutants that ran"
fi
for survivor in "${survivors[@]}"; do echo "survived: $survivor"; done
