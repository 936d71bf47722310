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
