# workspace/symbol before any file is open: the names of the includes of the
# mod in the workspace's folder, where the include declares them.
@file mod/zunt.toml
include = ["common.txt"]
scripts = ["src/*.erm"]
@end
@file mod/common.txt
; Имена мода.
ГЕРОЙ = y100;;  герой
(ПРИВЕТ) = 'Ж'
@end
@file mod/src/quest.erm
!!VR$ГЕРОЙ$:S0;
@end
> {"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{},"rootUri":"file://ROOT","workspaceFolders":[{"uri":"file://ROOT/mod","name":"mod"}]}}
< {"id":1,"result":"*"}
> {"jsonrpc":"2.0","id":2,"method":"workspace/symbol","params":{"query":"ер"}}
< {"id":2,"result":[{"name":"$ГЕРОЙ$","kind":13,"location":{"uri":"file://ROOT/mod/common.txt","range":{"start":{"line":1,"character":0},"end":{"line":1,"character":5}}},"containerName":"common.txt"}]}
> {"jsonrpc":"2.0","id":3,"method":"workspace/symbol","params":{"query":""}}
< {"id":3,"result":[{"name":"$ГЕРОЙ$"},{"name":"(ПРИВЕТ)","location":{"range":{"start":{"line":2,"character":1},"end":{"line":2,"character":7}}}}]}
> {"jsonrpc":"2.0","id":4,"method":"shutdown"}
< {"id":4,"result":null}
> {"jsonrpc":"2.0","method":"exit"}
= 0
