ADDRESS in ?? ()
Breakpoint 1 at ADDRESS: file lib/step.bas, line 4.

Breakpoint 1, ADD_ONE () at lib/step.bas:4
4	  total = total + count
$1 = 5
$2 = 1
5	  RETURN
Breakpoint 2 at ADDRESS: file main.bas, line 10.

Breakpoint 2, START () at main.bas:10
10	total = total * 10
$3 = 8
$4 = 2
11	PRINT total; " "; count
12	END
[Inferior 1 (Remote target) exited normally]
