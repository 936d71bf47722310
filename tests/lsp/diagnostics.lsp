# Diagnostics of a script on open and through incremental edits, with
# Cyrillic and a character outside the Basic Multilingual Plane on one line;
# its declarations file's errors; a change to that file diagnoses the script again.
@file quest.txt
HERO = y100
(ПРИВЕТ) = 'Здравствуй'
@end
@file quest.erm
on disk
@end
> {"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}}
< {"id":1,"result":"*"}
> {"jsonrpc":"2.0","method":"initialized","params":{}}
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/quest.erm","languageId":"","version":1,"text":"!!VR$HERO$:S1; ; Привет 😀 $NOPE$\r\n(привет)(НЕТ)\r\n"}}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/quest.erm","version":1,"diagnostics":[{"range":{"start":{"line":0,"character":27},"end":{"line":0,"character":33}},"severity":1,"source":"zunt","code":"undeclared-variable","message":"Переменной $NOPE$ не существует!"},{"range":{"start":{"line":1,"character":8},"end":{"line":1,"character":13}},"severity":1,"code":"undeclared-constant","message":"Константы (НЕТ) не существует!"},{"range":{"start":{"line":0,"character":24},"end":{"line":0,"character":26}},"severity":1,"source":"zunt","code":"unwritable-character","message":"символ «😀» (U+1F600) нельзя записать в Windows-1251"}]}}
# "Ж" typed after the emoji, then NOPE made HERO: places after the emoji move by one.
> {"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file://ROOT/quest.erm","version":4},"contentChanges":[{"range":{"start":{"line":0,"character":26},"end":{"line":0,"character":26}},"text":"Ж"}]}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/quest.erm","version":4,"diagnostics":[{"range":{"start":{"line":0,"character":28},"end":{"line":0,"character":34}},"code":"undeclared-variable"},{"code":"undeclared-constant"},{"range":{"start":{"line":0,"character":24},"end":{"line":0,"character":26}},"code":"unwritable-character"}]}}
> {"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file://ROOT/quest.erm","version":7},"contentChanges":[{"range":{"start":{"line":0,"character":29},"end":{"line":0,"character":33}},"text":"hero"},{"range":{"start":{"line":1,"character":9},"end":{"line":1,"character":12}},"text":"ПРИВЕТ"}]}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/quest.erm","version":7,"diagnostics":[{"range":{"start":{"line":0,"character":24},"end":{"line":0,"character":26}},"code":"unwritable-character"}]}}
# The emoji taken out (both of its code units); a new line with an unclosed reference.
> {"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file://ROOT/quest.erm","version":8},"contentChanges":[{"range":{"start":{"line":0,"character":24},"end":{"line":0,"character":26}},"text":""},{"range":{"start":{"line":2,"character":0},"end":{"line":2,"character":0}},"text":"Ё$HERO\r\n"}]}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/quest.erm","version":8,"diagnostics":[{"range":{"start":{"line":2,"character":6},"end":{"line":2,"character":6}},"code":"unclosed-variable"}]}}
# The whole text replaced.
> {"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file://ROOT/quest.erm","version":9},"contentChanges":[{"text":"$HERO$ (ПРИВЕТ)\r\n"}]}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/quest.erm","version":9,"diagnostics":[]}}
# The translated script, asked for directly and through the command.
> {"jsonrpc":"2.0","id":10,"method":"zunt/translate","params":{"textDocument":{"uri":"file://ROOT/quest.erm"}}}
< {"id":10,"result":{"text":"y100 Здравствуй\r\n","errors":0}}
> {"jsonrpc":"2.0","id":11,"method":"workspace/executeCommand","params":{"command":"zunt.preview","arguments":["file://ROOT/quest.erm"]}}
< {"id":11,"result":{"text":"y100 Здравствуй\r\n","errors":0}}
# The declarations file opened with an error: its own diagnostics; the
# script, which lost HERO, is diagnosed again.
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/quest.txt","languageId":"","version":1,"text":"HERO2 = y100\r\n(ПРИВЕТ) = 'Здравствуй'\r\nBAD = 7\r\n"}}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/quest.txt","diagnostics":[{"range":{"start":{"line":2,"character":6},"end":{"line":2,"character":7}},"severity":1,"code":"invalid-value","message":"Некорректное значение переменной $BAD$ !"}]}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/quest.erm","diagnostics":[{"range":{"start":{"line":0,"character":0},"end":{"line":0,"character":6}},"code":"undeclared-variable"}]}}
# Closed: the file on disk counts again, and the script is clean.
> {"jsonrpc":"2.0","method":"textDocument/didClose","params":{"textDocument":{"uri":"file://ROOT/quest.txt"}}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/quest.txt","diagnostics":[]}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/quest.erm","diagnostics":[]}}
> {"jsonrpc":"2.0","id":2,"method":"shutdown"}
< {"id":2,"result":null}
> {"jsonrpc":"2.0","method":"exit"}
= 0
