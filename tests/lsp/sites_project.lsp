# A mod's include: definition reaches it, and rename and references from it
# reach every script of the mod, the unopened ones with version null; a
# local of an unopened script takes a name too.
@file mod/zunt.toml
include = ["common.txt"]
scripts = ["src/*.erm"]
@end
@file mod/common.txt
; Имена мода.
  HERO = y100;;  герой
(ДА) = 'Да'
@end
@file mod/src/other.erm
; Другой скрипт, не открытый.
~ДРУГ=z1;
!!VR$HERO$:S$ДРУГ$ (ДА);
@end
> {"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{"workspace":{"workspaceEdit":{"documentChanges":true,"resourceOperations":["create","rename"]}}}}}
< {"id":1,"result":"*"}
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/mod/src/quest.erm","version":2,"text":"; Привет 😀\r\n!!VR$HERO$:S1 Ж😀 @HERO@ (ДА);\r\n!!VR$NOPE$:S0;\r\n"}}}
> {"jsonrpc":"2.0","id":2,"method":"textDocument/definition","params":{"textDocument":{"uri":"file://ROOT/mod/src/quest.erm"},"position":{"line":1,"character":20}}}
< {"id":2,"result":{"uri":"file://ROOT/mod/common.txt","range":{"start":{"line":1,"character":2},"end":{"line":1,"character":6}}}}
> {"jsonrpc":"2.0","id":3,"method":"textDocument/hover","params":{"textDocument":{"uri":"file://ROOT/mod/src/quest.erm"},"position":{"line":1,"character":26}}}
< {"id":3,"result":{"contents":{"value":"Да\n\nконстанта (ДА), объявлена в common.txt:3"}}}
> {"jsonrpc":"2.0","id":4,"method":"textDocument/references","params":{"textDocument":{"uri":"file://ROOT/mod/common.txt"},"position":{"line":2,"character":3},"context":{"includeDeclaration":true}}}
< {"id":4,"result":[{"uri":"file://ROOT/mod/common.txt","range":{"start":{"line":2,"character":1},"end":{"line":2,"character":3}}},{"uri":"file://ROOT/mod/src/other.erm","range":{"start":{"line":2,"character":19},"end":{"line":2,"character":23}}},{"uri":"file://ROOT/mod/src/quest.erm","range":{"start":{"line":1,"character":25},"end":{"line":1,"character":29}}}]}
> {"jsonrpc":"2.0","id":5,"method":"textDocument/rename","params":{"textDocument":{"uri":"file://ROOT/mod/common.txt"},"position":{"line":1,"character":3},"newName":"Герой"}}
< {"id":5,"result":{"documentChanges":[{"textDocument":{"uri":"file://ROOT/mod/common.txt","version":null},"edits":[{"range":{"start":{"line":1,"character":2},"end":{"line":1,"character":6}},"newText":"Герой"}]},{"textDocument":{"uri":"file://ROOT/mod/src/other.erm","version":null},"edits":[{"range":{"start":{"line":2,"character":5},"end":{"line":2,"character":9}},"newText":"Герой"}]},{"textDocument":{"uri":"file://ROOT/mod/src/quest.erm","version":2},"edits":[{"range":{"start":{"line":1,"character":5},"end":{"line":1,"character":9}},"newText":"Герой"},{"range":{"start":{"line":1,"character":19},"end":{"line":1,"character":23}},"newText":"Герой"}]}]}}
> {"jsonrpc":"2.0","id":6,"method":"textDocument/rename","params":{"textDocument":{"uri":"file://ROOT/mod/src/quest.erm"},"position":{"line":1,"character":6},"newName":"друг"}}
< {"id":6,"error":{"code":-32803,"message":"локальная переменная $ДРУГ$ уже объявлена в other.erm, строка 2"}}
# An undeclared name: declared in the script's own file (made) or in the include.
> {"jsonrpc":"2.0","id":8,"method":"textDocument/codeAction","params":{"textDocument":{"uri":"file://ROOT/mod/src/quest.erm"},"range":{"start":{"line":2,"character":5},"end":{"line":2,"character":5}},"context":{"diagnostics":[{"range":{"start":{"line":2,"character":4},"end":{"line":2,"character":10}},"code":"undeclared-variable","message":"Переменной $NOPE$ не существует!"}]}}}
< {"id":8,"result":[{"title":"Объявить $NOPE$ в quest.txt","edit":{"documentChanges":[{"kind":"create","uri":"file://ROOT/mod/src/quest.txt"},{"textDocument":{"uri":"file://ROOT/mod/src/quest.txt","version":null},"edits":[{"range":{"start":{"line":0,"character":0},"end":{"line":0,"character":0}},"newText":"NOPE = v0\r\n"}]}]}},{"title":"Объявить $NOPE$ в common.txt","kind":"quickfix","diagnostics":[{"code":"undeclared-variable"}],"edit":{"documentChanges":[{"textDocument":{"uri":"file://ROOT/mod/common.txt","version":null},"edits":[{"range":{"start":{"line":2,"character":11},"end":{"line":2,"character":11}},"newText":"\r\nNOPE = v0\r\n"}]}]}}]}
> {"jsonrpc":"2.0","id":7,"method":"shutdown"}
< {"id":7,"result":null}
> {"jsonrpc":"2.0","method":"exit"}
= 0
