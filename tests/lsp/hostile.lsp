# What a hostile client or mod hands the server gets its answer, and the
# server goes on: nesting deeper than any message has, files that are no
# ordinary files, URIs with control characters, files that are no scripts,
# a change that cannot be applied whole, versions out of range, and the
# void params of shutdown and exit.
@file quest.txt
HERO = y1
@end
@file q.ERM
!!VR:S1;
@end
@file q.txt
A = y1
@end
@fifo pipe.erm
>deep 50000 {"jsonrpc":"2.0","method":"$/cancelRequest","params":{"id":DEEP}}
<= {"id":null,"error":{"code":-32700,"message":"a message nested deeper than 128 levels"}}
>deep 126 {"jsonrpc":"2.0","method":"$/cancelRequest","params":{"id":DEEP}}
>deep 127 {"jsonrpc":"2.0","method":"$/cancelRequest","params":{"id":DEEP}}
<= {"id":null,"error":{"code":-32700,"message":"a message nested deeper than 128 levels"}}
> {"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}}
< {"id":1,"result":"*"}
>deep 127 {"jsonrpc":"2.0","id":2,"method":"textDocument/codeAction","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"range":{"start":{"line":0,"character":0},"end":{"line":0,"character":0}},"context":{"diagnostics":[{"data":DEEP}]}}}
<= {"id":null,"error":{"code":-32700,"message":"a message nested deeper than 128 levels"}}
>deep 50000 {"jsonrpc":"2.0","id":3,"method":"workspace/executeCommand","params":{"command":"zunt.preview","arguments":[DEEP]}}
<= {"id":null,"error":{"code":-32700,"message":"a message nested deeper than 128 levels"}}
# A pipe named like a script, and the server's own input, are no files to read.
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/pipe.erm","languageId":"erm","version":1,"text":"!!VR$HERO$:S1;\n"}}}
<= {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/pipe.erm","version":1,"diagnostics":[{"range":{"start":{"line":0,"character":0},"end":{"line":0,"character":0}},"severity":1,"source":"zunt","code":"missing-declarations","message":"Указанный файл не существует! (ROOT/pipe.txt)."},{"range":{"start":{"line":0,"character":4},"end":{"line":0,"character":10}},"severity":1,"source":"zunt","code":"undeclared-variable","message":"Переменной $HERO$ не существует!"}]}}
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file:///dev/stdin","languageId":"erm","version":1,"text":"a\n"}}}
> {"jsonrpc":"2.0","id":4,"method":"textDocument/hover","params":{"textDocument":{"uri":"file://ROOT/pipe.erm"},"position":{"line":0,"character":1}}}
<= {"id":4,"result":null}
# Nothing but a script's translation is handed out, and no URI cut short.
> {"jsonrpc":"2.0","id":5,"method":"zunt/translate","params":{"textDocument":{"uri":"file:///etc/passwd"}}}
<= {"id":5,"error":{"code":-32602,"message":"not a script (.erm): /etc/passwd"}}
> {"jsonrpc":"2.0","id":6,"method":"workspace/executeCommand","params":{"command":"zunt.preview","arguments":["file://ROOT/quest.txt"]}}
< {"id":6,"error":{"code":-32602}}
> {"jsonrpc":"2.0","id":7,"method":"zunt/translate","params":{"textDocument":{"uri":"file:///etc/hostname%00.erm"}}}
<= {"id":7,"error":{"code":-32602,"message":"not a file URI: file:///etc/hostname%00.erm"}}
> {"jsonrpc":"2.0","id":8,"method":"zunt/translate","params":{"textDocument":{"uri":"file://ROOT/sub/../q.ERM"}}}
<= {"id":8,"result":{"text":"!!VR:S1;","errors":0}}
# A change that cannot be applied whole applies none: the document is out
# of step until a whole text comes, and no answer is made from it meanwhile.
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/quest.erm","languageId":"erm","version":1,"text":"xx!!VR$HERO$;\r\n"}}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/quest.erm","version":1,"diagnostics":[]}}
> {"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file://ROOT/quest.erm","version":2},"contentChanges":[{"range":{"start":{"line":0,"character":0},"end":{"line":0,"character":0}},"text":"abc"},{"range":{"start":{"line":"x","character":0},"end":{"line":0,"character":0}},"text":""}]}}
<= {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/quest.erm","version":1,"diagnostics":[{"range":{"start":{"line":0,"character":0},"end":{"line":0,"character":0}},"severity":1,"source":"zunt","code":"out-of-step","message":"Текст файла в сервере zunt разошёлся с текстом в редакторе (правка не применена): закройте файл и откройте его снова"}]}}
> {"jsonrpc":"2.0","id":9,"method":"textDocument/rename","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":0,"character":8},"newName":"NEW"}}
<= {"id":9,"error":{"code":-32801,"message":"текст документа разошёлся с редактором: закройте файл и откройте снова"}}
> {"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file://ROOT/quest.erm","version":3},"contentChanges":[{"range":{"start":{"line":0,"character":0},"end":{"line":0,"character":0}},"text":"abc"}]}}
> {"jsonrpc":"2.0","id":10,"method":"textDocument/hover","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":0,"character":8}}}
< {"id":10,"error":{"code":-32801}}
> {"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file://ROOT/quest.erm","version":4},"contentChanges":[{"text":"xx!!VR$HERO$;\r\n"},{"range":{"start":{"line":0,"character":0},"end":{"line":0,"character":2}},"text":""}]}}
<= {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/quest.erm","version":4,"diagnostics":[]}}
> {"jsonrpc":"2.0","id":11,"method":"textDocument/rename","params":{"textDocument":{"uri":"file://ROOT/quest.erm"},"position":{"line":0,"character":6},"newName":"NEW"}}
<= {"id":11,"result":{"changes":{"file://ROOT/quest.erm":[{"range":{"start":{"line":0,"character":5},"end":{"line":0,"character":9}},"newText":"NEW"}],"file://ROOT/quest.txt":[{"range":{"start":{"line":0,"character":0},"end":{"line":0,"character":4}},"newText":"NEW"}]}}}
# A version out of 32 bits is no version: the change is not applied.
> {"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file://ROOT/quest.erm","version":2147483648},"contentChanges":[{"text":""}]}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/quest.erm","version":4,"diagnostics":[{"code":"out-of-step"}]}}
> {"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file://ROOT/quest.erm","version":5},"contentChanges":[{"text":"!!VR$HERO$;"}]}}
<= {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/quest.erm","version":5,"diagnostics":[]}}
> {"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file://ROOT/quest.erm","version":1e300},"contentChanges":[{"text":""}]}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/quest.erm","version":5,"diagnostics":[{"code":"out-of-step"}]}}
# Void params, as eglot sends them: the server exits with its input open.
> {"jsonrpc":"2.0","id":12,"method":"shutdown","params":null}
<= {"id":12,"result":null}
> {"jsonrpc":"2.0","method":"exit","params":null}
=open 0
