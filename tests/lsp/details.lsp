# The details that a client relies on, each with its exact reply: places
# after a lone CR (the readers count lines by LF alone, editors by every
# break), hover in markdown when the client prefers it, completion of a
# name's start closed already, a note's file, and rename's refusal only
# after an error that stopped the reader on the name's line.
@file mod/zunt.toml
include = ["common.txt"]
@end
@file mod/common.txt
GOLD = v1
HERO = y1
@end
@file mod/dup.txt
HERO = y2
@end
@file mod/dup.erm
!!VR:S1;
@end
> {"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{"textDocument":{"hover":{"contentFormat":["markdown","plaintext"]}},"workspace":{"workspaceEdit":{"resourceOperations":["create"]}}}}}
<= {"id":1,"result":{"capabilities":{"codeActionProvider":{"codeActionKinds":["quickfix"]},"completionProvider":{"triggerCharacters":["$","@","("]},"declarationProvider":true,"definitionProvider":true,"documentHighlightProvider":true,"documentSymbolProvider":true,"executeCommandProvider":{"commands":["zunt.preview","zunt.variables"]},"hoverProvider":true,"inlayHintProvider":true,"positionEncoding":"utf-16","referencesProvider":true,"renameProvider":{"prepareProvider":true},"textDocumentSync":{"change":2,"openClose":true,"save":{"includeText":false}},"workspaceSymbolProvider":true},"serverInfo":{"name":"zunt","version":"1.0.0"}}}
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/quest.txt","version":1,"text":"HERO = y100\rHELP = y7\r\n(START) = '5'\r\n(STOP) = '6'\r\n(LAST) = '7'\r\n"}}}
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/quest.erm","version":1,"text":"!!VR:S1;\r!!VR$HELP$:S$NOPE$;\r\n(ST) $HE$\r\n"}}}
<= {"method":"textDocument/publishDiagnostics","params":{"diagnostics":[{"code":"undeclared-variable","message":"Переменной $NOPE$ не существует!","range":{"end":{"character":18,"line":1},"start":{"character":12,"line":1}},"severity":1,"source":"zunt"},{"code":"undeclared-constant","message":"Константы (ST) не существует!","range":{"end":{"character":4,"line":2},"start":{"character":0,"line":2}},"severity":1,"source":"zunt"},{"code":"undeclared-variable","message":"Переменной $HE$ не существует!","range":{"end":{"character":9,"line":2},"start":{"character":5,"line":2}},"severity":1,"source":"zunt"}],"uri":"file://ROOT/quest.erm","version":1}}
> {"jsonrpc":"2.0","id":2,"method":"textDocument/hover","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":6}}}
<= {"id":2,"result":{"contents":{"kind":"markdown","value":"```\n$HELP$ → y7\n```\n\nпеременная $HELP$ = y7, объявлена в quest.txt:2"},"range":{"end":{"character":10,"line":1},"start":{"character":4,"line":1}}}}
> {"jsonrpc":"2.0","id":3,"method":"textDocument/definition","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":1,"character":6}}}
<= {"id":3,"result":{"range":{"end":{"character":4,"line":1},"start":{"character":0,"line":1}},"uri":"file://ROOT/quest.txt"}}
> {"jsonrpc":"2.0","id":4,"method":"textDocument/completion","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":2,"character":3}}}
<= {"id":4,"result":{"isIncomplete":false,"items":[{"detail":"5","filterText":"START","kind":21,"label":"START","textEdit":{"newText":"START","range":{"end":{"character":3,"line":2},"start":{"character":1,"line":2}}}},{"detail":"6","filterText":"STOP","kind":21,"label":"STOP","textEdit":{"newText":"STOP","range":{"end":{"character":3,"line":2},"start":{"character":1,"line":2}}}}]}}
> {"jsonrpc":"2.0","id":5,"method":"textDocument/completion","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":2,"character":8}}}
<= {"id":5,"result":{"isIncomplete":false,"items":[{"detail":"y100","filterText":"HERO","kind":6,"label":"HERO","textEdit":{"newText":"HERO","range":{"end":{"character":8,"line":2},"start":{"character":6,"line":2}}}},{"detail":"y7","filterText":"HELP","kind":6,"label":"HELP","textEdit":{"newText":"HELP","range":{"end":{"character":8,"line":2},"start":{"character":6,"line":2}}}}]}}
> {"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file://ROOT/quest.erm","version":2},"contentChanges":[{"text":"$HERO[2]x$ $HERO$\r\n"}]}}
<= {"method":"textDocument/publishDiagnostics","params":{"diagnostics":[{"code":"text-after-index","message":"текст между «]» индекса и концом ссылки пропущен","range":{"end":{"character":10,"line":0},"start":{"character":8,"line":0}},"severity":2,"source":"zunt"}],"uri":"file://ROOT/quest.erm","version":2}}
> {"jsonrpc":"2.0","id":6,"method":"textDocument/rename","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":0,"character":13},"newName":"ГЕРОЙ"}}
<= {"id":6,"result":{"changes":{"file://ROOT/quest.erm":[{"newText":"ГЕРОЙ","range":{"end":{"character":5,"line":0},"start":{"character":1,"line":0}}},{"newText":"ГЕРОЙ","range":{"end":{"character":16,"line":0},"start":{"character":12,"line":0}}}],"file://ROOT/quest.txt":[{"newText":"ГЕРОЙ","range":{"end":{"character":4,"line":0},"start":{"character":0,"line":0}}}]}}}
> {"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file://ROOT/quest.erm","version":3},"contentChanges":[{"range":{"start":{"line":1,"character":0},"end":{"line":1,"character":0}},"text":"!!VR$$:S$HERO$"}]}}
<= {"method":"textDocument/publishDiagnostics","params":{"diagnostics":[{"code":"text-after-index","message":"текст между «]» индекса и концом ссылки пропущен","range":{"end":{"character":10,"line":0},"start":{"character":8,"line":0}},"severity":2,"source":"zunt"},{"code":"empty-variable","message":"Пустые переменные запрещены!","range":{"end":{"character":6,"line":1},"start":{"character":4,"line":1}},"severity":1,"source":"zunt"}],"uri":"file://ROOT/quest.erm","version":3}}
> {"jsonrpc":"2.0","id":17,"method":"textDocument/prepareRename","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":0,"character":13}}}
<= {"id":17,"error":{"code":-32803,"message":"скрипт quest.erm, строка 2: имя стоит после ошибки, и эта часть строки не проверена: исправьте ошибку, чтобы переименовать"}}
> {"jsonrpc":"2.0","id":7,"method":"textDocument/rename","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":0,"character":13},"newName":"ГЕРОЙ"}}
<= {"error":{"code":-32803,"message":"скрипт quest.erm, строка 2: имя стоит после ошибки, и эта часть строки не проверена: исправьте ошибку, чтобы переименовать"},"id":7}
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/mod/dup.erm","version":1,"text":"!!VR:S1;\r\n"}}}
<= {"method":"textDocument/publishDiagnostics","params":{"diagnostics":[{"code":"duplicate-variable","message":"Переменная $HERO$ уже была объявлена ранее!","range":{"end":{"character":4,"line":0},"start":{"character":0,"line":0}},"relatedInformation":[{"location":{"range":{"end":{"character":4,"line":1},"start":{"character":0,"line":1}},"uri":"file://ROOT/mod/common.txt"},"message":"переменная $HERO$ впервые объявлена здесь"}],"severity":1,"source":"zunt"}],"uri":"file://ROOT/mod/dup.txt"}}
> {"jsonrpc":"2.0","id":8,"method":"shutdown","params":null}
<= {"id":8,"result":null}
> {"jsonrpc":"2.0","method":"exit"}
= 0
