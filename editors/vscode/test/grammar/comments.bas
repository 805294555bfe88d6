' SYNTAX TEST "source.ombrik" "comments and directives"
' a whole-line comment
' <---------------------- comment.line.apostrophe.ombrik
x = 1 ' a comment after a statement, with IF and "quotes" in it
'     ^ comment.line.apostrophe.ombrik punctuation.definition.comment.ombrik
'       ^^^^^^^^^ comment.line.apostrophe.ombrik
'                                        ^^ - keyword.control.ombrik
'                                               ^^^^^^^^ - string.quoted.double.ombrik
  ' an indented comment
' ^^^^^^^^^^^^^^^^^^^^^ comment.line.apostrophe.ombrik
#include "lib/io.bas"
' <- meta.preprocessor.ombrik punctuation.definition.directive.ombrik
'^^^^^^^ meta.preprocessor.ombrik keyword.control.directive.ombrik
'        ^^^^^^^^^^^^ meta.preprocessor.ombrik string.quoted.double.ombrik
#define LIMIT 100 ' the top
'^^^^^^ keyword.control.directive.ombrik
'       ^^^^^ meta.preprocessor.ombrik variable.other.ombrik
'             ^^^ meta.preprocessor.ombrik constant.numeric.integer.ombrik
'                 ^^^^^^^^^ meta.preprocessor.ombrik comment.line.apostrophe.ombrik
# 12 "main.bas"
' <- meta.preprocessor.ombrik punctuation.definition.directive.ombrik
' ^^ meta.preprocessor.ombrik constant.numeric.integer.ombrik
'    ^^^^^^^^^^ meta.preprocessor.ombrik string.quoted.double.ombrik
y = 2
' <- - meta.preprocessor.ombrik
