" Scripts (.erm) and their declarations files (.txt). Both are Windows-1251:
" they are read so whatever their bytes look like (all-ASCII files too), and
" new ones are written so, with CR LF line ends (a variable's value in a
" declarations file ends at the CR). This file is sourced inside the filetypedetect
" group, which "filetype off" removes again.
au BufReadPre *.erm,*.ERM call zunt#before_read()
au BufReadPre *.txt,*.TXT if zunt#is_declarations(expand('<afile>:p')) | call zunt#before_read() | endif
au BufReadPost,FileReadPost * call zunt#after_read()
au BufNewFile *.erm,*.ERM setlocal fileencoding=cp1251 fileformat=dos
au BufNewFile *.txt,*.TXT if zunt#is_declarations(expand('<afile>:p')) | setlocal fileencoding=cp1251 fileformat=dos | endif

au BufNewFile,BufRead *.erm,*.ERM setfiletype zunt
au BufNewFile,BufRead *.txt,*.TXT if zunt#is_declarations(expand('<afile>:p')) | set filetype=zuntdecl | endif
