Content-Length: 114

{"jsonrpc":"2.0","id":1,"method":"initialize","params":{"processId":null,"rootUri":"file:///w","capabilities":{}}}Content-Length: 52

{"jsonrpc":"2.0","method":"initialized","params":{}}Content-Length: 217

{"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file:///w/lib.bas","languageId":"ombrik","version":1,"text":"FUNCTION twice(v AS INTEGER) AS INTEGER\n  RETURN v * 2\nENDFUNCTION\n"}}}Content-Length: 214

{"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file:///w/main.bas","languageId":"ombrik","version":1,"text":"#include \"lib.bas\"\nMAIN:\nx = twice(4)\nGOTO done\ndone:\nEND\n"}}}Content-Length: 150

{"jsonrpc":"2.0","id":2,"method":"textDocument/definition","params":{"textDocument":{"uri":"file:///w/main.bas"},"position":{"line":2,"character":6}}}Content-Length: 145

{"jsonrpc":"2.0","id":3,"method":"textDocument/hover","params":{"textDocument":{"uri":"file:///w/main.bas"},"position":{"line":2,"character":6}}}Content-Length: 118

{"jsonrpc":"2.0","id":4,"method":"textDocument/documentSymbol","params":{"textDocument":{"uri":"file:///w/main.bas"}}}Content-Length: 150

{"jsonrpc":"2.0","id":5,"method":"textDocument/completion","params":{"textDocument":{"uri":"file:///w/main.bas"},"position":{"line":2,"character":1}}}Content-Length: 158

{"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file:///w/main.bas","version":2},"contentChanges":[{"text":"x = = 1\n"}]}}Content-Length: 223

{"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file:///w/main.bas","version":3},"contentChanges":[{"range":{"start":{"line":0,"character":4},"end":{"line":0,"character":6}},"text":""}]}}Content-Length: 104

{"jsonrpc":"2.0","method":"textDocument/didSave","params":{"textDocument":{"uri":"file:///w/main.bas"}}}Content-Length: 105

{"jsonrpc":"2.0","method":"textDocument/didClose","params":{"textDocument":{"uri":"file:///w/main.bas"}}}Content-Length: 45

{"jsonrpc":"2.0","id":90,"method":"shutdown"}Content-Length: 33

{"jsonrpc":"2.0","method":"exit"}