' SYNTAX TEST "source.ombrik" "numbers and strings of every form"
n = 42 + &H1F + $1f + 0x1F + %1010
'   ^^ constant.numeric.integer.ombrik
'        ^^^^ constant.numeric.hex.ombrik
'               ^^^ constant.numeric.hex.ombrik
'                     ^^^^ constant.numeric.hex.ombrik
'                            ^^^^^ constant.numeric.binary.ombrik
' 0X1F is the integer 0 followed by the name X1F; &h1F is AND followed by H1F.
n = 0X1F + 1 &h1F
'   ^ constant.numeric.integer.ombrik
'    ^^^ variable.other.ombrik
'            ^ keyword.operator.ombrik
'             ^^^ variable.other.ombrik
' A binary literal with a digit other than 0 or 1 is an error.
n = %1012
'   ^^^^^ invalid.illegal.numeric.ombrik
f = 1.05 + 1. + 2E3 + 2e-3 + 1.5E+2 + 4294967295
'   ^^^^ constant.numeric.float.ombrik
'          ^^ constant.numeric.float.ombrik
'               ^^^ constant.numeric.float.ombrik
'                     ^^^^ constant.numeric.float.ombrik
'                            ^^^^^^ constant.numeric.float.ombrik
'                                     ^^^^^^^^^^ constant.numeric.integer.ombrik
' Three double quotes are the character literal of a double quote.
s$ = "Hello, world" + "" + "A" + """ + "it's"
'    ^^^^^^^^^^^^^^ string.quoted.double.ombrik
'                     ^^ string.quoted.double.ombrik
'                          ^^^ string.quoted.double.ombrik constant.character.ombrik
'                                ^^^ string.quoted.double.ombrik constant.character.ombrik
'                                       ^^^^^^ string.quoted.double.ombrik
'                                       ^^^^^^ - comment.line.apostrophe.ombrik
PRINT "no end
'     ^^^^^^^ string.quoted.double.ombrik invalid.illegal.unterminated.ombrik
CONST table = {1, -2, &HFF}
'             ^ punctuation.ombrik
'              ^ constant.numeric.integer.ombrik
'               ^ punctuation.ombrik
'                 ^ keyword.operator.ombrik
'                     ^^^^ constant.numeric.hex.ombrik
'                         ^ punctuation.ombrik
