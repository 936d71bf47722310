" Declarations files (.txt): variables (NAME = letter and number), text
" constants ((NAME) = 'text', over several lines too) and ; comments.
if exists('b:current_syntax')
  finish
endif

syn match zuntdeclComment /;.*$/
syn match zuntdeclVarName /[^[:space:];(=[][^=[]\{-}\ze\s*\%(\[[^\]]*\]\)\=\s*=/ nextgroup=zuntdeclIndex,zuntdeclEq skipwhite
syn match zuntdeclIndex /\[[^\]]*\]/ contained nextgroup=zuntdeclEq skipwhite
syn match zuntdeclEq /=/ contained nextgroup=zuntdeclValue,zuntdeclBadValue skipwhite
syn match zuntdeclBadValue /\S[^;]*/ contained
syn match zuntdeclValue /\S\%(-\=\d\+\|\%(\$\|0[xX]\|[xX]\)\x\+\)\ze\s*\%(;\|\r\=$\)/ contained
syn match zuntdeclConstName /([^)]*)\ze\s*=\s*'/ nextgroup=zuntdeclConstEq skipwhite
syn match zuntdeclConstEq /=/ contained nextgroup=zuntdeclText skipwhite
syn region zuntdeclText start=/'/ end=/'/ contained

hi def link zuntdeclComment Comment
hi def link zuntdeclVarName Identifier
hi def link zuntdeclIndex Comment
hi def link zuntdeclEq Operator
hi def link zuntdeclConstEq Operator
hi def link zuntdeclValue Number
hi def link zuntdeclBadValue Error
hi def link zuntdeclConstName Constant
hi def link zuntdeclText String

syn sync fromstart

let b:current_syntax = 'zuntdecl'
