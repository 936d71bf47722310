# Exit before shutdown: status 1. So is the end of the input without exit.
> {"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}}
< {"id":1,"result":"*"}
> {"jsonrpc":"2.0","method":"exit"}
= 1
