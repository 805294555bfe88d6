Content-Length: 5

{"a":junk
Content-Length: x

{}Content-Length: 43

{"jsonrpc":"2.0","id":{"x":1},"method":"a"}Content-Length: 114

{"jsonrpc":"2.0","id":1,"method":"initialize","params":{"processId":null,"rootUri":"file:///w","capabilities":{}}}Content-Length: 43

{"jsonrpc":"2.0","id":2,"method":"no/such"}Content-Length: 5

[1,2]Content-Length: 300

{"jsonrpc": "2.0", "id": 3, "method": "shutdown"}