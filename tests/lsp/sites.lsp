# Declared names where their declarations file writes them: definition,
# hover, references and rename from a script and from the declarations
# file, with Cyrillic and a character outside the Basic Multilingual Plane
# on the lines of the names, open and unopened files, and through edits.
@file quest.txt
HERO = y100
(ПРИВЕТ) = 'Здравствуй'
ДРУГ = y7
@end
@file quest.erm
!!VR$HERO$;
@end
> {"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{"workspace":{"workspaceEdit":{"documentChanges":true}}}}}
< {"id":1,"result":{"capabilities":{"renameProvider":{"prepareProvider":true}}}}
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/quest.erm","version":3,"text":"~TMP=z1;\r\n!!VR$HERO$:S$HERO[2]$ Ж😀 @HERO@ (ПРИВЕТ) (😀ДА);\r\n"}}}
# From a reference to the name in the declarations file.
> {"jsonrpc":"2.0","id":2,"method":"textDocument/definition","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":6}}}
< {"id":2,"result":{"uri":"file://ROOT/quest.txt","range":{"start":{"line":0,"character":0},"end":{"line":0,"character":4}}}}
> {"jsonrpc":"2.0","id":3,"method":"textDocument/definition","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":14}}}
< {"id":3,"result":{"uri":"file://ROOT/quest.txt","range":{"start":{"line":0,"character":0},"end":{"line":0,"character":4}}}}
> {"jsonrpc":"2.0","id":4,"method":"textDocument/declaration","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":35}}}
< {"id":4,"result":{"uri":"file://ROOT/quest.txt","range":{"start":{"line":1,"character":1},"end":{"line":1,"character":7}}}}
> {"jsonrpc":"2.0","id":5,"method":"textDocument/hover","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":28}}}
< {"id":5,"result":{"contents":{"value":"@HERO@ → 100\n\nпеременная $HERO$ = y100, объявлена в quest.txt:1"},"range":{"start":{"line":1,"character":26},"end":{"line":1,"character":32}}}}
# At the declaration itself: hover, references with and without it, symbols.
> {"jsonrpc":"2.0","id":6,"method":"textDocument/hover","params":{"textDocument":{"uri":"file://ROOT/quest.txt"},"position":{"line":0,"character":1}}}
< {"id":6,"result":{"contents":{"value":"$HERO$ → y100\n\nпеременная $HERO$ = y100, объявлена в quest.txt:1"},"range":{"start":{"line":0,"character":0},"end":{"line":0,"character":4}}}}
> {"jsonrpc":"2.0","id":7,"method":"textDocument/references","params":{"textDocument":{"uri":"file://ROOT/quest.txt"},"position":{"line":0,"character":2},"context":{"includeDeclaration":true}}}
< {"id":7,"result":[{"uri":"file://ROOT/quest.txt","range":{"start":{"line":0,"character":0},"end":{"line":0,"character":4}}},{"uri":"file://ROOT/quest.erm","range":{"start":{"line":1,"character":4},"end":{"line":1,"character":10}}},{"uri":"file://ROOT/quest.erm","range":{"start":{"line":1,"character":12},"end":{"line":1,"character":21}}},{"uri":"file://ROOT/quest.erm","range":{"start":{"line":1,"character":26},"end":{"line":1,"character":32}}}]}
> {"jsonrpc":"2.0","id":8,"method":"textDocument/references","params":{"textDocument":{"uri":"file://ROOT/quest.txt"},"position":{"line":1,"character":7},"context":{"includeDeclaration":false}}}
< {"id":8,"result":[{"uri":"file://ROOT/quest.erm","range":{"start":{"line":1,"character":33},"end":{"line":1,"character":41}}}]}
> {"jsonrpc":"2.0","id":9,"method":"textDocument/references","params":{"textDocument":{"uri":"file://ROOT/quest.txt"},"position":{"line":0,"character":7},"context":{"includeDeclaration":true}}}
< {"id":9,"result":[]}
# Highlights: the name's places in this file alone, its declaration written.
> {"jsonrpc":"2.0","id":30,"method":"textDocument/documentHighlight","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":6}}}
< {"id":30,"result":[{"range":{"start":{"line":1,"character":4},"end":{"line":1,"character":10}},"kind":2},{"range":{"start":{"line":1,"character":12},"end":{"line":1,"character":21}},"kind":2},{"range":{"start":{"line":1,"character":26},"end":{"line":1,"character":32}},"kind":2}]}
> {"jsonrpc":"2.0","id":31,"method":"textDocument/documentHighlight","params":{"textDocument":{"uri":"file://ROOT/quest.txt"},"position":{"line":1,"character":3}}}
< {"id":31,"result":[{"range":{"start":{"line":1,"character":1},"end":{"line":1,"character":7}},"kind":3}]}
> {"jsonrpc":"2.0","id":10,"method":"textDocument/documentSymbol","params":{"textDocument":{"uri":"file://ROOT/quest.txt"}}}
< {"id":10,"result":[{"name":"HERO","detail":"y100","kind":13,"range":{"start":{"line":0,"character":0},"end":{"line":0,"character":11}},"selectionRange":{"start":{"line":0,"character":0},"end":{"line":0,"character":4}}},{"name":"ДРУГ","detail":"y7","kind":13,"range":{"start":{"line":2,"character":0},"end":{"line":2,"character":9}},"selectionRange":{"start":{"line":2,"character":0},"end":{"line":2,"character":4}}},{"name":"ПРИВЕТ","detail":"Здравствуй","kind":14,"range":{"start":{"line":1,"character":0},"end":{"line":1,"character":23}},"selectionRange":{"start":{"line":1,"character":1},"end":{"line":1,"character":7}}}]}
# Rename from the declaration: the script is open (its version), the declarations file is not (null).
> {"jsonrpc":"2.0","id":11,"method":"textDocument/prepareRename","params":{"textDocument":{"uri":"file://ROOT/quest.txt"},"position":{"line":0,"character":4}}}
< {"id":11,"result":{"range":{"start":{"line":0,"character":0},"end":{"line":0,"character":4}},"placeholder":"HERO"}}
> {"jsonrpc":"2.0","id":12,"method":"textDocument/rename","params":{"textDocument":{"uri":"file://ROOT/quest.txt"},"position":{"line":0,"character":1},"newName":"ГЕРОЙ"}}
< {"id":12,"result":{"documentChanges":[{"textDocument":{"uri":"file://ROOT/quest.erm","version":3},"edits":[{"range":{"start":{"line":1,"character":5},"end":{"line":1,"character":9}},"newText":"ГЕРОЙ"},{"range":{"start":{"line":1,"character":13},"end":{"line":1,"character":17}},"newText":"ГЕРОЙ"},{"range":{"start":{"line":1,"character":27},"end":{"line":1,"character":31}},"newText":"ГЕРОЙ"}]},{"textDocument":{"uri":"file://ROOT/quest.txt","version":null},"edits":[{"range":{"start":{"line":0,"character":0},"end":{"line":0,"character":4}},"newText":"ГЕРОЙ"}]}]}}
# Refused: a name taken by a declared variable, by a script's local, or invalid for its kind.
> {"jsonrpc":"2.0","id":13,"method":"textDocument/rename","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":6},"newName":"друг"}}
< {"id":13,"error":{"code":-32803,"message":"переменная $ДРУГ$ уже объявлена"}}
> {"jsonrpc":"2.0","id":14,"method":"textDocument/rename","params":{"textDocument":{"uri":"file://ROOT/quest.txt"},"position":{"line":0,"character":1},"newName":"tmp"}}
< {"id":14,"error":{"code":-32803,"message":"локальная переменная $TMP$ уже объявлена в quest.erm, строка 1"}}
> {"jsonrpc":"2.0","id":15,"method":"textDocument/rename","params":{"textDocument":{"uri":"file://ROOT/quest.txt"},"position":{"line":0,"character":1},"newName":"A=B"}}
< {"id":15,"error":{"code":-32803,"message":"«A=B»: в имени переменной не может быть $ @ = [ ] ( ) ; ~ ` и перевода строки"}}
> {"jsonrpc":"2.0","id":16,"method":"textDocument/rename","params":{"textDocument":{"uri":"file://ROOT/quest.txt"},"position":{"line":1,"character":2},"newName":"ДА)"}}
< {"id":16,"error":{"code":-32803,"message":"«ДА)»: в имени константы не может быть «)» и перевода строки"}}
# The declarations file opened with a name after a character outside the BMP.
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/quest.txt","version":7,"text":"HERO = y100\r\n(ПРИВЕТ) = 'Здравствуй'\r\nДРУГ = y7\r\n(😀ДА) = 'Ж😀'\r\n(ДВА) = '2'\r\n"}}}
> {"jsonrpc":"2.0","id":17,"method":"textDocument/definition","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":45}}}
< {"id":17,"result":{"uri":"file://ROOT/quest.txt","range":{"start":{"line":3,"character":1},"end":{"line":3,"character":5}}}}
> {"jsonrpc":"2.0","id":18,"method":"textDocument/rename","params":{"textDocument":{"uri":"file://ROOT/quest.txt"},"position":{"line":3,"character":4},"newName":"ДА2"}}
< {"id":18,"result":{"documentChanges":[{"textDocument":{"uri":"file://ROOT/quest.erm","version":3},"edits":[{"range":{"start":{"line":1,"character":43},"end":{"line":1,"character":47}},"newText":"ДА2"}]},{"textDocument":{"uri":"file://ROOT/quest.txt","version":7},"edits":[{"range":{"start":{"line":3,"character":1},"end":{"line":3,"character":5}},"newText":"ДА2"}]}]}}
> {"jsonrpc":"2.0","id":19,"method":"workspace/symbol","params":{"query":"да"}}
< {"id":19,"result":[{"name":"(😀ДА)","kind":14,"location":{"uri":"file://ROOT/quest.txt","range":{"start":{"line":3,"character":1},"end":{"line":3,"character":5}}}}]}
> {"jsonrpc":"2.0","id":23,"method":"textDocument/rename","params":{"textDocument":{"uri":"file://ROOT/quest.txt"},"position":{"line":1,"character":1},"newName":"два"}}
< {"id":23,"error":{"code":-32803,"message":"константа (ДВА) уже объявлена"}}
# An edit moves the names: a comment line put first.
> {"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file://ROOT/quest.txt","version":8},"contentChanges":[{"range":{"start":{"line":0,"character":0},"end":{"line":0,"character":0}},"text":";; Ж😀\r\n"}]}}
> {"jsonrpc":"2.0","id":20,"method":"textDocument/definition","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":6}}}
< {"id":20,"result":{"uri":"file://ROOT/quest.txt","range":{"start":{"line":1,"character":0},"end":{"line":1,"character":4}}}}
> {"jsonrpc":"2.0","id":21,"method":"textDocument/hover","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":35}}}
< {"id":21,"result":{"contents":{"value":"Здравствуй\n\nконстанта (ПРИВЕТ), объявлена в quest.txt:3"}}}
# The check of a line stops at its first error (but an undeclared name): a
# name after it is unseen, and would be left with its old name. No rename
# then; the same name elsewhere, or another name after the error, does not stop it.
> {"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file://ROOT/quest.erm","version":4},"contentChanges":[{"text":"~TMP=z1;\r\n!!VR$HERO$:S$HERO[2]$ Ж😀 @HERO@ (ПРИВЕТ) (😀ДА);\r\nЖ😀 !!VR$$:S$ДРУГ$ (привет) $hero[2]$;\r\n"}]}}
> {"jsonrpc":"2.0","id":25,"method":"textDocument/rename","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":6},"newName":"ГЕРОЙ"}}
< {"id":25,"error":{"code":-32803,"message":"скрипт quest.erm, строка 3: имя стоит после ошибки, и эта часть строки не проверена: исправьте ошибку, чтобы переименовать"}}
> {"jsonrpc":"2.0","id":26,"method":"textDocument/rename","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":35},"newName":"ЗДРАВСТВУЙ"}}
< {"id":26,"error":{"code":-32803,"message":"скрипт quest.erm, строка 3: имя стоит после ошибки, и эта часть строки не проверена: исправьте ошибку, чтобы переименовать"}}
> {"jsonrpc":"2.0","id":27,"method":"textDocument/rename","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":0,"character":2},"newName":"ВРЕМ"}}
< {"id":27,"result":{"documentChanges":[{"edits":[{"range":{"start":{"line":0,"character":1},"end":{"line":0,"character":4}}}]}]}}
# After an undeclared name the line is read on: the names after it answer,
# and a rename reaches them.
> {"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file://ROOT/quest.erm","version":5},"contentChanges":[{"text":"~TMP=z1;\r\n!!VR$HERO$:S$HERO[2]$ Ж😀 @HERO@ (ПРИВЕТ) (😀ДА);\r\nЖ😀 !!VR$НЕТ$:S$ДРУГ$ (привет) $hero[2]$;\r\n"}]}}
> {"jsonrpc":"2.0","id":28,"method":"textDocument/hover","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":2,"character":33}}}
< {"id":28,"result":{"contents":{"value":"$hero[2]$ → y102\n\nпеременная $HERO$ = y100, объявлена в quest.txt:2"}}}
> {"jsonrpc":"2.0","id":29,"method":"textDocument/rename","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":6},"newName":"ГЕРОЙ"}}
< {"id":29,"result":{"documentChanges":[{"textDocument":{"uri":"file://ROOT/quest.erm","version":5},"edits":[{"range":{"start":{"line":1,"character":5},"end":{"line":1,"character":9}},"newText":"ГЕРОЙ"},{"range":{"start":{"line":1,"character":13},"end":{"line":1,"character":17}},"newText":"ГЕРОЙ"},{"range":{"start":{"line":1,"character":27},"end":{"line":1,"character":31}},"newText":"ГЕРОЙ"},{"range":{"start":{"line":2,"character":32},"end":{"line":2,"character":36}},"newText":"ГЕРОЙ"}]},{"textDocument":{"uri":"file://ROOT/quest.txt","version":8},"edits":[{"range":{"start":{"line":1,"character":0},"end":{"line":1,"character":4}},"newText":"ГЕРОЙ"}]}]}}
> {"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file://ROOT/quest.erm","version":6},"contentChanges":[{"text":"~TMP=z1;\r\n!!VR$HERO$:S$HERO[2]$ Ж😀 @HERO@ (ПРИВЕТ) (😀ДА);\r\n"}]}}
# A declarations file read only up to an error may hide names: no rename then.
> {"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file://ROOT/quest.txt","version":9},"contentChanges":[{"text":"HERO = y100\r\nBAD\r\nДРУГ = y7\r\n"}]}}
> {"jsonrpc":"2.0","id":24,"method":"textDocument/rename","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":6},"newName":"ДРУГ"}}
< {"id":24,"error":{"code":-32803,"message":"файл quest.txt прочитан не до конца из-за ошибки: исправьте её, чтобы переименовать"}}
> {"jsonrpc":"2.0","id":22,"method":"shutdown"}
< {"id":22,"result":null}
> {"jsonrpc":"2.0","method":"exit"}
= 0
