# Which file is what, decided by the path; text read as Latin-1.
@file notes.txt
plain text
@end
@file quest.txt
HERO = y100
@end
> {"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}}
< {"id":1,"result":"*"}
# A .txt with no script beside it is no declarations file: only its
# characters without a byte are reported.
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/notes.txt","languageId":"erm","version":1,"text":"NAME without = a value ā\n"}}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/notes.txt","diagnostics":[{"range":{"start":{"line":0,"character":23},"end":{"line":0,"character":24}},"code":"unwritable-character","message":"символ «ā» (U+0101) нельзя записать в Windows-1251"}]}}
# A script read as Latin-1: a warning that says how to reopen it; its
# bytes are read as they are, so the reference is found.
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/quest.erm","languageId":"text","version":1,"text":"; Ïðèâåò\r\n$HERO$ $NOPE$\r\n"}}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/quest.erm","diagnostics":[{"range":{"start":{"line":1,"character":7},"end":{"line":1,"character":13}},"code":"undeclared-variable"},{"range":{"start":{"line":0,"character":2},"end":{"line":0,"character":3}},"severity":2,"code":"latin1-text"}]}}
> {"jsonrpc":"2.0","id":2,"method":"zunt/translate","params":{"textDocument":{"uri":"file://ROOT/quest.erm"}}}
< {"id":2,"result":{"text":"; Привет\r\ny100 \r\n","errors":1}}
# A script with no declarations file beside it.
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/sub/alone.erm","version":3,"text":"x"}}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/sub/alone.erm","version":3,"diagnostics":[{"range":{"start":{"line":0,"character":0},"end":{"line":0,"character":0}},"code":"missing-declarations","message":"Указанный файл не существует! (ROOT/sub/alone.txt)."}]}}
> {"jsonrpc":"2.0","id":3,"method":"shutdown"}
< {"id":3,"result":null}
> {"jsonrpc":"2.0","method":"exit"}
= 0
