# The input ends inside a message: logged, status 1, no reply.
> {"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}}
< {"id":1,"result":"*"}
>raw Content-Length: 100\r\n\r\n{"jsonrpc":"2.0","id":2,
= 1
