# An editor that keeps LF in its buffer (emacs) sends LF alone for a file
# that has CR LF on disk and that it writes back with CR LF: its text is read
# with CR LF, through edits too, and the edits it is sent insert LF alone. A
# file without CR LF on disk keeps its lone LFs, and their warning.
@file quest.txt
HERO = y100
GOLD = v0500
@end
@file quest.erm
!!VR$HERO$:S1;
!!VR$HERO$:S2;
@end
@file lf.erm
!!VR$A$:S1;
@end
> {"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{"workspace":{"workspaceEdit":{"documentChanges":true}}}}}
< {"id":1,"result":"*"}
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/quest.txt","version":1,"text":"HERO = y100\nGOLD = v0500\n"}}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/quest.txt","diagnostics":[{"range":{"start":{"line":1,"character":0},"end":{"line":1,"character":4}},"severity":4,"code":"unused","tags":[1],"message":"переменная $GOLD$ не используется в скрипте quest.erm"}]}}
> {"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file://ROOT/quest.txt","version":2},"contentChanges":[{"range":{"start":{"line":1,"character":12},"end":{"line":1,"character":12}},"text":"\nLATE = w7"}]}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/quest.txt","version":2,"diagnostics":[{"range":{"start":{"line":1,"character":0},"end":{"line":1,"character":4}},"severity":4,"code":"unused","tags":[1],"message":"переменная $GOLD$ не используется в скрипте quest.erm"},{"range":{"start":{"line":2,"character":0},"end":{"line":2,"character":4}},"severity":4,"code":"unused","tags":[1],"message":"переменная $LATE$ не используется в скрипте quest.erm"}]}}
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/quest.erm","version":1,"text":"!!VR$HERO$:S@GOLD@;\n!!VR$LATE$:S1;\n"}}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/quest.erm","version":1,"diagnostics":[]}}
> {"jsonrpc":"2.0","id":3,"method":"zunt/translate","params":{"textDocument":{"uri":"file://ROOT/quest.erm"}}}
< {"id":3,"result":{"text":"!!VRy100:S0500;\r\n!!VRw7:S1;\r\n","errors":0}}
# A quick fix's line ends are LF alone for this editor, which writes CR LF.
> {"jsonrpc":"2.0","id":4,"method":"textDocument/codeAction","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"range":{"start":{"line":0,"character":4},"end":{"line":0,"character":4}},"context":{"diagnostics":[{"range":{"start":{"line":0,"character":4},"end":{"line":0,"character":10}},"code":"undeclared-variable","message":"Переменной $NOPE$ не существует!"}]}}}
< {"id":4,"result":[{"title":"Объявить $NOPE$ в quest.txt","edit":{"documentChanges":[{"textDocument":{"uri":"file://ROOT/quest.txt","version":2},"edits":[{"newText":"NOPE = v0\n"}]}]}}]}
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/lf.txt","version":1,"text":"A = v1\n"}}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/lf.txt","diagnostics":[{"code":"lf-line-end"}]}}
> {"jsonrpc":"2.0","id":5,"method":"shutdown"}
< {"id":5,"result":null}
> {"jsonrpc":"2.0","method":"exit"}
= 0
