' one step: the count goes up and the total by the count
add_one:
  count = count + 1
  total = total + count
  RETURN
