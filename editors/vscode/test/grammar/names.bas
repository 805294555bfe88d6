' SYNTAX TEST "source.ombrik" "labels, routines, names with $ suffixes, operators"
MAIN:
' <---- entity.name.label.ombrik
'   ^ punctuation.separator.label.ombrik
loop_top:
' <-------- entity.name.label.ombrik
  GOTO loop_top
' ^^^^ keyword.control.ombrik
'      ^^^^^^^^ entity.name.label.ombrik
  gosub blink
' ^^^^^ keyword.control.ombrik
'       ^^^^^ entity.name.label.ombrik
FUNCTION twice(BYVAL v AS INTEGER) AS INTEGER
' <-------- storage.type.function.ombrik
'        ^^^^^ entity.name.function.ombrik
'                      ^^ keyword.other.declaration.ombrik
  RETURN v * 2
' ^^^^^^ keyword.control.ombrik
'          ^ keyword.operator.ombrik
ENDFUNCTION
' <----------- storage.type.function.ombrik
function greet$(name$ AS STRING(20)) AS STRING
' <-------- storage.type.function.ombrik
'        ^^^^^^ entity.name.function.ombrik
'               ^^^^^ variable.other.string.ombrik
'                   ^ punctuation.definition.variable.string.ombrik
  RETURN "Hi " + name$
'                ^^^^ variable.other.string.ombrik
END FUNCTION
' <--- keyword.control.ombrik
'   ^^^^^^^^ storage.type.function.ombrik
SUB blink
'   ^^^^^ entity.name.function.ombrik
ENDSUB
total = total + 1
' <----- variable.other.ombrik
'     ^ keyword.operator.comparison.ombrik
'             ^ keyword.operator.ombrik
x += 1 << 2 >> 1 - 3 / 4 * 5 & 6
' ^ keyword.operator.ombrik
'  ^ keyword.operator.comparison.ombrik
'      ^^ keyword.operator.comparison.ombrik
'           ^^ keyword.operator.comparison.ombrik
'                ^ keyword.operator.ombrik
'                    ^ keyword.operator.ombrik
'                        ^ keyword.operator.ombrik
'                            ^ keyword.operator.ombrik
IF a <= b AND c >= d AND e => f AND g =< h AND i >< j THEN PRINT a; b
'    ^^ keyword.operator.comparison.ombrik
'               ^^ keyword.operator.comparison.ombrik
'                          ^^ keyword.operator.comparison.ombrik
'                                     ^^ keyword.operator.comparison.ombrik
'                                                ^^ keyword.operator.comparison.ombrik
'                                                                 ^ punctuation.ombrik
