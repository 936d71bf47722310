" Which file is what, and reading both kinds as Windows-1251.
" A .erm file is a script; a .txt file is a declarations file when a .erm of
" the same name stands beside it or the nearest zunt.toml includes it.

" The nearest zunt.toml in the folder or its parents, or ''.
function! zunt#project(dir) abort
  let l:found = findfile('zunt.toml', fnameescape(a:dir) . ';')
  return l:found ==# '' ? '' : fnamemodify(l:found, ':p')
endfunction

" The strings of zunt.toml's include = [...] array.
function! zunt#includes(lines) abort
  let l:text = join(map(copy(a:lines), {_, l -> substitute(l, '\r$', '', '')}), "\n")
  let l:start = matchend(l:text, '\%(^\|\n\)[ \t]*include[ \t]*=[ \t]*\[')
  if l:start < 0
    return []
  endif
  let l:rest = strpart(l:text, l:start)
  let l:result = []
  while 1
    let l:rest = substitute(l:rest, '^\%(\_s\|,\|#[^\n]*\)*', '', '')
    let l:m = matchlist(l:rest, '^\%("\(\%([^"\\\n]\|\\.\)*\)"\|''\([^''\n]*\)''\)')
    if empty(l:m)
      return l:result
    endif
    call add(l:result, l:m[0][0] ==# '"' ? substitute(l:m[1], '\\\(.\)', '\1', 'g') : l:m[2])
    let l:rest = strpart(l:rest, len(l:m[0]))
  endwhile
endfunction

" True when the file (a full path) is a declarations file.
function! zunt#is_declarations(file) abort
  if a:file !~? '\.txt$'
    return 0
  endif
  let l:base = fnamemodify(a:file, ':r')
  if filereadable(l:base . '.erm') || filereadable(l:base . '.ERM')
    return 1
  endif
  return zunt#is_include(a:file)
endfunction

" Before a file of either kind is read: Windows-1251 only.
function! zunt#before_read() abort
  if !exists('s:saved_fencs')
    let s:saved_fencs = &fileencodings
  endif
  set fileencodings=cp1251
endfunction

" After any read: the user's 'fileencodings' back.
function! zunt#after_read() abort
  if exists('s:saved_fencs')
    let &fileencodings = s:saved_fencs
    unlet s:saved_fencs
  endif
endfunction

" True when the nearest zunt.toml includes the file (a full path).
function! zunt#is_include(file) abort
  let l:toml = zunt#project(fnamemodify(a:file, ':h'))
  if l:toml ==# ''
    return 0
  endif
  let l:root = fnamemodify(l:toml, ':h')
  let l:want = simplify(fnamemodify(a:file, ':p'))
  for l:include in zunt#includes(readfile(l:toml))
    let l:path = l:include =~# '^/' ? l:include : l:root . '/' . l:include
    if simplify(fnamemodify(l:path, ':p')) ==# l:want
      return 1
    endif
  endfor
  return 0
endfunction

" Whether the zunt compiler is the one :make runs here.
function! s:compiling() abort
  return get(b:, 'current_compiler', get(g:, 'current_compiler', '')) ==# 'zunt'
endfunction

" Before :make or :lmake: zunt runs in the file's folder, as on the command
" line, and the names in its messages are read from there.
function! zunt#before_make() abort
  if !s:compiling() || expand('%:p:h') ==# ''
    return
  endif
  let w:zunt_folder = [getcwd(), haslocaldir()]
  execute 'lcd' fnameescape(expand('%:p:h'))
endfunction

" After :make or :lmake: the folder back, and each entry's column, which
" zunt counts in characters of the Windows-1251 line (a tab is one), made the
" byte index into vim's text of that line that the list expects.
function! zunt#after_make(location) abort
  if exists('w:zunt_folder')
    let [l:folder, l:local] = remove(w:, 'zunt_folder')
    execute (l:local == 1 ? 'lcd' : l:local == 2 ? 'tcd' : 'cd') fnameescape(l:folder)
  elseif !s:compiling()
    return
  endif
  let l:entries = a:location ? getloclist(0) : getqflist()
  let l:read = {}
  for l:entry in l:entries
    if l:entry.bufnr > 0 && l:entry.lnum > 0 && l:entry.col > 1
      let l:line = s:line_of(l:entry.bufnr, l:entry.lnum, l:read)
      let l:byte = byteidx(l:line, l:entry.col - 1)
      let l:entry.col = l:byte < 0 ? l:entry.col : l:byte + 1
    endif
  endfor
  if a:location
    call setloclist(0, l:entries, 'r')
  else
    call setqflist(l:entries, 'r')
  endif
endfunction

" A line of a buffer: its text when loaded, else the file's bytes as
" Windows-1251 (each file read once into `read`).
function! s:line_of(bufnr, lnum, read) abort
  if bufloaded(a:bufnr)
    return get(getbufline(a:bufnr, a:lnum), 0, '')
  endif
  if !has_key(a:read, a:bufnr)
    let l:file = fnamemodify(bufname(a:bufnr), ':p')
    let a:read[a:bufnr] = filereadable(l:file) ? readfile(l:file, 'b') : []
  endif
  let l:line = substitute(get(a:read[a:bufnr], a:lnum - 1, ''), '\r$', '', '')
  return iconv(l:line, 'cp1251', &encoding)
endfunction
