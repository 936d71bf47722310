" Scripts: comments, :make, and in neovim the language server.
if exists('b:did_ftplugin')
  finish
endif
let b:did_ftplugin = 1
setlocal commentstring=;%s comments=:;
compiler zunt
let b:undo_ftplugin = 'setlocal commentstring< comments< makeprg< errorformat<'
if has('nvim-0.7') && get(g:, 'zunt_lsp', 1)
  lua require('zunt').attach()
  command! -buffer ZuntVariables lua require('zunt').variables()
  let b:undo_ftplugin .= ' | delcommand ZuntVariables'
endif
