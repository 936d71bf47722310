# A client that takes no document changes gets its edits by URI: a rename
# across an open script and an unopened declarations file, a quick fix; and
# no fix that would have to make a file first.
@file quest.txt
HERO = y100
@end
@file alone.erm
!!VR$NOPE$:S0;
@end
> {"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{"workspace":{"workspaceEdit":{"documentChanges":false}}}}}
< {"id":1,"result":"*"}
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/quest.erm","version":3,"text":"!!VR$HERO$:S1 Ж😀 @HERO@ $HERO[2]x$;\r\n"}}}
> {"jsonrpc":"2.0","id":2,"method":"textDocument/rename","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":0,"character":20},"newName":"Ёж"}}
< {"id":2,"result":{"changes":{"file://ROOT/quest.erm":[{"range":{"start":{"line":0,"character":5},"end":{"line":0,"character":9}},"newText":"Ёж"},{"range":{"start":{"line":0,"character":19},"end":{"line":0,"character":23}},"newText":"Ёж"},{"range":{"start":{"line":0,"character":26},"end":{"line":0,"character":30}},"newText":"Ёж"}],"file://ROOT/quest.txt":[{"range":{"start":{"line":0,"character":0},"end":{"line":0,"character":4}},"newText":"Ёж"}]}}}
> {"jsonrpc":"2.0","id":3,"method":"textDocument/codeAction","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"range":{"start":{"line":0,"character":33},"end":{"line":0,"character":33}},"context":{"diagnostics":[{"range":{"start":{"line":0,"character":33},"end":{"line":0,"character":34}},"code":"text-after-index","message":"текст"}]}}}
< {"id":3,"result":[{"title":"Убрать текст между «]» и концом ссылки","edit":{"changes":{"file://ROOT/quest.erm":[{"range":{"start":{"line":0,"character":33},"end":{"line":0,"character":34}},"newText":""}]}}}]}
> {"jsonrpc":"2.0","id":4,"method":"textDocument/codeAction","params":{"textDocument":{"uri":"file://ROOT/alone.erm"},"range":{"start":{"line":0,"character":5},"end":{"line":0,"character":5}},"context":{"diagnostics":[{"range":{"start":{"line":0,"character":4},"end":{"line":0,"character":10}},"code":"undeclared-variable","message":"Переменной $NOPE$ не существует!"}]}}}
< {"id":4,"result":[]}
> {"jsonrpc":"2.0","id":5,"method":"shutdown"}
< {"id":5,"result":null}
> {"jsonrpc":"2.0","method":"exit"}
= 0
