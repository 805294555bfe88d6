' A program with a mistake, to show how errors are reported:
'   ombrik check examples/broken.bas
DIM x
x = 1 2
END
