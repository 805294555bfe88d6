local flags = {}
local count = 0
for pass = 1, 100 do
  count = 0
  for i = 0, 8190 do
    flags[i] = 1
  end
  for i = 0, 8190 do
    if flags[i] ~= 0 then
      local prime = i + i + 3
      local k = i + prime
      while k <= 8190 do
        flags[k] = 0
        k = k + prime
      end
      count = count + 1
    end
  end
end
print(count)
