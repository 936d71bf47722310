# Two names for one variable and an index landing on another name: a clash
# between two includes on the later include, its note in the other; a local
# against a global and an overlap on the script.
@file mod/zunt.toml
include = ["common.txt", "more.txt"]
@end
@file mod/common.txt
GOLD = v1
ARMY = v200
@end
@file mod/more.txt
COIN = v1
@end
@file mod/quest.txt
MORALE = v205
@end
@file mod/other.erm
!!VR$GOLD$:S1;
@end
> {"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}}
< {"id":1}
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/mod/quest.erm","version":1,"text":"!!VR$ARMY[5]$:S$MORALE$;\r\n~T=v205\r\n"}}}
<= {"method":"textDocument/publishDiagnostics","params":{"diagnostics":[],"uri":"file://ROOT/mod/common.txt"}}
<= {"method":"textDocument/publishDiagnostics","params":{"diagnostics":[{"code":"alias","message":"$COIN$ — та же переменная v1, что и $GOLD$","range":{"end":{"character":4,"line":0},"start":{"character":0,"line":0}},"relatedInformation":[{"location":{"range":{"end":{"character":4,"line":0},"start":{"character":0,"line":0}},"uri":"file://ROOT/mod/common.txt"},"message":"$GOLD$ объявлена здесь"}],"severity":2,"source":"zunt"}],"uri":"file://ROOT/mod/more.txt"}}
<= {"method":"textDocument/publishDiagnostics","params":{"diagnostics":[],"uri":"file://ROOT/mod/quest.txt"}}
<= {"method":"textDocument/publishDiagnostics","params":{"diagnostics":[{"code":"overlap","message":"$ARMY[5]$ попадает на v205, а это переменная $MORALE$","range":{"end":{"character":12,"line":0},"start":{"character":9,"line":0}},"relatedInformation":[{"location":{"range":{"end":{"character":6,"line":0},"start":{"character":0,"line":0}},"uri":"file://ROOT/mod/quest.txt"},"message":"$MORALE$ объявлена здесь"}],"severity":2,"source":"zunt"},{"code":"alias","message":"$T$ — та же переменная v205, что и $MORALE$","range":{"end":{"character":7,"line":1},"start":{"character":0,"line":1}},"relatedInformation":[{"location":{"range":{"end":{"character":6,"line":0},"start":{"character":0,"line":0}},"uri":"file://ROOT/mod/quest.txt"},"message":"$MORALE$ объявлена здесь"}],"severity":2,"source":"zunt"}],"uri":"file://ROOT/mod/quest.erm","version":1}}
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/mod/other.erm","version":1,"text":"!!VR$GOLD$:S$COIN$;\r\n"}}}
<= {"method":"textDocument/publishDiagnostics","params":{"diagnostics":[],"uri":"file://ROOT/mod/other.erm","version":1}}
> {"jsonrpc":"2.0","id":4,"method":"shutdown"}
< {"id":4}
> {"jsonrpc":"2.0","method":"exit"}
= 0
