' towers of Hanoi with an explicit stack and GOSUB
DIM sn(40), sf(40), st(40), sv(40), sp, n, f, t, v, moves
GOTO start
move:
  moves = moves + 1
  IF moves <= 10 THEN PRINT f; "->"; t; " ";
  RETURN
start:
sp = 0
sn(0) = 5
sf(0) = 1
st(0) = 3
sv(0) = 2
sp = 1
WHILE sp > 0
  sp = sp - 1
  n = sn(sp)
  f = sf(sp)
  t = st(sp)
  v = sv(sp)
  IF n = 1 THEN
    GOSUB move
  ELSEIF n > 0 THEN
    sn(sp) = n - 1
    sf(sp) = v
    st(sp) = t
    sv(sp) = f
    sn(sp + 1) = 1
    sf(sp + 1) = f
    st(sp + 1) = t
    sv(sp + 1) = v
    sn(sp + 2) = n - 1
    sf(sp + 2) = f
    st(sp + 2) = v
    sv(sp + 2) = t
    sp = sp + 3
  ENDIF
LOOP
PRINT
PRINT moves; " moves"
