" :make translates the current script (or the script of the current
" declarations file; the whole mod for a declarations file that its zunt.toml
" includes) with zunt, run in the file's folder as on the command line; the
" quickfix list gets each message. zunt counts a column in characters, a tab
" as one: %c reads it, and after :make each column becomes the byte index of
" that character in vim's text (see zunt#after_make).
if exists('current_compiler')
  finish
endif
let current_compiler = 'zunt'
if exists(':CompilerSet') != 2
  command -nargs=* CompilerSet setlocal <args>
endif

let s:program = escape(get(g:, 'zunt_program', 'zunt'), ' \|"')
let s:whole_mod = &filetype ==# 'zuntdecl' && zunt#is_include(expand('%:p'))
execute 'CompilerSet makeprg=' . s:program . (s:whole_mod ? '' : '\ --\ %:t:r:S')
CompilerSet errorformat=%-Gzunt:\ %.%#,
      \%f:%l:%c:\ %trror:\ %m,
      \%f:%l:%c:\ %tarning:\ %m,
      \%f:%l:%c:\ %tote:\ %m,
      \%f:\ %trror:\ %m,
      \%f:\ %tarning:\ %m,
      \%-G%.%#

augroup zunt_make
  autocmd!
  autocmd QuickFixCmdPre make,lmake call zunt#before_make()
  autocmd QuickFixCmdPost make call zunt#after_make(0)
  autocmd QuickFixCmdPost lmake call zunt#after_make(1)
augroup END
