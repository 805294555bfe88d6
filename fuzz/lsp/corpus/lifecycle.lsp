Content-Length: 114

{"jsonrpc":"2.0","id":1,"method":"initialize","params":{"processId":null,"rootUri":"file:///w","capabilities":{}}}Content-Length: 52

{"jsonrpc":"2.0","method":"initialized","params":{}}Content-Length: 45

{"jsonrpc":"2.0","id":90,"method":"shutdown"}Content-Length: 33

{"jsonrpc":"2.0","method":"exit"}