" :make translates the current script (or the script of the current
" declarations file) with zunt; the quickfix list gets each message. %v reads
" the column as a character count, as zunt writes it.
if exists('current_compiler')
  finish
endif
let current_compiler = 'zunt'
if exists(':CompilerSet') != 2
  command -nargs=* CompilerSet setlocal <args>
endif

let s:program = escape(get(g:, 'zunt_program', 'zunt'), ' \|"')
execute 'CompilerSet makeprg=' . s:program . '\ --\ %:r:S'
CompilerSet errorformat=%-Gzunt:\ %.%#,
      \%f:%l:%v:\ %trror:\ %m,
      \%f:%l:%v:\ %tarning:\ %m,
      \%f:%l:%v:\ %tote:\ %m,
      \%f:\ %trror:\ %m,
      \%f:\ %tarning:\ %m,
      \%-G%.%#
