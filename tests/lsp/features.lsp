# Hover, definition, references, completion, rename, symbols and quick
# fixes, on a line with Cyrillic and a character outside the Basic
# Multilingual Plane before the references.
@file quest.txt
HERO = y100
(ПРИВЕТ) = 'Здравствуй'
(ДВЕ) = 'a
b'
@end
> {"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{"workspace":{"workspaceEdit":{"documentChanges":true}}}}}
< {"id":1,"result":{"capabilities":{"hoverProvider":true,"completionProvider":{"triggerCharacters":["$","@","("]},"renameProvider":{"prepareProvider":true}}}}
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/quest.erm","version":5,"text":"~TMP=z7;\r\n!!VR$TMP$:S$HERO[3]$ Ж😀 @HERO@ (ПРИВЕТ)\r\n~~ $he\r\n(\r\n"}}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/quest.erm"}}
# Hover: what each reference gives, in plain text (the client offered no markdown).
> {"jsonrpc":"2.0","id":2,"method":"textDocument/hover","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":12}}}
< {"id":2,"result":{"contents":{"kind":"plaintext","value":"$HERO[3]$ → y103\n\nпеременная $HERO$ = y100, объявлена в quest.txt:1"},"range":{"start":{"line":1,"character":11},"end":{"line":1,"character":20}}}}
> {"jsonrpc":"2.0","id":3,"method":"textDocument/hover","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":27}}}
< {"id":3,"result":{"contents":{"value":"@HERO@ → 100\n\nпеременная $HERO$ = y100, объявлена в quest.txt:1"},"range":{"start":{"line":1,"character":25},"end":{"line":1,"character":31}}}}
> {"jsonrpc":"2.0","id":4,"method":"textDocument/hover","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":33}}}
< {"id":4,"result":{"contents":{"value":"Здравствуй\n\nконстанта (ПРИВЕТ), объявлена в quest.txt:2"},"range":{"start":{"line":1,"character":32},"end":{"line":1,"character":40}}}}
> {"jsonrpc":"2.0","id":5,"method":"textDocument/hover","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":5}}}
< {"id":5,"result":{"contents":{"value":"$TMP$ → z7\n\nлокальная переменная, объявлена в строке 1"}}}
> {"jsonrpc":"2.0","id":6,"method":"textDocument/hover","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":22}}}
< {"id":6,"result":null}
# Definition: a local's "~NAME=", a declared name where its file writes it.
> {"jsonrpc":"2.0","id":7,"method":"textDocument/definition","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":6}}}
< {"id":7,"result":{"uri":"file://ROOT/quest.erm","range":{"start":{"line":0,"character":1},"end":{"line":0,"character":4}}}}
> {"jsonrpc":"2.0","id":8,"method":"textDocument/declaration","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":30}}}
< {"id":8,"result":{"uri":"file://ROOT/quest.txt","range":{"start":{"line":0,"character":0},"end":{"line":0,"character":4}}}}
# References.
> {"jsonrpc":"2.0","id":9,"method":"textDocument/references","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":5},"context":{"includeDeclaration":true}}}
< {"id":9,"result":[{"uri":"file://ROOT/quest.erm","range":{"start":{"line":0,"character":1},"end":{"line":0,"character":4}}},{"uri":"file://ROOT/quest.erm","range":{"start":{"line":1,"character":4},"end":{"line":1,"character":9}}}]}
> {"jsonrpc":"2.0","id":10,"method":"textDocument/references","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":25},"context":{"includeDeclaration":false}}}
< {"id":10,"result":[{"range":{"start":{"line":1,"character":11},"end":{"line":1,"character":20}}},{"range":{"start":{"line":1,"character":25},"end":{"line":1,"character":31}}}]}
> {"jsonrpc":"2.0","id":40,"method":"textDocument/documentHighlight","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":5}}}
< {"id":40,"result":[{"range":{"start":{"line":0,"character":1},"end":{"line":0,"character":4}},"kind":3},{"range":{"start":{"line":1,"character":4},"end":{"line":1,"character":9}},"kind":2}]}
# Completion inside a name and after "(", with the closing mark added.
> {"jsonrpc":"2.0","id":11,"method":"textDocument/completion","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":2,"character":6}}}
< {"id":11,"result":{"isIncomplete":false,"items":[{"label":"HERO","detail":"y100","textEdit":{"range":{"start":{"line":2,"character":4},"end":{"line":2,"character":6}},"newText":"HERO$"}}]}}
> {"jsonrpc":"2.0","id":12,"method":"textDocument/completion","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":3,"character":1}}}
< {"id":12,"result":{"items":[{"label":"ПРИВЕТ","detail":"Здравствуй","textEdit":{"newText":"ПРИВЕТ)"}},{"label":"ДВЕ","detail":"a\nb"}]}}
> {"jsonrpc":"2.0","id":13,"method":"textDocument/completion","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":2}}}
< {"id":13,"result":{"items":[]}}
# Rename: a local across its declaration and references; refused names.
> {"jsonrpc":"2.0","id":14,"method":"textDocument/prepareRename","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":6}}}
< {"id":14,"result":{"range":{"start":{"line":1,"character":5},"end":{"line":1,"character":8}},"placeholder":"TMP"}}
> {"jsonrpc":"2.0","id":15,"method":"textDocument/rename","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":0,"character":2},"newName":"ВРЕМ"}}
< {"id":15,"result":{"documentChanges":[{"textDocument":{"uri":"file://ROOT/quest.erm","version":5},"edits":[{"range":{"start":{"line":0,"character":1},"end":{"line":0,"character":4}},"newText":"ВРЕМ"},{"range":{"start":{"line":1,"character":5},"end":{"line":1,"character":8}},"newText":"ВРЕМ"}]}]}}
> {"jsonrpc":"2.0","id":16,"method":"textDocument/rename","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":6},"newName":"hero"}}
< {"id":16,"error":{"code":-32803,"message":"переменная $HERO$ уже объявлена"}}
> {"jsonrpc":"2.0","id":17,"method":"textDocument/rename","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":6},"newName":"A$B"}}
< {"id":17,"error":{"code":-32803}}
> {"jsonrpc":"2.0","id":18,"method":"textDocument/rename","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":6},"newName":"😀"}}
< {"id":18,"error":{"code":-32803,"message":"имя «😀» нельзя записать в Windows-1251"}}
# Symbols.
> {"jsonrpc":"2.0","id":19,"method":"textDocument/documentSymbol","params":{"textDocument":{"uri":"file://ROOT/quest.erm"}}}
< {"id":19,"result":[{"name":"TMP","detail":"z7","kind":13,"selectionRange":{"start":{"line":0,"character":1},"end":{"line":0,"character":4}}}]}
> {"jsonrpc":"2.0","id":20,"method":"workspace/symbol","params":{"query":"ив"}}
< {"id":20,"result":[{"name":"(ПРИВЕТ)","kind":14,"location":{"uri":"file://ROOT/quest.txt","range":{"start":{"line":1,"character":1},"end":{"line":1,"character":7}}},"containerName":"quest.txt"}]}
# A quick fix: declare an undeclared name in the script's declarations file.
> {"jsonrpc":"2.0","id":21,"method":"textDocument/codeAction","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"range":{"start":{"line":2,"character":3},"end":{"line":2,"character":3}},"context":{"diagnostics":[{"range":{"start":{"line":2,"character":3},"end":{"line":2,"character":6}},"code":"undeclared-variable","message":"Переменной $NOPE$ не существует!"}]}}}
< {"id":21,"result":[{"title":"Объявить $NOPE$ в quest.txt","kind":"quickfix","edit":{"documentChanges":[{"textDocument":{"uri":"file://ROOT/quest.txt","version":null},"edits":[{"range":{"start":{"line":3,"character":2},"end":{"line":3,"character":2}},"newText":"\r\nNOPE = v0\r\n"}]}]}}]}
> {"jsonrpc":"2.0","id":22,"method":"shutdown"}
< {"id":22,"result":null}
> {"jsonrpc":"2.0","method":"exit"}
= 0
