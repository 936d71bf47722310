#!/usr/bin/env bash
# The program's messages on a terminal: colour only where a terminal can show
# it, and a bounded amount of text whatever the files hold.
# Usage: terminal_safety.sh ZUNT [SANITIZED]  (SANITIZED=1: no address-space limits)
# shellcheck disable=SC2016 # "$" in single quotes is script text
set -u
zunt=$(realpath "$1")
sanitized=${2:-0}
# shellcheck source=checks.sh
source "$(dirname "$(realpath "$0")")/checks.sh"
work=$scratch/work
mkdir -p "$work"
printf 'HERO = y100\r\n' >"$work/q.txt"
printf '$NOPE$\r\n' >"$work/q.erm"

# on_tty ENV...: runs "zunt q" under a pseudo-terminal with the environment
# given (TERM as given; "script" would set TERM=dumb were it unset); prints
# what the terminal got, without the CR of its line ends.
on_tty() {
  (cd "$work" && env -u NO_COLOR -u TERM "$@" script -qec "$zunt q" /dev/null </dev/null) |
    tr -d '\r'
}
red=$'\033[01;31m'
for setting in "TERM=xterm:yes" "TERM=xterm NO_COLOR=:yes" "TERM=xterm NO_COLOR=1:no" \
  "TERM=dumb:no" "TERM=dumb NO_COLOR=:no" ":no"; do
  words=${setting%:*}
  # shellcheck disable=SC2086 # the words are the environment
  got=$(on_tty $words)
  case $got in
    *"$red"*) colours=yes ;;
    *) colours=no ;;
  esac
  expect "colour on a terminal with [$words]: $colours, expected ${setting##*:}" \
    test "$colours" = "${setting##*:}"
  expect "message on a terminal with [$words]" grep -q 'q.erm:1:1:.*error: .*NOPE' <<<"$got"
done
got=$(cd "$work" && TERM=xterm "$zunt" q 2>&1)
expect "no colour into a pipe" test "$got" = "$(printf 'q.erm:1:1: error: Переменной $NOPE$ не существует!\n    1 | $NOPE$\n      | ^')"

# --help and --version that cannot be written: status 1, as GNU tools do.
if [ -w /dev/full ]; then
  for option in --version --help; do
    "$zunt" "$option" >/dev/full 2>"$scratch/err"
    expect "$option into a full disk: status 1" test $? = 1
    expect "$option into a full disk: said so" grep -q 'zunt: error: ' "$scratch/err"
  done
fi

# Bounded messages: a one-line script with 20,000 warnings, and a
# declarations line of 20,000 warned names, give a few KiB each (they gave
# gigabytes, each warning quoting the whole line). Bytes, not seconds.
printf 'A = y1\r\n' >"$work/w.txt"
for _ in $(seq 20000); do printf '$A[1]x$'; done >"$work/w.erm"
for i in $(seq 20000); do printf 'V%d = \342%d;' "$i" "$i"; done >"$work/d.txt"
printf 'x' >"$work/d.erm"
for name in w d; do
  (cd "$work" && "$zunt" "$name" 2>&1 >/dev/null | head -c 1000000 >"$scratch/err")
  bytes=$(wc -c <"$scratch/err")
  expect "$name: 20,000 warnings give $bytes bytes, at most 12000" test "$bytes" -le 12000
  expect "$name: twenty warnings shown" test "$(grep -c ': warning: ' "$scratch/err")" = 20
  expect "$name: the rest counted" grep -q "^$name\.[a-z]*: note: ещё 19980 предупреждений не показано$" \
    "$scratch/err"
done

# Out of memory, while loading and while translating: the message, status
# 1, and the old output as it was. (The sanitizers' runtime does not start
# under an address-space limit.)
if [ "$sanitized" != 1 ] && [ "$sanitized" != ON ]; then
  awk 'BEGIN { for (i = 0; i < 200000; i++) printf "NAME%d = y%d\r\n", i, i }' >"$work/m.txt"
  awk 'BEGIN { for (i = 0; i < 200000; i++) printf "$NAME%d$ @NAME%d@\r\n", i, i }' >"$work/m.erm"
  truncate -s 48M "$work/l.erm"
  cp "$work/q.txt" "$work/l.txt"
  for name in m l; do
    echo OLD >"$scratch/$name.erm"
    (ulimit -v 24000 && cd "$work" && "$zunt" "$name" 2>"$scratch/err")
    expect "$name: out of memory: status 1" test $? = 1
    expect "$name: out of memory: the message" \
      test "$(cat "$scratch/err")" = "zunt: error: Недостаточно памяти для компиляции!"
    expect "$name: out of memory: the old output stays" test "$(cat "$scratch/$name.erm")" = OLD
  done
fi

# A file over the size limit (a sparse one): the load error and a note of the limit.
if truncate -s 1073741825 "$work/huge.erm" 2>/dev/null; then
  cp "$work/q.txt" "$work/huge.txt"
  (cd "$work" && "$zunt" huge 2>"$scratch/err")
  expect "over the limit: status 1" test $? = 1
  expect "over the limit: the message and the note" test "$(cat "$scratch/err")" = \
    "huge.erm: error: Возникла ошибка при загрузке файла (huge.erm).
huge.erm: note: файл больше предела в 1 ГиБ (1073741824 байт): такие файлы не читаются"
  rm -f "$work/huge.erm"
fi

summary terminal_safety
