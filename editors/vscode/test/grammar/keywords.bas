' SYNTAX TEST "source.ombrik" "keywords of every kind, in any letter case"
IF count > 10 THEN
' <-- keyword.control.ombrik
'  ^^^^^ variable.other.ombrik
'        ^ keyword.operator.comparison.ombrik
'             ^^^^ keyword.control.ombrik
elseif count = 3 then
' <------ keyword.control.ombrik
'                ^^^^ keyword.control.ombrik
ENDIF
' <----- keyword.control.ombrik
FOR i = 10 DOWNTO 1 STEP 2
' <--- keyword.control.ombrik
'          ^^^^^^ keyword.control.ombrik
'                   ^^^^ keyword.control.ombrik
NEXT i
' <---- keyword.control.ombrik
SELECT CASE x
' <------ keyword.control.ombrik
'      ^^^^ keyword.control.ombrik
DO WHILE a <> b
' <-- keyword.control.ombrik
'  ^^^^^ keyword.control.ombrik
'          ^^ keyword.operator.comparison.ombrik
LOOP UNTIL done
' <---- keyword.control.ombrik
'    ^^^^^ keyword.control.ombrik
DIM buf(20) AS STRING
' <--- keyword.other.declaration.ombrik
'   ^^^ variable.other.ombrik
'      ^ punctuation.ombrik
'       ^^ constant.numeric.integer.ombrik
'           ^^ keyword.other.declaration.ombrik
'              ^^^^^^ storage.type.ombrik
CONST LIMIT = 5
' <----- keyword.other.declaration.ombrik
DIM f AS SINGLE, w AS INTEGER, b(3) AS BYTE
'        ^^^^^^ storage.type.ombrik
'                     ^^^^^^^ storage.type.ombrik
'                                      ^^^^ storage.type.ombrik
SUB show(BYVAL n AS INTEGER, BYREF s$, PARAMARRAY rest)
' <--- storage.type.function.ombrik
'        ^^^^^ storage.modifier.ombrik
'                            ^^^^^ storage.modifier.ombrik
'                                      ^^^^^^^^^^ storage.modifier.ombrik
ENDSUB
' <------ storage.type.function.ombrik
ON TIMER 100 tick
' <-- keyword.control.ombrik
'  ^^^^^ support.function.ombrik
x = a AND b Or c XOR NOT d MOD 3
'     ^^^ keyword.operator.word.ombrik
'           ^^ keyword.operator.word.ombrik
'                ^^^ keyword.operator.word.ombrik
'                    ^^^ keyword.operator.word.ombrik
'                          ^^^ keyword.operator.word.ombrik
PRINT abs(x), Str(y)
' <----- support.function.ombrik
'     ^^^ support.function.ombrik
'             ^^^ support.function.ombrik
WR_HALF P0, ENET_INIT
' <------- support.function.ombrik
'       ^^ support.function.ombrik
'           ^^^^^^^^^ support.function.ombrik
__MAP__ __IOHB__
' <------- keyword.other.section.ombrik
'       ^^^^^^^^ keyword.other.section.ombrik
QUITDUMP
' <-------- keyword.other.command.ombrik
' A '$' after a keyword makes a name of it; a keyword inside a name is no keyword.
s$ = STR$ + LEFT$(a$) + IFFY + printer + END_X
'    ^^^^ variable.other.string.ombrik
'    ^^^^ - support.function.ombrik
'           ^^^^^ variable.other.string.ombrik
'                       ^^^^ variable.other.ombrik
'                              ^^^^^^^ variable.other.ombrik
'                                        ^^^^^ variable.other.ombrik
