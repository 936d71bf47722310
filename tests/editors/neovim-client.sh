#!/usr/bin/env bash
# neovim 0.7's language client against the real server, started by the
# README's init.lua lines as a user pastes them, on a copy of examples/mod:
# diagnostics through typed edits, hover, definition, completion and rename
# (a local, then a declared name across the mod), with Cyrillic and a
# character outside the Basic Multilingual Plane on the line, and the renamed
# files checked on disk as Windows-1251.
# Usage: neovim-client.sh ZUNT
set -u
zunt=$(realpath "$1")
repo=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=../checks.sh
source "$repo/tests/checks.sh"
mkdir -p "$scratch/bin"
ln -s "$zunt" "$scratch/bin/zunt"

# The README's neovim lines: the first indented block after "**neovim**" in
# its «Language server» section.
awk '/^## Language server/ { section = 1 } section && /^\*\*neovim\*\*/ { found = 1; next }
  found && /^    / { block = 1; print substr($0, 5); next }
  found && block && /^$/ { print; next }
  found && block { exit }' "$repo/README.md" >"$scratch/init.lua"
expect "the README has neovim's lines" grep -q start_client "$scratch/init.lua"

# The example mod, with a local in heroes.erm.
mod=$scratch/mod
cp -r "$repo/examples/mod" "$mod"
rm -rf "$mod/build"/*
printf '~ВРЕМЯ=z7;\r\n' | cp1251 >>"$mod/src/heroes.erm"
cp "$mod/src/heroes.txt" "$scratch/heroes.txt"

(cd "$mod" && PATH=$scratch/bin:$PATH timeout 60 nvim --headless -u "$scratch/init.lua" -i NONE -n \
  -c "luafile $repo/tests/editors/neovim-client.lua" -c 'cquit 2' </dev/null >"$scratch/out" 2>"$scratch/err")
status=$?
same "neovim: exit status" 0 "$status"
[ "$status" = 0 ] || cat "$scratch/err"
same "neovim: what the client saw" "initialized: true, encoding: cp1251
diagnostics on open: []
diagnostics after the edit: [5|\$NOPE\$|undeclared-variable; 5|😀|unwritable-character]
diagnostics after the fix: [5|😀|unwritable-character]
hover (MOD): Рыцари севера | константа (MOD), объявлена в common.txt:4
hover \$HERO[3]\$: \$HERO[3]\$ → y103 | переменная \$HERO\$ = y100, объявлена в common.txt:2
hover @LEVEL@: @LEVEL@ → 10 | переменная \$LEVEL\$ = v10, объявлена в heroes.txt:2
definition \$ВРЕМЯ\$: src/heroes.erm:4:2 ВРЕМЯ
definition \$HERO[3]\$: common.txt:2:1 HERO
definition @LEVEL@: src/heroes.txt:2:1 LEVEL
completion (: MOD=Рыцари севера
completion \$: DAY=v1 GOLD=v0500 HERO=y100 LEVEL=v10 ВРЕМЯ=z7
renamed \$ВРЕМЯ\$: !!IF:M^Ж😀 (MOD)^;\$HERO[3]\$ \$ПОКА\$ @LEVEL@ ;
renamed \$HERO[3]\$: !!IF:M^Ж😀 (MOD)^;\$ГЕРОЙ[3]\$ \$ПОКА\$ @LEVEL@ ;
left unsaved: []" "$(cat "$scratch/out")"

utf8() { iconv -f cp1251 -t utf-8; }
# The files on disk: every script of the mod and the include, in Windows-1251.
same "neovim: common.txt on disk" "$(utf8 <"$repo/examples/mod/common.txt" | sed 's/^HERO /ГЕРОЙ /' | cp1251 | od -c)" \
  "$(od -c <"$mod/common.txt")"
same "neovim: heroes.erm on disk" "$( (utf8 <"$repo/examples/mod/src/heroes.erm" | sed 's/\$HERO\$/$ГЕРОЙ$/'
  printf '~ПОКА=z7;\r\n!!IF:M^Ж! (MOD)^;$ГЕРОЙ[3]$ $ПОКА$ @LEVEL@ ;\r\n') | cp1251 | od -c)" \
  "$(od -c <"$mod/src/heroes.erm")"
same "neovim: towns.erm on disk" "$(utf8 <"$repo/examples/mod/src/towns.erm" | sed 's/\$HERO\$/$ГЕРОЙ$/' | cp1251 | od -c)" \
  "$(od -c <"$mod/src/towns.erm")"
expect "neovim: heroes.txt unchanged" cmp -s "$scratch/heroes.txt" "$mod/src/heroes.txt"

summary neovim-client
