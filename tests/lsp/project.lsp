# A mod's zunt.toml: its includes before each script's own declarations,
# its scripts reached by references though not open, its errors published
# on it, and a change of an include or of it diagnosing the scripts again.
@file mod/zunt.toml
include = ["common.txt"]
scripts = ["src/*.erm"]
@end
@file mod/common.txt
; Имена мода.
HERO = y100;;  герой
@end
@file mod/src/other.erm
; Другой скрипт, не открытый.
!!VR$HERO$:S0;
@end
@file broken/zunt.toml
include = ["gone.txt"]
@end
> {"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{"workspace":{"workspaceEdit":{"documentChanges":true}}}}}
< {"id":1,"result":"*"}
# The include's names are known; the script has no NAME.txt and needs none.
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/mod/src/quest.erm","version":1,"text":"; Привет 😀 мир\r\n!!VR$HERO$:S1 Ж😀 $HERO$;\r\n!!VR$NOPE$:S0;\r\n"}}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/mod/src/quest.erm","version":1,"diagnostics":[{"range":{"start":{"line":2,"character":4},"end":{"line":2,"character":10}},"code":"undeclared-variable","message":"Переменной $NOPE$ не существует!"},{"range":{"start":{"line":0,"character":9},"end":{"line":0,"character":11}},"code":"unwritable-character"},{"range":{"start":{"line":1,"character":15},"end":{"line":1,"character":17}},"code":"unwritable-character"}]}}
# References reach the script that is not open; the declaration is the include's.
> {"jsonrpc":"2.0","id":2,"method":"textDocument/references","params":{"textDocument":{"uri":"file://ROOT/mod/src/quest.erm"},"position":{"line":1,"character":20},"context":{"includeDeclaration":false}}}
< {"id":2,"result":[{"uri":"file://ROOT/mod/src/other.erm","range":{"start":{"line":1,"character":4},"end":{"line":1,"character":10}}},{"uri":"file://ROOT/mod/src/quest.erm","range":{"start":{"line":1,"character":4},"end":{"line":1,"character":10}}},{"uri":"file://ROOT/mod/src/quest.erm","range":{"start":{"line":1,"character":18},"end":{"line":1,"character":24}}}]}
> {"jsonrpc":"2.0","id":3,"method":"textDocument/definition","params":{"textDocument":{"uri":"file://ROOT/mod/src/quest.erm"},"position":{"line":1,"character":20}}}
< {"id":3,"result":{"uri":"file://ROOT/mod/common.txt"}}
# A rename reaches the include's declaration and the script that is not open.
> {"jsonrpc":"2.0","id":30,"method":"textDocument/rename","params":{"textDocument":{"uri":"file://ROOT/mod/src/quest.erm"},"position":{"line":1,"character":20},"newName":"LORD"}}
< {"id":30,"result":{"documentChanges":[{"textDocument":{"uri":"file://ROOT/mod/common.txt","version":null},"edits":[{"range":{"start":{"line":1,"character":0},"end":{"line":1,"character":4}},"newText":"LORD"}]},{"textDocument":{"uri":"file://ROOT/mod/src/other.erm","version":null},"edits":[{"range":{"start":{"line":1,"character":5},"end":{"line":1,"character":9}},"newText":"LORD"}]},{"textDocument":{"uri":"file://ROOT/mod/src/quest.erm","version":1},"edits":[{"range":{"start":{"line":1,"character":5},"end":{"line":1,"character":9}},"newText":"LORD"},{"range":{"start":{"line":1,"character":19},"end":{"line":1,"character":23}},"newText":"LORD"}]}]}}
# A script made on disk is one of the mod's once the editor says so.
@write mod/src/new.erm
!!VR$HERO$:S2;
@end
> {"jsonrpc":"2.0","method":"workspace/didChangeWatchedFiles","params":{"changes":[{"uri":"file://ROOT/mod/src/new.erm","type":1}]}}
> {"jsonrpc":"2.0","id":31,"method":"textDocument/references","params":{"textDocument":{"uri":"file://ROOT/mod/common.txt"},"position":{"line":1,"character":1},"context":{"includeDeclaration":false}}}
< {"id":31,"result":[{"uri":"file://ROOT/mod/src/new.erm","range":{"start":{"line":0,"character":4}}},{"uri":"file://ROOT/mod/src/other.erm"},{"uri":"file://ROOT/mod/src/quest.erm"},{"uri":"file://ROOT/mod/src/quest.erm"}]}
# The include opened and changed: a declarations file though no common.erm
# stands beside it (its warning published), and the script diagnosed again.
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/mod/common.txt","version":7,"text":"; Имена мода 😀\r\nHERO = y100\r\nNOPE = v5\r\nKIND = у5\r\n"}}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/mod/common.txt","version":7,"diagnostics":[{"range":{"start":{"line":3,"character":7},"end":{"line":3,"character":9}},"severity":2,"code":"non-latin-letter","message":"буква значения переменной $KIND$ не латинская: «у»"},{"range":{"start":{"line":0,"character":13},"end":{"line":0,"character":15}},"code":"unwritable-character"},{"range":{"start":{"line":3,"character":0},"end":{"line":3,"character":4}},"severity":4,"code":"unused","tags":[1],"message":"переменная $KIND$ не используется ни в одном скрипте мода"}]}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/mod/src/quest.erm","version":1,"diagnostics":[{"range":{"start":{"line":0,"character":9},"end":{"line":0,"character":11}},"code":"unwritable-character"},{"range":{"start":{"line":1,"character":15},"end":{"line":1,"character":17}},"code":"unwritable-character"}]}}
> {"jsonrpc":"2.0","id":4,"method":"zunt/wait"}
< {"id":4,"error":{"code":-32601}}
# Closed: the file on disk counts again.
> {"jsonrpc":"2.0","method":"textDocument/didClose","params":{"textDocument":{"uri":"file://ROOT/mod/common.txt"}}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/mod/src/quest.erm","diagnostics":[{"range":{"start":{"line":2,"character":4},"end":{"line":2,"character":10}},"code":"undeclared-variable"},{"range":{"start":{"line":0,"character":9},"end":{"line":0,"character":11}},"code":"unwritable-character"},{"range":{"start":{"line":1,"character":15},"end":{"line":1,"character":17}},"code":"unwritable-character"}]}}
> {"jsonrpc":"2.0","id":5,"method":"zunt/wait"}
< {"id":5,"error":{"code":-32601}}
# A mod whose include is missing: the error on its zunt.toml, the script
# analysed all the same, and no error for the script's missing b.txt.
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/broken/b.erm","version":1,"text":"!!VR$X$:S0;\r\n"}}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/broken/zunt.toml","diagnostics":[{"range":{"start":{"line":0,"character":11},"end":{"line":0,"character":22}},"severity":1,"code":"project-settings","message":"Указанный файл не существует! (ROOT/broken/gone.txt)."}]}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/broken/b.erm","diagnostics":[{"range":{"start":{"line":0,"character":4},"end":{"line":0,"character":7}},"code":"undeclared-variable"}]}}
> {"jsonrpc":"2.0","id":6,"method":"zunt/wait"}
< {"id":6,"error":{"code":-32601}}
# The include made: the settings are read again, both diagnosed again.
@write broken/gone.txt
X = v1
@end
> {"jsonrpc":"2.0","method":"workspace/didChangeWatchedFiles","params":{"changes":[{"uri":"file://ROOT/broken/gone.txt","type":1}]}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/broken/zunt.toml","diagnostics":[]}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/broken/b.erm","diagnostics":[]}}
> {"jsonrpc":"2.0","id":7,"method":"zunt/wait"}
< {"id":7,"error":{"code":-32601}}
# zunt.toml changed to a wrong value: its error published; what could be
# read of it (the include) still serves the script.
@write broken/zunt.toml
include = ["gone.txt"]
warnings = 3
@end
> {"jsonrpc":"2.0","method":"workspace/didChangeWatchedFiles","params":{"changes":[{"uri":"file://ROOT/broken/zunt.toml","type":2}]}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/broken/zunt.toml","diagnostics":[{"range":{"start":{"line":1,"character":11},"end":{"line":1,"character":12}},"code":"project-settings","message":"у ключа «warnings» бывает true, false или список имён предупреждений"}]}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/broken/b.erm","diagnostics":[]}}
# zunt.toml changed with no word from the editor: a change of one script
# reads it again, and the mod's other open script is diagnosed again too.
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/broken/c.erm","version":1,"text":"!!VR$X[2]x$:S0;\r\n"}}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/broken/c.erm","diagnostics":[{"severity":2}]}}
> {"jsonrpc":"2.0","id":9,"method":"zunt/wait"}
< {"id":9,"error":{"code":-32601}}
@write broken/zunt.toml
include = ["gone.txt"]
strict = true
@end
> {"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file://ROOT/broken/b.erm","version":2},"contentChanges":[{"text":"!!VR$X$:S1;\r\n"}]}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/broken/zunt.toml","diagnostics":[]}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/broken/b.erm","version":2,"diagnostics":[]}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/broken/c.erm","diagnostics":[{"severity":1,"message":"текст между «]» индекса и концом ссылки пропущен"}]}}
> {"jsonrpc":"2.0","id":8,"method":"shutdown"}
< {"id":8,"result":null}
> {"jsonrpc":"2.0","method":"exit"}
= 0
