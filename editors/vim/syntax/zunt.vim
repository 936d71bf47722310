" Scripts (.erm): receivers, references, text constants, local declarations,
" "~~", back-quoted stretches, ^strings^ and ; comment lines.
if exists('b:current_syntax')
  finish
endif

" Of two matches at one place the one defined last wins: the unclosed
" reference comes first, the empty one last.
syn match zuntUnclosed /[$@(].*$/
syn match zuntVariable /\$[^$[]\+\%(\[[^\]]*\]\)\=[^$]*\$/ contains=zuntIndex
syn match zuntNumber /@[^@[]\+\%(\[[^\]]*\]\)\=[^@]*@/ contains=zuntIndex
syn match zuntConstant /([^)]\+)/
syn match zuntEmpty /\$\$\|@@\|()/
syn match zuntIndex /\[[^\]]*\]/ contained
syn match zuntReceiver /!\%(!\|?\|#\)\a\a/
syn match zuntLocal /\~[^=~]*=[^;]*;\=/ contains=zuntLocalName,zuntValue,zuntBadValue
syn match zuntLocalName /\~\zs[^=~]*/ contained
syn match zuntBadValue /=\s*\zs\S[^;]*/ contained
syn match zuntValue /=\s*\zs\S\%(-\=\d\+\|\%(\$\|0[xX]\|[xX]\)\x\+\)\ze\s*\%(;\|\r\=$\)/ contained
syn match zuntClear /\~\~/
syn region zuntString start=/\^/ end=/\^/ contains=zuntUnclosed,zuntVariable,zuntNumber,zuntConstant,zuntEmpty
syn region zuntCompact matchgroup=zuntCompactMark start=/`/ end=/`/ transparent contains=ALLBUT,zuntCompact,zuntIndex,zuntLocalName,zuntValue,zuntBadValue
syn match zuntComment /^\s*;.*$/ contains=zuntUnclosed,zuntVariable,zuntNumber,zuntConstant,zuntEmpty

hi def link zuntUnclosed Error
hi def link zuntEmpty Error
hi def link zuntVariable Identifier
hi def link zuntNumber Identifier
hi def link zuntIndex Number
hi def link zuntConstant Constant
hi def link zuntReceiver Keyword
hi def link zuntLocal Statement
hi def link zuntLocalName Identifier
hi def link zuntValue Number
hi def link zuntBadValue Error
hi def link zuntClear Keyword
hi def link zuntString String
hi def link zuntCompactMark Special
hi def link zuntComment Comment

syn sync fromstart

let b:current_syntax = 'zunt'
