# A message over the size limit is skipped, and the editor told which
# document it was about, which is out of step from then on; a length that no
# message has leaves no way to read on: the server says so and exits with
# status 1, its input still open.
> {"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}}
< {"id":1,"result":"*"}
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/big.erm","version":1,"text":"!!VR:S1;\r\n"}}}
<= {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/big.erm","version":1,"diagnostics":[{"range":{"start":{"line":0,"character":0},"end":{"line":0,"character":0}},"severity":1,"source":"zunt","code":"missing-declarations","message":"Указанный файл не существует! (ROOT/big.txt)."}]}}
>big 268435457 {"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file://ROOT/big.erm","version":2},"contentChanges":[{"text":"
<= {"method":"window/showMessage","params":{"type":2,"message":"zunt: сообщение о документе file://ROOT/big.erm (257 МиБ) больше предела в 256 МиБ и пропущено"}}
< {"method":"textDocument/publishDiagnostics","params":{"uri":"file://ROOT/big.erm","version":1,"diagnostics":[{"code":"out-of-step"}]}}
>raw Content-Length: 1073741825\r\n\r\n{
<= {"method":"window/showMessage","params":{"type":1,"message":"zunt: сообщения редактора больше нельзя разобрать: их длина (Content-Length) недостоверна. Сервер завершает работу; перезапустите его."}}
=open 1
