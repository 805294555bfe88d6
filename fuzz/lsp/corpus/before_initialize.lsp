Content-Length: 66

{"jsonrpc":"2.0","id":1,"method":"textDocument/hover","params":{}}Content-Length: 33

{"jsonrpc":"2.0","method":"exit"}