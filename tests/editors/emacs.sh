#!/usr/bin/env bash
# zunt-mode.el as a user installs it: the modes of both kinds of file, their
# Windows-1251 reading and writing, the faces, and M-x compile landing on the
# character a message names after Cyrillic and a tab.
# Usage: emacs.sh ZUNT
set -u
zunt=$(realpath "$1")
repo=$(cd "$(dirname "$0")/../.." && pwd)
here=$repo/tests/editors
# shellcheck source=../checks.sh
source "$repo/tests/checks.sh"

mod=$scratch/mod
mkdir -p "$mod" "$scratch/bin"
ln -s "$zunt" "$scratch/bin/zunt"
cp "$repo"/examples/quest/quest.* "$repo"/examples/readme/readme.erm "$mod/"
printf 'include = ["common.txt"]\n' >"$mod/zunt.toml"
printf "(ОБЩЕЕ) = 'да'\r\n" | cp1251 >"$mod/common.txt"
printf 'заметки\n' >"$mod/notes.txt"
# For M-x compile, a folder outside the mod (whose include would make an
# empty NAME.txt no error).
other=$scratch/other
mkdir -p "$other"
printf 'HERO = y100\r\n' >"$other/bad.txt"
printf 'ZVSE\r\n!!IF:M^Ошибка^;\t$NOPE$;\r\n' | cp1251 >"$other/bad.erm"
printf 'ZVSE\r\n' >"$other/empty.erm"
: >"$other/empty.txt"
(cd "$mod" && PATH=$scratch/bin:$PATH LANG=C.UTF-8 timeout 120 emacs --batch -L "$repo/editors/emacs" \
  -l "$here/emacs-mode.el" </dev/null >"$scratch/log" 2>&1) || cat "$scratch/log"

same "emacs: modes, encodings, faces, compile" "quest.erm|zunt-script-mode|windows-1251-dos|ZVSE
quest.txt|zunt-declarations-mode|windows-1251-dos|; Объявления для quest.erm: переменные и текстовые константы.
readme.erm|zunt-script-mode|windows-1251-dos|$(head -1 "$repo/examples/readme/readme.erm" | tr -d '\r')
common.txt|zunt-declarations-mode|windows-1251-dos|(ОБЩЕЕ) = 'да'
notes.txt|text-mode|utf-8-unix|заметки
new.erm|zunt-script-mode|windows-1251-dos|
new.txt|zunt-declarations-mode|windows-1251-dos|
other.txt|text-mode|utf-8-unix|
2 Герой font-lock-comment-face
4 !!VR font-lock-keyword-face
4 \$HERO\$ font-lock-variable-name-face
4 (START) font-lock-constant-face
5 [1] font-lock-constant-face
7 (привет) font-lock-constant-face
10 TMP font-lock-variable-name-face
12 ~~ font-lock-builtin-face
16 \` font-lock-preprocessor-face
16 \$HERO[3]\$ font-lock-variable-name-face
1 Объявления font-lock-comment-face
3 HERO font-lock-variable-name-face
3 y100 font-lock-constant-face
6 [10] font-lock-comment-face
8 ПРИВЕТ font-lock-constant-face
8 Здравствуй font-lock-string-face
10 вторая font-lock-string-face
../other/bad.erm zunt -- bad: bad.erm|2|\"\$NOPE\$;\"
../other/empty.txt zunt -- empty: empty.txt|1|\"\"" "$(cat "$mod/result" 2>&1)"
for file in quest.erm quest.txt readme.erm; do
  same "emacs: $file written back as Windows-1251" \
    "$( (cat "$repo"/examples/*/"$file"; printf 'ещё\r\n' | cp1251) | od -c)" "$(od -c <"$mod/$file")"
done
same "emacs: common.txt written back as Windows-1251" \
  "$(printf "(ОБЩЕЕ) = 'да'\r\nещё\r\n" | cp1251 | od -c)" "$(od -c <"$mod/common.txt")"
for file in new.erm new.txt; do
  same "emacs: a new $file is Windows-1251 with CR LF" "$(printf 'ещё\r\n' | cp1251 | od -c)" "$(od -c <"$mod/$file")"
done
same "emacs: other text files keep UTF-8" "$(printf 'заметки\nещё\n' | od -c)" "$(od -c <"$mod/notes.txt")"

# eglot against the real server, with zunt-mode's entry and with the
# README's lines: diagnostics at the reference after Cyrillic and a tab, a
# hover, M-. to the declarations, and a quick fix written back with CR LF.
printf '!!IF:M^Ошибка^;\t$NOPE$;\r\n' | cp1251 >>"$mod/quest.erm"
awk '/^## Language server/ { section = 1 } section && /^\*\*emacs\*\*/ { found = 1; next }
  found && /^    / { block = 1; print substr($0, 5); next }
  found && block { exit }' "$repo/README.md" >"$scratch/readme.el"
for setup in zunt-mode readme; do
  case $setup in
    zunt-mode) load=(--eval "(require 'zunt-mode)") mode=zunt-script-mode ;;
    readme) load=(-l "$scratch/readme.el") mode=erm-mode ;;
  esac
  rm -f "$mod/result"
  cp "$repo/examples/quest/quest.txt" "$mod/"
  (cd "$mod" && PATH=$scratch/bin:$PATH LANG=C.UTF-8 timeout 120 emacs --batch -L "$repo/editors/emacs" \
    "${load[@]}" -l "$here/emacs-eglot.el" </dev/null >"$scratch/log" 2>&1) || cat "$scratch/log"
  same "emacs, $setup: eglot in $mode" "$mode" "$(sed -n 1p "$mod/result" 2>&1)"
  same "emacs, $setup: eglot's diagnostics" \
    "20|\$NOPE\$|eglot-error|zunt [undeclared-variable]: Переменной \$NOPE\$ не существует!" \
    "$(sed -n 2p "$mod/result" 2>&1)"
  same "emacs, $setup: eglot's hover" "hover mentions y100: t" "$(sed -n 3p "$mod/result" 2>&1)"
  same "emacs, $setup: eglot's definitions" \
    "definition \$HERO\$: quest.txt:3:0 HERO = y100 windows-1251-dos
definition (привет): quest.txt:8:1 ПРИВЕТ) = 'Здравствуй, путник!' windows-1251-dos" \
    "$(sed -n 4,5p "$mod/result" 2>&1)"
  same "emacs, $setup: eglot's quick fix" "quick fix: Объявить \$NOPE\$ в quest.txt" "$(sed -n 6p "$mod/result" 2>&1)"
  same "emacs, $setup: eglot-shutdown's messages, the server's status" "shutdown: nil
exit: exit 0" "$(sed -n 7,8p "$mod/result" 2>&1)"
  same "emacs, $setup: quest.txt after the quick fix, CR LF throughout" \
    "$( (cat "$repo/examples/quest/quest.txt"; printf 'NOPE = v0\r\n') | od -c)" "$(od -c <"$mod/quest.txt")"
done

# A mod without version control: the script's M-. reaches the shared
# declarations in the mod's root, managed by the same server (their
# diagnostics arrive, a name no script uses among them), M-x zunt-variables
# shows the mod's map, and eglot-shutdown ends the server cleanly.
mkdir -p "$scratch/mod2/src"
printf 'include = ["common.txt"]\n' >"$scratch/mod2/zunt.toml"
printf 'HERO = y1\r\nИМЯ = в5\r\n' | cp1251 >"$scratch/mod2/common.txt"
printf '!!VR$HERO$:S1;\r\n' >"$scratch/mod2/src/heroes.erm"
(cd "$scratch/mod2/src" && PATH=$scratch/bin:$PATH LANG=C.UTF-8 timeout 120 emacs --batch -L "$repo/editors/emacs" \
  --eval "(require 'zunt-mode)" -l "$here/emacs-mod.el" </dev/null >"$scratch/log" 2>&1) || cat "$scratch/log"
same "emacs: one eglot server for a mod without git" "project: mod2
definition: common.txt:1 HERO = y1
same server: t
2|eglot-note|zunt [unused]: переменная \$ИМЯ\$ не используется ни в одном скрипте мода
2|eglot-warning|zunt [non-latin-letter]: буква значения переменной \$ИМЯ\$ не латинская: «в»
variables: Карта переменных: 1 скрипт, 2 имени, 2 номера. read-only t
shut down: running nil" "$(cat "$scratch/mod2/src/result" 2>&1)"

summary emacs
