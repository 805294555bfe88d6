' helpers
twice:
  x = 103
  y = y + y
  RETURN
