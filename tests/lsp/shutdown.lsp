# What an edit sent in the same burst as "shutdown" made due is published
# before the answer, and nothing after it.
@file a.txt
ГЕРОЙ = y1
@end
> {"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}}
< {"id":1,"result":"*"}
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/a.erm","languageId":"erm","version":1,"text":"!!VR$ГЕРОЙ$:S😀;\r\n"}}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/a.erm","version":1}}
>+ {"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file://ROOT/a.erm","version":2},"contentChanges":[{"text":"!!VR$НЕТ$:S1;\r\n"}]}}
> {"jsonrpc":"2.0","id":2,"method":"shutdown"}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/a.erm","version":2,"diagnostics":[{"code":"undeclared-variable"}]}}
< {"id":2,"result":null}
> {"jsonrpc":"2.0","method":"exit"}
== 0
