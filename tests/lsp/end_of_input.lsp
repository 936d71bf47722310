# The input ends without exit, even after shutdown: status 1.
> {"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}}
< {"id":1,"result":"*"}
> {"jsonrpc":"2.0","id":2,"method":"shutdown"}
< {"id":2,"result":null}
= 1
