# A rename never edits a file outside the editor's workspace folders: not an
# include that the mod's settings take from elsewhere, and not a file that a
# symbolic link in the workspace leads out of it.
@file ws/zunt.toml
include = ["../outside/shared.txt"]
@end
@file outside/shared.txt
HERO = y1
@end
@file ws/quest.erm
!!VR$HERO$;
@end
@file elsewhere/b.txt
GOLD = y2
@end
@file ws/src/b.erm
!!VR$GOLD$:S$GOLD$;
@end
@link ws/src/b.txt ROOT/elsewhere/b.txt
> {"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{},"workspaceFolders":[{"uri":"file://ROOT/ws","name":"ws"}]}}
< {"id":1,"result":"*"}
> {"jsonrpc":"2.0","id":2,"method":"textDocument/rename","params":{"textDocument":{"uri":"file://ROOT/ws/quest.erm"},"position":{"line":0,"character":6},"newName":"LORD"}}
<= {"id":2,"error":{"code":-32803,"message":"переименование изменило бы файл вне папок рабочей области: ROOT/outside/shared.txt"}}
> {"jsonrpc":"2.0","id":21,"method":"textDocument/prepareRename","params":{"textDocument":{"uri":"file://ROOT/ws/quest.erm"},"position":{"line":0,"character":6}}}
<= {"id":21,"error":{"code":-32803,"message":"переименование изменило бы файл вне папок рабочей области: ROOT/outside/shared.txt"}}
> {"jsonrpc":"2.0","id":3,"method":"textDocument/rename","params":{"textDocument":{"uri":"file://ROOT/ws/src/b.erm"},"position":{"line":0,"character":6},"newName":"COINS"}}
<= {"id":3,"error":{"code":-32803,"message":"переименование изменило бы файл вне папок рабочей области: ROOT/ws/src/b.txt"}}
# The include's name is found all the same, where it is.
> {"jsonrpc":"2.0","id":4,"method":"textDocument/definition","params":{"textDocument":{"uri":"file://ROOT/ws/quest.erm"},"position":{"line":0,"character":6}}}
<= {"id":4,"result":{"uri":"file://ROOT/outside/shared.txt","range":{"start":{"line":0,"character":0},"end":{"line":0,"character":4}}}}
> {"jsonrpc":"2.0","id":5,"method":"shutdown"}
<= {"id":5,"result":null}
> {"jsonrpc":"2.0","method":"exit"}
= 0
