#!/usr/bin/env bash
# Runs zunt.exe under Wine on an X display, as a user would: checks the output
# file and the sound of a success, and for a failure reads the message box
# back, saves a screenshot of it, presses OK and checks that nothing was
# written.
#
# Usage: end_to_end.sh CASE|all ZUNT_EXE READ_BOX_EXE SOURCE_DIR ARTIFACT_DIR
#
# Needs wine, xdotool, ImageMagick's import and the ru_RU.UTF-8 locale. Uses
# the X display in DISPLAY, or starts its own Xvfb when there is none. Wine's
# X11 driver should have Managed=N (closing a managed box takes 2 s more).
# shellcheck disable=SC2016 # "$" and "`" in single quotes are script text
set -u

case_name=$1
zunt=$(realpath "$2")
read_box=$(realpath "$3")
source_dir=$(realpath "$4")
artifacts=$5
mkdir -p "$artifacts"
artifacts=$(realpath "$artifacts")

export LC_ALL=ru_RU.UTF-8 # Wine's ANSI code page is then 1251
export WINEDEBUG=${WINEDEBUG:--all}
caption="ZUNT 2B  version 1.0"
old=$'old output\r\n'

scratch=$(mktemp -d)
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$scratch/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.05; done
  DISPLAY=:$(cat "$scratch/display")
  export DISPLAY
fi

# The sound goes through ALSA into a file, which then holds the samples that
# reached the device.
capture=$scratch/capture.raw
cat >"$scratch/asound.conf" <<EOF
pcm.!default {
  type file
  slave.pcm { type null }
  file "$capture"
  format "raw"
}
EOF
export ALSA_CONFIG_PATH=$scratch/asound.conf

# A WAV file of 0.2 s of noise, 16-bit mono at 22050 Hz, and its samples.
head -c 8820 /dev/urandom >"$scratch/samples"
# shellcheck disable=SC2059 # the format is the escaped bytes
le32() { printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) \
  $(($1 >> 16 & 255)) $(($1 >> 24 & 255)))"; }
{
  printf 'RIFF'; le32 $((36 + 8820)); printf 'WAVEfmt '; le32 16
  printf '\x01\x00\x01\x00'; le32 22050; le32 44100; printf '\x02\x00\x10\x00'
  printf 'data'; le32 8820; cat "$scratch/samples"
} >"$scratch/success.wav"

failures=0
fail() {
  echo "  FAIL: $*"
  failures=$((failures + 1))
}

# A fresh folder tree: the program runs in $work and writes into $tree.
fresh() {
  tree=$scratch/tree
  work=$tree/work
  rm -rf "$tree" "$capture"
  mkdir -p "$work"
  cp "$scratch/success.wav" "$work/"
}

# Lists every file and folder of the tree with the checksum of each file.
snapshot() {
  (cd "$tree" && find . | sort && find . -type f -exec md5sum {} + | sort)
}

# Starts zunt.exe in $work with the given arguments.
start_zunt() {
  (cd "$work" && exec timeout 60 wine "$zunt" "$@" </dev/null >"$scratch/wine.log" 2>&1) &
  zunt_pid=$!
}

# Waits for zunt.exe; fails unless it exits with the status.
expect_exit() {
  wait "$zunt_pid"
  local status=$?
  [ "$status" = "$1" ] || fail "exit status $status, expected $1"
}

# expect_success OUTPUT EXPECTED_FILE ARG...: a run that writes OUTPUT (in the
# tree) with the bytes of EXPECTED_FILE, plays the sound and shows nothing.
expect_success() {
  local output=$1 expected=$2
  shift 2
  start_zunt "$@"
  expect_exit 0
  cmp -s "$tree/$output" "$expected" || fail "$output differs from $expected"
  cmp -s "$capture" "$scratch/samples" || fail "the sound did not reach the device whole"
  local others
  others=$(cd "$tree" && find . -mindepth 1 -maxdepth 1 ! -name work)
  [ "$others" = "./$output" ] || fail "stray files: $others"
}

# expect_box TEXT ARG...: a run that shows TEXT in a message box and changes
# no file.
expect_box() {
  local text=$1
  shift
  local before
  before=$(snapshot)
  start_zunt "$@"
  local window
  window=$(timeout 20 xdotool search --sync --name "^$caption\$" | head -1)
  if [ -z "$window" ]; then
    fail "no message box"
  else
    printf '%s\n%s' "$caption" "$text" >"$scratch/expected"
    wine "$read_box" </dev/null >"$scratch/box" 2>/dev/null || fail "read_box found no box"
    cmp -s "$scratch/box" "$scratch/expected" || fail "box reads [$(cat "$scratch/box")]"
    import -window "$window" "$artifacts/$case_name.png" || fail "no screenshot"
    xdotool windowfocus --sync "$window" key Return
  fi
  expect_exit 1
  [ "$(snapshot)" = "$before" ] || fail "files changed: $(cd "$tree" && find . | sort)"
  [ ! -s "$capture" ] || fail "a sound was played"
}

case_success_example() {
  cp "$source_dir"/examples/quest/quest.txt "$source_dir"/examples/quest/quest.erm "$work/"
  printf '%s' "$old" >"$tree/quest.erm"
  expect_success quest.erm "$source_dir/tests/data/quest.erm" quest
}

case_success_quoted_path_with_spaces() {
  mkdir "$work/sub dir"
  printf '; none\r\n' >"$work/sub dir/my quest.txt"
  printf 'plain `a b\r\n c`\r\n' >"$work/sub dir/my quest.erm"
  printf 'plain ab\rc\r\n' >"$scratch/expected"
  expect_success "my quest.erm" "$scratch/expected" 'sub dir\my quest.erm'
}

case_success_cyrillic_name() {
  printf '; \xef\xf3\xf1\xf2\xee\r\n' >"$work/квест.txt"
  printf '\xf2\xe5\xea\xf1\xf2\r\n' >"$work/квест.erm"
  expect_success квест.erm "$work/квест.erm" квест.txt
}

case_fail_no_argument() {
  expect_box "Не указан файл для компиляции!"
}

case_fail_missing_cyrillic_name() {
  printf '%s' "$old" >"$tree/квест.erm"
  expect_box "Указанный файл не существует! (квест.txt)." квест
}

case_fail_missing_script_quoted() {
  printf '; none\r\n' >"$work/my quest.txt"
  printf '%s' "$old" >"$tree/my quest.erm"
  expect_box 'Файл "my quest.erm" не существует!' "my quest.txt"
}

case_fail_empty_declarations() {
  : >"$work/quest.txt"
  printf 'text' >"$work/quest.erm"
  printf '%s' "$old" >"$tree/quest.erm"
  expect_box "Указанный файл пуст!" quest
}

case_fail_error_in_script() {
  printf '; none\r\n' >"$work/quest.txt"
  printf 'ok\r\nx $NOPE$\r\n' >"$work/quest.erm"
  printf '%s' "$old" >"$tree/quest.erm"
  expect_box $'| Ошибка в *.ERM файле |\r\nПеременной $NOPE$ не существует!\r\nОшибка в строке №2' quest
}

case_fail_output_is_folder() {
  printf '; none\r\n' >"$work/quest.txt"
  printf 'text' >"$work/quest.erm"
  mkdir "$tree/quest.erm"
  printf '%s' "$old" >"$tree/quest.erm/keep"
  expect_box "Не могу создать выходной ЕРМ файл скрипта!" quest
}

cases=$(declare -F | sed -n 's/^declare -f case_//p')
[ "$case_name" = all ] || cases=$case_name
passed=0
failed=0
for name in $cases; do
  case_name=$name
  before_failures=$failures
  fresh
  "case_$name"
  if [ "$failures" = "$before_failures" ]; then
    passed=$((passed + 1))
    echo "ok: $name"
  else
    failed=$((failed + 1))
    echo "FAILED: $name"
  fi
done
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
