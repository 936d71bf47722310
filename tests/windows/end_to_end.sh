#!/usr/bin/env bash
# Runs zunt.exe under Wine on an X display, as a user would: checks the output
# file and the sound of a success, and for a failure reads the message box
# back, saves a screenshot of it, presses OK and checks that nothing was
# written. Also reads back the program's version information and manifest.
#
# Usage: end_to_end.sh CASE|all ZUNT_EXE SUCCESS_WAV READ_BOX_EXE READ_VERSION_EXE
#                      SOURCE_DIR ARTIFACT_DIR
#
# Needs wine, xdotool, ImageMagick's import and the ru_RU.UTF-8 and
# en_US.UTF-8 locales (Wine's ANSI code page 1251 and 1252). Uses
# the X display in DISPLAY, or starts its own Xvfb when there is none. Wine's
# X11 driver should have Managed=N (closing a managed box takes 2 s more).
# shellcheck disable=SC2016 # "$" and "`" in single quotes are script text
set -u

case_name=$1
built_zunt=$(realpath "$2")
built_sound=$(realpath "$3")
read_box=$(realpath "$4")
read_version=$(realpath "$5")
source_dir=$(realpath "$6")
artifacts=$7
mkdir -p "$artifacts"
artifacts=$(realpath "$artifacts")

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

# A copy of the program with no sound beside it, so that it plays the one in
# the working folder.
mkdir "$scratch/bin"
cp "$built_zunt" "$scratch/bin/zunt.exe"

# A fresh folder tree: the program runs in $work and writes into $tree, with
# the ANSI code page 1251 unless a case sets another locale.
fresh() {
  tree=$scratch/tree
  work=$tree/work
  rm -rf "$tree" "$capture"
  mkdir -p "$work"
  cp "$scratch/success.wav" "$work/"
  zunt=$scratch/bin/zunt.exe
  sound=$scratch/samples
  locale=ru_RU.UTF-8
}

# Lists every file and folder of the tree with the checksum of each file.
snapshot() {
  (cd "$tree" && find . | sort && find . -type f -exec md5sum {} + | sort)
}

# Starts zunt.exe in $work with the given arguments.
start_zunt() {
  zunt_args=("$@")
  (cd "$work" && LC_ALL=$locale exec timeout 60 wine "$zunt" "$@" </dev/null \
    >"$scratch/wine.log" 2>&1) &
  zunt_pid=$!
}

# Waits for zunt.exe; fails unless it exits with the status.
expect_exit() {
  wait "$zunt_pid"
  local status=$?
  if [ "$status" = 139 ] && [ "$1" = 0 ]; then
    # wine itself died of SIGSEGV, now and then, in its sound driver as the
    # process ended: a fault of the program would end it with the Windows
    # exception's status instead. The run is made once more.
    echo "  (wine died of SIGSEGV; the run is made again)"
    rm -f "$capture"
    start_zunt "${zunt_args[@]}"
    wait "$zunt_pid"
    status=$?
  fi
  [ "$status" = "$1" ] || fail "exit status $status, expected $1"
}

# expect_success OUTPUT EXPECTED_FILE ARG...: a run that writes OUTPUT (in the
# tree) with the bytes of EXPECTED_FILE, plays the samples in $sound and shows
# nothing.
expect_success() {
  local output=$1 expected=$2
  shift 2
  start_zunt "$@"
  expect_exit 0
  if ! cmp -s "$capture" "$sound"; then
    # On a busy machine wine's sound driver now and then passes on more or
    # fewer samples than the file holds. The run is made once more.
    echo "  (the sound reached the device as $(stat -c %s "$capture" 2>&1) bytes; the run is made again)"
    rm -f "$capture"
    start_zunt "$@"
    expect_exit 0
  fi
  cmp -s "$tree/$output" "$expected" || fail "$output differs from $expected"
  cmp -s "$capture" "$sound" || fail "the sound did not reach the device whole"
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

# A read-only old output is never replaced.
case_fail_output_is_read_only() {
  printf '; none\r\n' >"$work/quest.txt"
  printf 'text' >"$work/quest.erm"
  printf '%s' "$old" >"$tree/quest.erm"
  chmod a-w "$tree/quest.erm"
  expect_box "Не могу создать выходной ЕРМ файл скрипта!" quest
}

# Names outside the ANSI code page 1252 (an English or German system).
case_success_names_code_page_1252() {
  local name
  for name in квест αποστολή; do
    fresh
    locale=en_US.UTF-8
    printf 'HERO = y100\r\n' >"$work/$name.txt"
    printf 'x $HERO$;\r\n' >"$work/$name.erm"
    printf 'x y100;\r\n' >"$scratch/expected"
    expect_success "$name.erm" "$scratch/expected" "$name.erm"
  done
}

case_fail_cyrillic_name_code_page_1252() {
  locale=en_US.UTF-8
  printf '; none\r\n' >"$work/квест.txt"
  printf '%s' "$old" >"$tree/квест.erm"
  expect_box 'Файл "квест.erm" не существует!' квест
}

case_fail_greek_name_code_page_1252() {
  locale=en_US.UTF-8
  mkdir "$work/φάκελος"
  expect_box 'Указанный файл не существует! (φάκελος\αποστολή.txt).' 'φάκελος\αποστολή.erm'
}

# Folders of 60 characters, five deep: the argument is over 300 characters.
case_success_path_over_260_characters() {
  locale=en_US.UTF-8
  local folder=$work relative="" letter
  for letter in a b c d е; do # the last one Cyrillic
    local part=""
    for _ in $(seq 60); do part+=$letter; done
    folder=$folder/$part
    relative="$relative$part\\"
  done
  mkdir -p "$folder"
  printf 'HERO = y100\r\n' >"$folder/quest.txt"
  printf '@HERO[1]@' >"$folder/quest.erm"
  printf '101' >"$scratch/expected"
  [ ${#relative} -gt 300 ] || fail "the path is short: ${#relative}"
  expect_success quest.erm "$scratch/expected" "${relative}quest.erm"
}

# The name takes 250 of the 255 bytes a file name may have.
case_success_output_name_250_bytes() {
  local name
  name=$(printf "%0246d" 0 | tr 0 q)
  printf '; none\r\n' >"$work/$name.txt"
  printf 'text\r\n' >"$work/$name.erm"
  printf '%s' "$old" >"$tree/$name.erm"
  expect_success "$name.erm" "$work/$name.erm" "$name"
}

# The program's own success.wav lies beside it; the working folder's is not played.
case_success_sound_beside_program() {
  mkdir "$scratch/app"
  cp "$built_zunt" "$built_sound" "$scratch/app/"
  zunt=$scratch/app/$(basename "$built_zunt")
  tail -c +45 "$built_sound" >"$scratch/built_samples"
  sound=$scratch/built_samples
  [ "$(head -c 4 "$built_sound")$(tail -c +37 "$built_sound" | head -c 4)" = RIFFdata ] ||
    fail "success.wav has not the plain 44-byte header"
  printf '; none\r\n' >"$work/quest.txt"
  printf 'text' >"$work/quest.erm"
  expect_success quest.erm "$work/quest.erm" quest
}

# The script is the output: the argument names the parent folder.
case_fail_output_is_input_by_parent_path() {
  printf 'text $X$' >"$tree/quest.erm"
  printf 'X = y1\r\n' >"$tree/quest.txt"
  expect_box "Выходной ЕРМ файл совпадает с исходным файлом!" '..\quest.erm'
}

# The script is the output under another name: a hard link.
case_fail_output_is_input_by_hard_link() {
  printf '; none\r\n' >"$work/quest.txt"
  printf 'text' >"$tree/quest.erm"
  ln "$tree/quest.erm" "$work/quest.erm"
  expect_box "Выходной ЕРМ файл совпадает с исходным файлом!" quest
}

# A mod in folders with Cyrillic names: the zunt.toml in the working folder
# names the shared file and the output folder; the script has no declarations
# of its own.
case_success_mod_cyrillic_folders() {
  mkdir -p "$work/скрипты" "$work/сборка"
  printf 'include = ["общие.txt"]\noutput = "сборка"\n' >"$work/zunt.toml"
  printf 'HERO = y100\r\n(MOD) = \x27\xec\xee\xe4\x27\r\n' >"$work/общие.txt"
  printf '$HERO$ (MOD)\r\n' >"$work/скрипты/квест.erm"
  printf 'y100 \xec\xee\xe4\r\n' >"$scratch/expected"
  start_zunt 'скрипты\квест.erm'
  expect_exit 0
  cmp -s "$work/сборка/квест.erm" "$scratch/expected" || fail "the mod's output differs"
  [ ! -e "$tree/квест.erm" ] || fail "written to the parent, not the mod's output folder"
}

# A mistake in the zunt.toml: its box, and nothing translated.
case_fail_mod_settings() {
  printf 'include = []\noutput = ["build"]\n' >"$work/zunt.toml"
  printf '; none\r\n' >"$work/quest.txt"
  printf 'text\r\n' >"$work/quest.erm"
  expect_box $'| Ошибка в файле zunt.toml |\r\nу ключа «output» должна быть строка\r\nОшибка в строке №2' quest
}

case_version_resource() {
  local version
  version=$(sed -n 's/^project(zunt VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
  wine "$read_version" "$built_zunt" </dev/null >"$scratch/version" 2>/dev/null ||
    fail "no version information"
  printf '%s\n' "FileVersion: $version" "ProductVersion: $version" "ProductName: zunt" \
    "FileDescription: zunt: names for variables and constants in .erm scripts" \
    "OriginalFilename: zunt.exe" "Fixed: $version.0 $version.0" >"$scratch/expected"
  head -6 "$scratch/version" | cmp -s - "$scratch/expected" ||
    fail "version information: $(head -6 "$scratch/version")"
  local setting
  for setting in 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' \
    '>PerMonitorV2, PerMonitor</dpiAwareness>' '>true</longPathAware>' \
    '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}' '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}' \
    "version=\"$version.0\""; do
    grep -qF "$setting" "$scratch/version" || fail "the manifest lacks $setting"
  done
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
