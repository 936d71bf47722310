# Faulty frames and messages: each is logged (and answered when it can be),
# and the server goes on.
> {"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}}
< {"id":1,"result":"*"}
# A Content-Length that is no number, then one that is missing: both skipped.
>raw Content-Length: 1x\r\n\r\n{"jsonrpc":"2.0","id":90,"method":"shutdown"}
>raw Content-Type: application/json\r\n\r\n{"jsonrpc":"2.0","id":91,"method":"shutdown"}
> {"jsonrpc":"2.0","id":2,"method":"textDocument/unknown"}
< {"id":2,"error":{"code":-32601}}
# A CR LF inside a body, and a Ctrl-Z: bytes like any other (a Windows
# program reading in text mode would drop the CR, or stop at the Ctrl-Z).
>raw Content-Length: 59\r\n\r\n{"jsonrpc":"2.0",\r\n"id":10,"method":"textDocument/unknown"}
< {"id":10,"error":{"code":-32601}}
>raw Content-Length: 5\r\n\r\n["\x1a"]
< {"id":null,"error":{"code":-32700}}
# Not JSON, and a string that is not UTF-8: parse errors with a null id.
>raw Content-Length: 11\r\n\r\n{"jsonrpc":
< {"id":null,"error":{"code":-32700}}
>raw Content-Length: 45\r\n\r\n{"jsonrpc":"2.0","id":3,"method":"\xff\xfe\x80abcdef"}
< {"id":null,"error":{"code":-32700}}
# JSON that is no request: invalid, answered with its id where it has one.
>raw Content-Length: 3\r\n\r\n[1]
< {"id":null,"error":{"code":-32600}}
> {"jsonrpc":"2.0","id":4}
< {"id":4,"error":{"code":-32600}}
> {"jsonrpc":"1.0","id":5,"method":"shutdown"}
< {"id":5,"error":{"code":-32600}}
> {"jsonrpc":"2.0","id":6,"method":7}
< {"id":6,"error":{"code":-32600}}
> {"jsonrpc":"2.0","id":7,"method":"textDocument/hover","params":"text"}
< {"id":7,"error":{"code":-32600}}
> {"jsonrpc":"2.0","id":8,"method":"zunt/translate","params":{"textDocument":{"uri":"http://x/y"}}}
< {"id":8,"error":{"code":-32602}}
# A message over 256 MiB is read past and dropped.
>big 268435457
> {"jsonrpc":"2.0","id":9,"method":"shutdown"}
< {"id":9,"result":null}
> {"jsonrpc":"2.0","method":"exit"}
= 0
