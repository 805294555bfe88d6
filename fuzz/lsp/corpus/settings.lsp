Content-Length: 114

{"jsonrpc":"2.0","id":1,"method":"initialize","params":{"processId":null,"rootUri":"file:///w","capabilities":{}}}Content-Length: 147

{"jsonrpc":"2.0","method":"workspace/didChangeConfiguration","params":{"settings":{"ombrik":{"table":"boards/none.table","includePaths":["inc"]}}}}Content-Length: 154

{"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file:///w/a.bas","languageId":"ombrik","version":1,"text":"PRINT 1\n"}}}Content-Length: 45

{"jsonrpc":"2.0","id":90,"method":"shutdown"}Content-Length: 33

{"jsonrpc":"2.0","method":"exit"}