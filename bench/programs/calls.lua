local function add(a, b)
  return (a + b) & 65535
end
local s = 0
for i = 1, 2000000 do
  s = add(s, i)
end
print(s)
