#!/usr/bin/env bash
# Runs the real program in a scratch folder tree and checks its output file,
# its messages and its exit status.
# Usage: end_to_end.sh ZUNT EXAMPLES_DIR
set -u
zunt=$(realpath "$1")
examples=$(realpath "$2")
data=$(dirname "$(realpath "$0")")/data
# shellcheck source=checks.sh
source "$(dirname "$(realpath "$0")")/checks.sh"

# check NAME EXPECTED_STATUS EXPECTED_STDERR: runs "$@" after them in $work.
check() {
  local name=$1 status=$2 stderr=$3
  shift 3
  checks=$((checks + 1))
  (cd "$work" && "$@" >"$scratch/out" 2>"$scratch/err")
  local got=$?
  if [ "$got" != "$status" ]; then
    fail "$name: exit status $got, expected $status"
  elif [ "$(cat "$scratch/err")" != "$stderr" ]; then
    fail "$name: stderr was [$(cat "$scratch/err")]"
  fi
}

# A fresh work folder inside a fresh parent, with the example's files.
fresh() {
  rm -rf "$scratch/tree"
  work=$scratch/tree/work
  mkdir -p "$work"
  cp "$examples"/quest/quest.txt "$examples"/quest/quest.erm "$work"/
}

caption="ZUNT 2B  version 1.0"

fresh
check "example" 0 "" "$zunt" quest
expect "example: output bytes" cmp -s "$scratch/tree/quest.erm" "$data/quest.erm"
expect "example: nothing printed on success" test ! -s "$scratch/out"
expect "example: no stray files" test "$(ls -A "$scratch/tree")" = "$(printf 'quest.erm\nwork')"

fresh
mkdir -p "$work/dir/sub"
mv "$work"/quest.* "$work/dir/sub/"
check "path with folders" 0 "" "$zunt" "" dir/sub/quest.txt
expect "path with folders: output bytes" cmp -s "$scratch/tree/quest.erm" "$data/quest.erm"

fresh
rm "$work/quest.erm"
check "missing script" 1 "quest.erm: error: Файл \"quest.erm\" не существует!" "$zunt" quest.erm

check "no argument" 1 "zunt: error: Не указан файл для компиляции!
Подробнее: zunt --help" "$zunt" ""

fresh
printf 'old output\r\n' >"$scratch/tree/quest.erm"
printf 'x $NOPE$\r\n' >>"$work/quest.erm"
check "error keeps old output" 1 "quest.erm:19:3: error: Переменной \$NOPE\$ не существует!
   19 | x \$NOPE\$
      |   ^" "$zunt" quest
expect "error: old output kept" test "$(cat "$scratch/tree/quest.erm")" = "$(printf 'old output\r\n')"
expect "error: no stray files" test "$(ls -A "$scratch/tree")" = "$(printf 'quest.erm\nwork')"

# vim's default errorformat finds the file, the line and the column.
if command -v vim >/dev/null; then
  cat >"$scratch/quickfix.vim" <<EOF
set makeprg=$zunt\\ %:r
silent make
redir! > $scratch/quickfix
for e in getqflist()
  if e.valid | echo bufname(e.bufnr) . '|' . e.lnum . '|' . e.col . '|' . e.text | endif
endfor
redir END
qa!
EOF
  (cd "$work" && vim -es -N -u NONE -c "source $scratch/quickfix.vim" quest.erm </dev/null &>/dev/null)
  expect "vim's quickfix list" test "$(sed -n 2p "$scratch/quickfix")" = \
    'quest.erm|19|3| error: Переменной $NOPE$ не существует!'
fi

fresh
mkdir "$work/ещё"
mv "$work"/quest.* "$work/ещё/"
rm "$work/ещё/quest.erm"
check "path bytes shown as they are" 1 "ещё/quest.erm: error: Файл \"ещё/quest.erm\" не существует!" \
  "$zunt" ещё/quest

fresh
rm "$work/quest.erm"
mkfifo "$work/quest.erm"
check "a pipe is not read" 1 "quest.erm: error: Не удалось открыть указанный файл (quest.erm). \
Файл заблокирован или уже используется" timeout 5 "$zunt" quest

# The working folder's parent is gone: the output cannot be created.
fresh
mkdir -p "$scratch/gone/a"
work=$scratch/gone/a
(cd "$work" && rm -rf "$scratch/gone" && "$zunt" "$scratch/tree/work/quest" 2>"$scratch/err")
expect "failed create: exit status" test $? = 1
expect "failed create: message" test "$(cat "$scratch/err")" = \
  "../quest.erm: error: Не могу создать выходной ЕРМ файл скрипта!
../quest.erm: note: нет такой папки"

# A script of 8 MiB is mapped rather than read, and its output is built on
# large pages: the same bytes as for a small one.
fresh
printf "A = y1\r\n(C) = '5'\r\n" >"$work/big.txt"
yes '!!VR$A$:S(C) @A[2]@;' | head -n 400000 | sed 's/$/\r/' >"$work/big.erm"
yes '!!VRy1:S5 3;' | head -n 400000 | sed 's/$/\r/' >"$scratch/big.expected"
check "large script" 0 "" "$zunt" big
expect "large script: output bytes" cmp -s "$scratch/tree/big.erm" "$scratch/big.expected"

# The README's declarations example, as examples/readme/ holds it, translates
# without a warning.
fresh
cp "$examples"/readme/readme.* "$work"/
readme_block=$(sed -n '/^    ; a comment runs to the end of the line/,/^$/p' "$examples/../README.md" |
  sed 's/^    //; /^$/d')
expect "README: the example is examples/readme/readme.txt" \
  test "$readme_block" = "$(tr -d '\r' <"$work/readme.txt")"
check "README example" 0 "" "$zunt" readme
expect "README example: output" test "$(cat "$scratch/tree/readme.erm")" = \
  "$(printf 'y100 0500 w16 y200 5 first\nsecond\r')"

# -o -: the same bytes on stdout, and no file.
fresh
(cd "$work" && "$zunt" -o - quest >"$scratch/stdout")
expect "-o -: exit status" test $? = 0
expect "-o -: output bytes" cmp -s "$scratch/stdout" "$data/quest.erm"
expect "-o -: no file" test ! -e "$scratch/tree/quest.erm"

# Several names: each on its own; one failure makes the status 1.
fresh
cp "$work/quest.txt" "$work/second.txt"
cp "$work/quest.erm" "$work/second.erm"
printf 'A = y1\r\n' >"$work/broken.txt"
printf '$B$\r\n' >"$work/broken.erm"
check "several names" 1 "quest.erm -> ../quest.erm
broken.erm:1:1: error: Переменной \$B\$ не существует!
    1 | \$B\$
      | ^
broken.txt:1:1: note: может быть, \$A\$?
    1 | A = y1
      | ^
second.erm -> ../second.erm" "$zunt" quest broken second -v
expect "several names: the first written" cmp -s "$scratch/tree/quest.erm" "$data/quest.erm"
expect "several names: the last written" cmp -s "$scratch/tree/second.erm" "$data/quest.erm"
expect "several names: not the broken one" test ! -e "$scratch/tree/broken.erm"

# A usage error translates nothing.
for words in "--hlep quest" "quest -o" "-o x.erm quest second" "quest --color=yes" "-q quest"; do
  fresh
  # shellcheck disable=SC2086 # the words are split on purpose
  (cd "$work" && "$zunt" $words >/dev/null 2>"$scratch/err")
  expect "usage error ($words): status 2" test $? = 2
  expect "usage error ($words): message" grep -q "^zunt: error: .*" "$scratch/err"
  expect "usage error ($words): nothing written" test ! -e "$scratch/tree/quest.erm"
done

# The README's make rule and its look at a translation, as written there,
# with the program on PATH, the rule's recipe lines indented by a tab and
# "less" read as "cat".
readme=$examples/../README.md
fresh
mkdir -p "$work/src"
mv "$work"/quest.* "$work/src/"
printf '; shared names\r\n' >"$work/common.txt"
sed -n '/^    build\/%.erm:/,/^$/p' "$readme" | sed 's/^    //; /^$/d' >"$work/Makefile"
expect "README make rule: three lines" test "$(wc -l <"$work/Makefile")" = 3
if command -v make >/dev/null; then
  (cd "$work" && PATH=$(dirname "$zunt"):$PATH make -s build/quest.erm >/dev/null 2>&1)
  expect "README make rule: the output in a folder it makes" \
    cmp -s "$work/build/quest.erm" "$data/quest.erm"
fi
less_line=$(sed -n 's/^    \(zunt -o - quest | .*| less\)$/\1/p' "$readme")
expect "README: the less line converts to UTF-8" test -n "$less_line"
(cd "$work/src" && PATH=$(dirname "$zunt"):$PATH eval "${less_line%less}cat" >"$scratch/shown")
expect "README less line: UTF-8 text" cmp -s "$scratch/shown" \
  <(iconv -f cp1251 -t utf-8 "$data/quest.erm")

# The example mod: "zunt" with no name translates its scripts into build/,
# and a name from anywhere in the mod writes the same file.
rm -rf "$scratch/tree" && mkdir -p "$scratch/tree" && cp -r "$examples/mod" "$scratch/tree/"
work=$scratch/tree/mod
mod_heroes=$(printf 'ZVSE\r\n!#VRv1:S0; Рыцари севера: y100 at level 10\r\n!!VRy100:S0500;\r\n' |
  iconv -f utf-8 -t cp1251 | od -An -tx1)
check "mod: no name" 0 "src/heroes.erm -> build/heroes.erm
src/towns.erm -> build/towns.erm" "$zunt" -v
expect "mod: heroes" test "$(od -An -tx1 <"$work/build/heroes.erm")" = "$mod_heroes"
expect "mod: towns" grep -q 'VRv501:Sy100;' "$work/build/towns.erm"
rm "$work/build/heroes.erm"
work=$scratch/tree/mod/src
check "mod: a name in src/" 0 "heroes.erm -> ../build/heroes.erm" "$zunt" -v heroes
expect "mod: the same output" test "$(od -An -tx1 <"$scratch/tree/mod/build/heroes.erm")" = "$mod_heroes"
check "mod: --no-project" 1 "heroes.erm:2:12: error: Константы (MOD) не существует!" \
  bash -c "'$zunt' --no-project -o /dev/null heroes 2>&1 | head -1 >&2; exit 1"
# The mod's include named as NAME.txt is read once: only the script is missing.
check "mod: an include as NAME.txt" 1 "../common.erm: error: Файл \"../common.erm\" не существует!" \
  "$zunt" -- ../common
# The README's example of a mistake, on its third line.
work=$scratch/tree/mod
rm "$work/build/heroes.erm"
printf '# a mistake\ninclude = ["common.txt"]\noutput = ["build"]\n' >"$work/zunt.toml"
readme_error=$(sed -n '/^    zunt.toml:3:10: error:/,/^$/p' "$examples/../README.md" | sed 's/^    //; /^$/d')
expect "README: the mistake is shown" test -n "$readme_error"
check "mod: the README's mistake" 1 "$readme_error" "$zunt" src/heroes
expect "mod: nothing translated" test ! -e "$work/build/heroes.erm"

# readme_block FIRST: the README's indented block that begins with the line
# FIRST (as written there, without its indent), blank lines within it kept.
readme_block() {
  awk -v first="    $1" 'index($0, first) == 1 { found = 1 }
    found && /^    / { print substr($0, 5); next }
    found && /^$/ { print; next }
    found { exit }' "$examples/../README.md" | sed -e :a -e '/^\n*$/{$d;N;ba' -e '}'
}

# The README's map of the example mod, and what another mod takes too.
rm -rf "$scratch/tree" && mkdir -p "$scratch/tree/roads/src" && cp -r "$examples/mod" "$scratch/tree/"
work=$scratch/tree/mod
readme_map=$(readme_block "Карта переменных:")
expect "README: the map is shown" test -n "$readme_map"
check "mod: --vars" 0 "" "$zunt" --vars
same "mod: the README's map" "$readme_map" "$(cat "$scratch/out")"
expect "mod: --vars writes no script" test ! -e "$work/build/heroes.erm"
printf 'scripts = ["src/*.erm"]\n' >"$scratch/tree/roads/zunt.toml"
printf 'SPEED = v10\r\nCOINS = v500\r\n' >"$scratch/tree/roads/src/roads.txt"
printf '!!VR$SPEED$:S@COINS@;\r\n' >"$scratch/tree/roads/src/roads.erm"
check "mod: --vars --against a folder" 0 "" "$zunt" --vars --against=../roads
same "mod: the README's numbers both take" "$(readme_block "Общие номера: 2.")" "$(cat "$scratch/out")"
check "mod: --vars=json" 0 "" "$zunt" --vars=json
mv "$scratch/out" "$scratch/map.json"
expect "mod: the map's JSON reads" python3 -c "import json, sys; m = json.load(open(sys.argv[1]))
assert m['format'] == 'zunt-vars' and [l['letter'] for l in m['letters']] == ['v', 'y']
assert [n['number'] for n in m['letters'][0]['numbers']] == [1, 10, 500, 501]" "$scratch/map.json"
check "mod: --against a saved map" 0 "" "$zunt" --vars --against="$scratch/map.json" src/towns
expect "mod: a saved map against one script" test "$(head -1 "$scratch/out")" = "Общие номера: 5."

# The README's two warnings.
rm -rf "$scratch/tree" && mkdir -p "$scratch/tree/work" && work=$scratch/tree/work
printf 'ARMY = v200\r\nMORALE = v205\r\n' >"$work/common.txt"
printf 'TROOPS = v200\r\n' >"$work/quest.txt"
printf 'ZVSE\r\n!!VR$ARMY[5]$:S0;\r\n' >"$work/quest.erm"
readme_warnings=$(readme_block 'quest.txt:1:1: warning: $TROOPS$')
expect "README: the warnings are shown" test -n "$readme_warnings"
check "the README's warnings" 0 "$readme_warnings" "$zunt" -i common.txt quest
check "the README's warnings, named off" 0 "" "$zunt" -Wno-alias -Wno-overlap -i common.txt quest

# The man page is clean.
if command -v groff >/dev/null; then
  expect "man page: groff" test -z "$(groff -ww -z -Tutf8 -man "$examples/../man/zunt.1" 2>&1)"
fi

work=$scratch
check "--version" 0 "" "$zunt" --version
expect "--version prints the caption and the version" \
  test "$(cat "$scratch/out")" = "$caption
zunt 1.0.0
Copyright (C) 2026 the zunt developers
Лицензия MIT: https://opensource.org/license/mit"
check "--help" 0 "" "$zunt" --help
expect "--help names every option" grep -q -- "--strict" "$scratch/out"
for option in $(grep -o -- ' --[a-z][a-z-]*' "$scratch/out" | sort -u); do
  expect "the man page documents $option" grep -qF -- "${option//-/\\-}" "$examples/../man/zunt.1"
done

# Colours on a terminal, but not on a dumb one nor for emacs's M-x compile,
# whose buffer would show the escapes and miss the file names.
if command -v script >/dev/null; then
  for case in "TERM=xterm|1" "TERM=dumb|0" "TERM=xterm INSIDE_EMACS=28.2,compile|0" \
    "TERM=xterm INSIDE_EMACS=28.2,comint|1" "TERM=xterm NO_COLOR=1|0"; do
    colored=$(cd "$scratch" && env -u NO_COLOR -u INSIDE_EMACS ${case%|*} script -qec "$zunt nothing" /dev/null |
      grep -c $'\e\[')
    expect "colours with ${case%|*}" test "$colored" -gt 0 -a "${case#*|}" = 1 -o "$colored" = 0 -a "${case#*|}" = 0
  done
fi

summary end_to_end
