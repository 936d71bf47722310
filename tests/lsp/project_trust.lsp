# A zunt.toml that any user may change is not read: its warning is published
# on it, and its scripts are read as if there were none.
@file mod/zunt.toml
include = ["common.txt"]
@end
@chmod mod/zunt.toml 666
@file mod/common.txt
HERO = y100
@end
@file mod/quest.txt
; Золото
GOLD = v5
@end
> {"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}}
< {"id":1,"result":"*"}
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/mod/quest.erm","version":1,"text":"!!VR$GOLD$:S0 Ж😀;\r\n!!VR$HERO$:S1;\r\n"}}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/mod/zunt.toml","diagnostics":[{"range":{"start":{"line":0,"character":0},"end":{"line":0,"character":0}},"severity":2,"code":"project-settings","message":"файл может изменить любой пользователь: настройки из него не читаются"}]}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/mod/quest.erm","version":1,"diagnostics":[{"range":{"start":{"line":1,"character":4},"end":{"line":1,"character":10}},"code":"undeclared-variable"},{"range":{"start":{"line":0,"character":15},"end":{"line":0,"character":17}},"code":"unwritable-character"}]}}
# A zunt.toml made with no watched-file event, as under an editor that
# watches no files, is found when a script is saved or opened.
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/new/quest.erm","version":1,"text":"!!VR$HERO$:S1 Ж😀;\r\n"}}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/new/quest.erm","version":1,"diagnostics":[{"code":"missing-declarations"},{"code":"undeclared-variable"},{"code":"unwritable-character"}]}}
@write new/zunt.toml
include = ["../mod/common.txt"]
@end
> {"jsonrpc":"2.0","method":"textDocument/didSave","params":{"textDocument":{"uri":"file://ROOT/new/quest.erm"}}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/new/quest.erm","version":1,"diagnostics":[{"range":{"start":{"line":0,"character":15},"end":{"line":0,"character":17}},"code":"unwritable-character"}]}}
> {"jsonrpc":"2.0","id":2,"method":"shutdown"}
< {"id":2,"result":null}
> {"jsonrpc":"2.0","method":"exit"}
= 0
