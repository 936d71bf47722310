# The lifecycle: requests before initialize, initialize, unknown methods,
# notifications that are ignored, shutdown and exit with status 0.
> {"jsonrpc":"2.0","id":1,"method":"textDocument/hover","params":{}}
< {"id":1,"error":{"code":-32002}}
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/a.erm","languageId":"","version":1,"text":"x"}}}
# Optional members of the wrong type are passed over.
> {"jsonrpc":"2.0","id":2,"method":"initialize","params":{"capabilities":{"workspace":{"workspaceEdit":{"documentChanges":"yes"}}},"workspaceFolders":[{"uri":5},7,null],"rootUri":3}}
< {"id":2,"result":{"capabilities":{"positionEncoding":"utf-16","textDocumentSync":{"openClose":true,"change":2}},"serverInfo":{"name":"zunt"}}}
> {"jsonrpc":"2.0","id":3,"method":"initialize","params":{"capabilities":{}}}
< {"id":3,"error":{"code":-32600}}
> {"jsonrpc":"2.0","method":"initialized","params":{}}
> {"jsonrpc":"2.0","method":"$/setTrace","params":{"value":"off"}}
> {"jsonrpc":"2.0","method":"$/somethingNew","params":{}}
> {"jsonrpc":"2.0","method":"workspace/somethingNew","params":{}}
> {"jsonrpc":"2.0","id":"text id","method":"textDocument/unknown","params":{}}
< {"id":"text id","error":{"code":-32601}}
> {"jsonrpc":"2.0","id":4,"method":"$/unknownRequest"}
< {"id":4,"error":{"code":-32601}}
# Params without a member the method reads: invalid params, not a failure of the server.
> {"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file://ROOT/a.erm","languageId":"","version":1,"text":"~Ж😀=y1;"}}}
> {"jsonrpc":"2.0","id":7,"method":"textDocument/documentHighlight","params":{"textDocument":{"uri":"file://ROOT/a.erm"}}}
< {"id":7,"error":{"code":-32602}}
> {"jsonrpc":"2.0","id":8,"method":"textDocument/references","params":{"textDocument":{"uri":"file://ROOT/a.erm"},"position":{"line":0,"character":"Ж"}}}
< {"id":8,"error":{"code":-32602}}
# eglot sends shutdown and exit with "params": null.
> {"jsonrpc":"2.0","id":5,"method":"shutdown","params":null}
< {"id":5,"result":null}
> {"jsonrpc":"2.0","id":6,"method":"textDocument/hover","params":{}}
< {"id":6,"error":{"code":-32600}}
> {"jsonrpc":"2.0","method":"exit","params":null}
= 0
