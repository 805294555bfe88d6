ADDRESS in ?? ()
Breakpoint 1 at ADDRESS: file main.bas, line 8.

Breakpoint 1, START () at main.bas:8
8	GOSUB add_one
ADD_ONE () at lib/step.bas:3
3	  count = count + 1
4	  total = total + count
Breakpoint 2 at ADDRESS: file lib/step.bas, line 4.

Breakpoint 2, ADD_ONE () at lib/step.bas:4
4	  total = total + count
$1 = 6
$2 = 2
5	  RETURN
Breakpoint 3 at ADDRESS: file main.bas, line 10.

Breakpoint 3, START () at main.bas:10
10	total = total * 10
$3 = 8
$4 = 2
11	PRINT total; " "; count
12	END
[Inferior 1 (Remote target) exited normally]
