# Inlay hints, names no script uses shown faded with a fix that removes
# them (an include's names counted over every script of the mod), and the
# editor asked to show the hints again when declarations change, not when
# a file is opened or saved. Positions after Cyrillic and an emoji. The map
# of the mod's variables, from the editor's text of the files open.
@file mod/zunt.toml
include = ["common.txt"]
@end
@file mod/common.txt
GOLD = v1
ARMY = v200
(TITLE) = 'Очень длинный заголовок окна'
(LINES) = 'раз
два'
NOBODY = y9
@end
@file mod/quest.txt
HERO = y100
SPARE = y7
(LONE) = 'a
b'
@end
@file mod/quest.erm
!!VR$HERO$:S$ARMY[5]$ Привет (TITLE)(LINES);
~T=y5
!!VR$T$:S@HERO[-1]@;
@end
@file mod/other.erm
!!VR$GOLD$:S1;
@end
> {"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{"workspace":{"inlayHint":{"refreshSupport":true}}}}}
< {"id":1}
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/mod/quest.erm","version":1,"text":"!!VR$HERO$:S$ARMY[5]$ Привет 😀 (TITLE)(LINES);\r\n~T=y5\r\n!!VR$T$:S@HERO[-1]@;\r\n"}}}
< {"method":"textDocument/publishDiagnostics"}
> {"jsonrpc":"2.0","id":2,"method":"textDocument/inlayHint","params":{"textDocument":{"uri":"file://ROOT/mod/quest.erm"},"range":{"start":{"line":0,"character":0},"end":{"line":3,"character":0}}}}
<= {"id":2,"result":[{"label":"y100","paddingLeft":true,"position":{"character":10,"line":0}},{"label":"v205","paddingLeft":true,"position":{"character":21,"line":0}},{"label":"Очень длинный заголо…","paddingLeft":true,"position":{"character":39,"line":0}},{"label":"раз…","paddingLeft":true,"position":{"character":46,"line":0}},{"label":"y5","paddingLeft":true,"position":{"character":7,"line":2}},{"label":"y99","paddingLeft":true,"position":{"character":19,"line":2}}]}
> {"jsonrpc":"2.0","id":3,"method":"textDocument/inlayHint","params":{"textDocument":{"uri":"file://ROOT/mod/quest.erm"},"range":{"start":{"line":2,"character":5},"end":{"line":2,"character":7}}}}
<= {"id":3,"result":[{"label":"y5","paddingLeft":true,"position":{"character":7,"line":2}}]}
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/mod/quest.txt","version":1,"text":"HERO = y100\r\nSPARE = y7\r\n(LONE) = 'a\r\nb'\r\n"}}}
<= {"method":"textDocument/publishDiagnostics","params":{"diagnostics":[{"code":"unused","message":"переменная $SPARE$ не используется в скрипте quest.erm","range":{"end":{"character":5,"line":1},"start":{"character":0,"line":1}},"severity":4,"source":"zunt","tags":[1]},{"code":"unused","message":"константа (LONE) не используется в скрипте quest.erm","range":{"end":{"character":5,"line":2},"start":{"character":1,"line":2}},"severity":4,"source":"zunt","tags":[1]}],"uri":"file://ROOT/mod/quest.txt","version":1}}
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/mod/common.txt","version":1,"text":"GOLD = v1\r\nARMY = v200\r\n(TITLE) = 'Очень длинный заголовок окна'\r\n(LINES) = 'раз\r\nдва'\r\nNOBODY = y9\r\n"}}}
< {"method":"textDocument/publishDiagnostics"}
> {"jsonrpc":"2.0","id":5,"method":"textDocument/codeAction","params":{"textDocument":{"uri":"file://ROOT/mod/quest.txt"},"range":{"start":{"line":1,"character":0},"end":{"line":1,"character":0}},"context":{"diagnostics":[{"range":{"end":{"character":5,"line":1},"start":{"character":0,"line":1}},"severity":4,"source":"zunt","code":"unused","message":"x"}]}}}
<= {"id":5,"result":[{"diagnostics":[{"code":"unused","message":"x","range":{"end":{"character":5,"line":1},"start":{"character":0,"line":1}},"severity":4,"source":"zunt"}],"edit":{"changes":{"file://ROOT/mod/quest.txt":[{"newText":"","range":{"end":{"character":0,"line":2},"start":{"character":0,"line":1}}}]}},"kind":"quickfix","title":"Убрать объявление $SPARE$"}]}
> {"jsonrpc":"2.0","id":6,"method":"textDocument/codeAction","params":{"textDocument":{"uri":"file://ROOT/mod/quest.txt"},"range":{"start":{"line":2,"character":1},"end":{"line":2,"character":1}},"context":{"diagnostics":[{"range":{"end":{"character":5,"line":2},"start":{"character":1,"line":2}},"severity":4,"source":"zunt","code":"unused","message":"x"}]}}}
<= {"id":6,"result":[{"diagnostics":[{"code":"unused","message":"x","range":{"end":{"character":5,"line":2},"start":{"character":1,"line":2}},"severity":4,"source":"zunt"}],"edit":{"changes":{"file://ROOT/mod/quest.txt":[{"newText":"","range":{"end":{"character":0,"line":4},"start":{"character":0,"line":2}}}]}},"kind":"quickfix","title":"Убрать объявление (LONE)"}]}
> {"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file://ROOT/mod/quest.txt","version":2},"contentChanges":[{"text":"HERO = y101\r\n"}]}}
<= {"id":"zunt-1","method":"workspace/inlayHint/refresh"}
> {"jsonrpc":"2.0","id":"zunt-1","result":null}
> {"jsonrpc":"2.0","id":7,"method":"workspace/executeCommand","params":{"command":"zunt.variables","arguments":[{"uri":"file://ROOT/mod/quest.txt"}]}}
<= {"id":7,"result":{"scripts":2,"text":"Карта переменных: 2 скрипта, 5 имён, 7 номеров.\n\nv: номера 1–205, занято 3, свободно 202\n  номер  ссылок  первая ссылка   имена\n  v1          1  other.erm:1:5   $GOLD$ common.txt:1\n  v200        0                  $ARMY$ common.txt:2\n  v205        1  quest.erm:1:13  —\n  свободны: v2–v199, v201–v204\n\ny: номера 5–101, занято 4, свободно 93\n  номер  ссылок  первая ссылка   имена\n  y5          1  quest.erm:3:5   $T$ quest.erm:2 (локальная)\n  y9          0                  $NOBODY$ common.txt:6 [unused]\n  y100        1  quest.erm:3:10  —\n  y101        1  quest.erm:1:5   $HERO$ quest.txt:1\n  свободны: y6–y8, y10–y99\n"}}
> {"jsonrpc":"2.0","id":8,"method":"workspace/executeCommand","params":{"command":"zunt.variables","arguments":[]}}
< {"id":8,"error":{"code":-32602,"message":"zunt.variables needs a document's URI"}}
> {"jsonrpc":"2.0","id":4,"method":"shutdown"}
< {"id":4}
> {"jsonrpc":"2.0","method":"exit"}
= 0
