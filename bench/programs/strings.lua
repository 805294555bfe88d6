local n = 0
for i = 1, 200000 do
  local s = "abc" .. "def" .. tostring(i)
  n = n + #s
end
print(n)
