#!/usr/bin/env bash
# The vim/neovim runtime folder editors/vim as a user installs it: filetype
# detection, Windows-1251 reading and writing, the syntax items, and :make
# filling the quickfix list at the right characters.
# Usage: vim.sh ZUNT
set -u
zunt=$(realpath "$1")
repo=$(cd "$(dirname "$0")/../.." && pwd)
rtp=$repo/editors/vim
# shellcheck source=../checks.sh
source "$repo/tests/checks.sh"
vim_run() { (cd "$scratch/mod" && timeout 60 vim --clean -es -i NONE --cmd 'set encoding=utf-8' \
  --cmd "set rtp^=$rtp" -c 'syntax on' -c "source $1" </dev/null >/dev/null 2>&1); }
nvim_run() { (cd "$scratch/mod" && timeout 60 nvim --headless --clean --cmd "set rtp^=$rtp" \
  --cmd 'let g:zunt_lsp = 0' -c "source $1" </dev/null >/dev/null 2>&1); }

# A mod: the example script with its declarations, an all-ASCII script, a
# shared file that zunt.toml includes, and a text file that is neither.
fresh() {
  rm -rf "$scratch/mod"
  mkdir -p "$scratch/mod"
  cp "$repo"/examples/quest/quest.* "$repo"/examples/readme/readme.erm "$scratch/mod/"
  printf 'include = ["common.txt"]\n' >"$scratch/mod/zunt.toml"
  printf "(ОБЩЕЕ) = 'да'\r\n" | cp1251 >"$scratch/mod/common.txt"
  printf 'заметки\n' >"$scratch/mod/notes.txt"
}

# Each file opened, one line added, written; what the editor saw, and the bytes.
cat >"$scratch/encoding.vim" <<'EOF2'
let s:out = []
for s:file in ['quest.erm', 'quest.txt', 'readme.erm', 'common.txt', 'notes.txt', 'new.erm', 'new.txt', 'other.txt']
  execute 'edit' s:file
  call add(s:out, join([s:file, &filetype, &fileencoding, getline(1)], '|'))
  call append('$', 'ещё')
  write
  bwipeout
endfor
call writefile(s:out, 'result')
qall!
EOF2
expected_seen="quest.erm|zunt|cp1251|ZVSE
quest.txt|zuntdecl|cp1251|; Объявления для quest.erm: переменные и текстовые константы.
readme.erm|zunt|cp1251|$(head -1 "$repo/examples/readme/readme.erm" | tr -d '\r')
common.txt|zuntdecl|cp1251|(ОБЩЕЕ) = 'да'
notes.txt|text|utf-8|заметки
new.erm|zunt|cp1251|
new.txt|zuntdecl|cp1251|
other.txt|text||"
for editor in vim nvim; do
  fresh
  "${editor}_run" "$scratch/encoding.vim"
  same "$editor: file types and encodings" "$expected_seen" "$(cat "$scratch/mod/result" 2>&1)"
  for file in quest.erm quest.txt readme.erm; do
    same "$editor: $file written back as Windows-1251" \
      "$( (cat "$repo"/examples/*/"$file"; printf 'ещё\r\n' | cp1251) | od -c)" "$(od -c <"$scratch/mod/$file")"
  done
  same "$editor: common.txt written back as Windows-1251" \
    "$(printf "(ОБЩЕЕ) = 'да'\r\nещё\r\n" | cp1251 | od -c)" "$(od -c <"$scratch/mod/common.txt")"
  for file in new.erm new.txt; do
    same "$editor: a new $file is Windows-1251 with CR LF" "$(printf '\r\nещё\r\n' | cp1251 | od -c)" \
      "$(od -c <"$scratch/mod/$file")"
  done
  same "$editor: other text files keep UTF-8" "$(printf 'заметки\nещё\n' | od -c)" "$(od -c <"$scratch/mod/notes.txt")"
done

# The syntax items under a few characters of both kinds of file.
cat >"$scratch/syntax.vim" <<'EOF2'
let s:out = []
" The items at the n-th character of the first `text` in the line.
function! s:at(line, text, n) abort
  let l:col = stridx(getline(a:line), a:text) + 1
  let l:col = l:col ? byteidx(getline(a:line), charidx(getline(a:line), l:col - 1) + a:n) + 1 : 0
  let l:names = map(synstack(a:line, l:col), 'synIDattr(v:val, "name")')
  call add(s:out, a:line . ' ' . a:text . ' ' . join(l:names, '/'))
endfunction
edit quest.erm
call append(18, ['!!VR$A[3]_X$:S$$; $НЕТ', '~ПЛОХО=7x', '; (ЗАМЕТКА) и $HERO$'])
for [s:line, s:text, s:n] in [[1, 'ZVSE', 0], [2, 'Герой', 0], [4, '!!VR', 0], [4, '$HERO$', 1],
      \ [4, '(START)', 1], [5, '[1]', 1], [5, '@HERO', 0], [7, '^', 0], [7, '(привет)', 1],
      \ [10, 'TMP', 0], [10, 'z7', 0], [12, '~~', 0], [13, 'z8', 0], [16, '`', 0], [16, '$HERO[3]$', 1],
      \ [16, 'S 0', 0], [17, '`', 0], [18, 'конец', 0], [19, '_X', 0], [19, '$$', 0], [19, '$НЕТ', 1],
      \ [20, 'ПЛОХО', 0], [20, '7x', 0], [21, '(ЗАМЕТКА)', 1], [21, '$HERO$', 0]]
  call s:at(s:line, s:text, s:n)
endfor
edit! quest.txt
for [s:line, s:text, s:n] in [[1, 'Объявления', 0], [3, 'HERO', 0], [3, '=', 0], [3, 'y100', 0],
      \ [4, 'v0500', 0], [5, 'w$0F', 0], [6, 'LIST', 0], [6, '[10]', 0], [7, '(START)', 0],
      \ [7, '5', 0], [8, 'Здравствуй', 0], [9, '(ДВЕ СТРОКИ)', 0], [10, 'вторая', 0]]
  call s:at(s:line, s:text, s:n)
endfor
call writefile(s:out, 'result')
qall!
EOF2
fresh
vim_run "$scratch/syntax.vim"
same "vim: syntax items" "1 ZVSE 
2 Герой zuntComment
4 !!VR zuntReceiver
4 \$HERO\$ zuntVariable
4 (START) zuntConstant
5 [1] zuntVariable/zuntIndex
5 @HERO zuntNumber
7 ^ zuntString
7 (привет) zuntString/zuntConstant
10 TMP zuntLocal/zuntLocalName
10 z7 zuntLocal/zuntValue
12 ~~ zuntClear
13 z8 zuntLocal/zuntValue
16 \` zuntCompact/zuntCompactMark
16 \$HERO[3]\$ zuntCompact/zuntVariable
16 S 0 zuntCompact
17 \` zuntCompactMark
18 конец zuntString
19 _X zuntVariable
19 \$\$ zuntEmpty
19 \$НЕТ zuntUnclosed
20 ПЛОХО zuntLocal/zuntLocalName
20 7x zuntLocal/zuntBadValue
21 (ЗАМЕТКА) zuntComment/zuntConstant
21 \$HERO\$ zuntComment/zuntVariable
1 Объявления zuntdeclComment
3 HERO zuntdeclVarName
3 = zuntdeclEq
3 y100 zuntdeclValue
4 v0500 zuntdeclValue
5 w\$0F zuntdeclValue
6 LIST zuntdeclVarName
6 [10] zuntdeclIndex
7 (START) zuntdeclConstName
7 5 zuntdeclText
8 Здравствуй zuntdeclText
9 (ДВЕ СТРОКИ) zuntdeclConstName
10 вторая zuntdeclText" "$(cat "$scratch/mod/result" 2>&1)"

# :make from the mod's parent folder, in vim and neovim at 'tabstop' 4 and 8:
# zunt runs in the script's folder (its output lands in the mod's build/),
# vim's folder is the same after it, and each entry, in the script or in a
# declarations file not loaded yet, lands on the character zunt names after a
# tab and Cyrillic text. The mod's shared declarations build the whole mod.
cat >"$scratch/make.vim" <<'EOF2'
let s:out = []
for s:ts in [4, 8]
  execute 'set tabstop=' . s:ts
  edit mod/sub/quest.erm
  silent make
  call add(s:out, s:ts . ' ' . getcwd() . ' ' . filereadable('mod/build/quest.erm'))
  for s:i in range(1, len(getqflist()))
    execute 'silent cc' s:i
    call add(s:out, bufname('%') . ':' . line('.') . ' ' . strpart(getline('.'), col('.') - 1, 6))
  endfor
  call delete('mod/build/quest.erm')
  %bwipeout!
endfor
edit mod/common.txt
let s:makeprg = &makeprg
silent make
call add(s:out, s:makeprg . ' ' . filereadable('mod/build/quest.erm') . ' ' . len(getqflist()))
call writefile(s:out, 'result')
qall!
EOF2
make_mod() {
  rm -rf "$scratch/top"
  mkdir -p "$scratch/top/mod/sub" "$scratch/top/mod/build"
  printf 'include = ["common.txt"]\nscripts = ["sub/*.erm"]\noutput = "build"\n' >"$scratch/top/mod/zunt.toml"
  printf 'HERO = y1\r\n' >"$scratch/top/mod/common.txt"
  printf '\tИМЯ = в5\r\n' | cp1251 >"$scratch/top/mod/sub/quest.txt"
  printf '\t^Ошибка^ $HERO[1]x$;\r\n' | cp1251 >"$scratch/top/mod/sub/quest.erm"
}
mkdir -p "$scratch/bin"
ln -s "$zunt" "$scratch/bin/zunt"
expected_make="4 $scratch/top 1
mod/sub/quest.txt:1 в5
mod/sub/quest.erm:1 x\$;
8 $scratch/top 1
mod/sub/quest.txt:1 в5
mod/sub/quest.erm:1 x\$;
zunt 1 2"
make_mod
(cd "$scratch/top" && PATH=$scratch/bin:$PATH timeout 60 vim --clean -es -i NONE --cmd 'set encoding=utf-8' \
  --cmd "set rtp^=$rtp" -c 'filetype plugin on' -c "source $scratch/make.vim" </dev/null >/dev/null 2>&1)
same "vim: :make in the file's folder, at the characters zunt names" "$expected_make" \
  "$(cat "$scratch/top/result" 2>&1)"
make_mod
(cd "$scratch/top" && PATH=$scratch/bin:$PATH timeout 60 nvim --headless --clean --cmd "set rtp^=$rtp" \
  --cmd 'let g:zunt_lsp = 0' -c "source $scratch/make.vim" </dev/null >/dev/null 2>&1)
same "nvim: :make in the file's folder, at the characters zunt names" "$expected_make" \
  "$(cat "$scratch/top/result" 2>&1)"

# The README's ~/.vimrc for the source tree, as written, alone in an empty
# HOME: a script is read as Windows-1251 and :make runs zunt.
mkdir -p "$scratch/home"
sed -n '/^ *set rtp+=\/path\/to\/zunt/,/^$/p' "$repo/README.md" | sed 's/^ *//; s|/path/to/zunt|'"$repo"'|' \
  >"$scratch/home/.vimrc"
cat >"$scratch/readme.vim" <<'EOF2'
edit mod/sub/quest.erm
call writefile([&filetype . ' ' . &fileencoding . ' ' . &makeprg . ' ' . getline(1)], 'result')
qall!
EOF2
make_mod
(cd "$scratch/top" && HOME=$scratch/home PATH=$scratch/bin:$PATH timeout 60 vim -Nes -u "$scratch/home/.vimrc" \
  -i NONE --cmd 'set encoding=utf-8' -c "source $scratch/readme.vim" </dev/null >/dev/null 2>&1)
same "vim: the README's ~/.vimrc alone ($(tr '\n' ';' <"$scratch/home/.vimrc"))" \
  "zunt cp1251 zunt -- %:t:r:S 	^Ошибка^ \$HERO[1]x\$;" "$(cat "$scratch/top/result" 2>&1)"

# The language server in neovim, started by the plugin as a user has it (no
# client code here): the diagnostics of the open script arrive, at the
# character of the reference after Cyrillic text; and :ZuntVariables.
cat >"$scratch/lsp.lua" <<'EOF2'
local buf = vim.api.nvim_get_current_buf()
local out = {}
local arrived = vim.wait(20000, function() return #vim.diagnostic.get(buf) > 0 end, 50)
table.insert(out, 'clients: ' .. #vim.lsp.buf_get_clients(buf) .. ', diagnostics arrived: ' .. tostring(arrived))
for _, d in ipairs(vim.diagnostic.get(buf)) do
  local line = vim.api.nvim_buf_get_lines(buf, d.lnum, d.lnum + 1, false)[1]
  table.insert(out, string.format('%d|%s|%s|%s', d.lnum + 1, string.sub(line, d.col + 1, d.col + 6), d.severity, d.message))
end
-- The buffer's own omnifunc, tagfunc and K; Ctrl-] on $HERO$ goes to its declaration.
local k = vim.fn.maparg('K', 'n', false, true)
table.insert(out, vim.bo.omnifunc .. ' ' .. vim.bo.tagfunc .. ' K: ' .. (k.desc or k.rhs or ''))
vim.api.nvim_win_set_cursor(0, { 4, 5 })
vim.cmd('silent! execute "normal \\<C-]>"')
table.insert(out, vim.fn.expand('%:t') .. ':' .. vim.fn.line('.'))
-- :ZuntVariables, from the declarations: the map in a read-only buffer beside.
vim.cmd('ZuntVariables')
local map = -1
vim.wait(10000, function() map = vim.fn.bufnr('zunt://variables') return map > 0 end, 50)
table.insert(out, map > 0 and (vim.api.nvim_buf_get_lines(map, 0, 1, false)[1] .. ' modifiable: ' ..
  tostring(vim.bo[map].modifiable) .. ', windows: ' .. #vim.api.nvim_list_wins()) or 'no map')
vim.fn.writefile(out, 'result')
vim.cmd('qall!')
EOF2
for user in '' 'nnoremap K :echo 1<CR>'; do
  k='zunt: hover'
  [ -z "$user" ] || k=':echo 1<CR>'
  fresh
  printf '!!IF:M^Ошибка^;$NOPE$;\r\n' | cp1251 >>"$scratch/mod/quest.erm"
  (cd "$scratch/mod" && PATH=$scratch/bin:$PATH timeout 60 nvim --headless --clean --cmd "set rtp^=$rtp" \
    --cmd "$user" -c 'luafile ../lsp.lua' quest.erm </dev/null >/dev/null 2>&1)
  same "nvim: the language server's diagnostics, completion, Ctrl-] and K (user's mapping: $user)" \
    "clients: 1, diagnostics arrived: true
19|\$NOPE\$|1|Переменной \$NOPE\$ не существует!
v:lua.vim.lsp.omnifunc v:lua.vim.lsp.tagfunc K: $k
quest.txt:3
Карта переменных: 2 скрипта, 6 имён, 10 номеров. modifiable: false, windows: 2" "$(cat "$scratch/mod/result" 2>&1)"
done

summary vim
