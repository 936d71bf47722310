# Quick fixes of the warnings, and of a comment after a value that lacks its
# second ";", in a declarations file and a script, each an edit of the file
# that carries the diagnostic, on lines with Cyrillic and a character outside
# the Basic Multilingual Plane before the place.
@file quest.erm
!!VR$A$;
@end
> {"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{"workspace":{"workspaceEdit":{"documentChanges":true}}}}}
< {"id":1,"result":{"capabilities":{"codeActionProvider":"*"}}}
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/quest.txt","version":4,"text":"A = y1; Ж😀 заметка\r\n"}}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/quest.txt","diagnostics":[{"code":"invalid-variable-declaration","relatedInformation":[{"location":{"uri":"file://ROOT/quest.txt","range":{"start":{"line":0,"character":6},"end":{"line":0,"character":7}}},"message":"комментарий после значения начинается с «;;»"}]},{"code":"unwritable-character"}]}}
> {"jsonrpc":"2.0","id":2,"method":"textDocument/codeAction","params":{"textDocument":{"uri":"file://ROOT/quest.txt"},"range":{"start":{"line":0,"character":19},"end":{"line":0,"character":19}},"context":{"diagnostics":[{"range":{"start":{"line":0,"character":19},"end":{"line":0,"character":19}},"code":"invalid-variable-declaration","message":"Некорректный символ"}]}}}
< {"id":2,"result":[{"title":"Начать комментарий с «;;»","kind":"quickfix","diagnostics":[{"code":"invalid-variable-declaration"}],"edit":{"documentChanges":[{"textDocument":{"uri":"file://ROOT/quest.txt","version":4},"edits":[{"range":{"start":{"line":0,"character":7},"end":{"line":0,"character":7}},"newText":";"}]}]}}]}
> {"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file://ROOT/quest.txt","version":5},"contentChanges":[{"text":"(B) = 'Ж😀' хвост\r\nC = у5\r\n(D) = 'Ж😀\r\nE = y2\r\n"}]}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/quest.txt","version":5,"diagnostics":[{"code":"text-after-constant","range":{"start":{"line":0,"character":12},"end":{"line":0,"character":17}}},{"code":"non-latin-letter"},{"code":"multi-line-constant"},{"code":"unterminated-constant-declaration"},{"code":"unwritable-character"},{"code":"unwritable-character"}]}}
> {"jsonrpc":"2.0","id":3,"method":"textDocument/codeAction","params":{"textDocument":{"uri":"file://ROOT/quest.txt"},"range":{"start":{"line":0,"character":0},"end":{"line":3,"character":0}},"context":{"diagnostics":[{"range":{"start":{"line":0,"character":12},"end":{"line":0,"character":17}},"code":"text-after-constant","message":"текст"},{"range":{"start":{"line":1,"character":4},"end":{"line":1,"character":6}},"code":"non-latin-letter","message":"буква"},{"range":{"start":{"line":2,"character":6},"end":{"line":2,"character":10}},"code":"multi-line-constant","message":"значение"},{"range":{"start":{"line":3,"character":0},"end":{"line":3,"character":0}},"code":"unterminated-constant-declaration","message":"конец"}]}}}
< {"id":3,"result":[{"title":"Начать комментарий с «;;»","kind":"quickfix","diagnostics":[{"code":"text-after-constant"}],"edit":{"documentChanges":[{"textDocument":{"version":5},"edits":[{"range":{"start":{"line":0,"character":12},"end":{"line":0,"character":12}},"newText":";; "}]}]}},{"title":"Заменить «у» на латинскую «y»","edit":{"documentChanges":[{"edits":[{"range":{"start":{"line":1,"character":4},"end":{"line":1,"character":5}},"newText":"y"}]}]}},{"title":"Закрыть кавычку в конце строки","edit":{"documentChanges":[{"edits":[{"range":{"start":{"line":2,"character":10},"end":{"line":2,"character":10}},"newText":"'"}]}]}}]}
# The fixes made, the file reads clean.
> {"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file://ROOT/quest.txt","version":6},"contentChanges":[{"text":"(B) = 'Ж' ;; хвост\r\nC = y5\r\n(D) = 'Ж'\r\nE = y2;; Ж\r\n"}]}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/quest.txt","version":6,"diagnostics":[]}}
# A value's line that ends in LF alone.
> {"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file://ROOT/quest.txt","version":16},"contentChanges":[{"text":"Ж = y1\nA = y2\r\n"}]}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/quest.txt","version":16,"diagnostics":[{"code":"lf-line-end","range":{"start":{"line":0,"character":6},"end":{"line":0,"character":6}}},{"code":"invalid-value"}]}}
> {"jsonrpc":"2.0","id":4,"method":"textDocument/codeAction","params":{"textDocument":{"uri":"file://ROOT/quest.txt"},"range":{"start":{"line":0,"character":6},"end":{"line":0,"character":6}},"context":{"diagnostics":[{"range":{"start":{"line":0,"character":6},"end":{"line":0,"character":6}},"code":"lf-line-end","message":"LF"},{"range":{"start":{"line":1,"character":0},"end":{"line":1,"character":0}},"code":"index-overflow","message":"нет"}]}}}
< {"id":4,"result":[{"title":"Закончить значение на «;»","edit":{"documentChanges":[{"edits":[{"range":{"start":{"line":0,"character":6},"end":{"line":0,"character":6}},"newText":";"}]}]}}]}
# In a script: the text between an index's "]" and the closing mark.
> {"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file://ROOT/quest.txt","version":17},"contentChanges":[{"text":"A = y1\r\n"}]}}
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/quest.erm","version":9,"text":"!!VR$A[2]Ж😀$:S@A[2] 😀y@;\r\n"}}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/quest.erm","diagnostics":[{"code":"text-after-index","range":{"start":{"line":0,"character":9}}},{"code":"text-after-index","range":{"start":{"line":0,"character":20}}},{"code":"unwritable-character"},{"code":"unwritable-character"}]}}
> {"jsonrpc":"2.0","id":5,"method":"textDocument/codeAction","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"range":{"start":{"line":0,"character":0},"end":{"line":0,"character":0}},"context":{"diagnostics":[{"range":{"start":{"line":0,"character":9},"end":{"line":0,"character":12}},"code":"text-after-index","message":"текст"},{"range":{"start":{"line":0,"character":20},"end":{"line":0,"character":21}},"code":"text-after-index","message":"текст"}]}}}
< {"id":5,"result":[{"title":"Убрать текст между «]» и концом ссылки","edit":{"documentChanges":[{"textDocument":{"uri":"file://ROOT/quest.erm","version":9},"edits":[{"range":{"start":{"line":0,"character":9},"end":{"line":0,"character":12}},"newText":""}]}]}},{"title":"Убрать текст между «]» и концом ссылки","edit":{"documentChanges":[{"edits":[{"range":{"start":{"line":0,"character":20},"end":{"line":0,"character":24}},"newText":""}]}]}}]}
> {"jsonrpc":"2.0","id":6,"method":"shutdown"}
< {"id":6,"result":null}
> {"jsonrpc":"2.0","method":"exit"}
= 0
