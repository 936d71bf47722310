#!/usr/bin/env bash
# Runs zunt-cli.exe under Wine with its output captured through pipes: the
# same diagnostics, bytes and exit statuses as the POSIX program, with
# Windows paths.
# Usage: cli.sh ZUNT_CLI_EXE SOURCE_DIR
# shellcheck disable=SC2016 # "$" in single quotes is script text
set -u
zunt=$(realpath "$1")
source_dir=$(realpath "$2")
export WINEDEBUG=${WINEDEBUG:--all}
# shellcheck source=../checks.sh
source "$(dirname "$(realpath "$0")")/../checks.sh"

# run STATUS ARG...: runs zunt-cli.exe in $work; its stdout and stderr go to
# $scratch/out and $scratch/err. Fails unless it exits with STATUS.
run() {
  local status=$1
  shift
  checks=$((checks + 1))
  (cd "$work" && LC_ALL=en_US.UTF-8 timeout 60 wine "$zunt" "$@" </dev/null \
    >"$scratch/out" 2>"$scratch/err")
  local got=$?
  [ "$got" = "$status" ] || fail "zunt-cli $*: exit status $got, expected $status"
}

fresh() {
  rm -rf "$scratch/tree"
  work=$scratch/tree/work
  mkdir -p "$work/sub"
  cp "$source_dir"/examples/quest/quest.txt "$source_dir"/examples/quest/quest.erm "$work/sub/"
}

fresh
run 0 'sub\quest.erm'
expect "success: output bytes" cmp -s "$scratch/tree/quest.erm" "$source_dir/tests/data/quest.erm"
expect "success: nothing printed" test ! -s "$scratch/err"

fresh
printf 'x $NOPE$\r\n' >>"$work/sub/quest.erm"
run 1 'sub\quest'
expect "error: the POSIX program's lines, with the Windows path" \
  test "$(cat "$scratch/err")" = 'sub\quest.erm:19:3: error: Переменной $NOPE$ не существует!
   19 | x $NOPE$
      |   ^'
expect "error: nothing written" test ! -e "$scratch/tree/quest.erm"
expect "error: no temporary file left" test "$(ls -A "$scratch/tree")" = work

fresh
run 0 -o - -v sub/quest
expect "-o -: output bytes on stdout" cmp -s "$scratch/out" "$source_dir/tests/data/quest.erm"
expect "-v: the line" test "$(cat "$scratch/err")" = 'sub/quest.erm -> -'

# A script of a few MiB: its output goes to the file in pieces, and the file
# holds the bytes that -o - prints whole.
fresh
{
  cat "$work/sub/quest.erm"
  printf '~~\r\n'
} >"$work/sub/big.erm"
for _ in $(seq 13); do cat "$work/sub/big.erm" "$work/sub/big.erm" >"$work/sub/twice.erm" &&
  mv "$work/sub/twice.erm" "$work/sub/big.erm"; done
cp "$work/sub/quest.txt" "$work/sub/big.txt"
run 0 -o - 'sub\big'
mv "$scratch/out" "$scratch/whole"
run 0 'sub\big'
expect "pieces: the bytes of -o -" cmp -s "$scratch/tree/big.erm" "$scratch/whole"
expect "pieces: more than two" test "$(stat -c %s "$scratch/tree/big.erm")" -gt $((2 << 20))
expect "pieces: no temporary file left" test "$(ls -A "$scratch/tree")" = "big.erm
work"

fresh
run 2 --hlep sub/quest
expect "usage error: message" test "$(head -1 "$scratch/err")" = \
  'zunt-cli.exe: error: неизвестный параметр «--hlep»'
expect "usage error: the hint names the program" test "$(tail -1 "$scratch/err")" = \
  'Подробнее: zunt-cli.exe --help'
expect "usage error: nothing written" test ! -e "$scratch/tree/quest.erm"

run 1
expect "no name" test "$(cat "$scratch/err")" = 'zunt-cli.exe: error: Не указан файл для компиляции!
Подробнее: zunt-cli.exe --help'

run 0 --help
expect "--help: names zunt-cli.exe" grep -q '^Использование: zunt-cli.exe ' "$scratch/out"
expect "--help: the parent folder as Windows writes it" grep -qF '..\ИМЯ.erm' "$scratch/out"
expect "--help: no POSIX parent folder" test "$(grep -c '\.\./' "$scratch/out")" = 0

run 0 --version
expect "--version" test "$(head -2 "$scratch/out")" = "$(printf 'ZUNT 2B  version 1.0\nzunt %s' \
  "$(sed -n 's/^project(zunt VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")")"

# A hostile script: control bytes as their pictures; no colour into a pipe,
# whatever TERM says.
fresh
printf '$T\033]0;PWNED\007$\r\n' >"$work/sub/quest.erm"
TERM=xterm run 1 'sub\quest'
expect "control bytes: pictures" test "$(cat "$scratch/err")" = 'sub\quest.erm:1:1: error: Переменной $T␛]0;PWNED␇$ не существует!
    1 | $T␛]0;PWNED␇$
      | ^'

# The example mod, by name and with no name: its scripts, several at a time,
# into its build folder, the lines in the order of the names.
rm -rf "$scratch/tree" && mkdir -p "$scratch/tree" && cp -r "$source_dir/examples/mod" "$scratch/tree/"
work=$scratch/tree/mod
run 0 -v
expect "mod: no name, every script" test "$(cat "$scratch/err")" = 'src\heroes.erm -> build\heroes.erm
src\towns.erm -> build\towns.erm'
expect "mod: the shared names" grep -q 'VRv501:Sy100;' "$work/build/towns.erm"
work=$scratch/tree/mod/src
run 0 -v -j2 heroes towns
expect "mod: by name from src" test "$(cat "$scratch/err")" = 'heroes.erm -> ..\build\heroes.erm
towns.erm -> ..\build\towns.erm'

summary cli
